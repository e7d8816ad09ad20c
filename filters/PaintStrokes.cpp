#include "filters/PaintStrokes.h"

#include "engine/ImageFilter.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

inline bool IsWhite(const uchar* p) { return p[0] == 255 && p[1] == 255 && p[2] == 255; }

bool IsPaintable(const cv::Mat& m) { return !m.empty() && m.type() == CV_8UC3; }

/** A random column or row: (r * extent) / 32768, r in 0..32767. */
inline int RandomCoordinate(platform::Rand15& rng, int extent)
{
    return static_cast<int>((static_cast<std::int64_t>(rng.Next()) * extent) >> 15);
}

/**
 * The stamping loop the three painters share. paint(x0, y0, colour) applies one stamp and
 * returns how many pixels it newly painted. Returns false when the stop flag ended it.
 */
template <class Paint>
bool StampUntilCovered(const cv::Mat& colours, cv::Mat& dst, platform::Rand15& rng, bool pollStop, Paint paint)
{
    const int w = dst.cols, h = dst.rows;
    long long remaining = static_cast<long long>(w) * h;
    if (remaining <= kStampLeftover) return true;
    do {
        const int x0 = RandomCoordinate(rng, w);
        const int y0 = RandomCoordinate(rng, h);
        const uchar* c = colours.ptr<uchar>(y0) + 3 * x0;
        const long long painted = paint(x0, y0, c);
        // A stamp that lands only on painted pixels still counts one, so stamping ends.
        remaining -= std::max(painted, 1LL);
        if (pollStop && CImageFilter::StopRequested()) return false;
    } while (remaining > kStampLeftover);
    return true;
}

/** Pixels the stamps left white take the source's pixel. */
void FillWhiteFrom(const cv::Mat& src, cv::Mat& dst)
{
    for (int y = 0; y < dst.rows; ++y) {
        const uchar* s = src.ptr<uchar>(y);
        uchar* d = dst.ptr<uchar>(y);
        for (int x = 0; x < dst.cols * 3; x += 3)
            if (IsWhite(d + x)) {
                d[x] = s[x];
                d[x + 1] = s[x + 1];
                d[x + 2] = s[x + 2];
            }
    }
}

/** Paints colour on every white pixel under the offsets; returns how many it painted. */
long long PaintWhiteOnly(cv::Mat& dst, int x0, int y0, const std::vector<cv::Point>& offsets, const uchar* colour)
{
    const unsigned w = static_cast<unsigned>(dst.cols), h = static_cast<unsigned>(dst.rows);
    long long painted = 0;
    for (const cv::Point& o : offsets) {
        const int x = x0 + o.x, y = y0 + o.y;
        if (static_cast<unsigned>(x) >= w || static_cast<unsigned>(y) >= h) continue;
        uchar* p = dst.ptr<uchar>(y) + 3 * x;
        if (!IsWhite(p)) continue;
        p[0] = colour[0];
        p[1] = colour[1];
        p[2] = colour[2];
        ++painted;
    }
    return painted;
}

int ClampBrush(int size) { return std::min(size, kMaxBrushSize); }

}  // namespace

cv::Size StrokeWorkingSize(cv::Size photo)
{
    if (photo.width <= 0 || photo.height <= 0) return {};
    const float w = static_cast<float>(photo.width), h = static_cast<float>(photo.height);
    const float c = (500.0f / w + 500.0f / h) * 0.5f;
    double ww = std::trunc(w * c), wh = std::trunc(h * c);
    const double area = ww * wh;
    if (area > static_cast<double>(kMaxStrokeWorkingPixels)) {
        const double s = std::sqrt(static_cast<double>(kMaxStrokeWorkingPixels) / area);
        ww = std::floor(ww * s);
        wh = std::floor(wh * s);
    }
    return {std::max(1, static_cast<int>(ww)), std::max(1, static_cast<int>(wh))};
}

