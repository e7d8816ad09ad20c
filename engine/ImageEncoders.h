// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file ImageEncoders.h
 * @brief The TIFF and WebP writers behind EncodeImage (engine/ImageCodecs.h); not for other callers.
 */
#include <opencv2/core.hpp>

#include <string>

namespace engine {

/** 8-bit grey, BGR or BGRA to a deflate-compressed grey or RGB TIFF; alpha is dropped. */
bool EncodeTiff(const cv::Mat& image, std::string& out, std::string* error);

/** 8-bit grey, BGR or BGRA to a lossy WebP of quality 1..100; alpha is kept. */
bool EncodeWebp(const cv::Mat& image, int quality, std::string& out, std::string* error);

}  // namespace engine
