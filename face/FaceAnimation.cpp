// The face filter's GIF export: the expression swinging from still to full and back.
#include "face/CF_Face.h"
#include "face/FaceAnimation.h"
#include "frames/GifWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

using frames::WriteGifAnimation;

namespace face {

float ExpressionFrameAmount(int frame)
{
    const int step = kExpressionSteps - std::abs(frame - kExpressionSteps);
    return step * kExpressionFullAmount / kExpressionSteps;
}

cv::Size ExpressionGifSize(cv::Size face, int maxWidth, int maxHeight)
{
    if (face.width < 1 || face.height < 1 || maxWidth < 1 || maxHeight < 1) return {};
    const double scale = std::min({double(maxWidth) / face.width, double(maxHeight) / face.height, 1.0});
    return {std::max(1, static_cast<int>(std::lround(face.width * scale))),
            std::max(1, static_cast<int>(std::lround(face.height * scale)))};
}

cv::Size CF_Face::AnimationSize(int maxWidth, int maxHeight) const
{
    const FaceEngine& e = engine_;
    if (e.workingPhoto.empty() || e.fullPhoto.empty() || e.faceRect.width < 1 || e.faceRect.height < 1) return {};
    // The face as large as it is in the photo: the 400 x 400 crop shrunk back to its own shape.
    const cv::Size face(static_cast<int>(std::lround(e.faceRect.width * double(e.fullPhoto.cols) / e.workingPhoto.cols)),
                        static_cast<int>(std::lround(e.faceRect.height * double(e.fullPhoto.rows) / e.workingPhoto.rows)));
    return ExpressionGifSize(face, maxWidth, maxHeight);
}

int CF_Face::ExportAnimation(const std::string& path, int maxWidth, int maxHeight)
{
    FaceEngine& e = engine_;
    const cv::Size size = AnimationSize(maxWidth, maxHeight);
    if (size.empty()) return 0;
    if (const FaceParams* p = Params()) e.SetExpressionSigns(p->state.expression);
    // The way back repeats the way there: each amount is rendered once.
    cv::Mat rendered[kExpressionSteps + 1];
    return WriteGifAnimation(path, size, kExpressionFrames, [&](int i) {
        cv::Mat& frame = rendered[kExpressionSteps - std::abs(i - kExpressionSteps)];
        if (frame.empty()) frame = e.RenderExpression(ExpressionFrameAmount(i)).clone();
        return frame;
    }, nullptr, frameDelayCs_);
}

}  // namespace face