long long ThinningCount(size_t footprintSize, float keptFraction)
{
    const long long n = static_cast<long long>(footprintSize);
    const float f = static_cast<float>(n) * (1.0f - keptFraction);
    // A kept fraction below 0 cannot keep less than nothing; NaN keeps everything.
    if (f >= static_cast<float>(n)) return n;
    if (!(f > 0.0f)) return 0;
    return std::min(n, static_cast<long long>(f));
}

void RemoveRandomOffsets(std::vector<cv::Point>& list, long long count, platform::Rand15& rng,
                         std::vector<cv::Point>* removed)
{
    const size_t n = list.size();
    count = std::clamp<long long>(count, 0, static_cast<long long>(n));
    if (count == 0) return;
    // A Fenwick tree over "still there" flags finds the k-th remaining element in log time,
    // so thinning a large brush is not quadratic; the picks are those of erasing from the
    // list one by one.
    std::vector<int> tree(n + 1, 0);
    for (size_t i = 1; i <= n; ++i) {
        tree[i] += 1;
        const size_t j = i + (i & (~i + 1));
        if (j <= n) tree[j] += tree[i];
    }
    size_t top = 1;
    while (top * 2 <= n) top *= 2;
    std::vector<char> gone(n, 0);
    std::uint64_t length = n;
    for (long long i = 0; i < count; ++i, --length) {
        const std::uint64_t k = (length * static_cast<std::uint64_t>(rng.Next())) >> 15;
        size_t pos = 0;
        std::uint64_t rank = k + 1;
        for (size_t step = top; step; step >>= 1)
            if (pos + step <= n && static_cast<std::uint64_t>(tree[pos + step]) < rank) {
                pos += step;
                rank -= static_cast<std::uint64_t>(tree[pos]);
            }
        gone[pos] = 1;
        if (removed) removed->push_back(list[pos]);
        for (size_t j = pos + 1; j <= n; j += j & (~j + 1)) --tree[j];
    }
    size_t out = 0;
    for (size_t i = 0; i < n; ++i)
        if (!gone[i]) list[out++] = list[i];
    list.resize(out);
}

std::vector<cv::Point> OilFootprint(int radius, platform::Rand15& rng)
{
    std::vector<cv::Point> fp;
    if (radius < 0) return fp;
    const int r = ClampBrush(radius);
    std::vector<int> up(2 * r + 1), lo(2 * r + 1);
    up[0] = rng.Next() * 5 / 32767 + 5;
    lo[0] = rng.Next() * 5 / 32767 - 10;
    for (int i = 1; i <= 2 * r; ++i) {
        up[i] = rng.Next() * 3 / 32768 + up[i - 1] - 1;
        lo[i] = rng.Next() * 3 / 32768 + lo[i - 1] - 1;
    }
    for (int dx = -r; dx <= r; ++dx)
        for (int dy = -r; dy <= r; ++dy) {
            const int u = dx + dy, v = dx - dy;
            if (std::abs(u) <= r && lo[r + u] < v && v < up[r + u]) fp.emplace_back(dx, dy);
        }
    return fp;
}

std::vector<cv::Point> WaxFootprint(int halfLength)
{
    std::vector<cv::Point> fp;
    const int l = ClampBrush(halfLength);
    const int lower = l / -2, upper = l / 2;
    for (int dx = -l; dx <= l - 1; ++dx)
        for (int dy = -l; dy <= l - 1; ++dy)
            if (lower <= dx + dy && dx + dy < upper) fp.emplace_back(dx, dy);
    return fp;
}

std::vector<cv::Point> PastelFootprint(int radius)
{
    std::vector<cv::Point> fp;
    const long long r = ClampBrush(radius);
    for (long long dx = -r; dx <= r; ++dx)
        for (long long dy = -r; dy <= r; ++dy)
            if (dx * dx + dy * dy <= r * r) fp.emplace_back(static_cast<int>(dx), static_cast<int>(dy));
    return fp;
}

