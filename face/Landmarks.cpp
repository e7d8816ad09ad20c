// SPDX-License-Identifier: MIT
#include "face/Landmarks.h"

#include <algorithm>
#include <cmath>

using engine::FaceQuad;

namespace face {

namespace {

cv::Point2f Mean(const Landmarks& l, int first, int last)
{
    cv::Point2f s(0, 0);
    for (int i = first; i <= last; ++i) s += l.p[static_cast<size_t>(i)];
    return s * (1.0f / float(last - first + 1));
}

// A box of the given size centred on c whose long side follows the unit direction u.
FaceQuad TiltedBox(cv::Point2f c, cv::Point2f u, float width, float height)
{
    const cv::Point2f a = u * (width / 2), b = cv::Point2f(-u.y, u.x) * (height / 2);
    const cv::Point2f tl = c - a - b, tr = c + a - b, br = c + a + b, bl = c - a + b;
    return FaceQuad{tl.x, tl.y, tr.x, tr.y, br.x, br.y, bl.x, bl.y};
}

float Dist(cv::Point2f a, cv::Point2f b) { return std::hypot(a.x - b.x, a.y - b.y); }

}  // namespace

cv::Point2f EyeCentre(const Landmarks& l, int eye) { return eye == 0 ? Mean(l, 36, 41) : Mean(l, 42, 47); }

cv::Point2f MouthCentre(const Landmarks& l) { return Mean(l, 48, 59); }

Landmarks MapLandmarks(const Landmarks& l, float sx, float ox, float sy, float oy)
{
    Landmarks out = l;
    for (cv::Point2f& p : out.p) p = cv::Point2f(sx * p.x + ox, sy * p.y + oy);
    return out;
}

void RegionsFromLandmarks(const Landmarks& l, FaceQuad (&regions)[3])
{
    const cv::Point2f le = EyeCentre(l, 0), re = EyeCentre(l, 1), mouth = MouthCentre(l);
    const float d = std::max(Dist(le, re), 1.0f);
    const cv::Point2f u = (re - le) * (1.0f / d);
    // The eye regions take in the lids and the brow's lower edge; the mouth region the lips
    // and a little of the cheeks beside the corners.
    for (int e = 0; e < 2; ++e) {
        const int a = e == 0 ? 36 : 42, b = e == 0 ? 39 : 45;
        const float w = std::max(1.5f * Dist(l.p[static_cast<size_t>(a)], l.p[static_cast<size_t>(b)]), 0.6f * d);
        regions[e] = TiltedBox(e == 0 ? le : re, u, w, 0.5f * w);
    }
    const float mw = std::max(1.35f * Dist(l.p[48], l.p[54]), 0.7f * d);
    const float mh = std::max(1.5f * Dist(l.p[51], l.p[57]), 0.35f * d);
    regions[2] = TiltedBox(mouth, u, mw, mh);
}

std::vector<cv::Point2f> FaceOutline(const Landmarks& l)
{
    std::vector<cv::Point2f> out;
    for (int i = 0; i <= 16; ++i) out.push_back(l.p[static_cast<size_t>(i)]);
    const cv::Point2f le = EyeCentre(l, 0), re = EyeCentre(l, 1);
    const float d = std::max(Dist(le, re), 1.0f);
    // Up, away from the chin, across the eye line: the brows sit low on the forehead.
    cv::Point2f up(-(re - le).y / d, (re - le).x / d);
    if (up.dot(l.p[8] - le) > 0) up = -up;
    for (int i = 26; i >= 17; --i) out.push_back(l.p[static_cast<size_t>(i)] + up * (0.35f * d));
    return out;
}

}  // namespace face
