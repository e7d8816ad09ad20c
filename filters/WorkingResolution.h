#pragma once
/**
 * @file WorkingResolution.h
 * @brief The size at which the line and streak filters work, about 500 x 500 pixels whatever
 * the photo's pixel count, so their strokes look alike on a thumbnail and on a 12 MP photo.
 */
#include <opencv2/core.hpp>

#include <algorithm>
#include <cmath>

namespace filters {

/** Working images never exceed this many pixels (four times the nominal 500 x 500). */
inline constexpr double kMaxWorkingPixels = 1.0e6;

/**
 * @brief The working size for a source of the given size: each side times
 * c = (500 / W + 500 / H) x 0.5 (single precision), truncated.
 *
 * For ordinary photos that is the whole rule. A strip such as 5000 x 10 would get
 * c = 25 and a 31-megapixel working image (a 1 x 20000 strip over a gigapixel), so the
 * result is scaled down to at most kMaxWorkingPixels; every side is at least one pixel.
 * Photos up to an aspect ratio of about 1 : 16 are not affected.
 */
inline cv::Size WorkingResolution(cv::Size source)
{
    if (source.width <= 0 || source.height <= 0) return {1, 1};
    const float W = static_cast<float>(source.width), H = static_cast<float>(source.height);
    const float c = (500.0f / W + 500.0f / H) * 0.5f;
    double w = std::trunc(W * c), h = std::trunc(H * c);
    if (w * h > kMaxWorkingPixels) {
        const double f = std::sqrt(kMaxWorkingPixels / (w * h));
        w = std::trunc(w * f);
        h = std::trunc(h * f);
    }
    return {static_cast<int>(std::max(w, 1.0)), static_cast<int>(std::max(h, 1.0))};
}

}  // namespace filters
