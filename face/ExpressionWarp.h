#pragma once
/**
 * @file ExpressionWarp.h
 * @brief The expression warp: six Gaussian displacement bumps anchored at the outer and
 * inner eye corners and the mouth corners pull the face crop into "happy", "angry" or "sad".
 * Free functions on caller-owned images; FaceEngine calls them.
 */
#include "face/FaceTypes.h"

#include <opencv2/core.hpp>

#include <cstdint>

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
ExpressionField MakeExpressionField(const FaceQuad (&regions)[3], const cv::Vec2f (&displacement)[6],
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
