#pragma once
/**
 * @file GifWriter.h
 * @brief Writing looping animated GIF files on a fixed 6 x 6 x 6 colour cube.
 *
 * Every frame is dithered onto the same global palette, so the file needs no local colour
 * tables and plays identically everywhere. Unless a delay is asked for, frames carry none and
 * viewers use their default.
 */
#include <opencv2/core.hpp>

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace frames {

/** One palette entry. */
struct GifRgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const GifRgb&, const GifRgb&) = default;
};

/** The palette: entry 36 r + 6 g + b is (51 r, 51 g, 51 b) for r, g, b in 0..5; entries 216..255 are black. */
std::array<GifRgb, 256> GifCubePalette();

/**
 * @brief Floyd-Steinberg error diffusion of a BGR image onto the colour cube.
 *
 * Runs in float over the rows top to bottom, each left to right. Per channel the level is the
 * value divided by 51, truncated toward zero (at most 5); the remainder goes 7/16 to the right,
 * 3/16 below-left, 5/16 below and 1/16 below-right, with neighbour coordinates clamped to the
 * image, so at the borders a share lands on the edge pixel itself.
 *
 * @param image CV_8UC3, blue-green-red
 * @param indices width x height palette indices, row by row (blue level + 6 green + 36 red)
 */
void DitherToColourCube(const cv::Mat& image, std::uint8_t* indices);

/** Frame i of an animation (any size; 8-bit, 1, 3 or 4 channels), or an empty Mat to give up. */
using GifFrameSource = std::function<cv::Mat(int index)>;

/**
 * @brief Writes a looping animated GIF.
 *
 * Each frame is resized (bilinear) to size when it differs, dithered onto the cube and
 * written as one full-size image. The file is assembled in memory and written through a
 * temporary file renamed into place: on failure nothing is left behind and a file already at
 * path is untouched.
 *
 * @param frameDelayCs >0: each frame is preceded by a graphic control extension holding this
 *        delay in hundredths of a second (capped at kMaxGifFrameDelayCs); 0 writes none.
 * @return 1 on success; 0 with a reason in error for a bad size or frame count, a frame the
 * source could not give, an encoder failure or a file that cannot be written.
 */
int WriteGifAnimation(const std::string& path, cv::Size size, int frameCount, const GifFrameSource& source,
                      std::string* error = nullptr, int frameDelayCs = 0);

/** The same over frames already rendered. */
int WriteGifAnimation(const std::string& path, cv::Size size, std::span<const cv::Mat> frames,
                      std::string* error = nullptr, int frameDelayCs = 0);

/** The longest frame delay a GIF can hold, in hundredths of a second. */
inline constexpr int kMaxGifFrameDelayCs = 65535;

}  // namespace frames
