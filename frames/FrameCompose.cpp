#include "frames/FrameCompose.h"

#include "frames/Homography.h"
#include "frames/RasterizeTriangle.h"

#include <opencv2/core/utility.hpp>

#include <atomic>

namespace frames {

namespace {

// Photo coordinates may stray this far outside 0..1 through rounding at the window's border;
// beyond it a pixel belongs to a window folded over itself and is left alone.
constexpr float kUvSlack = 1e-3f;
// Rows per band when the window is split across threads.
constexpr int kRowsPerBand = 32;


bool UsableInputs(const cv::Mat& photo, const cv::Mat& background, const cv::Mat& background2,
                  const FrameWindow& window, const cv::Mat& result)
{
    if (photo.empty() || photo.type() != CV_8UC3 || background.type() != CV_8UC3 || result.type() != CV_8UC3 ||
        background.size() != result.size())
        return false;
    if (!background2.empty() && (background2.type() != CV_8UC3 || background2.size() != result.size())) return false;
    for (const cv::Point& c : window.corner)
        if (std::abs(double(c.x)) > raster::kMaxRasterCoordinate || std::abs(double(c.y)) > raster::kMaxRasterCoordinate)
            return false;
    return !IsDegenerateWindow(window);
}

/**
 * The window's corners for the rasteriser, carrying u/w, v/w and 1/w of the photo's corners;
 * false when the window has no perspective that maps the photo into it.
 */
bool WindowVertices(const FrameWindow& window, cv::Size size, raster::Vertex<3> (&vtx)[4])
{
    // The homography is built in units of half the background's height around its centre
    // (y upward), which keeps the numbers near 1 whatever the picture's size. Only the depths
    // of the corners are needed from it: the rasteriser works on the corners' own pixels.
    const int hw = size.width / 2, hh = size.height / 2;
    const double unit = std::max(hh, 1);
    std::array<cv::Point2d, 4> q;
    for (int i = 0; i < 4; ++i)
        q[i] = {(window.corner[i].x - hw) / unit, (hh - window.corner[i].y) / unit};
    cv::Matx33d Hm;
    if (!SquareToQuad(q, Hm)) return false;

    static constexpr float kU[4] = {0, 1, 0, 1}, kV[4] = {0, 0, 1, 1};
    for (int i = 0; i < 4; ++i) {
        const double w = HomographyDepth(Hm, kU[i], kV[i]);
        if (!std::isfinite(w) || w == 0) return false;
        const double inv = 1.0 / w;
        vtx[i].x = static_cast<float>(window.corner[i].x);
        vtx[i].y = static_cast<float>(window.corner[i].y);
        vtx[i].attr = {static_cast<float>(kU[i] * inv), static_cast<float>(kV[i] * inv), static_cast<float>(inv)};
    }
    // Depths of one sign put the whole square in front of the eye. A window whose corners
    // disagree is folded through the horizon; the pixels where 1/w has the majority sign are
    // still drawn correctly.
    int positive = 0;
    for (const auto& v : vtx) positive += v.attr[2] > 0 ? 1 : 0;
    if (positive < 2)
        for (auto& v : vtx)
            for (float& a : v.attr) a = -a;
    return true;
}

/** The result's pixels the window's corners span. */
cv::Rect WindowBox(const FrameWindow& window, cv::Size size)
{
    int minX = size.width, maxX = -1, minY = size.height, maxY = -1;
    for (const cv::Point& c : window.corner) {
        minX = std::min(minX, c.x);
        maxX = std::max(maxX, c.x);
        minY = std::min(minY, c.y);
        maxY = std::max(maxY, c.y);
    }
    return cv::Rect(cv::Point(minX, minY), cv::Point(maxX + 1, maxY + 1)) & cv::Rect(0, 0, size.width, size.height);
}

}  // namespace

long long MapPhotoIntoWindow(const cv::Mat& photo, const cv::Mat& background, const cv::Mat& background2,
                             const FrameWindow& window, const FrameBlend& blend, cv::Mat& result)
{
    if (!UsableInputs(photo, background, background2, window, result)) return 0;
    raster::Vertex<3> vtx[4];
    if (!WindowVertices(window, result.size(), vtx)) return 0;
    const cv::Rect box = WindowBox(window, result.size());
    if (box.empty()) return 0;

    const bool haveS = !background2.empty();
    const BilinearSampler8u3 sample(photo);
    std::atomic<long long> drawn{0};
    const int bands = (box.height + kRowsPerBand - 1) / kRowsPerBand;
    cv::parallel_for_(cv::Range(0, bands), [&](const cv::Range& range) {
        long long count = 0;
        for (int band = range.start; band < range.end; ++band) {
            const int y0 = box.y + band * kRowsPerBand;
            const cv::Rect clip(box.x, y0, box.width, std::min(kRowsPerBand, box.y + box.height - y0));
            const auto pixel = [&](int x, int y, const float* a) {
                const float iw = a[2];
                if (!(iw > 0)) return;
                const float w = 1.f / iw;
                const float u = a[0] * w, v = a[1] * w;
                if (!(u >= -kUvSlack && u <= 1 + kUvSlack && v >= -kUvSlack && v <= 1 + kUvSlack)) return;
                const float uc = std::clamp(u, 0.f, 1.f), vc = std::clamp(v, 0.f, 1.f);
                float P[3];
                sample(uc, vc, P);
                const uchar* F = background.ptr<uchar>(y) + x * 3;
                const uchar* S = haveS ? background2.ptr<uchar>(y) + x * 3 : nullptr;
                CompositeFramePixel(P, F, S, uc, vc, blend, result.ptr<uchar>(y) + x * 3);
                ++count;
            };
            raster::RasterizeTriangle<3>(vtx[0], vtx[1], vtx[3], clip, pixel);
            raster::RasterizeTriangle<3>(vtx[3], vtx[2], vtx[0], clip, pixel);
        }
        drawn.fetch_add(count, std::memory_order_relaxed);
    });
    return drawn.load();
}

}  // namespace frames
