#pragma once
/**
 * @file CT_Frame.h
 * @brief "FrameTemplate": reads the windows of a frame picture from its definition and lets
 * the user drag the main window's corners in the preview.
 *
 * Definition ("param" child of the template's definition element): children "point00",
 * "point01", "point10", "point11" with integer "x" and "y" (background pixels), windows
 * "extra0", "extra1", ... holding the same four children (reading stops at the first missing
 * number), and the attributes "gray" (non-zero: relief), "edge" (feather width, a fraction of
 * the photo) and "alpha" (photo opacity; 0 or missing means opaque).
 *
 * The preview shows a handle on each corner of the photo while the pointer is over the
 * picture; a press within the grab radius of a corner picks it up.
 *
 * Threads: the interface thread, under the photo document's rendering lock (the document's
 * pointer operations set the pointer fields and then call ApplyParams).
 */
#include "engine/SimpleTemplate.h"
#include "frames/FrameParams.h"

#include <algorithm>
#include <optional>

namespace frames {

class CT_Frame : public engine::CT_SimpleTempl {
public:
    /** How far from a corner a press still picks it up, in view pixels at a pixel ratio of 1. */
    static constexpr int kCornerGrip = 8;
    /** The preview never shows the frame picture magnified more than this. */
    static constexpr double kMaxViewScale = 2.0;

    CT_Frame();
    ~CT_Frame() override;

    /** The simple template's loading, then the frame block; false unless the filter is a frame filter. */
    bool Load() override;
    /** Drags the active corner with the pointer, then hands the frame block to the filter. */
    void ApplyParams() override;
    engine::ParamBlock ParamsGiven() const override { return engine::ParamBlock::Frame; }
    /** The simple template's commands; the filter keeps receiving the frame block. */
    void ParamCommand(int command, platform::WindowId view, int index, void* data) override;
    /** The preview takes the corner handles. */
    bool HasOverlay(int view) override;
    /** The corner handles, while the pointer is over the preview. */
    void DrawOverlay(int view, const cv::Mat& image, platform::DrawContext& dc, const engine::ViewRect& rect, float panX,
                     float panY, float zoom) override;
    /** Follows the pointer for the handles; true while it is within reach of a corner. */
    bool OnMouse(int view, const cv::Mat& image, const engine::ViewRect& rect, float pan[2], float& zoom, bool isMove,
                 bool buttonDown, int reserved, int x, int y) override;
    /** The corners as the definition places them, and the simple template's defaults. */
    void ResetToDefaults() override;
    bool AtDefaults() const override;

    /** The grab radius in view pixels (the desktop program scales it by the screen's pixel ratio). */
    void SetGripRadius(int viewPixels) { grip_ = std::max(1, viewPixels); }
    int GripRadius() const { return grip_; }
    /** The main window's corner within reach of view point (x, y), or -1. */
    int CornerAt(int x, int y) const;
    /** Where corner i shows in the view, or false without a mapping. */
    bool CornerInView(int i, cv::Point2d& at) const;
    /** The corner the pointer is near, or -1; whether the pointer is over the preview at all. */
    int HoveredCorner() const { return hovered_; }
    bool PointerInView() const { return inView_; }
    FrameParams& Frame() { return frame_; }
    const FrameParams& Frame() const { return frame_; }

private:
    /**
     * View pixels per picture pixel for the document's view shown whole, or 0 when there is
     * nothing to map: the mapping before the preview has shown the template.
     */
    double ViewScale(int& W, int& H, int& A, int& D) const;
    /** How the preview last showed the result (its zoom and pan), from its drawing and pointer calls. */
    void RememberView(const cv::Mat& image, const engine::ViewRect& rect, float panX, float panY, float zoom);
    /** The preview's mapping between view pixels and picture fractions, and the picture's size. */
    std::optional<engine::ViewMapping> PreviewMapping(cv::Size& picture) const;
    void DragActiveCorner();

    FrameParams frame_;
    FrameWindow defaultMain_;
    bool prevButton_ = false;
    int grip_ = kCornerGrip;
    int hovered_ = -1;
    bool inView_ = false;
    struct ShownIn {
        cv::Size image;  // the size of the image the view's geometry is reckoned in
        engine::ViewRect view;
        float pan[2] = {0, 0};
        float zoom = 1;
    } shownIn_;
};

}  // namespace frames
