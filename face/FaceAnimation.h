#pragma once
/**
 * @file FaceAnimation.h
 * @brief The frame sequence and size of the expression GIF.
 */
#include <opencv2/core.hpp>

namespace face {

/** Steps from still to full expression; the animation goes there and back in 2 x 10 frames. */
inline constexpr int kExpressionSteps = 10;
inline constexpr int kExpressionFrames = 2 * kExpressionSteps;
inline constexpr float kExpressionFullAmount = 0.3f;

/** The warp amount of frame i (0..19): 0, 0.03, ... 0.3 at frame 10, then back to 0.03. */
float ExpressionFrameAmount(int frame);

/** The GIF size for a face of this size under the limits: scaled down to fit, never enlarged. Empty for bad input. */
cv::Size ExpressionGifSize(cv::Size face, int maxWidth, int maxHeight);

}  // namespace face
