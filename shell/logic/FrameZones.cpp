#include "shell/logic/FrameZones.h"

namespace shell {

int FrameZoneAt(int x, int y, int width, int height, bool maximised)
{
    if (x < 0 || y < 0 || x >= width || y >= height) return ZoneNone;
    int zone = ZoneNone;
    if (!maximised) {
        if (x < kFrameEdge) zone |= ZoneLeft;
        else if (x >= width - kFrameEdge) zone |= ZoneRight;
        if (y < kFrameEdge) zone |= ZoneTop;
        else if (y > height - kFrameBottomEdge) zone |= ZoneBottom;
    }
    if (zone == ZoneNone && y < kCaptionHeight) zone = ZoneCaption;
    return zone;
}

}  // namespace shell
