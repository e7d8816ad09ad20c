// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file WindowPlacement.h
 * @brief Where the main window opens: the remembered geometry or the default size, never
 * larger than the screen's free area and always wholly on it, so that the caption strip the
 * user moves the window by can be reached. Logical pixels throughout.
 */

namespace shell {

struct WindowRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const WindowRect&) const = default;
};

struct WindowLimits {
    int defaultWidth = 0, defaultHeight = 0;
    int minWidth = 0, minHeight = 0;
};

/** The smallest size the window may take on this screen: the wanted minimum, or the screen when smaller. */
void MinimumSizeOn(const WindowLimits& limits, const WindowRect& available, int& minWidth, int& minHeight);

/**
 * @brief The window's rectangle on a screen whose free area is available.
 * @param stored the remembered geometry, or null: centred at the default size.
 * A remembered window keeps its size when it fits and is moved just far enough to lie on the
 * screen; one larger than the screen is shrunk to it.
 */
WindowRect PlaceWindow(const WindowRect* stored, const WindowLimits& limits, const WindowRect& available);

}  // namespace shell
