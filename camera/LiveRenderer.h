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
#include "engine/RefPtr.h"

#include <opencv2/core.hpp>

#include <optional>

namespace camera {

class LiveRenderer {
public:
    explicit LiveRenderer(RefPtr<CEffectTemplate> templ) : templ_(std::move(templ)) {}

    /**
     * @brief Renders one frame: at the frame's own size (as an export), or fitted to view (as
     * the preview). Every frame is a new photo to the template, so face templates find the
     * faces on each. Returns an empty Mat when the template gives nothing.
     */
    cv::Mat Render(const cv::Mat& frame, std::optional<cv::Size> view = std::nullopt);

    CEffectTemplate* Template() const { return templ_.get(); }

private:
    RefPtr<CEffectTemplate> templ_;
};

/** The frame as a front camera's user expects to see it: left and right swapped. */
cv::Mat Mirrored(const cv::Mat& frame);

}  // namespace camera
