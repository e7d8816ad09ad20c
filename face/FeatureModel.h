#pragma once
/**
 * @file FeatureModel.h
 * @brief Locating eyes and mouth in a 400 x 400 face crop: the local-contrast image, its
 * pyramid, and fifteen small curved bars fitted to it. Free functions on caller-owned images;
 * FaceEngine drives them.
 *
 * All coordinates are pixels of the 400 x 400 crop.
 */
#include "face/FaceTypes.h"

#include <opencv2/core.hpp>

#include <vector>

namespace face {

/** Side of the face crop the feature model works on. */
inline constexpr int kCropSize = 400;
/** Bars per feature group, and the groups: left eye, right eye, mouth. */
inline constexpr int kBarsPerGroup = 5;
inline constexpr int kBarGroups = 3;

using BarGroups = FeatureBar[kBarGroups][kBarsPerGroup];

/**
 * @brief Each pixel becomes the standard deviation of the window reaching 10 pixels to either
 * side (ends clamped into the image, the window's far row and column excluded as the
 * integral image counts them), truncated to a byte. A window of no area gives 0.
 * @param grey CV_8UC1. @return CV_8UC1 of the same size.
 */
cv::Mat LocalContrast(const cv::Mat& grey);

/**
 * @brief Levels 1, 2, ... of the contrast pyramid (level 0 is the image itself): halve width
 * and height (integer division) while at least one of them is even; each pixel is the mean
 * of its 2 x 2 block, rounded down. A 400 x 400 image gives 200, 100, 50 and 25.
 */
std::vector<cv::Mat> BuildContrastPyramid(const cv::Mat& contrast);

/**
 * @brief How well a bar of centre (cx, cy), length a, thickness b, curvature c and tilt d
 * (all in the pixels of image) lies on a band of high contrast: 0 when no pixel counts.
 */
double BarScore(const cv::Mat& image, float cx, float cy, float a, float b, float c, float d);

/** Sets the bars to the starting layout (two eye columns and a plus sign for the mouth). */
void InitialFeatureModel(BarGroups& bars);

/** What one greedy move of a bar reports. */
struct BarStepResult {
    bool improved = false;
    double base = 0;          ///< the bar's score before the move
    double gradX = 0, gradY = 0;  ///< score change of one step right and one step down
};

/**
 * @brief One greedy move of a bar at pyramid level L (0 is the contrast image, k >= 1 is
 * pyramid[k - 1]): tries each parameter one step down and up and keeps the best trial when it
 * beats the current score. Position moves are tried only with positionSearch. A level above
 * the pyramid reports no improvement at once.
 */
BarStepResult BarStep(FeatureBar& bar, const cv::Mat& contrast, const std::vector<cv::Mat>& pyramid, int level,
                      bool positionSearch);

/** Keeps a bar's length, thickness, curvature and tilt within its bounds and the curvature limit. */
void ApplyBarBounds(FeatureBar& bar);

/**
 * @brief The region of one feature group (0 left eye, 1 right eye, 2 mouth): the bars that
 * agree with each other or lie in the feature's expected place, widened to at least
 * 100 x 50.
 */
engine::FaceQuad RegionFromBars(const FeatureBar (&bars)[kBarsPerGroup], int group);

/**
 * @brief Levels the eyes against each other (tops and bottoms within 5 pixels) and limits
 * the mouth's lopsidedness.
 */
void LevelRegions(engine::FaceQuad (&regions)[3]);

}  // namespace face
