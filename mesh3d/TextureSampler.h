#pragma once
/**
 * @file TextureSampler.h
 * @brief SampleImage8u3 for the renderer's per-pixel loops: the same cell, the same arithmetic
 * in the same order (so the same bits), with the image's layout held in registers and the
 * call always inlined.
 */
#include "filters/SampleImage.h"

namespace mesh3d {

class TextureSampler8u3 {
public:
    /** The image must be CV_8UC3, not empty, and outlive the sampler. */
    explicit TextureSampler8u3(const cv::Mat& image)
        : data_(image.data), step_(image.step[0]), w_(image.cols), h_(image.rows)
    {
    }

#if defined(__GNUC__)
    __attribute__((always_inline))
#endif
    inline void operator()(float u, float v, float out[3]) const
    {
        const filters::SampleCell cell = filters::LocateSample(w_, h_, u, v);
        const uchar* ra = data_ + static_cast<size_t>(cell.ya) * step_;
        const uchar* rb = data_ + static_cast<size_t>(cell.yb) * step_;
        const int xa = cell.xa * 3, xb = cell.xb * 3;
        const float fx = cell.fx, fy = cell.fy;
        if (fx + fy <= 1) {
            for (int c = 0; c < 3; ++c) {
                const float c00 = ra[xa + c], c01 = rb[xa + c], c10 = ra[xb + c];
                out[c] = c00 + fy * (c01 - c00) + fx * (c10 - c00);
            }
        } else {
            for (int c = 0; c < 3; ++c) {
                const float c11 = rb[xb + c], c01 = rb[xa + c], c10 = ra[xb + c];
                out[c] = c11 + (1 - fy) * (c10 - c11) + (1 - fx) * (c01 - c11);
            }
        }
    }

private:
    const uchar* data_;
    size_t step_;
    int w_, h_;
};

}  // namespace mesh3d
