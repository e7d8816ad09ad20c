// SPDX-License-Identifier: MIT
#include "camera/LiveRenderer.h"

#include "engine/PhotoRecord.h"
#include "face/CT_Face.h"

using engine::CEffectTemplate;
using engine::PhotoRecord;
using face::CT_Face;

namespace camera {

cv::Mat LiveRenderer::Render(const cv::Mat& frame, std::optional<cv::Size> view)
{
    if (!templ_ || frame.empty()) return {};
    PhotoRecord record;
    record.image = frame;
    record.crop_px = cv::Rect(0, 0, frame.cols, frame.rows);
    auto* face = dynamic_cast<CT_Face*>(templ_.get());
    bool searching = face != nullptr;
    if (face && faceKnown_ && framesSinceSearch_ + 1 < kFaceSearchEvery && frame.size() == lastSize_) {
        record.face = lastFace_;
        ++framesSinceSearch_;
        searching = false;
    } else {
        framesSinceSearch_ = 0;
    }
    CEffectTemplate& t = *templ_;
    t.SetPhotos(std::span<const PhotoRecord>(&record, 1));
    t.SetOutputSize(view ? &*view : nullptr);
    t.ApplyParams();
    t.Start();
    t.Process();
    if (face) {
        lastFace_ = face->Params().state;
        // A frame that only reused the region has no list of faces found: it knows nothing new.
        if (searching) faceKnown_ = !face->DetectedFaces().empty();
        lastSize_ = frame.size();
    }
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
