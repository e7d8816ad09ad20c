#pragma once
/**
 * @file ViewGeometry.h
 * @brief The fit rule every view shares, and the preview's zoom and pan model.
 *
 * Views show an image centred in their rectangle, scaled to fit; a small image is shown at
 * its own size rather than magnified more than twice. The preview may zoom into a visible
 * region of the image; overlays map photo fractions through the same arithmetic so that
 * what is drawn lines up with what is shown.
 */
#include <opencv2/core.hpp>

namespace engine {

/** A window rectangle: left and top inclusive, right and bottom exclusive. */
struct ViewRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Empty() const { return Width() <= 0 || Height() <= 0; }
    friend bool operator==(const ViewRect&, const ViewRect&) = default;
};

/** The displayed rectangle of a w x h image fitted into view (empty for an empty input). */
ViewRect FitRect(int w, int h, const ViewRect& view);

/** The image resized (bilinear) to its fitted size in a view of the given size. */
cv::Mat FitImage(const cv::Mat& image, int viewWidth, int viewHeight);

/** Fits an image into a box keeping its aspect ratio, enlarging small ones (thumbnails). */
cv::Mat ResizeToFit(const cv::Mat& image, int maxWidth, int maxHeight);

/** The visible part of the image under the preview's zoom and pan. */
struct VisibleRegion {
    cv::Rect pixels;                          ///< in image pixels
    float fx = 0, fy = 0, fw = 1, fh = 1;     ///< the same, as fractions of the image
    bool limited = false;                     ///< the magnification limit applied
    /** Screen pixels per image pixel where the view has no limit (the region need not fill it); 0 otherwise. */
    float magnification = 0;
};

/** Where the view shows a visible region: fitted into it, or at the region's magnification. */
ViewRect ShownRect(const VisibleRegion& region, const ViewRect& view);

/** How far a view that shows a fitted render magnifies it at most (blur beyond that). */
inline constexpr float kFittedViewMagnification = 1.9f;
/** The magnification limit of a view that renders anew for its zoom: none. */
inline constexpr float kNoMagnificationLimit = 0;

/**
 * @brief The preview's zoom and pan model.
 * @param zoom at most 1 (1 shows the whole image); updated in place.
 * @param pan the visible region's top-left corner as image fractions; updated in place.
 * @param maxMagnification the view magnifies the image at most this much: a smaller zoom is
 * widened around its centre and reported through VisibleRegion::limited. With
 * kNoMagnificationLimit the zoom divides the whole image's fitted scale (a small image shown
 * at its own size at zoom 1 is shown at twice that at zoom 0.5).
 */
VisibleRegion ComputeVisibleRegion(int w, int h, float pan[2], float& zoom, const ViewRect& view,
                                   float maxMagnification = kFittedViewMagnification);

/**
 * @brief Maps between view pixels and image fractions for an image shown in a view with a
 * zoom and pan, exactly as the view draws it (visible region fitted into the view).
 */
class ViewMapping {
public:
    ViewMapping(int imageWidth, int imageHeight, const ViewRect& view, float panX, float panY, float zoom,
                float maxMagnification = kFittedViewMagnification);

    bool Valid() const { return valid_; }
    /** The displayed rectangle of the visible region. */
    const ViewRect& Displayed() const { return shown_; }
    const VisibleRegion& Region() const { return region_; }

    cv::Point2f ToView(float fx, float fy) const;
    cv::Point2f ToFraction(float x, float y) const;
    /** View pixels per whole image width and height (how far a fraction of 1 reaches). */
    float ScaleX() const { return scaleX_; }
    float ScaleY() const { return scaleY_; }

private:
    bool valid_ = false;
    float originX_ = 0, originY_ = 0, scaleX_ = 1, scaleY_ = 1;
    ViewRect shown_;
    VisibleRegion region_;
};

}  // namespace engine
