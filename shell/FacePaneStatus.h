// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file FacePaneStatus.h
 * @brief What the face panes show beside "Search Face": which of the faces found on the photo
 * is the one used ("Face 2 of 3"). Interface thread only.
 */
#include "engine/PhotoRecord.h"

#include <QString>

#include <vector>

namespace engine {
class CEffectTemplate;
}  // namespace engine

namespace shell {

/**
 * @brief The index of the detected face the face region stands on: the one whose centre lies
 * nearest the region's centre. -1 without faces or without a region.
 */
int FaceIndexOf(const engine::FaceQuad& region, const std::vector<engine::FaceQuad>& faces);

/** "Face n of m" for a face template after a search, "No face found", or empty before any search. */
QString FaceCountText(engine::CEffectTemplate* templ);

}  // namespace shell
