#pragma once
/**
 * @file ImageCodecs.h
 * @brief The picture formats Grimaze reads and writes, straight on the format libraries.
 *
 * JPEG goes through libjpeg, PNG through libpng, TIFF through libtiff and WebP through
 * libwebp; BMP and PNM are read here. Decoders take the whole file in memory and never trust
 * a size from a header: a picture of more than kMaxDecodePixels pixels is refused before its
 * pixel memory is taken, and a file that ends early is an error rather than a grey picture.
 *
 * Where a format bounds how many pixels a byte can carry, a header asking for more than the
 * file could hold is refused before anything is allocated, so memory stays in proportion to
 * the file: uncompressed BMP, PNM and TIFF must hold every row; RLE BMP paints at most 255
 * pixels per two bytes; deflate (PNG) expands a byte to at most 1032; Huffman-coded JPEG spends
 * at least one bit per 8 x 8 block (512 pixels per byte). Arithmetic-coded JPEG, compressed
 * TIFF and WebP have no useful bound: they stop at the first missing or damaged data instead
 * (libjpeg's premature-end and corrupt-data warnings are errors here).
 *
 * OpenCV's own codec module is not used: it drags some hundred and twenty shared libraries
 * (geodata, medical and camera formats) into every process, which costs about 80 ms at each
 * start of the program or of grimaze-cli.
 */
#include <opencv2/core.hpp>

#include <string>
#include <string_view>

namespace engine {

/** Decoders refuse pictures with more pixels than this. */
inline constexpr long long kMaxDecodePixels = 100'000'000;

/**
 * @brief Decodes a JPEG, PNG, BMP, TIFF, WebP or PNM file held in memory.
 * @param reduce 1, 2, 4 or 8: the picture comes back that many times smaller on each side.
 *        JPEG scales while decoding; the other formats are shrunk after decoding.
 * @param withAlpha true for CV_8UC4 (BGRA; opaque formats get alpha 255), false for CV_8UC3
 *        (BGR; an alpha channel is dropped, the colours stay as stored).
 * @return the picture, turned upright by a JPEG's EXIF orientation; empty on failure, with a
 *         short reason in error.
 */
cv::Mat DecodeImage(std::string_view file, int reduce = 1, bool withAlpha = false, std::string* error = nullptr);

/**
 * @brief Encodes an 8-bit picture of 1, 3 (BGR) or 4 (BGRA) channels.
 * @param extension an extension of a writable type of engine/PictureTypes.h (".jpg", "png",
 *        ".TIFF", ...). JPEG, BMP and TIFF drop alpha.
 * @param jpegQuality 1..100, for JPEG and WebP.
 */
bool EncodeImage(const cv::Mat& image, std::string_view extension, std::string& out, int jpegQuality = 95,
                 std::string* error = nullptr);

}  // namespace engine
