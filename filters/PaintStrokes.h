#pragma once
/**
 * @file PaintStrokes.h
 * @brief The stamp painters behind oil paint, wax crayon and hard pastel.
 *
 * All three share one skeleton: fill the destination with white, build a brush footprint,
 * stamp it at random places in the source's colour until at most 500 pixels are left
 * unpainted, then fill what is left from the source. Random draws come from the caller's
 * generator in a fixed order, so a seed repeats a picture exactly on every machine.
 *
 * Images are CV_8UC3; anything else is refused (the functions return false and leave the
 * destination alone). Stamping is sequential by nature: each stamp reads what earlier
 * stamps left.
 */
#include "platform/Rand15.h"

#include <opencv2/core.hpp>

#include <vector>

namespace filters {

/** Stamping ends when no more than this many pixels are left unpainted. */
inline constexpr long long kStampLeftover = 500;

/**
 * Brush sizes beyond this many working pixels are treated as this size. The painters work
 * at about 500 x 500 (WorkingResolution.h), where a brush of this radius already spans the
 * whole picture; the cap only keeps absurd values from taking minutes and gigabytes.
 */
inline constexpr int kMaxBrushSize = 250;

/**
 * @brief Removes count elements picked at random from list, keeping the order of the rest.
 * Draw i removes the element at ((length - i) * r) / 32768 of the shrinking list; count is
 * clamped to 0..length. The removed elements are returned in removal order when removed
 * is given.
 */
void RemoveRandomOffsets(std::vector<cv::Point>& list, long long count, platform::Rand15& rng,
                         std::vector<cv::Point>* removed = nullptr);

/** Thinning for a kept fraction k: trunc(N (1 - k)) removals (single precision), 0..N. */
long long ThinningCount(size_t footprintSize, float keptFraction);

/**
 * @brief The oil brush: a band from upper left to lower right, 2R + 1 diagonals long, with
 * ragged edges from two random walks (draws 2 + 2 * 2R values). Empty for R < 0.
 */
std::vector<cv::Point> OilFootprint(int radius, platform::Rand15& rng);
/** The wax stroke: anti-diagonals with L / -2 <= dx + dy < L / 2 in a 2L square. Empty for L <= 0. */
std::vector<cv::Point> WaxFootprint(int halfLength);
/** The pastel dab: the disc dx^2 + dy^2 <= R^2. Empty for R < 0. */
std::vector<cv::Point> PastelFootprint(int radius);

/**
 * @brief Repaints src with blending oil strokes of radius R (working pixels) into dst,
 * which is made the size of src.
 *
 * Where strokes overlap, each channel becomes the running average of every stroke that
 * touched the pixel. A negative radius paints no stroke (dst equals src), as does R = 0 in
 * effect (each one-pixel stroke takes its own pixel's colour).
 */
bool PaintOilStrokes(const cv::Mat& src, cv::Mat& dst, int radius, platform::Rand15& rng);

/**
 * @brief Repaints src with short crayon strokes from lower left to upper right into dst
 * (any non-empty size; src is resized to it).
 * @param halfLength L, in dst pixels; L <= 0 paints nothing (dst becomes src resized).
 * @param keptFraction k: the share of the stroke's pixels kept after random thinning
 *        (0 or less keeps none, 1 or more keeps all).
 * @return false when the stop flag ended the painting early; dst is then unfinished, white
 *         where nothing was painted.
 */
bool PaintWaxStrokes(const cv::Mat& src, cv::Mat& dst, int halfLength, float keptFraction,
                     platform::Rand15& rng);

/**
 * @brief Repaints src with thinned round dabs of radius R into dst (made the size of src);
 * accentCount of the dab's pixels are drawn in a boosted, more saturated colour
 * (each channel c becomes 2c - mean, clamped).
 */
bool PaintPastelStrokes(const cv::Mat& src, cv::Mat& dst, int radius, float keptFraction, int accentCount,
                        platform::Rand15& rng);

}  // namespace filters
