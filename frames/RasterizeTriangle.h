#pragma once
/**
 * @file RasterizeTriangle.h
 * @brief Scan conversion of one triangle, shared by the frame filter and the mesh renderer.
 *
 * Conventions:
 * - Coordinates are result pixels with a top-left origin and y downward; pixel (x, y) is the
 *   square [x, x + 1) x [y, y + 1) and is sampled at its centre (x + 0.5, y + 0.5).
 * - Vertices are snapped to 1/256 pixel; the coverage test runs on exact 64-bit integer edge
 *   functions, so the result does not depend on the vertex order or on floating-point luck.
 * - Fill rule: top-left. A pixel whose centre lies strictly inside is covered; a centre lying
 *   exactly on an edge is covered only when that edge is a top edge (horizontal, with the
 *   triangle below it) or a left edge (the triangle to its right). Two triangles sharing an
 *   edge therefore cover every pixel along it exactly once, and a mesh has neither gaps nor
 *   double-drawn pixels.
 * - Triangles of zero area (collinear or coincident vertices), non-finite coordinates and
 *   coordinates beyond kMaxRasterCoordinate draw nothing.
 * - Attributes are interpolated affinely in screen space and evaluated at the pixel centre.
 *   For perspective-correct texture coordinates pass u/w, v/w and 1/w and divide per pixel.
 *
 * Pixels are handed out row by row, top to bottom, each row left to right. Restricting the
 * clip rectangle to a band of rows gives exactly the pixels (and attribute values) the full
 * rendering gives in that band, so callers may split rows across threads.
 */
#include <opencv2/core.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <utility>

namespace frames {

namespace raster {

/** Sub-pixel precision of the vertex positions: 8 bits (1/256 pixel). */
inline constexpr int kSubpixelBits = 8;
/** Vertices farther than this from the origin are refused (keeps the edge functions in 64 bits). */
inline constexpr float kMaxRasterCoordinate = float(1 << 20);

/** A triangle corner: position in result pixels and N attributes to interpolate. */
template <int N>
struct Vertex {
    float x = 0, y = 0;
    std::array<float, N> attr{};
};

namespace detail {

inline std::int64_t FloorDiv(std::int64_t a, std::int64_t b)  // b > 0
{
    std::int64_t q = a / b;
    if ((a % b) != 0 && a < 0) --q;
    return q;
}

inline std::int64_t CeilDiv(std::int64_t a, std::int64_t b) { return -FloorDiv(-a, b); }

inline constexpr std::int64_t kSubpixel = std::int64_t(1) << kSubpixelBits;

/**
 * Edge i runs from vertex i to vertex i+1 and is opposite vertex i+2; its function is
 * positive inside and equals area2 at the opposite vertex. Its barycentric weight belongs
 * to that opposite vertex.
 */
struct Edge {
    std::int64_t dx, dy, x0, y0;
    bool topLeft;
};

/** A triangle snapped to the sub-pixel grid and wound clockwise on screen. */
template <int N>
struct SnappedTriangle {
    const Vertex<N>* v[3];
    std::int64_t X[3], Y[3];
    std::int64_t area2;  ///< twice the area, in sub-pixel units squared; positive
    Edge e[3];
};

/** Snaps the corners; false for a triangle that draws nothing (out of range, or no area). */
template <int N>
bool SnapTriangle(const Vertex<N>& a, const Vertex<N>& b, const Vertex<N>& c, SnappedTriangle<N>& t)
{
    t.v[0] = &a;
    t.v[1] = &b;
    t.v[2] = &c;
    for (const Vertex<N>* p : t.v) {
        if (!std::isfinite(p->x) || !std::isfinite(p->y) || std::fabs(p->x) > kMaxRasterCoordinate ||
            std::fabs(p->y) > kMaxRasterCoordinate)
            return false;
    }
    constexpr std::int64_t S = kSubpixel;
    for (int i = 0; i < 3; ++i) {
        t.X[i] = std::llround(double(t.v[i]->x) * S);
        t.Y[i] = std::llround(double(t.v[i]->y) * S);
    }
    t.area2 = (t.X[1] - t.X[0]) * (t.Y[2] - t.Y[0]) - (t.X[2] - t.X[0]) * (t.Y[1] - t.Y[0]);
    if (t.area2 == 0) return false;
    if (t.area2 < 0) {
        // Make the winding clockwise on screen (y down), so "inside" is where all three edge
        // functions are non-negative.
        std::swap(t.X[1], t.X[2]);
        std::swap(t.Y[1], t.Y[2]);
        std::swap(t.v[1], t.v[2]);
        t.area2 = -t.area2;
    }
    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3;
        t.e[i] = {t.X[j] - t.X[i], t.Y[j] - t.Y[i], t.X[i], t.Y[i], false};
        t.e[i].topLeft = (t.e[i].dy == 0 && t.e[i].dx > 0) || t.e[i].dy < 0;
    }
    return true;
}

/** Pixel rows and columns whose centres can fall inside: the bounding box, clipped. */
struct PixelBox {
    std::int64_t x0, x1, y0, y1;  ///< inclusive
    bool Empty() const { return x0 > x1 || y0 > y1; }
};

template <int N>
PixelBox CandidatePixels(const SnappedTriangle<N>& t, const cv::Rect& clip)
{
    constexpr std::int64_t S = kSubpixel;
    const std::int64_t minX = std::min({t.X[0], t.X[1], t.X[2]}), maxX = std::max({t.X[0], t.X[1], t.X[2]});
    const std::int64_t minY = std::min({t.Y[0], t.Y[1], t.Y[2]}), maxY = std::max({t.Y[0], t.Y[1], t.Y[2]});
    // Centre of pixel k is k*S + S/2; the first centre at or after m is at k = ceil((m - S/2) / S).
    return {std::max<std::int64_t>(CeilDiv(minX - S / 2, S), clip.x),
            std::min<std::int64_t>(FloorDiv(maxX - S / 2, S), std::int64_t(clip.x) + clip.width - 1),
            std::max<std::int64_t>(CeilDiv(minY - S / 2, S), clip.y),
            std::min<std::int64_t>(FloorDiv(maxY - S / 2, S), std::int64_t(clip.y) + clip.height - 1)};
}

/**
 * Attribute planes: attr(px, py) = base + gx * px + gy * py over pixel-centre positions in
 * fixed point, from the barycentric weights lambda_k = E_(k+1)(P) / area2.
 */
template <int N>
struct AttributePlanes {
    std::array<double, N> gx{}, gy{}, base{};

