#include "frames/CT_Frame.h"

#include "engine/DefinitionNumbers.h"
#include "engine/PhotoDocument.h"
#include "frames/CF_Frame.h"

#include <tinyxml2.h>

#include <climits>
#include <cmath>
#include <cstdio>

using engine::CT_SimpleTempl;
using engine::ReadCheckedInt;
using engine::ReadCheckedNumber;
using engine::ViewMapping;
using engine::ViewPreview;
using engine::ViewRect;

namespace frames {

namespace {

// Frame pictures are a few thousand pixels across; a corner may lie off the picture, but not
// so far that the window's geometry leaves the rasteriser's range.
constexpr int kMaxCorner = 100000;

bool ReadWindow(const tinyxml2::XMLElement* parent, FrameWindow& w, std::string* error)
{
    static const char* const kNames[4] = {"point00", "point01", "point10", "point11"};
    for (int i = 0; i < 4; ++i) {
        const tinyxml2::XMLElement* p = parent ? parent->FirstChildElement(kNames[i]) : nullptr;
        int x = 0, y = 0;
        if (!ReadCheckedInt(p, "x", -kMaxCorner, kMaxCorner, x, error) ||
            !ReadCheckedInt(p, "y", -kMaxCorner, kMaxCorner, y, error))
            return false;
        w.corner[i] = {x, y};
    }
    return true;
}

}  // namespace

CT_Frame::CT_Frame() { className = "FrameTemplate"; }
CT_Frame::~CT_Frame() = default;

bool CT_Frame::Load()
{
    if (!CT_SimpleTempl::Load()) return false;
    if (!dynamic_cast<CF_Frame*>(filter_.get())) {
        // The corner dragging sizes itself by the frame picture: only the frame filter has one.
        loadError_ = std::string("template class \"FrameTemplate\" cannot drive filter class \"") + filter_->className +
                     "\": it needs \"FrameFilter\"";
        filter_.reset();
        return false;
    }
    const tinyxml2::XMLElement* param = definition->FirstChildElement("param");
    frame_ = FrameParams{};
    if (!ReadWindow(param, frame_.main, &loadError_)) return false;
    defaultMain_ = frame_.main;
    for (int i = 0; param; ++i) {
        char name[100];
        std::snprintf(name, sizeof name, "extra%d", i);
        const tinyxml2::XMLElement* e = param->FirstChildElement(name);
        if (!e) break;
        if (!ReadWindow(e, frame_.extra.emplace_back(), &loadError_)) return false;
    }
    int gray = 0;
    double alpha = 0, edge = 0;
    if (!ReadCheckedInt(param, "gray", INT_MIN, INT_MAX, gray, &loadError_) ||
        !ReadCheckedNumber(param, "alpha", 0, 1, alpha, &loadError_) ||
        !ReadCheckedNumber(param, "edge", 0, 1, edge, &loadError_))
        return false;
    frame_.gray = gray != 0 ? 1 : 0;
    // A definition that leaves the opacity out means an opaque photo.
    frame_.alpha = alpha == 0 ? 1.f : static_cast<float>(alpha);
    frame_.edge = static_cast<float>(edge);
    filter_->SetParams(&frame_);
    return true;
}

double CT_Frame::ViewScale(int& W, int& H, int& A, int& D) const
{
    if (!filter_ || !document) return 0;
    cv::Size size;
    filter_->GetOutputSize(size);
    const ViewRect view = document->View();
    W = size.width;
    H = size.height;
    A = view.Width();
    D = view.Height();
    if (W <= 0 || H <= 0 || A <= 0 || D <= 0) return 0;
    // The preview shows the frame picture centred, fitted, and never magnified more than
    // twice: the same mapping converts between view and picture pixels here.
    return std::min({double(A) / W, double(D) / H, kMaxViewScale});
}

std::optional<ViewMapping> CT_Frame::PreviewMapping(cv::Size& picture) const
{
    if (!filter_ || !shownIn_.image.width || shownIn_.view.Empty()) return std::nullopt;
    filter_->GetOutputSize(picture);
    if (picture.width <= 0 || picture.height <= 0) return std::nullopt;
    const ViewMapping map(shownIn_.image.width, shownIn_.image.height, shownIn_.view, shownIn_.pan[0], shownIn_.pan[1],
                          shownIn_.zoom, ViewMagnificationLimit(ViewPreview));
    if (!map.Valid()) return std::nullopt;
    return map;
}

void CT_Frame::RememberView(const cv::Mat& image, const ViewRect& rect, float panX, float panY, float zoom)
{
    shownIn_ = {image.size(), rect, {panX, panY}, zoom};
}

bool CT_Frame::CornerInView(int i, cv::Point2d& at) const
{
    if (i < 0 || i > 3) return false;
    const cv::Point& c = frame_.main.corner[i];
    cv::Size picture;
    if (const std::optional<ViewMapping> map = PreviewMapping(picture)) {
        // Through the preview's zoom and pan, as it shows the picture.
        const cv::Point2f v = map->ToView(float(c.x) / picture.width, float(c.y) / picture.height);
        at = {double(std::lround(v.x)), double(std::lround(v.y))};
        return true;
    }
    int W = 0, H = 0, A = 0, D = 0;
    const double g = ViewScale(W, H, A, D);
    if (g <= 0) return false;
    at = {double(A / 2 + std::lround((c.x - W / 2) * g)), double(D / 2 + std::lround(g * (c.y - H / 2)))};
    return true;
}

int CT_Frame::CornerAt(int x, int y) const
{
    // The nearest corner within reach: corners dragged close together stay apart.
    int best = -1;
    double bestDistance = 0;
    for (int i = 0; i < 4; ++i) {
        cv::Point2d at;
        if (!CornerInView(i, at)) return -1;
        const double d = std::hypot(x - at.x, y - at.y);
        if (d <= grip_ && (best < 0 || d < bestDistance)) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

bool CT_Frame::HasOverlay(int view) { return view == ViewPreview; }

void CT_Frame::DrawOverlay(int view, const cv::Mat& image, platform::DrawContext& dc, const ViewRect& rect, float panX,
                           float panY, float zoom)
{
    if (view != ViewPreview || image.empty()) return;
    RememberView(image, rect, panX, panY, zoom);
    if (!inView_) return;
    // Handles a little smaller than the grab radius, so the reach is felt beyond them.
    const int r = std::max(3, grip_ * 5 / 8);
    for (int i = 0; i < 4; ++i) {
        cv::Point2d at;
        if (!CornerInView(i, at)) return;
        const bool hot = i == hovered_ || i == frame_.activeCorner;
        const int x = static_cast<int>(std::lround(at.x)), y = static_cast<int>(std::lround(at.y));
        dc.SetPen({40, 40, 40}, std::max(1, grip_ / 8), platform::PenStyle::Solid);
        dc.SetBrush(hot ? platform::Color{255, 170, 0} : platform::Color{255, 255, 255}, false);
        dc.Ellipse(x - r, y - r, x + r + 1, y + r + 1);
    }
}

bool CT_Frame::OnMouse(int view, const cv::Mat& image, const ViewRect& rect, float* pan, float& zoom, bool,
                       bool buttonDown, int, int x, int y)
{
    if (view != ViewPreview || image.empty()) return false;
    RememberView(image, rect, pan[0], pan[1], zoom);
    inView_ = x >= rect.left && y >= rect.top && x < rect.right && y < rect.bottom;
    if (!buttonDown) hovered_ = inView_ ? CornerAt(x, y) : -1;
    platform::SetCursor(hovered_ >= 0 || frame_.activeCorner >= 0 ? platform::CursorShape::SizeAll
                                                                  : platform::CursorShape::Arrow);
    return hovered_ >= 0 || (buttonDown && frame_.activeCorner >= 0);
}

void CT_Frame::ResetToDefaults()
{
    frame_.main = defaultMain_;
    frame_.activeCorner = -1;
    CT_SimpleTempl::ResetToDefaults();
}

bool CT_Frame::AtDefaults() const { return frame_.main == defaultMain_ && CT_SimpleTempl::AtDefaults(); }

void CT_Frame::ApplyParams()
{
    if (!filter_) return;
    if (buttonDown && document) {
        if (!prevButton_) frame_.activeCorner = CornerAt(pointerX, pointerY);
        else if (frame_.activeCorner >= 0) DragActiveCorner();
    } else if (!buttonDown) {
        frame_.activeCorner = -1;
    }
    prevButton_ = buttonDown != 0;
    filter_->SetParams(&frame_);
}

void CT_Frame::DragActiveCorner()
{
    cv::Point& c = frame_.main.corner[frame_.activeCorner];
    cv::Size picture;
    if (const std::optional<ViewMapping> map = PreviewMapping(picture)) {
        const cv::Point2f f = map->ToFraction(float(pointerX), float(pointerY));
        c = {static_cast<int>(std::lround(f.x * picture.width)), static_cast<int>(std::lround(f.y * picture.height))};
        return;
    }
    int W = 0, H = 0, A = 0, D = 0;
    const double g = ViewScale(W, H, A, D);
    if (g <= 0) return;
    c.x = W / 2 + static_cast<int>(std::lround((pointerX - A / 2) / g));
    c.y = H / 2 + static_cast<int>(std::lround((pointerY - D / 2) / g));
}

void CT_Frame::ParamCommand(int command, platform::WindowId view, int index, void* data)
{
    CT_SimpleTempl::ParamCommand(command, view, index, data);
    if (filter_) filter_->SetParams(&frame_);
}

}  // namespace frames
