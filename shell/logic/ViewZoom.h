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

struct ViewZoom {
    static constexpr float kMinZoom = 0.01f;
    static constexpr float kStep = 1.05f;

    float zoom = 1;
    float pan[2] = {0, 0};

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
    void ZoomAbout(int imageWidth, int imageHeight, const ViewRect& view, int steps, float x, float y);
    /** One step about the view's centre. */
    void ZoomCentre(int imageWidth, int imageHeight, const ViewRect& view, int steps);
    /** Pans by a pointer movement: offset -= delta / view size x visible fraction. */
    void Pan(int imageWidth, int imageHeight, const ViewRect& view, float dx, float dy);
};

}  // namespace shell
