#include "engine/ViewGeometry.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace engine {

ViewRect FitRect(int w, int h, const ViewRect& view)
{
    const int W = view.Width(), H = view.Height();
    if (w <= 0 || h <= 0 || W <= 0 || H <= 0) return {view.left, view.top, view.left, view.top};
    double s = std::min(double(W) / w, double(H) / h);
    if (s > 2) s = 1;
    int dw = static_cast<int>(std::lround(w * s));
    int dh = static_cast<int>(std::lround(h * s));
    if (std::abs(dw - W) <= 1) dw = W;
    if (std::abs(dh - H) <= 1) dh = H;
    dw = std::max(dw, 1);
    dh = std::max(dh, 1);
    const int left = (view.left + view.right - dw) / 2;
    const int top = (view.top + view.bottom - dh) / 2;
    return {left, top, left + dw, top + dh};
}

cv::Mat FitImage(const cv::Mat& image, int viewWidth, int viewHeight)
{
    if (image.empty()) return {};
    const ViewRect r = FitRect(image.cols, image.rows, {0, 0, viewWidth, viewHeight});
    if (r.Empty()) return {};
    if (r.Width() == image.cols && r.Height() == image.rows) return image.clone();
    cv::Mat out;
    cv::resize(image, out, cv::Size(r.Width(), r.Height()), 0, 0, cv::INTER_LINEAR);
    return out;
}

cv::Mat ResizeToFit(const cv::Mat& image, int maxWidth, int maxHeight)
{
    if (image.empty() || maxWidth <= 0 || maxHeight <= 0) return {};
    const double s = std::min(double(maxWidth) / image.cols, double(maxHeight) / image.rows);
    const int w = std::max(1, static_cast<int>(std::lround(image.cols * s)));
    const int h = std::max(1, static_cast<int>(std::lround(image.rows * s)));
    cv::Mat out;
    cv::resize(image, out, cv::Size(w, h), 0, 0, cv::INTER_LINEAR);
    return out;
}

namespace {

/** The visible region of a view without a magnification limit: the zoom divides the fitted scale. */
VisibleRegion UnlimitedRegion(int w, int h, float pan[2], float zoom, const ViewRect& view)
{
    VisibleRegion out;
    const int W = view.Width(), H = view.Height();
    const ViewRect fit = FitRect(w, h, view);
    const double fitScale = std::min(double(fit.Width()) / w, double(fit.Height()) / h);
    const double m = fitScale / zoom;
    const int cw = std::clamp(static_cast<int>(std::lround(W / m)), 1, w);
    const int ch = std::clamp(static_cast<int>(std::lround(H / m)), 1, h);
    const float fw = static_cast<float>(std::min(1.0, W / (m * w)));
    const float fh = static_cast<float>(std::min(1.0, H / (m * h)));
    pan[0] = std::clamp(pan[0], 0.f, 1 - fw);
    pan[1] = std::clamp(pan[1], 0.f, 1 - fh);
    out.pixels = cv::Rect(std::clamp(static_cast<int>(w * pan[0]), 0, w - cw), std::clamp(static_cast<int>(h * pan[1]), 0, h - ch),
                          cw, ch);
    out.fx = pan[0];
    out.fy = pan[1];
    out.fw = fw;
    out.fh = fh;
    out.magnification = static_cast<float>(m);
    return out;
}

}  // namespace

ViewRect ShownRect(const VisibleRegion& region, const ViewRect& view)
{
    if (!(region.magnification > 0)) return FitRect(region.pixels.width, region.pixels.height, view);
    int dw = static_cast<int>(std::lround(region.pixels.width * double(region.magnification)));
    int dh = static_cast<int>(std::lround(region.pixels.height * double(region.magnification)));
    if (std::abs(dw - view.Width()) <= 1) dw = view.Width();
    if (std::abs(dh - view.Height()) <= 1) dh = view.Height();
    dw = std::max(dw, 1);
    dh = std::max(dh, 1);
    const int left = (view.left + view.right - dw) / 2;
    const int top = (view.top + view.bottom - dh) / 2;
    return {left, top, left + dw, top + dh};
}

