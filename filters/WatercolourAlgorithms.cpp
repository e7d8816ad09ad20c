#include "filters/WatercolourAlgorithms.h"

#include "engine/ImageFilter.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <vector>

using engine::CImageFilter;

namespace filters {

namespace {

bool IsBgr8(const cv::Mat& m) { return !m.empty() && m.type() == CV_8UC3; }

inline float Sign(float a) { return static_cast<float>((a > 0.0f) - (a < 0.0f)); }

/**
 * One diffusion pass over rows [begin, end): reads in, writes out, returns the largest
 * |d| of the rows in rowMax. False when the stop flag was seen.
 */
bool DiffuseRows(const cv::Mat& orig, const cv::Mat& in, cv::Mat& out, int begin, int end, float* rowMax)
{
    const int w = in.cols, h = in.rows, n = 3 * w;
    for (int y = begin; y < end; ++y) {
        if (CImageFilter::StopRequested()) return false;
        const float* r = in.ptr<float>(y);
        const float* above = in.ptr<float>(std::max(y - 1, 0));
        const float* below = in.ptr<float>(std::min(y + 1, h - 1));
        const uchar* o = orig.ptr<uchar>(y);
        float* d = out.ptr<float>(y);
        float largest = 0.0f;
        auto step = [&](int i, float right, float left) {
            const float v = r[i];
            // Neighbours in the order right, below, left, above; borders repeat the edge pixel.
            const float t = Sign(right - v) + Sign(below[i] - v) + Sign(left - v) + Sign(above[i] - v);
            const float delta = (static_cast<float>(o[i]) - v) / 20.0f + t;
            d[i] = v + delta;
            largest = std::max(largest, std::fabs(delta));
        };
        if (w == 1) {
            for (int c = 0; c < 3; ++c) step(c, r[c], r[c]);
        } else {
            for (int c = 0; c < 3; ++c) step(c, r[c + 3], r[c]);
            for (int i = 3; i < n - 3; ++i) step(i, r[i + 3], r[i - 3]);
            for (int i = n - 3; i < n; ++i) step(i, r[i], r[i - 3]);
        }
        rowMax[y] = largest;
    }
    return true;
}

/** The stripe value q of one pixel; NaN (from absurd amplitudes) reads as 0. */
inline uchar StripeValue(float grey, float t)
{
    // fmod(t, 2) without the library call: t - 2 trunc(t / 2) is exact in floating point
    // (the remainder is representable, so the subtraction does not round).
    const float u = t - 2.0f * std::trunc(t * 0.5f);
    const float v = std::fabs(u - 1.0f);
    const float q = grey - 255.0f * v + 128.0f;
    return static_cast<uchar>(q > 0.0f ? (q < 255.0f ? q : 255.0f) : 0.0f);
}

/** sin(theta) * b for every row, and x / W for every column (single precision). */
void StripeTables(cv::Size size, float p, float b, std::vector<float>& sway, std::vector<float>& across)
{
    constexpr float kPi = 3.14159265358979f;
    const bool swaying = p != 0.0f && std::isfinite(p);
    sway.resize(size.height);
    for (int y = 0; y < size.height; ++y) {
        const float theta = swaying ? static_cast<float>(y) / static_cast<float>(size.height) * kPi / p : 0.0f;
        sway[y] = std::sin(theta) * b;
    }
    across.resize(size.width);
    for (int x = 0; x < size.width; ++x) across[x] = static_cast<float>(x) / static_cast<float>(size.width);
}

}  // namespace

cv::Size WatercolorWorkingSize(cv::Size destination, float s)
{
    const int w = destination.width, h = destination.height;
    if (w <= 0 || h <= 0) return {};
    if (w <= 400 && h <= 400) return destination;
    const double scale = std::isfinite(s) ? std::clamp(static_cast<double>(s), 0.0, 4.0) : 1.0;
    const double f = std::min(600.0 / w, 600.0 / h);
    const auto side = [&](int v) { return std::max(1L, std::lround(scale * v * f)); };
    return {static_cast<int>(side(w)), static_cast<int>(side(h))};
}

bool DiffuseWatercolor(const cv::Mat& src, cv::Mat& dst, float s)
{
    if (!IsBgr8(src) || !IsBgr8(dst)) return false;
    const cv::Size work = WatercolorWorkingSize(dst.size(), s);
    cv::Mat orig;
    cv::resize(src, orig, work, 0, 0, cv::INTER_LINEAR);
    cv::Mat a, b;
    orig.convertTo(a, CV_32FC3);
    b = a.clone();

    std::vector<float> rowMax(work.height);
    for (int pass = 1;; ++pass) {
        const cv::Mat& in = pass % 2 ? a : b;
        cv::Mat& out = pass % 2 ? b : a;
        std::atomic<bool> stopped{false};
        std::atomic<bool>& stop = CImageFilter::StopFlag();
        cv::parallel_for_(cv::Range(0, work.height), [&](const cv::Range& rows) {
            const CImageFilter::StopScope sameStop(stop);
            if (!DiffuseRows(orig, in, out, rows.start, rows.end, rowMax.data())) stopped = true;
        });
        if (stopped) return false;
        if (pass == kWatercolorMaxPasses) break;
        if (*std::max_element(rowMax.begin(), rowMax.end()) < 1.0f) break;
    }
    // Always the first buffer, whichever pass wrote last: the washes were tuned that way.
    a.convertTo(orig, CV_8UC3);
    cv::resize(orig, dst, dst.size(), 0, 0, cv::INTER_LINEAR);
    return true;
}

void WoodPrintPattern(const cv::Mat& grey, cv::Mat& pattern, float p, float b)
{
    CV_Assert(grey.type() == CV_8UC1);
    pattern.create(grey.size(), CV_8UC1);
    std::vector<float> sway, across;
    StripeTables(grey.size(), p, b, sway, across);
    cv::parallel_for_(cv::Range(0, grey.rows), [&](const cv::Range& rows) {
        for (int y = rows.start; y < rows.end; ++y) {
            const uchar* g = grey.ptr<uchar>(y);
            uchar* q = pattern.ptr<uchar>(y);
            for (int x = 0; x < grey.cols; ++x) q[x] = StripeValue(g[x], (sway[y] + across[x]) * 100.0f);
        }
    });
}

bool RenderWoodPrint(cv::Mat& dst, const cv::Mat& src, const cv::Mat& foreground, const cv::Mat& background, float p,
                     float b)
{
    if (!IsBgr8(dst) || !IsBgr8(src)) return false;
    const cv::Size size = dst.size();
    auto fit = [&](const cv::Mat& m) {
        cv::Mat out;
        if (!IsBgr8(m)) return out;
        if (m.size() == size) return m;
        cv::resize(m, out, size, 0, 0, cv::INTER_LINEAR);
        return out;
    };
    const cv::Mat s = fit(src), fore = fit(foreground), back = fit(background);
    cv::Mat grey;
    // The first stored channel carries the 0.299 weight: the stripes were tuned on that grey.
    cv::cvtColor(s, grey, cv::COLOR_RGB2GRAY);
    cv::Mat pattern;
    WoodPrintPattern(grey, pattern, p, b);

    cv::parallel_for_(cv::Range(0, size.height), [&](const cv::Range& rows) {
        for (int y = rows.start; y < rows.end; ++y) {
            const uchar* q = pattern.ptr<uchar>(y);
            const uchar* f = fore.empty() ? nullptr : fore.ptr<uchar>(y);
            const uchar* k = back.empty() ? nullptr : back.ptr<uchar>(y);
            uchar* d = dst.ptr<uchar>(y);
            for (int x = 0; x < size.width; ++x) {
                const int light = q[x], dark = 255 - q[x];
                for (int c = 0; c < 3; ++c) {
                    const int i = 3 * x + c;
                    // F * P / 255 and K * (255 - P) / 255, rounded: 255 is odd, so there are no ties.
                    const int fg = f ? (f[i] * light + 127) / 255 : light;
                    const int bg = k ? (k[i] * dark + 127) / 255 : 0;
                    d[i] = cv::saturate_cast<uchar>(fg + bg);
                }
            }
        }
    });
    return true;
}

}  // namespace filters