    explicit AttributePlanes(const SnappedTriangle<N>& t)
    {
        const double inv = 1.0 / double(t.area2);
        for (int k = 0; k < 3; ++k) {
            const Edge& ed = t.e[(k + 1) % 3];  // the edge opposite vertex k
            // E(P) = dx * (Py - y0) - dy * (Px - x0)
            const double cx = -double(ed.dy) * inv, cy = double(ed.dx) * inv;
            const double c0 = (double(ed.dy) * double(ed.x0) - double(ed.dx) * double(ed.y0)) * inv;
            for (int n = 0; n < N; ++n) {
                gx[n] += cx * t.v[k]->attr[n];
                gy[n] += cy * t.v[k]->attr[n];
                base[n] += c0 * t.v[k]->attr[n];
            }
        }
    }
};

/**
 * Narrows [xl, xr] to the covered pixels of the row whose centres lie at py (fixed point);
 * leaves xl > xr when none is.
 */
inline void CoveredSpan(const Edge (&e)[3], std::int64_t py, std::int64_t& xl, std::int64_t& xr)
{
    constexpr std::int64_t S = kSubpixel;
    for (const Edge& ed : e) {
        // E(x) = cx * x + k with cx = -dy * S, over pixel columns x; covered when
        // E > 0, or E == 0 on a top or left edge.
        const std::int64_t cx = -ed.dy * S;
        const std::int64_t k = ed.dx * (py - ed.y0) - ed.dy * (S / 2 - ed.x0) + (ed.topLeft ? 0 : -1);
        if (cx > 0) xl = std::max(xl, CeilDiv(-k, cx));
        else if (cx < 0) xr = std::min(xr, FloorDiv(k, -cx));
        else if (k < 0) xr = xl - 1;
    }
}

}  // namespace detail

/**
 * @brief Hands every covered row span to fn(y, xBegin, xEnd, attrAtBegin, attrStep): pixels
 * xBegin .. xEnd - 1 of row y, with the attributes at pixel xBegin and their change per pixel.
 * @param clip only pixels inside it are handed out (the result image's rectangle, or a band).
 * @return the number of pixels covered within clip.
 */
template <int N, class SpanFn>
long long RasterizeTriangleSpans(const Vertex<N>& a, const Vertex<N>& b, const Vertex<N>& c, const cv::Rect& clip,
                                 SpanFn&& fn)
{
    detail::SnappedTriangle<N> t;
    if (!detail::SnapTriangle(a, b, c, t)) return 0;
    const detail::PixelBox box = detail::CandidatePixels(t, clip);
    if (box.Empty()) return 0;
    const detail::AttributePlanes<N> planes(t);

    constexpr std::int64_t S = detail::kSubpixel;
    std::array<float, N> step{}, start{};
    for (int n = 0; n < N; ++n) step[n] = static_cast<float>(planes.gx[n] * double(S));
    long long covered = 0;
    for (std::int64_t y = box.y0; y <= box.y1; ++y) {
        const std::int64_t py = y * S + S / 2;
        std::int64_t xl = box.x0, xr = box.x1;
        detail::CoveredSpan(t.e, py, xl, xr);
        if (xl > xr) continue;
        const double pxs = double(xl * S + S / 2), pys = double(py);
        for (int n = 0; n < N; ++n) start[n] = static_cast<float>(planes.base[n] + planes.gx[n] * pxs + planes.gy[n] * pys);
        fn(static_cast<int>(y), static_cast<int>(xl), static_cast<int>(xr + 1), start.data(), step.data());
        covered += xr - xl + 1;
    }
    return covered;
}

/**
 * @brief Hands every covered pixel to fn(x, y, attr), attr being N floats interpolated at the
 * pixel centre. See the file comment for the fill rule.
 * @return the number of pixels covered within clip.
 */
template <int N, class PixelFn>
long long RasterizeTriangle(const Vertex<N>& a, const Vertex<N>& b, const Vertex<N>& c, const cv::Rect& clip,
                            PixelFn&& fn)
{
    return RasterizeTriangleSpans<N>(a, b, c, clip, [&](int y, int x0, int x1, const float* s, const float* d) {
        std::array<float, N> at;
        for (int x = x0; x < x1; ++x) {
            // Evaluated from the span start rather than accumulated, so long spans do not drift.
            const float k = static_cast<float>(x - x0);
            for (int n = 0; n < N; ++n) at[n] = s[n] + k * d[n];
            fn(x, y, static_cast<const float*>(at.data()));
        }
    });
}

}  // namespace raster

}  // namespace frames
