#include "face/RegionShape.h"

#include <cmath>
#include <numbers>

using engine::FaceQuad;

namespace face {

RegionShape ShapeFromQuad(const FaceQuad& q)
{
    const float lmx = (q.x0 + q.x3) / 2, rmx = (q.x1 + q.x2) / 2;
    const float lmy = (q.y0 + q.y3) / 2, rmy = (q.y1 + q.y2) / 2;
    RegionShape s;
    s.cx = (lmx + rmx) / 2;
    s.cy = (lmy + rmy) / 2;
    const double hw = (rmx - lmx) / 2.0;
    const double hh = ((q.y2 + q.y3) / 2.0 - (q.y0 + q.y1) / 2.0) / 2.0;
    if (hw == 0 || hh == 0) return s;
    const double k = rmx != lmx ? (rmy - lmy) / double(rmx - lmx) : 0.0;
    // The ellipse (y - k x)^2 / hh^2 + x^2 / hw^2 = 1, that is D x^2 + C x y + E y^2 = 1,
    // turned onto its axes.
    const double E = 1 / (hh * hh), D = k * k / (hh * hh) + 1 / (hw * hw), C = -2 * k / (hh * hh);
    double a, b, angle;
    if (C != 0) {
        const double I = std::sqrt(C * C + (D - E) * (D - E)) - (D - E);
        double Ep = E, Dp = D;
        if (I != 0) {
            Ep = (2 * E * I + C * C) / (2 * I);
            Dp = (2 * D * I - C * C) / (2 * I);
        }
        a = Ep != 0 ? std::sqrt(1 / Ep) : 0;
        b = Dp != 0 ? std::sqrt(1 / Dp) : 0;
        angle = std::atan(I / C);
    } else {
        // An upright ellipse: semi-axis a belongs to the larger coefficient. Taking it along x
        // regardless would swap the width and height of every level region.
        if (D < E) {
            a = std::sqrt(1 / E);
            b = std::sqrt(1 / D);
            angle = std::numbers::pi / 2;
        } else {
            a = std::sqrt(1 / D);
            b = std::sqrt(1 / E);
            angle = 0;
        }
    }
    s.a = static_cast<float>(a);
    s.b = static_cast<float>(b);
    s.angle = static_cast<float>(angle);
    return s;
}

FaceQuad QuadFromShape(const RegionShape& s)
{
    if (!(s.a > 0) || !(s.b > 0)) return FaceQuad{s.cx, s.cy, s.cx, s.cy, s.cx, s.cy, s.cx, s.cy};
    const double c = std::cos(s.angle), sn = std::sin(s.angle);
    const double c2 = c * c, s2 = sn * sn, ia = 1.0 / (double(s.a) * s.a), ib = 1.0 / (double(s.b) * s.b);
    const double P = c2 * ia + s2 * ib, Q = s2 * ia + c2 * ib, R = 2 * sn * c * (ia - ib);
    const double hx = 1 / std::sqrt(P - R * R / (4 * Q));
    const double ly = 1 / std::sqrt(Q);
    const double m = -hx * R / (2 * Q);
    const float cx = s.cx, cy = s.cy;
    return FaceQuad{float(cx - hx), float(cy - m - ly), float(cx + hx), float(cy + m - ly),
                    float(cx + hx), float(cy + m + ly), float(cx - hx), float(cy - m + ly)};
}

std::vector<cv::Point2f> ShapePolygon(const RegionShape& s, int n)
{
    std::vector<cv::Point2f> pts;
    pts.reserve(n);
    const float c = std::cos(s.angle), sn = std::sin(s.angle);
    for (int i = 0; i < n; ++i) {
        const double t = 2 * std::numbers::pi * i / n;
        const float ca = static_cast<float>(s.a * std::cos(t)), sb = static_cast<float>(s.b * std::sin(t));
        pts.emplace_back(s.cx + ca * c - sb * sn, s.cy + ca * sn + sb * c);
    }
    return pts;
}

cv::Point2f ShapeCentre(const RegionShape& s) { return {s.cx, s.cy}; }

cv::Point2f ShapeHandlePoint(const RegionShape& s, int handle)
{
    const float c = std::cos(s.angle), sn = std::sin(s.angle);
    switch (handle) {
    case HandlePlusA: return {s.cx + s.a * c, s.cy + s.a * sn};
    case HandlePlusB: return {s.cx - s.b * sn, s.cy + s.b * c};
    case HandleMinusA: return {s.cx - s.a * c, s.cy - s.a * sn};
    case HandleMinusB: return {s.cx + s.b * sn, s.cy - s.b * c};
    default: return {s.cx, s.cy};
    }
}

bool InsideShape(const RegionShape& s, cv::Point2f p)
{
    if (!(s.a > 0) || !(s.b > 0)) return false;
    const float c = std::cos(s.angle), sn = std::sin(s.angle);
    const float dx = p.x - s.cx, dy = p.y - s.cy;
    const float x = dx * c + dy * sn, y = -dx * sn + dy * c;
    return (x / s.a) * (x / s.a) + (y / s.b) * (y / s.b) <= 1;
}

}  // namespace face
