// The expression half of FaceEngine: signs, the warp at an amount, the swinging animation.
#include "face/ExpressionWarp.h"
#include "face/FaceEngine.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>

namespace face {

namespace {
// The animation swings the amount between 0 and a little past 0.3 in steps of 0.03.
constexpr float kAmountStep = 0.03f;
constexpr float kAmountTop = 0.3f;
}  // namespace

void FaceEngine::SetExpressionSigns(const std::int32_t values[3])
{
    for (int k = 0; k < 3; ++k) expressionSigns[k] = (values[k] > 0) - (values[k] < 0);
    ExpressionDisplacements(expressionSigns, expressionDisplacement);
}

const cv::Mat& FaceEngine::RenderExpression(float amount)
{
    if (expressionOutput.size() != cv::Size(kCropSize, kCropSize) || expressionOutput.type() != CV_8UC3)
        expressionOutput.create(kCropSize, kCropSize, CV_8UC3);
    expressionOutput.setTo(cv::Scalar::all(0));
    if (workingPhoto.empty() || fullPhoto.empty() || faceRect.width < 1 || faceRect.height < 1) return expressionOutput;
    const float ww = float(workingPhoto.cols), wh = float(workingPhoto.rows);
    if (featuresLocated) {
        const cv::Rect2f face(faceRect.x / ww, faceRect.y / wh, faceRect.width / ww, faceRect.height / wh);
        const Landmarks crop = CropLandmarks();
        if (crop.valid) {
            WarpBumps(fullPhoto, face, LandmarkExpressionBumps(crop, expressionSigns), amount, expressionOutput);
        } else {
            const ExpressionField field = MakeExpressionField(currentRegions, expressionDisplacement, expressionSigns);
            WarpExpression(fullPhoto, face, field, amount, expressionOutput);
        }
    } else {
        const double sx = fullPhoto.cols / ww, sy = fullPhoto.rows / wh;
        const cv::Rect r(static_cast<int>(std::lround(faceRect.x * sx)), static_cast<int>(std::lround(faceRect.y * sy)),
                         std::max(1, static_cast<int>(std::lround(faceRect.width * sx))),
                         std::max(1, static_cast<int>(std::lround(faceRect.height * sy))));
        CutRegion(fullPhoto, r, expressionOutput);
    }
    return expressionOutput;
}

const cv::Mat& FaceEngine::AnimateExpression()
{
    if (featuresLocated) {
        expressionAmount += expressionStep;
        if (expressionStep == 0) expressionStep = kAmountStep;
        else if (expressionStep > 0 && expressionAmount > kAmountTop) expressionStep = -kAmountStep;
        else if (expressionStep < 0 && expressionAmount < 0) expressionStep = kAmountStep;
    }
    return RenderExpression(expressionAmount);
}

}  // namespace face
