#pragma once
/**
 * @file WatercolourAlgorithms.h
 * @brief The two non-random painterly algorithms: watercolour washes by colour diffusion
 * and the wood-print stripe pattern. Neither draws random numbers.
 *
 * Images are CV_8UC3 (BGR). Per-pixel loops run under cv::parallel_for_; every pixel of a
 * pass depends only on the pass's input, so the result is the same on any thread count.
 */
#include <opencv2/core.hpp>

namespace filters {

/** Passes of the diffusion at most; it usually settles earlier. */
inline constexpr int kWatercolorMaxPasses = 21;

/**
 * @brief The size the diffusion works at for a destination size: the destination's own when
 * both sides are at most 400, otherwise the longer side scaled to 600 times s (each side
 * rounded, at least 1). s is limited to 0..4 so a stray value cannot ask for gigapixels;
 * a value that is not a number reads as 1.
 */
cv::Size WatercolorWorkingSize(cv::Size destination, float s);

/**
 * @brief Flattens src into watercolour washes and scales them into dst (which keeps its size).
 *
 * Each pass moves every channel one step toward each of its four neighbours that differs
 * from it, while (original - value) / 20 pulls it back toward the photo, so fine texture
 * levels out and strong edges stay. Up to 21 passes; it stops once no value moved by 1 or
 * more. The result is read from the first of the two ping-pong buffers, as the washes were
 * always tuned.
 * @return false when the stop flag ended it (dst untouched) or the images are unusable.
 */
bool DiffuseWatercolor(const cv::Mat& src, cv::Mat& dst, float s);

/**
 * @brief Renders src as a wood print into dst (which keeps its size): vertical stripes, 50
 * across, swaying by amplitude b over a period set by divisor p, thickened where the photo
 * is dark; light stripes show the foreground texture, dark ones the background texture.
 *
 * The textures are scaled to dst. An empty foreground counts as plain white paper and an
 * empty background as plain black ink, so a missing texture still gives a print. A divisor
 * p of 0 (or not a number) means no sway.
 */
bool RenderWoodPrint(cv::Mat& dst, const cv::Mat& src, const cv::Mat& foreground, const cv::Mat& background, float p,
                     float b);

/** The stripe pattern alone (one channel), for tests and for RenderWoodPrint. */
void WoodPrintPattern(const cv::Mat& grey, cv::Mat& pattern, float p, float b);

}  // namespace filters
