#pragma once
/**
 * @file TonalAlgorithms.h
 * @brief Pixel algorithms of the tonal filters (TonalFilters.h): relief, soft outlines, focus
 * blur, tile grid and pixelation. Images are owned by the caller; 8-bit BGR unless stated.
 */
#include <opencv2/core.hpp>

namespace filters {

/**
 * @brief Relief by an offset difference, in place: every value becomes
 * p(x, y) - p(x + d, y + d) + bias, clamped to 0..255, the neighbour clamped into the image.
 *
 * Flat areas take the bias. A negative d compares with the pixel up and to the left instead
 * (the relief lit from the other side), clamped at the near edges.
 * @param image 8-bit image, any channel count; other depths are left alone.
 */
void EmbossRelief(cv::Mat& image, int d, int bias);

/**
 * @brief Darkens the image along its edges with soft lines, in place.
 *
 * Gradient of B + G + R by 11 x 11 derivative-of-Gaussian kernels of width sigma, thinned by
 * non-maximum suppression in eight directions, edges kept where the gradient magnitude is at
 * least threshold, softened by a small blur and multiplied into every channel. A pixel
 * without gradient is no edge. A sigma of 0 (or one whose square is not a finite positive
 * number) has no kernel and leaves the image unchanged.
 * @param image 8-bit 3-channel image.
 */
void DrawEdgeLines(cv::Mat& image, float sigma, int threshold);

/**
 * @brief Blur that grows with the distance from a focus, by box means from a summed-area table.
 *
 * The focus is the centre of region (photo fractions) with a spread of four times its size,
 * or the image centre with spread 1 when region is null or all zero. Polls the process-wide
 * stop flag after every pixel and returns early when it is set (dest then holds the pixels
 * finished so far and black elsewhere).
 * @param source 8-bit 3-channel image; when empty, dest is only cleared.
 * @param dest Receives the result; (re)allocated to the source's size and type if needed.
 */
void FocusBlur(const cv::Mat& source, const cv::Rect2f* region, cv::Mat& dest);

/**
 * @brief Adds an embossed tile grid of cell size n and amplitude a to the image, in place.
 *
 * Each cell ends in a dark, a neutral and a bright line along its bottom and right edges. The
 * relief map is at most 1024 pixels on its longer side and read through SampleImage.
 * A cell size below 1 draws no grid.
 * @param image 8-bit 3-channel image.
 */
void EmbossGrid(cv::Mat& image, int cellSize, int amplitude);

/**
 * @brief Replaces square cells inside the region by their mean colour, in place.
 *
 * Cell size n = trunc(fraction x min(region height, region width) in pixels), at least 1;
 * cells are aligned to multiples of n in image columns, bands of rows start at the region's
 * top. A region with a negative value means the whole image. A fraction <= 0, a NaN anywhere or an
 * empty region changes nothing.
 * @param image 8-bit 3-channel image.
 */
void PixelateRegion(const cv::Rect2f& region, cv::Mat& image, float cellFraction);

}  // namespace filters
