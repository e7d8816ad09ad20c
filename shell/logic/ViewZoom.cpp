#include "shell/logic/ViewZoom.h"

#include <algorithm>
#include <cmath>

using engine::ComputeVisibleRegion;
using engine::FitRect;
using engine::kNoMagnificationLimit;
using engine::ViewMapping;
using engine::ViewRect;
using engine::VisibleRegion;

namespace shell {

void ViewZoom::ZoomAbout(int w, int h, const ViewRect& view, int steps, float x, float y)
{
    if (w <= 0 || h <= 0 || view.Empty() || steps == 0) return;
    const ViewMapping before(w, h, view, pan[0], pan[1], zoom, maxMagnification);
    if (!before.Valid()) return;
    const cv::Point2f anchor = before.ToFraction(x, y);

    float z = zoom * std::pow(kStep, static_cast<float>(-steps));
    z = std::clamp(z, std::min(minZoom, 1.0f), 1.0f);
    // The region's size does not depend on the pan: learn it with the current pan, then
    // place the region so that the anchor lands under the pointer again.
    float probe[2] = {pan[0], pan[1]};
    float zz = z;
    const VisibleRegion region = ComputeVisibleRegion(w, h, probe, zz, view, maxMagnification);
    const ViewRect shown = ShownRect(region, view);
    if (shown.Empty()) return;
    const float relX = (x - shown.left) / static_cast<float>(shown.Width());
    const float relY = (y - shown.top) / static_cast<float>(shown.Height());
    pan[0] = anchor.x - relX * region.fw;
    pan[1] = anchor.y - relY * region.fh;
    zoom = z;
    ComputeVisibleRegion(w, h, pan, zoom, view, maxMagnification);  // clamps the pan and applies the limits
    if (zoom >= 1) {
        zoom = 1;
        pan[0] = pan[1] = 0;
    }
}

double ViewZoom::NextLevel(double current, double fit, int direction)
{
    constexpr double kSlack = 0.5;  // a percent shown rounded counts as that level
    if (direction > 0) {
        for (double level : kLevels)
            if (level > fit + kSlack && level > current + kSlack) return level;
        return std::max(fit, std::min(current, kLevels[9]));
    }
    for (int i = 9; i >= 0; --i)
        if (kLevels[i] > fit + kSlack && kLevels[i] < current - kSlack) return kLevels[i];
    return fit;
}

float ViewZoom::ZoomForPercent(double percent, double fit)
{
    if (!(percent > fit) || !(fit > 0)) return 1;
    return std::clamp(static_cast<float>(fit / percent), kMinZoom, 1.0f);
}

void ViewZoom::ZoomCentre(int w, int h, const ViewRect& view, int steps)
{
    ZoomAbout(w, h, view, steps, (view.left + view.right) / 2.0f, (view.top + view.bottom) / 2.0f);
}

void ViewZoom::SetAboutCentre(int w, int h, const ViewRect& view, float z)
{
    if (w <= 0 || h <= 0 || view.Empty()) return;
    const ViewMapping before(w, h, view, pan[0], pan[1], zoom, maxMagnification);
    if (!before.Valid()) return;
    const cv::Point2f centre = before.ToFraction((view.left + view.right) / 2.0f, (view.top + view.bottom) / 2.0f);
    zoom = std::clamp(z, std::min(minZoom, 1.0f), 1.0f);
    float probe[2] = {pan[0], pan[1]};
    float zz = zoom;
    const VisibleRegion region = ComputeVisibleRegion(w, h, probe, zz, view, maxMagnification);
    pan[0] = centre.x - region.fw / 2;
    pan[1] = centre.y - region.fh / 2;
    ComputeVisibleRegion(w, h, pan, zoom, view, maxMagnification);  // clamps the pan and applies the limits
    if (zoom >= 1) Reset();
}

SharpRender SharpRenderFor(cv::Size fitted, const ViewRect& view, float zoom, int fullWidth, double maxPixels)
{
    SharpRender out;
    if (fitted.width <= 0 || fitted.height <= 0 || view.Empty() || fullWidth <= 0) return out;
    float pan[2] = {0, 0};
    float z = zoom;
    const VisibleRegion region = ComputeVisibleRegion(fitted.width, fitted.height, pan, z, view, kNoMagnificationLimit);
    const ViewRect shown = ShownRect(region, view);
    if (shown.Empty()) return out;
    // Screen pixels per rendered pixel; a few percent of blur is not worth a rendering.
    constexpr double kWorthIt = 1.05;
    double k = double(shown.Width()) / region.pixels.width;
    const double full = double(fullWidth) / fitted.width;
    if (k < kWorthIt || full < kWorthIt) return out;
    const double bound = std::sqrt(maxPixels / (double(fitted.width) * fitted.height));
    out.needed = true;
    // Within a rounding of full size (100 % as the fitted render's pixels reckon it) is full size.
    if (k * 1.02 >= full && full <= bound) {
        out.fullSize = true;
        return out;
    }
    k = std::min({k, full, bound});
    if (k < kWorthIt) return SharpRender{};
    out.box = cv::Size(static_cast<int>(std::lround(view.Width() * k)), static_cast<int>(std::lround(view.Height() * k)));
    return out;
}

void ViewZoom::Pan(int w, int h, const ViewRect& view, float dx, float dy)
{
    if (w <= 0 || h <= 0 || view.Empty() || zoom >= 1) return;
    float probe[2] = {pan[0], pan[1]};
    float zz = zoom;
    const VisibleRegion region = ComputeVisibleRegion(w, h, probe, zz, view, maxMagnification);
    pan[0] = std::clamp(pan[0] - dx / view.Width() * region.fw, 0.0f, std::max(0.0f, 1 - region.fw));
    pan[1] = std::clamp(pan[1] - dy / view.Height() * region.fh, 0.0f, std::max(0.0f, 1 - region.fh));
}

}  // namespace shell
