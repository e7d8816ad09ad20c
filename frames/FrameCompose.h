#pragma once
/**
 * @file FrameCompose.h
 * @brief Mapping a photo into a window of a frame picture with perspective, and the blend of
 * each window pixel.
 */
#include "frames/FrameParams.h"

#include <opencv2/core.hpp>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace frames {

/** How the photo is blended into a window. */
struct FrameBlend {
    bool gray = false;  ///< relief in the background's colours instead of the photo's colours
    float edge = 0;     ///< feather width, a fraction of the photo; 0 or less = hard border
    float alpha = 1;    ///< photo opacity
};

/**
 * @brief Weight of the cosine feather at t (u or v, 0..1): 1 inside [edge, 1 - edge), falling
 * to 0 at the photo's border along half a cosine wave.
 */
inline float FeatherWeight(float t, float edge)
{
    if (!(edge > 0)) return 1.f;
    t = std::clamp(t, 0.f, 1.f);
    if (t >= edge && t < 1 - edge) return 1.f;
    const float d = t < edge ? t - edge : t - (1 - edge);
    return (std::cos(std::numbers::pi_v<float> * d / edge) + 1) * 0.5f;
}

/**
 * @brief Bilinear sampling of an 8-bit 3-channel image at (u, v), fractions of its width and
 * height: the pixel grid is sampled at (u * width - 0.5, v * height - 0.5), so pixel centres
 * fall on whole numbers, and neighbours outside the image are clamped to its edge. This is the
 * sampling rule of cv::resize with INTER_LINEAR. Keeps the image's layout in registers for
 * per-pixel loops; the image must outlive it and not be empty.
 */
class BilinearSampler8u3 {
public:
    explicit BilinearSampler8u3(const cv::Mat& image)
        : data_(image.data), step_(image.step[0]), w_(image.cols), h_(image.rows), fw_(float(image.cols)),
          fh_(float(image.rows))
    {
    }

#if defined(__GNUC__)
    __attribute__((always_inline))
#endif
    inline void operator()(float u, float v, float out[3]) const
    {
        const float fx = u * fw_ - 0.5f, fy = v * fh_ - 0.5f;
        const float flx = std::floor(fx), fly = std::floor(fy);
        const float ax = fx - flx, ay = fy - fly;
        const int x0 = static_cast<int>(flx), y0 = static_cast<int>(fly);
        const int xa = std::clamp(x0, 0, w_ - 1), xb = std::clamp(x0 + 1, 0, w_ - 1);
        const int ya = std::clamp(y0, 0, h_ - 1), yb = std::clamp(y0 + 1, 0, h_ - 1);
        const uchar* r0 = data_ + size_t(ya) * step_;
        const uchar* r1 = data_ + size_t(yb) * step_;
        const uchar* p00 = r0 + xa * 3;
        const uchar* p01 = r0 + xb * 3;
        const uchar* p10 = r1 + xa * 3;
        const uchar* p11 = r1 + xb * 3;
        for (int c = 0; c < 3; ++c) {
            const float top = p00[c] + ax * (float(p01[c]) - float(p00[c]));
            const float bottom = p10[c] + ax * (float(p11[c]) - float(p10[c]));
            out[c] = top + ay * (bottom - top);
        }
    }

private:
    const uchar* data_;
    size_t step_;
    int w_, h_;
    float fw_, fh_;
};

/** One bilinear sample (see BilinearSampler8u3). */
inline void SampleBilinear8u3(const cv::Mat& image, float u, float v, float out[3])
{
    const BilinearSampler8u3 sampler(image);
    sampler(u, v, out);
}

/**
 * @brief The blend of one window pixel.
 * @param P the photo sample (three channels, 0..255)
 * @param F the background pixel
 * @param S the second background's pixel, or null when there is none
 * @param u, v the pixel's photo coordinates, 0..1 (they drive the feather)
 * @param out three bytes; fractions are dropped
 */
#if defined(__GNUC__)
__attribute__((always_inline))
#endif
inline void CompositeFramePixel(const float P[3], const uchar* F, const uchar* S, float u, float v,
                                const FrameBlend& blend, uchar* out)
{
    const float g = FeatherWeight(v, blend.edge) * FeatherWeight(u, blend.edge) * blend.alpha;
    float o[3];
    if (blend.gray) {
        const float m = (P[0] + P[1] + P[2]) / 3.f / 255.f;
        if (S) {
            // The photo's brightness picks between the two pictures: dark parts show the
            // background, light parts the second background.
            for (int c = 0; c < 3; ++c) o[c] = m * S[c] + (1 - m) * F[c];
        } else {
            // Overlay-style relief: mid-grey keeps the background, darker darkens it, lighter
            // lightens it, all in the background's own colours.
            const float t = g * (m - 0.5f) + 0.5f;
            if (t < 0.5f)
                for (int c = 0; c < 3; ++c) o[c] = F[c] * (2 * t);
            else
                for (int c = 0; c < 3; ++c) o[c] = 255.f - (255.f - F[c]) * (2 * (1 - t));
        }
    } else if (S) {
        for (int c = 0; c < 3; ++c) {
            const float s = (P[c] - 128.f) * g + 128.f;
            o[c] = F[c] * (1 - s / 255.f) + S[c] * s / 255.f;
        }
    } else {
        for (int c = 0; c < 3; ++c) o[c] = g * P[c] + (1 - g) * F[c];
    }
    for (int c = 0; c < 3; ++c) out[c] = static_cast<uchar>(std::clamp(o[c], 0.f, 255.f));
}

/**
 * @brief Maps the photo into one window of the result with perspective and blends it there.
 *
 * The window's corners receive the photo's corners (see FrameWindow). The unit square is sent
 * onto the window by its homography; the two triangles 00-01-11 and 11-10-00 are rasterised
 * with u/w, v/w and 1/w interpolated across the screen, so every covered pixel gets its exact
 * perspective photo coordinates, and is blended by CompositeFramePixel.
 *
 * A window with three corners on a line, or that would need a division by a vanishing depth,
 * draws nothing at those pixels. Pixels of a non-convex window whose photo coordinates fall
 * outside the photo are left alone.
 *
 * @param photo CV_8UC3, not empty
 * @param background CV_8UC3 of the result's size: F of the blend
 * @param background2 empty, or CV_8UC3 of the result's size: S of the blend
 * @param result CV_8UC3; only the window's pixels are written
 * @return the number of pixels written (0 for a degenerate window or bad arguments)
 */
long long MapPhotoIntoWindow(const cv::Mat& photo, const cv::Mat& background, const cv::Mat& background2,
                             const FrameWindow& window, const FrameBlend& blend, cv::Mat& result);

}  // namespace frames
