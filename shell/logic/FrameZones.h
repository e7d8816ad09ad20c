#pragma once
/**
 * @file FrameZones.h
 * @brief Which part of the main window's own frame a point is in: an edge or corner that
 * sizes the window, the caption strip that moves it, or neither.
 */

namespace shell {

/** Edge bits combine into corners. */
enum FrameZone : int {
    ZoneNone = 0,
    ZoneLeft = 1,
    ZoneRight = 2,
    ZoneTop = 4,
    ZoneBottom = 8,
    ZoneCaption = 16,
};

inline constexpr int kFrameEdge = 4;        ///< pixels from the left, right and top edges
inline constexpr int kFrameBottomEdge = 5;  ///< the bottom zone is "less than 5 pixels" away
inline constexpr int kCaptionHeight = 22;

/**
 * @brief The zone of a point in client coordinates of a width x height window.
 * A maximised window has no sizing zones; its caption strip still works.
 */
int FrameZoneAt(int x, int y, int width, int height, bool maximised);

}  // namespace shell
