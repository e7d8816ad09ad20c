#include "face/FeatureModel.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

using engine::FaceQuad;

namespace face {

cv::Mat LocalContrast(const cv::Mat& grey)
{
    CV_Assert(grey.type() == CV_8UC1);
    cv::Mat sum, sqsum;
    cv::integral(grey, sum, sqsum, CV_32S, CV_64F);
    cv::Mat out(grey.size(), CV_8UC1);
    const int w = grey.cols, h = grey.rows;
    constexpr int kReach = 10;
    for (int y = 0; y < h; ++y) {
        const int top = std::max(y - kReach, 0), bottom = std::min(y + kReach, h - 1);
        const int* s0 = sum.ptr<int>(top);
        const int* s1 = sum.ptr<int>(bottom);
        const double* q0 = sqsum.ptr<double>(top);
        const double* q1 = sqsum.ptr<double>(bottom);
        uchar* o = out.ptr<uchar>(y);
        for (int x = 0; x < w; ++x) {
            const int left = std::max(x - kReach, 0), right = std::min(x + kReach, w - 1);
            const double area = static_cast<double>(right - left) * (bottom - top);
            if (area == 0) {
                o[x] = 0;
                continue;
            }
            const double s = static_cast<double>(s1[right]) - s0[right] - s1[left] + s0[left];
            const double q = q1[right] - q0[right] - q1[left] + q0[left];
            const double mean = s / area;
            // Rounding can make the variance of a flat window a hair below zero.
            const double var = std::max(0.0, q / area - mean * mean);
            o[x] = static_cast<uchar>(std::min(255.0, std::sqrt(var)));
        }
    }
    return out;
}

std::vector<cv::Mat> BuildContrastPyramid(const cv::Mat& contrast)
{
    std::vector<cv::Mat> levels;
    if (contrast.empty()) return levels;
    CV_Assert(contrast.type() == CV_8UC1);
    cv::Mat prev = contrast;
    int w = contrast.cols, h = contrast.rows;
    while ((w % 2 == 0 || h % 2 == 0) && w >= 2 && h >= 2) {
        w /= 2;
        h /= 2;
        cv::Mat next(h, w, CV_8UC1);
        for (int y = 0; y < h; ++y) {
            const uchar* r0 = prev.ptr<uchar>(2 * y);
            const uchar* r1 = prev.ptr<uchar>(2 * y + 1);
            uchar* o = next.ptr<uchar>(y);
            for (int x = 0; x < w; ++x)
                o[x] = static_cast<uchar>((r0[2 * x] + r0[2 * x + 1] + r1[2 * x] + r1[2 * x + 1]) >> 2);
        }
        levels.push_back(next);
        prev = next;
    }
    return levels;
}

double BarScore(const cv::Mat& image, float cx, float cy, float a, float b, float c, float d)
{
    // A bar of no length or thickness covers nothing (and would divide by zero below).
    if (!(a > 0) || !(b > 0) || image.empty()) return 0;
    const int w = image.cols, h = image.rows;
    // Cells whose weight is at most 4/255 are skipped: exp(-z) <= 4/255 exactly when
    // z >= ln(255/4).
    const float zMax = std::log(255.0f / 4.0f);
    const float bend = a * (a * c) / 4;
    const int i0 = static_cast<int>(std::floor(cx - a / 2)), i1 = static_cast<int>(std::ceil(cx + a / 2));
    double S = 0, T = 0, W = 0;
    long n = 0;
    for (int i = std::max(i0, 0); i <= std::min(i1, w - 1); ++i) {
        const float dx = i - cx;
        const float colZ = 16 * (dx / a) * (dx / a);
        if (colZ >= zMax) continue;
        const float t = cy + d * dx;
        const float axis = t + c * dx * dx;
        const int j0 = static_cast<int>(std::floor(t - b / 2 + std::min(bend, 0.f)));
        const int j1 = static_cast<int>(std::ceil(t + b / 2 + std::max(bend, 0.f)));
        for (int j = std::max(j0, 0); j <= std::min(j1, h - 1); ++j) {
            const float e = (j - axis) / b;
            const float z = 16 * e * e + colZ;
            if (z >= zMax) continue;
            const float wt = std::exp(-z);
            const double p = image.ptr<uchar>(j)[i];
            S += p * p;
            T += wt * p;
            W += static_cast<double>(wt) * wt;
            ++n;
        }
    }
    if (n == 0 || S <= 0 || W <= 0) return 0;
    const double gate = 1.0 / (1.0 + std::exp(-0.1 * (S / n - 100)));
    return gate * T * T / (S * W);
}

void InitialFeatureModel(BarGroups& bars)
{
    for (int k = 0; k < kBarsPerGroup; ++k) {
        for (int g = 0; g < 2; ++g) {
            FeatureBar& bar = bars[g][k];
            bar = FeatureBar{};
            bar.cx = g == 0 ? 125.f : 275.f;
            bar.cy = 113.f + 20.f * k;
            bar.length = 100;
            bar.thickness = 20;
        }
    }
    const float mouth[kBarsPerGroup][2] = {{160, 328}, {200, 303}, {200, 328}, {200, 353}, {240, 328}};
    for (int k = 0; k < kBarsPerGroup; ++k) {
        FeatureBar& bar = bars[2][k];
        bar = FeatureBar{};
        bar.cx = mouth[k][0];
        bar.cy = mouth[k][1];
        bar.length = 122;
        bar.thickness = 33;
        bar.lengthMax = 140;
        bar.lengthMin = 100;
        bar.thicknessMax = 38;
        bar.thicknessMin = 25;
        bar.tiltMax = 0.05f;
        bar.tiltMin = -0.05f;
    }
}

namespace {

constexpr float kCurvatureLimit = 0.002f;

float Bound(float v, float hi, float lo)
{
    if (hi == 0 && lo == 0) return v;
    return std::min(std::max(v, lo), hi);
}

float LimitCurvature(float v) { return std::clamp(v, -kCurvatureLimit, kCurvatureLimit); }

// The six parameters a step may change, in trial order.
float& Param(FeatureBar& bar, int p)
{
    switch (p) {
    case 0: return bar.cx;
    case 1: return bar.cy;
    case 2: return bar.length;
    case 3: return bar.thickness;
    case 4: return bar.curvature;
    default: return bar.tilt;
    }
}

float Constrain(const FeatureBar& bar, int p, float v)
{
    switch (p) {
    case 2: return Bound(v, bar.lengthMax, bar.lengthMin);
    case 3: return Bound(v, bar.thicknessMax, bar.thicknessMin);
    case 4: return LimitCurvature(Bound(v, bar.curvatureMax, bar.curvatureMin));
    case 5: return Bound(v, bar.tiltMax, bar.tiltMin);
    default: return v;
    }
}

}  // namespace

void ApplyBarBounds(FeatureBar& bar)
{
    for (int p = 2; p < 6; ++p) Param(bar, p) = Constrain(bar, p, Param(bar, p));
}

BarStepResult BarStep(FeatureBar& bar, const cv::Mat& contrast, const std::vector<cv::Mat>& pyramid, int level,
                      bool positionSearch)
{
    BarStepResult r;
    if (level < 0 || level > static_cast<int>(pyramid.size())) return r;
    const cv::Mat& img = level == 0 ? contrast : pyramid[level - 1];
    const float s = std::ldexp(1.0f, -level);
    auto score = [&](const FeatureBar& b) {
        return BarScore(img, b.cx * s, b.cy * s, b.length * s, b.thickness * s, b.curvature / s, b.tilt);
    };
    r.base = score(bar);
    const float steps[6] = {1 / s, 1 / s, 1, 1, 0.0002f, 0.01f};
    double scores[12];
    float values[12];
    for (int k = 0; k < 12; ++k) {
        const int p = k / 2;
        // Without position search only the two "plus" position trials matter (their
        // gradients drive the mouth springs); the others would never be chosen.
        if (p < 2 && !positionSearch && k % 2 == 0) {
            scores[k] = 0;
            values[k] = Param(bar, p);
            continue;
        }
        float& field = Param(bar, p);
        const float saved = field;
        values[k] = Constrain(bar, p, saved + (k % 2 ? steps[p] : -steps[p]));
        field = values[k];
        scores[k] = score(bar);
        field = saved;
    }
    r.gradX = scores[1] - r.base;
    r.gradY = scores[3] - r.base;
    int best = -1;
    for (int k = positionSearch ? 0 : 4; k < 12; ++k)
        if (best < 0 || scores[k] > scores[best]) best = k;
    if (best >= 0 && scores[best] > r.base) {
        Param(bar, best / 2) = values[best];
        ApplyBarBounds(bar);
        r.improved = true;
    }
    return r;
}

FaceQuad RegionFromBars(const FeatureBar (&bars)[kBarsPerGroup], int group)
{
    // Where each feature is expected in the crop: centre and size of the acceptance box.
    const float boxes[3][4] = {{125, 153, 50, 60}, {275, 153, 50, 60}, {200, 328, 100, 50}};
    const float* box = boxes[std::clamp(group, 0, 2)];

    bool marked[kBarsPerGroup];
    std::fill(std::begin(marked), std::end(marked), true);
    // Marks settle within a few rounds; the cap only guards against a pair that flips forever.
    for (int round = 0; round < 100; ++round) {
        double mx = 0, my = 0, m2 = 0;
        int n = 0;
        for (int k = 0; k < kBarsPerGroup; ++k) {
            if (!marked[k]) continue;
            mx += bars[k].cx;
            my += bars[k].cy;
            m2 += static_cast<double>(bars[k].cx) * bars[k].cx + static_cast<double>(bars[k].cy) * bars[k].cy;
            ++n;
        }
        if (n == 0) break;
        mx /= n;
        my /= n;
        m2 /= n;
        const double r = 1.2 * std::sqrt(std::max(0.0, m2 - mx * mx - my * my));
        const double limit = std::max(r, 10.0);
        bool changed = false;
        for (int k = 0; k < kBarsPerGroup; ++k) {
            const bool keep = std::hypot(bars[k].cx - mx, bars[k].cy - my) <= limit;
            changed |= keep != marked[k];
            marked[k] = keep;
        }
        if (!changed) break;
    }

    float left = 400, right = 0, leftTop = 400, rightTop = 400, leftBottom = 0, rightBottom = 0;
    for (int k = 0; k < kBarsPerGroup; ++k) {
        const FeatureBar& b = bars[k];
        const bool inBox = std::abs(b.cx - box[0]) < box[2] / 2 && std::abs(b.cy - box[1]) < box[3] / 2;
        const bool always = group == 2 && (k == 0 || k == kBarsPerGroup - 1);
        if (!marked[k] && !inBox && !always) continue;
        const float hh = b.length * b.tilt / 2;
        left = std::min(left, b.cx - b.length / 4);
        right = std::max(right, b.cx + b.length / 4);
        leftTop = std::min(leftTop, b.cy - b.thickness / 2 - hh);
        leftBottom = std::max(leftBottom, b.cy + b.thickness / 2 - hh);
        rightTop = std::min(rightTop, b.cy - b.thickness / 2 + hh);
        rightBottom = std::max(rightBottom, b.cy + b.thickness / 2 + hh);
    }
    if (right - left < 100) {
        const float grow = (100 - (right - left)) / 2;
        left -= grow;
        right += grow;
    }
    if (leftBottom - leftTop < 50) {
        const float grow = (50 - (leftBottom - leftTop)) / 2;
        leftTop -= grow;
        leftBottom += grow;
    }
    if (rightBottom - rightTop < 50) {
        const float grow = (50 - (rightBottom - rightTop)) / 2;
        rightTop -= grow;
        rightBottom += grow;
    }
    return FaceQuad{left, leftTop, right, rightTop, right, rightBottom, left, leftBottom};
}

void LevelRegions(FaceQuad (&regions)[3])
{
    FaceQuad& l = regions[0];
    FaceQuad& r = regions[1];
    auto levelPair = [](float& la, float& lb, float& ra, float& rb) {
        const float a = (la + lb) / 2 - (ra + rb) / 2;
        if (a > 5) {
            const float q = (a - 5) / 2;
            la -= q, lb -= q, ra += q, rb += q;
        } else if (a < -5) {
            const float q = (-5 - a) / 2;
            la += q, lb += q, ra -= q, rb -= q;
        }
    };
    levelPair(l.y0, l.y1, r.y0, r.y1);  // tops
    levelPair(l.y2, l.y3, r.y2, r.y3);  // bottoms

    FaceQuad& m = regions[2];
    const float lop = (m.y3 - m.y0) - (m.y2 - m.y1);
    if (lop > 20) {
        const float q = (lop - 20) / 2;
        m.y0 += q, m.y3 -= q, m.y1 -= q, m.y2 += q;
    } else if (lop < -20) {
        const float q = (-20 - lop) / 2;
        m.y0 -= q, m.y3 += q, m.y1 += q, m.y2 -= q;
    }
}

}  // namespace face
