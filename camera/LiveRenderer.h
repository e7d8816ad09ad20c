// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file LiveRenderer.h
 * @brief Camera frames through a template, one after another, as the live preview, the
 * command-line tool and the benchmarks do it.
 *
 * Threads: one thread at a time calls Render (the live rendering thread); the template is
 * this renderer's own and no photo document drives it meanwhile.
 */
#include "engine/EffectTemplate.h"
#include "engine/PhotoRecord.h"
#include "engine/RefPtr.h"

#include <opencv2/core.hpp>

#include <optional>

namespace camera {

class LiveRenderer {
public:
    /**
     * Face templates search the frame for the face only every this many frames and cut it from
     * the last place found in between: the search is most of a face frame's cost, and a
     * face moves little in a few frames.
     */
    static constexpr int kFaceSearchEvery = 6;

    explicit LiveRenderer(engine::RefPtr<engine::CEffectTemplate> templ) : templ_(std::move(templ)) {}

    /**
     * @brief Renders one frame: at the frame's own size (as an export), or fitted to view (as
     * the preview). Every frame is a new photo to the template; face templates find the face
     * again every kFaceSearchEvery frames (and whenever none was found or the size changed).
     * Returns an empty Mat when the template gives nothing.
     */
    cv::Mat Render(const cv::Mat& frame, std::optional<cv::Size> view = std::nullopt);

    engine::CEffectTemplate* Template() const { return templ_.get(); }

private:
    engine::RefPtr<engine::CEffectTemplate> templ_;
    engine::FacePhotoState lastFace_;
    bool faceKnown_ = false;
    int framesSinceSearch_ = 0;
    cv::Size lastSize_;
};

/** The frame as a front camera's user expects to see it: left and right swapped. */
cv::Mat Mirrored(const cv::Mat& frame);

}  // namespace camera
