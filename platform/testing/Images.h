#pragma once
// Pictures and comparisons the test programs share.
#include <opencv2/core.hpp>

namespace testenv {

/** A reproducible picture of uniform noise (every value 0..255); the same seed, the same pixels. */
cv::Mat RandomImage(int width, int height, int seed = 7, int type = CV_8UC3);

/** True when both pictures have the same size, type and every value. */
bool Same(const cv::Mat& a, const cv::Mat& b);

/** Number of pixels (not values) where two pictures differ; -1 when their sizes or types do. */
int DifferentPixels(const cv::Mat& a, const cv::Mat& b);

}  // namespace testenv
