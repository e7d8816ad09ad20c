// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file Landmarks.h
 * @brief The 68 face landmarks and what is measured from them: eye centres, the feature
 * regions the user edits, the outline the pasted face is blended along. Free functions.
 *
 * Point numbering: 0-16 jaw (image left to right), 17-21 and 22-26 the brows, 27-35 the nose,
 * 36-41 the eye on the image's left, 42-47 the other eye, 48-59 the outer lip line (48 and 54
 * the mouth corners), 60-67 the inner one.
 */
#include "face/FaceTypes.h"

#include <opencv2/core.hpp>

#include <array>
#include <vector>

namespace face {

inline constexpr int kLandmarkCount = 68;

struct Landmarks {
    std::array<cv::Point2f, kLandmarkCount> p{};
    bool valid = false;
};

/** Centre of the eye on the image's left (0) or right (1): the mean of its six points. */
cv::Point2f EyeCentre(const Landmarks& l, int eye);
/** Centre of the mouth: the mean of the outer lip line. */
cv::Point2f MouthCentre(const Landmarks& l);

/** The points mapped by x' = sx x + ox, y' = sy y + oy (from one picture's pixels to another's). */
Landmarks MapLandmarks(const Landmarks& l, float sx, float ox, float sy, float oy);

/**
 * @brief The left eye, right eye and mouth regions around the landmarks (in the landmarks'
 * pixels): boxes tilted with the eye line, centred on each feature, wide enough to hold its
 * surroundings so the soft blending around eyes and mouth reaches the brows and lips.
 */
void RegionsFromLandmarks(const Landmarks& l, engine::FaceQuad (&regions)[3]);

/**
 * @brief The outline a pasted face is blended along: the jaw line closed over the brows,
 * raised by a little to take in the forehead. Points in the landmarks' pixels.
 */
std::vector<cv::Point2f> FaceOutline(const Landmarks& l);

}  // namespace face
