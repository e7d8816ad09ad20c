#pragma once
/**
 * @file ExportSave.h
 * @brief Writing an export: the still image or the animated GIF, asking before replacing a
 * file, and never leaving a half-written file behind (the file is written beside its target
 * and renamed into place).
 *
 * Threads: the interface thread; a process-wide lock guards the shared temporary GIF name.
 */
#include "shell/logic/ExportRules.h"

#include <opencv2/core.hpp>

#include <functional>
#include <string>

class CEffectTemplate;

namespace shell {

enum class SaveOutcome { Failed = 0, Saved = 1, Declined = 2 };

/** Asked when the target exists; true replaces it. */
using OverwriteQuestion = std::function<bool(const std::string& path)>;

/** The result scaled to the export size (keeping its proportions when asked). */
cv::Mat ScaleForExport(const cv::Mat& result, ExportSize size, bool keepAspect);

/**
 * @brief Saves a still image. path is completed with its extension (ImageSavePath) and, on
 * success, holds the file written.
 */
SaveOutcome SaveImageFile(std::string& path, const cv::Mat& image, const OverwriteQuestion& ask,
                          std::string* error = nullptr);

/** Saves the template's animation as a GIF of at most width x height (GifSavePath applies). */
SaveOutcome SaveGifFile(std::string& path, CEffectTemplate& templ, int width, int height, const OverwriteQuestion& ask,
                        std::string* error = nullptr);

}  // namespace shell
