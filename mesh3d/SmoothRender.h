// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file SmoothRender.h
 * @brief Drawing a model with smooth edges: rendered at a multiple of the target's size and
 * averaged down, with each pixel covered only in part blended over what the target held.
 */
#include "mesh3d/Mesh.h"

#include <opencv2/core.hpp>

namespace mesh3d {

/** The supersampling the 3D filters draw with: 2 x 2 samples per pixel. */
inline constexpr int kSmoothFactor = 2;

/** Scratch images kept between renderings (a turning model renders fifty times a second). */
struct SmoothRenderBuffers {
    cv::Mat colour, depth, coverage, small, alpha;
};

/**
 * @brief Draws mesh onto target with factor x factor supersampling.
 * @param target CV_8UC3; pixels the model does not touch keep their content, pixels it covers
 * in part become the covered share of the model's average over that share plus the rest of the
 * target's pixel
 * @param factor 1 draws as RenderMesh does (no smoothing); at most 4
 * @return the number of target pixels the model touched
 */
long long RenderMeshSmooth(Mesh& mesh, cv::Mat& target, int factor, SmoothRenderBuffers& buffers);

}  // namespace mesh3d