bool PaintOilStrokes(const cv::Mat& src, cv::Mat& dst, int radius, platform::Rand15& rng)
{
    if (!IsPaintable(src)) return false;
    dst.create(src.size(), CV_8UC3);
    dst.setTo(cv::Scalar::all(255));
    const std::vector<cv::Point> fp = OilFootprint(radius, rng);
    if (!fp.empty()) {
        cv::Mat strokes(dst.size(), CV_32SC1, cv::Scalar(0));
        const unsigned w = static_cast<unsigned>(dst.cols), h = static_cast<unsigned>(dst.rows);
        StampUntilCovered(src, dst, rng, false, [&](int x0, int y0, const uchar* colour) {
            long long painted = 0;
            for (const cv::Point& o : fp) {
                const int x = x0 + o.x, y = y0 + o.y;
                if (static_cast<unsigned>(x) >= w || static_cast<unsigned>(y) >= h) continue;
                uchar* p = dst.ptr<uchar>(y) + 3 * x;
                int& n = strokes.ptr<int>(y)[x];
                if (IsWhite(p)) {
                    p[0] = colour[0];
                    p[1] = colour[1];
                    p[2] = colour[2];
                    ++painted;
                } else {
                    // The running average over every stroke that touched the pixel.
                    for (int c = 0; c < 3; ++c) p[c] = static_cast<uchar>((colour[c] + p[c] * n) / (n + 1));
                }
                ++n;
            }
            return painted;
        });
    }
    FillWhiteFrom(src, dst);
    return true;
}

bool PaintWaxStrokes(const cv::Mat& src, cv::Mat& dst, int halfLength, float keptFraction, platform::Rand15& rng)
{
    if (!IsPaintable(src)) return false;
    if (dst.empty()) dst.create(src.size(), CV_8UC3);
    if (dst.type() != CV_8UC3) return false;
    cv::Mat colours;
    if (dst.size() == src.size()) colours = src;
    else cv::resize(src, colours, dst.size(), 0, 0, cv::INTER_LINEAR);
    dst.setTo(cv::Scalar::all(255));
    std::vector<cv::Point> fp = WaxFootprint(halfLength);
    RemoveRandomOffsets(fp, ThinningCount(fp.size(), keptFraction), rng);
    if (!fp.empty()) {
        const bool finished = StampUntilCovered(colours, dst, rng, true, [&](int x0, int y0, const uchar* colour) {
            return PaintWhiteOnly(dst, x0, y0, fp, colour);
        });
        if (!finished) return false;
    }
    FillWhiteFrom(colours, dst);
    return true;
}

bool PaintPastelStrokes(const cv::Mat& src, cv::Mat& dst, int radius, float keptFraction, int accentCount,
                        platform::Rand15& rng)
{
    if (!IsPaintable(src)) return false;
    dst.create(src.size(), CV_8UC3);
    dst.setTo(cv::Scalar::all(255));
    std::vector<cv::Point> fp = PastelFootprint(radius);
    RemoveRandomOffsets(fp, ThinningCount(fp.size(), keptFraction), rng);
    // The accents are picked one by one from what thinning left, so they cannot repeat.
    std::vector<cv::Point> accents;
    RemoveRandomOffsets(fp, std::max(0, accentCount), rng, &accents);
    if (!fp.empty() || !accents.empty()) {
        StampUntilCovered(src, dst, rng, false, [&](int x0, int y0, const uchar* colour) {
            const int m = (colour[0] + colour[1] + colour[2]) / 3;
            uchar boosted[3];
            for (int c = 0; c < 3; ++c) boosted[c] = cv::saturate_cast<uchar>(2 * colour[c] - m);
            return PaintWhiteOnly(dst, x0, y0, fp, colour) + PaintWhiteOnly(dst, x0, y0, accents, boosted);
        });
    }
    FillWhiteFrom(src, dst);
    return true;
}