VisibleRegion ComputeVisibleRegion(int w, int h, float pan[2], float& zoom, const ViewRect& view, float maxMagnification)
{
    VisibleRegion out;
    const int W = view.Width(), H = view.Height();
    if (w <= 0 || h <= 0 || W <= 0 || H <= 0) return out;
    if (!(maxMagnification > 0)) {
        if (zoom > 1 || !(zoom > 0)) zoom = 1;
        return UnlimitedRegion(w, h, pan, zoom, view);
    }

    const float r = std::max(float(w) / W, float(h) / H);
    if (zoom > 1) zoom = 1;
    if (!(zoom > 0)) zoom = 1;  // a zero or NaN zoom would show nothing at all
    int cw = std::min(w, static_cast<int>(std::lround(zoom * W * r)));
    int ch = std::min(h, static_cast<int>(std::lround(zoom * H * r)));
    cw = std::max(cw, 1);
    ch = std::max(ch, 1);
    int cx = std::clamp(static_cast<int>(w * pan[0]), 0, w - cw);
    int cy = std::clamp(static_cast<int>(h * pan[1]), 0, h - ch);

    const float s = std::min(float(H) / ch, float(W) / cw);
    float k = 1;
    if (maxMagnification > 0 && s > maxMagnification) {
        k = s / maxMagnification;
        zoom *= k;
        cw = std::min(w, static_cast<int>(cw * k));
        ch = std::min(h, static_cast<int>(ch * k));
        cx = static_cast<int>(cx - (k - 1) * cw / 2);
        cy = static_cast<int>(cy - (k - 1) * ch / 2);
        cx = std::max(0, std::min(cx, w - cw - 1));
        cy = std::max(0, std::min(cy, h - ch - 1));
        out.limited = true;
    }

    const float aw = float(w) / W, ah = float(h) / H;
    float fw, fh;
    if (aw > ah) {
        fw = zoom;
        fh = zoom * aw / ah;
    } else {
        fw = zoom * ah / aw;
        fh = zoom;
    }
    fw = std::min(fw, 1.f);
    fh = std::min(fh, 1.f);
    pan[0] = std::clamp(pan[0], 0.f, 1 - fw);
    pan[1] = std::clamp(pan[1], 0.f, 1 - fh);
    if (out.limited) {
        pan[0] = std::clamp(pan[0] - fw * (k - 1) / 2, 0.f, std::max(0.f, 1 - k * fw));
        pan[1] = std::clamp(pan[1] - fh * (k - 1) / 2, 0.f, std::max(0.f, 1 - k * fh));
    }
    out.pixels = cv::Rect(cx, cy, cw, ch);
    out.fx = pan[0];
    out.fy = pan[1];
    out.fw = fw;
    out.fh = fh;
    return out;
}

ViewMapping::ViewMapping(int imageWidth, int imageHeight, const ViewRect& view, float panX, float panY, float zoom,
                         float maxMagnification)
{
    if (imageWidth <= 0 || imageHeight <= 0 || view.Empty()) return;
    float pan[2] = {panX, panY};
    region_ = ComputeVisibleRegion(imageWidth, imageHeight, pan, zoom, view, maxMagnification);
    shown_ = ShownRect(region_, view);
    valid_ = !shown_.Empty();
    // The view draws the pixel region, so map through it rather than through the rounded
    // fractions: overlays then sit exactly on the pixels they refer to.
    originX_ = float(region_.pixels.x) / imageWidth;
    originY_ = float(region_.pixels.y) / imageHeight;
    scaleX_ = float(shown_.Width()) / region_.pixels.width * imageWidth;
    scaleY_ = float(shown_.Height()) / region_.pixels.height * imageHeight;
}

cv::Point2f ViewMapping::ToView(float fx, float fy) const
{
    return {shown_.left + (fx - originX_) * scaleX_, shown_.top + (fy - originY_) * scaleY_};
}

cv::Point2f ViewMapping::ToFraction(float x, float y) const
{
    return {originX_ + (x - shown_.left) / scaleX_, originY_ + (y - shown_.top) / scaleY_};
}

}  // namespace engine
