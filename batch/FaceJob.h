#pragma once
/**
 * @file FaceJob.h
 * @brief The face templates' part of a command-line rendering: finding the face, picking one
 * of several, locating eyes and mouth, choosing the expression.
 */
#include "batch/RenderJob.h"

#include <string>

namespace engine {
class CEffectTemplate;
class CPhotoDocument;
}  // namespace engine

namespace batch {

/**
 * @brief Runs the face steps of a job on a template the document has photos for. Does nothing
 * for other templates, but refuses face options given to them.
 * @return false with a one-line reason (no such face, an option the template does not take).
 */
bool PrepareFaceJob(engine::CPhotoDocument& doc, engine::CEffectTemplate* templ, const RenderJob& job, std::string* error);

}  // namespace batch
