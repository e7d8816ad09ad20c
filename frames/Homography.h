#pragma once
/**
 * @file Homography.h
 * @brief The projective map of the unit square onto a window quadrilateral.
 */
#include "frames/FrameParams.h"

#include <opencv2/core.hpp>

#include <array>

namespace frames {

/**
 * @brief True when the window cannot be the image of a square: three of its corners lie on
 * one line (coincident corners included). Exact, on the integer corners.
 */
bool IsDegenerateWindow(const FrameWindow& window);

/**
 * @brief The homography H with H * (u, v, 1) ~ (x, y, 1) that sends the unit square's corners
 * (0, 0), (1, 0), (0, 1), (1, 1) to q[0], q[1], q[2], q[3] (the order of FrameWindow::corner).
 *
 * The third row of H is the vanishing line of the square's plane: it is zero in its first two
 * entries exactly when both pairs of opposite edges are parallel (a parallelogram, where the
 * map is affine); otherwise each pair of non-parallel edges meets at a vanishing point.
 * H is scaled so that H(2,2) = 1, which makes the depth w of corner (0, 0) equal to 1.
 *
 * @return false when three corners are collinear (no such map exists); H is then untouched.
 */
bool SquareToQuad(const std::array<cv::Point2d, 4>& q, cv::Matx33d& H);

/** H applied to (u, v); the caller ensures the point is not on the vanishing line. */
inline cv::Point2d ApplyHomography(const cv::Matx33d& H, double u, double v)
{
    const double w = H(2, 0) * u + H(2, 1) * v + H(2, 2);
    return {(H(0, 0) * u + H(0, 1) * v + H(0, 2)) / w, (H(1, 0) * u + H(1, 1) * v + H(1, 2)) / w};
}

/** The depth w = H(2,0) u + H(2,1) v + H(2,2) of the square's point (u, v). */
inline double HomographyDepth(const cv::Matx33d& H, double u, double v) { return H(2, 0) * u + H(2, 1) * v + H(2, 2); }

}  // namespace frames
