#include "camera/LiveRenderer.h"

#include "engine/PhotoRecord.h"

namespace camera {

cv::Mat LiveRenderer::Render(const cv::Mat& frame, std::optional<cv::Size> view)
{
    if (!templ_ || frame.empty()) return {};
    PhotoRecord record;
    record.image = frame;
    record.crop_px = cv::Rect(0, 0, frame.cols, frame.rows);
    CEffectTemplate& t = *templ_;
    t.SetPhotos(std::span<const PhotoRecord>(&record, 1));
    t.SetOutputSize(view ? &*view : nullptr);
    t.ApplyParams();
    t.Start();
    t.Process();
    // The template keeps drawing into its result: the caller's copy must not change under it.
    return t.GetResult().clone();
}

cv::Mat Mirrored(const cv::Mat& frame)
{
    cv::Mat out;
    if (!frame.empty()) cv::flip(frame, out, 1);
    return out;
}

}  // namespace camera
