#include "controls/ButtonBarLogic.h"

#include <algorithm>

namespace controls {

void ButtonBarLogic::SetUp(const std::vector<ButtonRecord>& records)
{
    buttons_.assign(records.begin(), records.begin() + std::min<std::size_t>(records.size(), kMaxButtons));
    hover_ = -1;
    pressed_ = -1;
}

void ButtonBarLogic::SetCodes(int enabledCode, int disabledCode)
{
    enabledCode_ = enabledCode;
    disabledCode_ = disabledCode;
}

int ButtonBarLogic::HitTest(BarPoint p, bool enabledOnly) const
{
    const int dx = Offset();
    for (int i = 0; i < static_cast<int>(buttons_.size()); ++i) {
        const ButtonRecord& b = buttons_[i];
        if (enabledOnly && !b.enabled) continue;
        const int left = b.x + dx;
        if (p.x >= left && p.x < left + b.width && p.y >= b.y && p.y < b.y + b.height) return i;
    }
    return -1;
}

BarReaction ButtonBarLogic::PointerMove(BarPoint p, bool insideClient)
{
    BarReaction r;
    if (!insideClient && captured_) {
        r.releaseCapture = true;
        captured_ = false;
    }
    const int hit = insideClient ? HitTest(p, true) : -1;
    if (hit != hover_) {
        hover_ = hit;
        r.repaint = true;
    }
    // Holding the pointer lets the bar see it leave, so the hover picture never sticks.
    if (insideClient && !captured_) {
        r.capture = true;
        captured_ = true;
    }
    return r;
}

BarReaction ButtonBarLogic::ButtonDown(BarPoint p)
{
    BarReaction r;
    const int hit = HitTest(p, true);
    if (hit != pressed_) {
        pressed_ = hit;
        r.repaint = true;
    }
    return r;
}

BarReaction ButtonBarLogic::ButtonUp(BarPoint p, bool hasTarget)
{
    BarReaction r;
    const int hit = HitTest(p, false);
    if (hit >= 0) {
        if (hasTarget) {
            const ButtonRecord& b = buttons_[hit];
            const int code = b.enabled ? enabledCode_ : disabledCode_;
            if (b.enabled) r.repaint = true;
            if (code) {
                r.post = true;
                r.postCode = code;
                r.postCommand = b.command;
            }
        }
        if (pressed_ != -1) r.repaint = true;
        pressed_ = -1;
    } else {
        hover_ = -1;
        pressed_ = -1;
        r.repaint = true;
    }
    if (captured_) {
        r.releaseCapture = true;
        captured_ = false;
    }
    return r;
}

bool ButtonBarLogic::SetEnabled(int command, bool enabled)
{
    bool changed = false;
    for (ButtonRecord& b : buttons_)
        if (b.command == command && (b.enabled != 0) != enabled) {
            b.enabled = enabled ? 1 : 0;
            changed = true;
        }
    return changed;
}

}  // namespace controls
