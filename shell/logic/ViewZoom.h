#pragma once
/**
 * @file ViewZoom.h
 * @brief Zooming and panning of the preview and the original-image view, without a window.
 *
 * The state is the engine's view model (ViewGeometry.h): a zoom (visible fraction, 1 = the
 * whole image) and a pan (the visible region's top-left corner as image fractions).
 */
#include "engine/ViewGeometry.h"

namespace shell {

/** What the preview renders so that a zoom shows the result's own pixels rather than a magnified render. */
struct SharpRender {
    bool needed = false;    ///< the render for the view is enough when false
    bool fullSize = false;  ///< render at full size, as an export does
    cv::Size box;           ///< otherwise the output box to render for
    /** Shows at least as much detail as other: no new rendering is needed for other. */
    bool Covers(const SharpRender& other) const
    {
        return !other.needed || fullSize || (!other.fullSize && needed && box.width >= other.box.width);
    }
};

/**
 * @brief The rendering a zoomed view needs, for a result rendered for the view (fitted), the
 * view, the zoom (visible fraction) and the result's width at full size.
 * The render grows with the magnification, but never beyond full size, and keeps under
 * maxPixels (the result is about fitted x magnification squared).
 */
SharpRender SharpRenderFor(cv::Size fitted, const engine::ViewRect& view, float zoom, int fullWidth, double maxPixels);

struct ViewZoom {
    static constexpr float kMinZoom = 0.01f;
    static constexpr float kStep = 1.05f;
    /** The zoom buttons' fixed steps, in percent of the photo's own pixels; "fit" comes below them. */
    static constexpr double kLevels[10] = {10, 25, 50, 75, 100, 150, 200, 300, 400, 800};

    /**
     * @brief The step after current (percent) in a direction (+1 in, -1 out): the next fixed
     * level beyond it that lies above fit, or fit itself when zooming out past the lowest.
     * Never beyond 800 %.
     */
    static double NextLevel(double current, double fit, int direction);
    /**
     * @brief The visible fraction (the zoom) that shows the photo at percent, given the
     * percent at which the whole photo fits; 1 (fit) when percent is at or below fit.
     */
    static float ZoomForPercent(double percent, double fit);

    float zoom = 1;
    float pan[2] = {0, 0};
    /** The view's magnification limit (ComputeVisibleRegion); a view that renders for its zoom has none. */
    float maxMagnification = engine::kFittedViewMagnification;
    /** The smallest zoom (deepest in) steps and the wheel reach. */
    float minZoom = kMinZoom;

    void Reset()
    {
        zoom = 1;
        pan[0] = pan[1] = 0;
    }
    bool Zoomed() const { return zoom < 1; }

    /**
     * @brief One step about a view point: in (steps > 0) divides the zoom by 1.05 per step,
     * out multiplies it; the image point under (x, y) stays under it as far as the limits allow.
     */
    void ZoomAbout(int imageWidth, int imageHeight, const engine::ViewRect& view, int steps, float x, float y);
    /** Shows the visible fraction z (1: all) with the view's centre staying where it is. */
    void SetAboutCentre(int imageWidth, int imageHeight, const engine::ViewRect& view, float z);
    /** One step about the view's centre. */
    void ZoomCentre(int imageWidth, int imageHeight, const engine::ViewRect& view, int steps);
    /** Pans by a pointer movement: offset -= delta / view size x visible fraction. */
    void Pan(int imageWidth, int imageHeight, const engine::ViewRect& view, float dx, float dy);
};

}  // namespace shell
