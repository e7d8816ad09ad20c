#include "filters/SampleImage.h"

#include <algorithm>
#include <cmath>

namespace filters {

namespace {

template <class T>
cv::Vec3f Fetch(const cv::Mat& m, int x, int y)
{
    const T* p = m.ptr<T>(y) + static_cast<size_t>(x) * m.channels();
    cv::Vec3f out(0, 0, 0);
    const int n = std::min(m.channels(), 3);
    for (int c = 0; c < n; ++c) out[c] = static_cast<float>(p[c]);
    return out;
}

cv::Vec3f FetchAny(const cv::Mat& m, int x, int y)
{
    switch (m.depth()) {
    case CV_8U: return Fetch<uchar>(m, x, y);
    case CV_8S: return Fetch<schar>(m, x, y);
    case CV_16U: return Fetch<ushort>(m, x, y);
    case CV_16S: return Fetch<short>(m, x, y);
    case CV_32S: return Fetch<int>(m, x, y);
    case CV_32F: return Fetch<float>(m, x, y);
    case CV_64F: return Fetch<double>(m, x, y);
    default: return {0, 0, 0};
    }
}

}  // namespace

cv::Vec3f SampleImage(const cv::Mat& image, float u, float v)
{
    if (image.empty() || image.dims != 2) return {0, 0, 0};
    if (image.type() == CV_8UC3) return SampleImage8u3(image, u, v);
    const auto [xa, xb, ya, yb, fx, fy] = LocateSample(image.cols, image.rows, u, v);
    const cv::Vec3f c01 = FetchAny(image, xa, yb), c10 = FetchAny(image, xb, ya);
    if (fx + fy <= 1) {
        const cv::Vec3f c00 = FetchAny(image, xa, ya);
        return c00 + fy * (c01 - c00) + fx * (c10 - c00);
    }
    const cv::Vec3f c11 = FetchAny(image, xb, yb);
    return c11 + (1 - fy) * (c10 - c11) + (1 - fx) * (c01 - c11);
}

}  // namespace filters
