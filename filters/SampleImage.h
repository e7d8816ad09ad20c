#pragma once
/**
 * @file SampleImage.h
 * @brief The sub-pixel sampler filters, frames, faces and meshes share.
 */
#include <opencv2/core.hpp>

#include <algorithm>
#include <cmath>

namespace filters {

/**
 * @brief Samples an image at (u, v), given as fractions of its width and height, with clamped
 * borders and planar interpolation over the two triangles either side of the diagonal from
 * (x0 + 1, y0) to (x0, y0 + 1).
 *
 * Accepts 1 to 4 channels of 8/16-bit (un)signed, 32-bit integer, float or double pixels;
 * returns the first three channels as floats (channels the image lacks are 0). An empty image
 * samples as 0. Positions far outside the image (even inf) sample its border; NaN samples
 * the top-left border.
 */
cv::Vec3f SampleImage(const cv::Mat& image, float u, float v);

/** Where a sample falls: the four clamped neighbours and the position between them. */
struct SampleCell {
    int xa, xb, ya, yb;  ///< columns x0, x0 + 1 and rows y0, y0 + 1, clamped into the image
    float fx, fy;
};

/**
 * @brief A sample position in pixels kept within the int range: every position this far out
 * samples the border anyway, and from 2^24 on floats have no fraction left, so the cell and
 * its weights are those of the position itself. NaN goes to the top or left border.
 */
inline float KeepSamplePositionInRange(float p)
{
    constexpr float kFar = 16777216.0f;
    return p >= -kFar && p <= kFar ? p : p > 0 ? kFar : -kFar;
}

inline SampleCell LocateSample(int w, int h, float u, float v)
{
    u = KeepSamplePositionInRange(u * w - 0.5f);
    v = KeepSamplePositionInRange(v * h - 0.5f);
    const float fu = std::floor(u), fv = std::floor(v);
    const int x0 = static_cast<int>(fu), y0 = static_cast<int>(fv);
    return {std::min(std::max(x0, 0), w - 1), std::min(std::max(x0 + 1, 0), w - 1), std::min(std::max(y0, 0), h - 1),
            std::min(std::max(y0 + 1, 0), h - 1), u - fu, v - fv};
}

/** The same for 8-bit 3-channel images, without the type dispatch (hot loops). */
inline cv::Vec3f SampleImage8u3(const cv::Mat& image, float u, float v)
{
    const auto [xa, xb, ya, yb, fx, fy] = LocateSample(image.cols, image.rows, u, v);
    const uchar* ra = image.ptr<uchar>(ya);
    const uchar* rb = image.ptr<uchar>(yb);
    cv::Vec3f out;
    if (fx + fy <= 1) {
        for (int c = 0; c < 3; ++c) {
            const float c00 = ra[xa * 3 + c], c01 = rb[xa * 3 + c], c10 = ra[xb * 3 + c];
            out[c] = c00 + fy * (c01 - c00) + fx * (c10 - c00);
        }
    } else {
        for (int c = 0; c < 3; ++c) {
            const float c11 = rb[xb * 3 + c], c01 = rb[xa * 3 + c], c10 = ra[xb * 3 + c];
            out[c] = c11 + (1 - fy) * (c10 - c11) + (1 - fx) * (c01 - c11);
        }
    }
    return out;
}

}  // namespace filters
