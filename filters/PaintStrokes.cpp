#include "filters/PaintStrokes.h"

#include "engine/ImageFilter.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>

using engine::CImageFilter;

namespace filters {

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

/**
 * A footprint arranged for stamping: offsets sorted by row, then column, with the start of
 * every row. A stamp touches each of its pixels once, so the order it visits them in does
 * not change the picture; this order lets it skip the rows and columns outside the image
 * without looking at them and walk the image row by row.
 */
class Brush {
public:
    explicit Brush(std::vector<cv::Point> offsets)
    {
        std::sort(offsets.begin(), offsets.end(),
                  [](const cv::Point& a, const cv::Point& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
        dx_.reserve(offsets.size());
        for (size_t i = 0; i < offsets.size(); ++i) {
            if (i == 0 || offsets[i].y != offsets[i - 1].y) rows_.push_back({offsets[i].y, i, i});
            rows_.back().end = i + 1;
            dx_.push_back(offsets[i].x);
            minDx_ = std::min(minDx_, offsets[i].x);
            maxDx_ = std::max(maxDx_, offsets[i].x);
        }
    }

    bool Empty() const { return dx_.empty(); }

    /** Calls visit(pixel, x, y) for every pixel of the stamp at (x0, y0) inside the image. */
    template <class Visit>
    void ForEachPixel(cv::Mat& image, int x0, int y0, Visit visit) const
    {
        if (dx_.empty()) return;
        const int w = image.cols, h = image.rows;
        const bool inside = x0 + minDx_ >= 0 && x0 + maxDx_ < w && y0 + rows_.front().dy >= 0 && y0 + rows_.back().dy < h;
        if (inside) {
            // Most stamps: no clipping at all.
            for (const Row& row : rows_) {
                const int y = y0 + row.dy;
                uchar* line = image.ptr<uchar>(y);
                for (size_t i = row.begin; i < row.end; ++i) {
                    const int x = x0 + dx_[i];
                    visit(line + 3 * x, x, y);
                }
            }
            return;
        }
        auto row = std::lower_bound(rows_.begin(), rows_.end(), -y0, [](const Row& r, int dy) { return r.dy < dy; });
        for (; row != rows_.end() && y0 + row->dy < h; ++row) {
            const int y = y0 + row->dy;
            const int* first = dx_.data() + row->begin;
            const int* last = dx_.data() + row->end;
            first = std::lower_bound(first, last, -x0);
            last = std::upper_bound(first, last, w - 1 - x0);
            uchar* line = image.ptr<uchar>(y);
            for (const int* dx = first; dx != last; ++dx) {
                const int x = x0 + *dx;
                visit(line + 3 * x, x, y);
            }
        }
    }

private:
    struct Row {
        int dy;
        size_t begin, end;
    };
    std::vector<Row> rows_;
    std::vector<int> dx_;
    int minDx_ = 0, maxDx_ = 0;
};

/** Paints colour on every white pixel under the brush; returns how many it painted. */
long long PaintWhiteOnly(cv::Mat& dst, int x0, int y0, const Brush& brush, const uchar* colour)
{
    long long painted = 0;
    brush.ForEachPixel(dst, x0, y0, [&](uchar* p, int, int) {
        if (!IsWhite(p)) return;
        p[0] = colour[0];
        p[1] = colour[1];
        p[2] = colour[2];
        ++painted;
    });
    return painted;
}

int ClampBrush(int size) { return std::min(size, kMaxBrushSize); }

}  // namespace

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
    // Nothing to stamp for L <= 0; returning early also keeps l / -2 away from INT_MIN.
    if (halfLength <= 0) return fp;
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
    const Brush brush(OilFootprint(radius, rng));
    if (!brush.Empty()) {
        cv::Mat strokes(dst.size(), CV_32SC1, cv::Scalar(0));
        StampUntilCovered(src, dst, rng, false, [&](int x0, int y0, const uchar* colour) {
            long long painted = 0;
            brush.ForEachPixel(dst, x0, y0, [&](uchar* p, int x, int y) {
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
            });
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
    const Brush brush(std::move(fp));
    if (!brush.Empty()) {
        const bool finished = StampUntilCovered(colours, dst, rng, true, [&](int x0, int y0, const uchar* colour) {
            return PaintWhiteOnly(dst, x0, y0, brush, colour);
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
    const Brush dab(std::move(fp)), dots(std::move(accents));
    if (!dab.Empty() || !dots.Empty()) {
        StampUntilCovered(src, dst, rng, false, [&](int x0, int y0, const uchar* colour) {
            const int m = (colour[0] + colour[1] + colour[2]) / 3;
            uchar boosted[3];
            for (int c = 0; c < 3; ++c) boosted[c] = cv::saturate_cast<uchar>(2 * colour[c] - m);
            return PaintWhiteOnly(dst, x0, y0, dab, colour) + PaintWhiteOnly(dst, x0, y0, dots, boosted);
        });
    }
    FillWhiteFrom(src, dst);
    return true;
}

}  // namespace filters
