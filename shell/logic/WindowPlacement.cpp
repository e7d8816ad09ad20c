// SPDX-License-Identifier: MIT
#include "shell/logic/WindowPlacement.h"

#include <algorithm>

namespace shell {

void MinimumSizeOn(const WindowLimits& limits, const WindowRect& available, int& minWidth, int& minHeight)
{
    minWidth = std::max(1, std::min(limits.minWidth, available.width));
    minHeight = std::max(1, std::min(limits.minHeight, available.height));
}

WindowRect PlaceWindow(const WindowRect* stored, const WindowLimits& limits, const WindowRect& available)
{
    int minW = 0, minH = 0;
    MinimumSizeOn(limits, available, minW, minH);
    const bool useStored = stored && stored->width > 0 && stored->height > 0;
    WindowRect r;
    r.width = std::clamp(useStored ? stored->width : limits.defaultWidth, minW, std::max(minW, available.width));
    r.height = std::clamp(useStored ? stored->height : limits.defaultHeight, minH, std::max(minH, available.height));
    if (useStored) {
        r.x = stored->x;
        r.y = stored->y;
    } else {
        r.x = available.x + (available.width - r.width) / 2;
        r.y = available.y + (available.height - r.height) / 2;
    }
    r.x = std::clamp(r.x, available.x, std::max(available.x, available.x + available.width - r.width));
    r.y = std::clamp(r.y, available.y, std::max(available.y, available.y + available.height - r.height));
    return r;
}

}  // namespace shell
