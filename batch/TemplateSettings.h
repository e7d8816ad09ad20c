// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file TemplateSettings.h
 * @brief What the user set on a template, taken off it and put back: the variables and region
 * of simple templates, a frame's photo corners, a face template's regions, blend, alignment,
 * expression and its strength. The window's undo keeps these; "Export selected..." turns
 * them into a rendering job for other photos.
 */
#include "batch/RenderJob.h"

#include <string>

namespace engine {
class CEffectTemplate;
}  // namespace engine

namespace batch {

/** The template's settings as bytes (empty for a template without any the user can set). */
std::string CaptureSettings(engine::CEffectTemplate& templ);

/**
 * @brief Puts captured settings back and marks the template to render again. False (nothing
 * changed) when they were captured from another kind of template.
 */
bool RestoreSettings(engine::CEffectTemplate& templ, const std::string& settings);

/**
 * @brief The settings that hold for any photo, as a job: the variables and region, a frame's
 * corners, an expression and its strength, whether to align a face. Which face, and where it
 * is, each photo finds for itself.
 */
void SettingsToJob(engine::CEffectTemplate& templ, RenderJob& job);

/** A job for other photos: the template's own definition (from memory) and its settings. */
RenderJob JobForTemplate(engine::CEffectTemplate& templ);

}  // namespace batch
