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
 * Threads: the interface thread, under the photo document's rendering lock (the document's
 * pointer operations set the pointer fields and then call ApplyParams).
 */
#include "engine/SimpleTemplate.h"
#include "frames/FrameParams.h"

class CT_Frame : public CT_SimpleTempl {
public:
    /** Half the side of the square around a corner in which a press picks it up, in view pixels. */
    static constexpr int kCornerGrip = 3;
    /** The preview never shows the frame picture magnified more than this. */
    static constexpr double kMaxViewScale = 2.0;

    CT_Frame();
    ~CT_Frame() override;

    /** The simple template's loading, then the frame block; false unless the filter is a frame filter. */
    bool Load() override;
    /** Drags the active corner with the pointer, then hands the frame block to the filter. */
    void ApplyParams() override;
    ParamBlock ParamsGiven() const override { return ParamBlock::Frame; }
    /** The simple template's commands; the filter keeps receiving the frame block. */
    void ParamCommand(int command, platform::WindowId view, int index, void* data) override;

    FrameParams& Frame() { return frame_; }
    const FrameParams& Frame() const { return frame_; }

private:
    FrameParams frame_;
    bool prevButton_ = false;
};
