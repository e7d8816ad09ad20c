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

namespace engine {
class CEffectTemplate;
}  // namespace engine

namespace shell {

enum class SaveOutcome { Failed = 0, Saved = 1, Declined = 2 };

/** Asked when the target exists; true replaces it. */
using OverwriteQuestion = std::function<bool(const std::string& path)>;

/** The result scaled to the export size (keeping its proportions when asked). */
cv::Mat ScaleForExport(const cv::Mat& result, ExportSize size, bool keepAspect);

/** The still picture's longer side made longSide pixels (0 keeps the size). */
cv::Mat ScaleToLongSide(const cv::Mat& result, int longSide);

/**
 * @brief Saves a still image in a format (quality 1..100 for the lossy ones). path gets the
 * format's extension (PathForFormat) and, on success, holds the file written.
 */
SaveOutcome SaveImageFile(std::string& path, const cv::Mat& image, const engine::PictureType& format, int quality,
                          const OverwriteQuestion& ask, std::string* error = nullptr);

/** The size the template's animation will have within width x height (0 x 0 when it cannot tell). */
cv::Size AnimationSizeWithin(engine::CEffectTemplate& templ, int width, int height);

/**
 * @brief Saves the template's animation as a GIF of at most width x height (GifSavePath
 * applies); frameDelayCs > 0 writes that delay (hundredths of a second) with each frame.
 */
SaveOutcome SaveGifFile(std::string& path, engine::CEffectTemplate& templ, int width, int height, const OverwriteQuestion& ask,
                        std::string* error = nullptr, int frameDelayCs = 0);

}  // namespace shell
