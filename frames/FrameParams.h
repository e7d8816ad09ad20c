#pragma once
/**
 * @file FrameParams.h
 * @brief The parameter block a frame template hands its frame filter.
 */
#include "engine/ParamBlock.h"

#include <opencv2/core.hpp>

#include <array>
#include <cstdint>
#include <vector>

namespace frames {

/**
 * @brief One quadrilateral window, corners in background-image pixels. A corner at (x, y)
 * sits on the pixel grid: (0, 0) is the top-left corner of the background and (W, H) its
 * bottom-right corner, so a window 0,0 / W,0 / 0,H / W,H covers the whole picture.
 */
struct FrameWindow {
    /** "point00", "point01", "point10", "point11": the photo's top-left, top-right,
     *  bottom-left and bottom-right corners (digits are row, then column). */
    std::array<cv::Point, 4> corner{};
    friend bool operator==(const FrameWindow&, const FrameWindow&) = default;
};

/** The frame block: windows and how the photo is blended into them. */
struct FrameParams {
    static constexpr engine::ParamBlock kKind = engine::ParamBlock::Frame;
    FrameWindow main;
    std::vector<FrameWindow> extra;  ///< "extra0", "extra1", ... in definition order
    int gray = 0;                    ///< 1 turns the photo into a relief in the background's colours
    float edge = 0;                  ///< feather width as a fraction of the photo; 0 = hard border
    float alpha = 1;                 ///< photo opacity
    int activeCorner = -1;           ///< main-window corner being dragged, or -1
};

}  // namespace frames
