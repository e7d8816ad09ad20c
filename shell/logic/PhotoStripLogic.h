#pragma once
/**
 * @file PhotoStripLogic.h
 * @brief The photo strip without its window: cell positions along the strip, scrolling and
 * the scroll thumb, the selection of input photos and how it follows moves and deletions.
 *
 * Coordinates are along the strip (y for a vertical strip). The photo document holds the
 * photos; this class mirrors the strip's own view of them (current index, selected indexes
 * in selection order) and renumbers them exactly as the document does.
 */
#include <vector>

namespace shell {

class PhotoStripLogic {
public:
    static constexpr int kPitch = 90;  ///< cell length along the strip

    // --- Geometry ---------------------------------------------------------------------
    void SetCount(int count);
    int Count() const { return count_; }
    void SetVisibleLength(int length);
    int VisibleLength() const { return visible_; }
    int TotalLength() const { return count_ * kPitch; }
    int Offset() const { return offset_; }
    /** Sets the scroll offset, clamped to [0, total - visible] (0 when everything fits). */
    void SetOffset(int offset);
    int MaxOffset() const;
    /** The index under a coordinate along the strip, or -1 outside the list. */
    int IndexAt(int coordinate) const;
    /** The gap between cells nearest to a coordinate: 0 before the first photo, Count() after the last. */
    int GapAt(int coordinate) const;
    /**
     * @brief The index a photo dragged from index from takes when dropped in a gap. The gaps
     * just before and just after the photo are its own place, so dropping there moves nothing.
     */
    static int MoveTarget(int from, int gap) { return gap > from ? gap - 1 : gap; }
    /** Start of cell index along the strip, in window coordinates. */
    int CellStart(int index) const { return index * kPitch - offset_; }

    // --- Scroll thumb (shown only when the list is longer than the strip) --------------
    bool ThumbShown() const { return TotalLength() > visible_; }
    int ThumbLength() const;
    int ThumbStart() const;
    /** Scrolls by a pointer movement of delta along a dragged thumb. */
    void DragThumb(int delta);
    /** Mouse wheel: 20 pixels per notch; positive notches scroll towards the start. */
    void Wheel(int notches);

    // --- Selection of input photos ------------------------------------------------------
    int Current() const { return current_; }
    void SetCurrent(int index) { current_ = index; }
    const std::vector<int>& Selected() const { return selected_; }
    bool IsSelected(int index) const;
    /** Plain click: true when the selection changed (the photo becomes the only one and current). */
    bool Click(int index);
    /** Control-click: true when the index was added (an already selected index is ignored). */
    bool ControlClick(int index);
    /** Mirrors the document's move of a photo (the moved photo takes its new index). */
    void Move(int from, int to);
    /** Mirrors the removal of one photo: drops it from the selection, lowers later indexes. */
    void Removed(int index);
    void Clear();
    /** The order in which "Delete Selection" removes photos: the last selected first. */
    std::vector<int> DeletionOrder() const;

private:
    int count_ = 0;
    int visible_ = 0;
    int offset_ = 0;
    int current_ = -1;
    std::vector<int> selected_;
};

}  // namespace shell
