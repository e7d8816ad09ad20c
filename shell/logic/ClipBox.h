#pragma once
/**
 * @file ClipBox.h
 * @brief Editing a photo's crop rectangle by dragging its clip box in the original-image view.
 *
 * The crop is x, y, width, height as fractions of the (rotated) photo. The box is shown in
 * view pixels through the view's mapping; grabbing inside moves it, grabbing an edge or a
 * corner moves those sides. The box always stays inside the photo and never gets smaller
 * than kMinSide view pixels.
 */
#include "engine/ViewGeometry.h"

namespace shell {

enum ClipHandle : int {
    ClipNone = 0,
    ClipMove = 1,
    ClipLeft = 2,
    ClipRight = 4,
    ClipTop = 8,
    ClipBottom = 16,
};

class ClipBoxEditor {
public:
    static constexpr int kGrab = 6;      ///< grab distance around an edge, view pixels
    static constexpr int kMinSide = 16;  ///< smallest side while dragging, view pixels

    /** The handle under a view point for the crop shown through mapping. */
    static int HandleAt(const float crop[4], const engine::ViewMapping& mapping, float x, float y);

    /** Starts a drag; false when the point grabs nothing. */
    bool Begin(const float crop[4], const engine::ViewMapping& mapping, float x, float y);
    /** Moves the grabbed part to the pointer; writes the new crop. */
    void Drag(float crop[4], const engine::ViewMapping& mapping, float x, float y) const;
    void End() { handle_ = ClipNone; }
    bool Active() const { return handle_ != ClipNone; }
    int Handle() const { return handle_; }

private:
    int handle_ = ClipNone;
    float start_[4] = {0, 0, 1, 1};
    float startX_ = 0, startY_ = 0;
};

}  // namespace shell
