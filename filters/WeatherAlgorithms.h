#pragma once
/**
 * @file WeatherAlgorithms.h
 * @brief Pixel algorithms of the weather and wave filters: rain streaks, snowflakes, the
 * smooth random field and mist droplets resting on it, and the ripple. Images are owned by
 * the caller, 8-bit BGR unless stated. Random draws come from the caller's generator, in
 * the order documented for each function, so a seed gives the same picture everywhere.
 */
#include "platform/Rand15.h"

#include <opencv2/core.hpp>

namespace filters {

/**
 * @brief dest = source resized to dest's size, with `count` bright streaks falling from upper
 * right to lower left.
 *
 * Per streak three draws: x, y, then the half-length between shortest and longest; a
 * half-length <= 0 draws nothing but its draws are still consumed. The count is limited to
 * dest's pixel count, and drawing ends once 64 brightenings per pixel have been spent (the
 * picture is white by then): only absurd settings reach either limit.
 * @param dest Sized by the caller; when empty it takes the source's size.
 */
void DrawRainStreaks(const cv::Mat& source, int count, cv::Mat& dest, float shortest, float longest,
                     platform::Rand15& rng);

/**
 * @brief Adds `count` soft white flakes of radius min(W, H) x 25 / 767 and sharpness s to the
 * image, in place; two draws per flake (x, then y). A radius of 0 makes each flake one white
 * pixel. The count is limited to the image's pixel count.
 */
void DrawSnowflakes(cv::Mat& image, int count, float sharpness, platform::Rand15& rng);

/**
 * @brief Fills a CV_32FC1 image with a smooth random field of about `across` by `down`
 * independent bumps, values around 0..1, by enlarging the spectrum of a random grid.
 *
 * Grid draws run column by column. Sample counts below 1 count as 1. Fields wider or taller
 * than 4096 are made at that size and enlarged (the field is smooth, and the spectrum of a
 * 100-megapixel photo would take gigabytes).
 */
void MakeSmoothNoise(cv::Mat& field, int across, int down, platform::Rand15& rng);

/**
 * @brief dest = the source seen through a misted pane: droplets where a smooth random field of
 * density `density` rises above 0.8 refract and shade the photo. A density below 1 leaves the
 * pane clear (dest = source).
 * @param dest (Re)allocated to the source's size.
 */
void RenderMistDroplets(int density, cv::Mat& dest, const cv::Mat& source, platform::Rand15& rng);

/**
 * @brief The droplet shading of RenderMistDroplets on a given height field (CV_32FC1, the
 * source's size). Where the field is at or below 0.8 the source shows through unchanged.
 */
void ShadeMistDroplets(const cv::Mat& field, cv::Mat& dest, const cv::Mat& source);

/**
 * @brief dest = the source under a circular ripple centred on the image: height b cos(theta),
 * theta = r^2 / a^2 (r in units of the shorter side), refraction ratio c, lit from `light`
 * with a specular highlight.
 *
 * Parameters without a meaningful surface (a = 0, refraction beyond total reflection) leave
 * the pixels concerned flat: no offset, the flat surface's brightness.
 * @param dest (Re)allocated to the source's size.
 */
void RenderRipple(cv::Mat& dest, const cv::Mat& source, float a, float b, float c, cv::Vec3f light);

}  // namespace filters
