#include "platform/testing/Images.h"

#include <cstdint>

namespace testenv {

cv::Mat RandomImage(int width, int height, int seed, int type)
{
    cv::Mat m(height, width, type);
    cv::RNG rng(static_cast<std::uint64_t>(seed));
    rng.fill(m, cv::RNG::UNIFORM, 0, 256);
    return m;
}

bool Same(const cv::Mat& a, const cv::Mat& b)
{
    return a.size() == b.size() && a.type() == b.type() && cv::norm(a, b, cv::NORM_INF) == 0;
}

int DifferentPixels(const cv::Mat& a, const cv::Mat& b)
{
    if (a.size() != b.size() || a.type() != b.type()) return -1;
    cv::Mat diff;
    cv::absdiff(a, b, diff);
    if (diff.channels() > 1) {
        cv::Mat flat = diff.reshape(1, static_cast<int>(diff.total()));
        cv::reduce(flat, flat, 1, cv::REDUCE_MAX);
        diff = flat;
    }
    return cv::countNonZero(diff);
}

}  // namespace testenv
