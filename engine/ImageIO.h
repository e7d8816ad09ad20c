#pragma once
/**
 * @file ImageIO.h
 * @brief Loading photos and writing images.
 *
 * Images are cv::Mat, CV_8UC3 in BGR order with a top-left origin. Loads may come from any
 * thread; one lock serialises the failure log.
 */
#include "engine/ImageCodecs.h"

#include <opencv2/core.hpp>

#include <string>

namespace engine {

/** Photos above this many pixels are refused before anything is decoded. */
inline constexpr long long kMaxPhotoPixels = kMaxDecodePixels;
/** Files larger than this are not even opened as photos. */
inline constexpr long long kMaxPhotoFileBytes = 1LL << 30;

/**
 * @brief Loads a photo as 8-bit BGR, turned upright by its EXIF orientation.
 *
 * Returns an empty Mat when the file is missing, unreadable, empty, truncated, of an
 * unsupported format or above kMaxPhotoPixels; then one line goes to "log.txt" in the
 * per-user folder and, when error is given, a sentence a user understands into it.
 */
cv::Mat LoadPhoto(const std::string& path, std::string* error = nullptr);

/**
 * @brief As LoadPhoto, but lets the JPEG decoder skip detail nobody will see: the photo is
 * decoded at 1/2, 1/4 or 1/8 of its size when that still covers a view of the given size in
 * either orientation. For renderings that are only ever shown at that size.
 */
cv::Mat LoadPhotoForView(const std::string& path, cv::Size view, std::string* error = nullptr);

/**
 * @brief Reads only the header of an image file to learn its size.
 * @return false when the format is not one of JPEG, PNG, BMP, TIFF, WebP or PNM, or the
 * header is damaged.
 */
bool ReadImageSize(const std::string& path, int& width, int& height, std::string* error = nullptr);

/** True when the file name ends in an extension SaveImage can write (engine/PictureTypes.h). */
bool IsWritableImageName(const std::string& path);

/**
 * @brief Encodes the image by the file name's extension and writes it through a temporary
 * file renamed into place, so an existing file is never left half-written.
 * @param jpegQuality 1..100, used for JPEG and WebP.
 */
bool SaveImage(const std::string& path, const cv::Mat& image, std::string* error = nullptr, int jpegQuality = 95);

/**
 * @brief Reads one of the program's own pictures (skin images, textures, downloaded
 * thumbnails): as LoadPhoto but without the log line, optionally keeping alpha (CV_8UC4).
 */
cv::Mat LoadPicture(const std::string& path, bool withAlpha = false);

/** Appends one line (CRLF-terminated) to "log.txt" in the per-user folder. */
void AppendLog(const std::string& line);

}  // namespace engine
