#pragma once
/**
 * @file ImageConvert.h
 * @brief Engine images (cv::Mat, BGR) as Qt images.
 */
#include <QImage>
#include <opencv2/core.hpp>

namespace shell {

/** A deep copy of an 8-bit BGR, grey or BGRA image; a null QImage for anything else. */
QImage ToQImage(const cv::Mat& image);

}  // namespace shell
