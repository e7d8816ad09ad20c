#include "shell/logic/ClipBox.h"

#include <algorithm>
#include <cmath>

using engine::ViewMapping;

namespace shell {

int ClipBoxEditor::HandleAt(const float crop[4], const ViewMapping& m, float x, float y)
{
    if (!m.Valid()) return ClipNone;
    const cv::Point2f tl = m.ToView(crop[0], crop[1]);
    const cv::Point2f br = m.ToView(crop[0] + crop[2], crop[1] + crop[3]);
    const float g = kGrab;
    if (x < tl.x - g || x > br.x + g || y < tl.y - g || y > br.y + g) return ClipNone;
    int h = ClipNone;
    if (std::abs(x - tl.x) <= g) h |= ClipLeft;
    else if (std::abs(x - br.x) <= g) h |= ClipRight;
    if (std::abs(y - tl.y) <= g) h |= ClipTop;
    else if (std::abs(y - br.y) <= g) h |= ClipBottom;
    if (h == ClipNone) h = ClipMove;
    return h;
}

bool ClipBoxEditor::Begin(const float crop[4], const ViewMapping& m, float x, float y)
{
    handle_ = HandleAt(crop, m, x, y);
    std::copy(crop, crop + 4, start_);
    startX_ = x;
    startY_ = y;
    return handle_ != ClipNone;
}

void ClipBoxEditor::Drag(float crop[4], const ViewMapping& m, float x, float y) const
{
    if (handle_ == ClipNone || !m.Valid() || m.ScaleX() <= 0 || m.ScaleY() <= 0) return;
    const float dfx = (x - startX_) / m.ScaleX();
    const float dfy = (y - startY_) / m.ScaleY();
    const float minW = std::min(1.0f, kMinSide / m.ScaleX());
    const float minH = std::min(1.0f, kMinSide / m.ScaleY());
    float l = start_[0], t = start_[1], r = start_[0] + start_[2], b = start_[1] + start_[3];
    if (handle_ == ClipMove) {
        const float w = r - l, h = b - t;
        l = std::clamp(l + dfx, 0.0f, std::max(0.0f, 1 - w));
        t = std::clamp(t + dfy, 0.0f, std::max(0.0f, 1 - h));
        r = l + w;
        b = t + h;
    } else {
        if (handle_ & ClipLeft) l = std::clamp(l + dfx, 0.0f, std::max(0.0f, r - minW));
        if (handle_ & ClipRight) r = std::clamp(r + dfx, std::min(1.0f, l + minW), 1.0f);
        if (handle_ & ClipTop) t = std::clamp(t + dfy, 0.0f, std::max(0.0f, b - minH));
        if (handle_ & ClipBottom) b = std::clamp(b + dfy, std::min(1.0f, t + minH), 1.0f);
    }
    crop[0] = l;
    crop[1] = t;
    crop[2] = r - l;
    crop[3] = b - t;
}

}  // namespace shell
