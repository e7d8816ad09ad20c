#pragma once
/**
 * @file ExpressionWarp.h
 * @brief The expression warp: Gaussian displacement bumps pull the face crop into "happy",
 * "angry" or "sad". With the 68 landmarks the bumps sit on the mouth corners, lips, cheeks,
 * lids and brows; without them six bumps sit on the eye and mouth regions' corners.
 * Free functions on caller-owned images; FaceEngine calls them.
 */
#include "face/FaceTypes.h"
#include "face/Landmarks.h"

#include <opencv2/core.hpp>

#include <cstdint>
#include <vector>

namespace face {

/** Where the six bumps sit (crop fractions) and how far and which way each pulls at amount 1. */
struct ExpressionField {
    cv::Vec2f anchor[6];
    cv::Vec2f displacement[6];
    bool active[6] = {false, false, false, false, false, false};
};

/**
 * @brief The six displacements for expression signs (-1, 0 or 1 per component): component 0
 * moves the outer eye corners, 1 the inner ones, 2 the mouth corners.
 */
void ExpressionDisplacements(const std::int32_t signs[3], cv::Vec2f out[6]);

/** The field of the three feature regions (crop pixels). */
ExpressionField MakeExpressionField(const engine::FaceQuad (&regions)[3], const cv::Vec2f (&displacement)[6],
                                    const std::int32_t signs[3]);

/** The sampling offset at crop point (u, v) (fractions) for amount m. */
cv::Vec2f ExpressionOffset(const ExpressionField& field, float u, float v, float m);

/**
 * @brief Renders the warped face: output pixel (x, y) shows the photo at the crop point
 * (x / n, y / n) moved by the field's offset, mapped into the photo through the face box.
 * @param photo CV_8UC3, the full photo
 * @param face the face rectangle as fractions of the photo (x, y, width, height)
 * @param out CV_8UC3, n x n (its size is kept)
 */
void WarpExpression(const cv::Mat& photo, const cv::Rect2f& face, const ExpressionField& field, float m, cv::Mat& out);

/** One Gaussian bump: where it sits and how far it reaches (crop fractions), how far it pulls at amount 1. */
struct WarpBump {
    cv::Vec2f anchor, displacement, reach;
};

/**
 * @brief The bumps of an expression on a face with landmarks (crop pixels of a 400 x 400
 * crop), for the three sign components as ExpressionDisplacements reads them:
 * - mouth (component 2): +1 corners up and out with the cheeks raised; -1 corners down;
 * - outer eyes (component 0): +1 lids narrowed; -1 outer brows and eye corners lowered;
 * - inner eyes (component 1): +1 inner brows raised; -1 brows down and together, lips pressed.
 * Pulls scale with the distance between the eyes and turn with the eye line.
 */
std::vector<WarpBump> LandmarkExpressionBumps(const Landmarks& crop, const std::int32_t signs[3]);

/** As WarpExpression, for any set of bumps. */
void WarpBumps(const cv::Mat& photo, const cv::Rect2f& face, const std::vector<WarpBump>& bumps, float m, cv::Mat& out);

}  // namespace face
