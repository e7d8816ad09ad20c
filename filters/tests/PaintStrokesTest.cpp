// The stamp painters against a naive rendition of their definition, and their edge cases.
#include "filters/PaintStrokes.h"

#include "engine/ImageFilter.h"
#include "platform/testing/Images.h"

#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <algorithm>

using namespace engine;
using namespace filters;

using platform::Rand15;

using testenv::Same;

namespace {

const cv::Vec3b kWhite(255, 255, 255);

cv::Mat RandomImage(int w, int h, int seed)
{
    cv::Mat m = testenv::RandomImage(w, h, seed);
    // Some pure white, which stamps leave unpainted.
    m(cv::Rect(0, 0, std::max(1, w / 5), std::max(1, h / 5))).setTo(cv::Scalar::all(255));
    return m;
}

// --- The naive reference: the definition written out as plainly as possible. -------------

void RefThin(std::vector<cv::Point>& fp, float k, Rand15& rng)
{
    const int n = std::clamp(static_cast<int>(static_cast<float>(fp.size()) * (1.0f - k)), 0, int(fp.size()));
    const unsigned size = static_cast<unsigned>(fp.size());
    for (int i = 0; i < n; ++i) {
        const unsigned r = static_cast<unsigned>(rng.Next());
        fp.erase(fp.begin() + ((size - i) * r) / 32768);
    }
}

template <class Rule>
void RefStamp(const cv::Mat& colours, cv::Mat& dst, bool any, Rand15& rng, Rule rule)
{
    long remaining = long(dst.cols) * dst.rows;
    if (!any || remaining <= 500) return;
    while (true) {
        const int x0 = rng.Next() * dst.cols / 32768;
        const int y0 = rng.Next() * dst.rows / 32768;
        const long count = rule(x0, y0, colours.at<cv::Vec3b>(y0, x0));
        remaining -= std::max(count, 1L);
        if (remaining <= 500) break;
    }
}

void RefFill(const cv::Mat& src, cv::Mat& dst)
{
    for (int y = 0; y < dst.rows; ++y)
        for (int x = 0; x < dst.cols; ++x)
            if (dst.at<cv::Vec3b>(y, x) == kWhite) dst.at<cv::Vec3b>(y, x) = src.at<cv::Vec3b>(y, x);
}

bool Inside(const cv::Mat& m, int x, int y) { return x >= 0 && y >= 0 && x < m.cols && y < m.rows; }

long RefPaintWhite(cv::Mat& dst, int x0, int y0, const std::vector<cv::Point>& fp, cv::Vec3b colour)
{
    long count = 0;
    for (const cv::Point& o : fp) {
        if (!Inside(dst, x0 + o.x, y0 + o.y)) continue;
        cv::Vec3b& d = dst.at<cv::Vec3b>(y0 + o.y, x0 + o.x);
        if (d == kWhite) {
            d = colour;
            ++count;
        }
    }
    return count;
}

cv::Mat RefOil(const cv::Mat& src, int R, Rand15& rng)
{
    cv::Mat dst(src.size(), CV_8UC3, cv::Scalar::all(255));
    std::vector<int> up(2 * R + 1), lo(2 * R + 1);
    up[0] = rng.Next() * 5 / 32767 + 5;
    lo[0] = rng.Next() * 5 / 32767 - 10;
    for (int i = 1; i <= 2 * R; ++i) {
        up[i] = rng.Next() * 3 / 32768 + up[i - 1] - 1;
        lo[i] = rng.Next() * 3 / 32768 + lo[i - 1] - 1;
    }
    std::vector<cv::Point> fp;
    for (int dx = -R; dx <= R; ++dx)
        for (int dy = -R; dy <= R; ++dy) {
            const int u = dx + dy, v = dx - dy;
            if (std::abs(u) <= R && lo[R + u] < v && v < up[R + u]) fp.emplace_back(dx, dy);
        }
    cv::Mat n(src.size(), CV_32S, cv::Scalar(0));
    RefStamp(src, dst, !fp.empty(), rng, [&](int x0, int y0, cv::Vec3b c) {
        long count = 0;
        for (const cv::Point& o : fp) {
            if (!Inside(dst, x0 + o.x, y0 + o.y)) continue;
            cv::Vec3b& d = dst.at<cv::Vec3b>(y0 + o.y, x0 + o.x);
            int& k = n.at<int>(y0 + o.y, x0 + o.x);
            if (d == kWhite) {
                d = c;
                ++count;
            } else {
                for (int ch = 0; ch < 3; ++ch) d[ch] = static_cast<uchar>((c[ch] + d[ch] * k) / (k + 1));
            }
            ++k;
        }
        return count;
    });
    RefFill(src, dst);
    return dst;
}

cv::Mat RefWax(const cv::Mat& src, int L, float k, Rand15& rng)
{
    cv::Mat dst(src.size(), CV_8UC3, cv::Scalar::all(255));
    std::vector<cv::Point> fp;
    for (int dx = -L; dx <= L - 1; ++dx)
        for (int dy = -L; dy <= L - 1; ++dy)
            if (L / (-2) <= dx + dy && dx + dy < L / 2) fp.emplace_back(dx, dy);
    RefThin(fp, k, rng);
    RefStamp(src, dst, !fp.empty(), rng, [&](int x0, int y0, cv::Vec3b c) { return RefPaintWhite(dst, x0, y0, fp, c); });
    RefFill(src, dst);
    return dst;
}

cv::Mat RefPastel(const cv::Mat& src, int R, float k, int A, Rand15& rng)
{
    cv::Mat dst(src.size(), CV_8UC3, cv::Scalar::all(255));
    std::vector<cv::Point> fp, accents;
    for (int dx = -R; dx <= R; ++dx)
        for (int dy = -R; dy <= R; ++dy)
            if (dx * dx + dy * dy <= R * R) fp.emplace_back(dx, dy);
    RefThin(fp, k, rng);
    for (int i = 0; i < A && !fp.empty(); ++i) {
        const unsigned idx = (static_cast<unsigned>(fp.size()) * static_cast<unsigned>(rng.Next())) >> 15;
        accents.push_back(fp[idx]);
        fp.erase(fp.begin() + idx);
    }
    RefStamp(src, dst, !fp.empty() || !accents.empty(), rng, [&](int x0, int y0, cv::Vec3b c) {
        const int m = (c[0] + c[1] + c[2]) / 3;
        cv::Vec3b boosted;
        for (int ch = 0; ch < 3; ++ch) boosted[ch] = static_cast<uchar>(std::clamp(2 * c[ch] - m, 0, 255));
        return RefPaintWhite(dst, x0, y0, fp, c) + RefPaintWhite(dst, x0, y0, accents, boosted);
    });
    RefFill(src, dst);
    return dst;
}

}  // namespace

TEST(Thinning, CountFollowsTheKeptFraction)
{
    EXPECT_EQ(ThinningCount(190, 0.5f), 95);
    EXPECT_EQ(ThinningCount(190, 0.0f), 190);
    EXPECT_EQ(ThinningCount(190, 1.0f), 0);
    EXPECT_EQ(ThinningCount(190, 1.7f), 0);
    // Below 0 nothing can be kept beyond removing everything.
    EXPECT_EQ(ThinningCount(190, -0.5f), 190);
    EXPECT_EQ(ThinningCount(190, -1e30f), 190);
    EXPECT_EQ(ThinningCount(0, 0.5f), 0);
}

TEST(Thinning, PicksWhatErasingOneByOneWouldPick)
{
    for (const int n : {1, 2, 7, 1000, 5000}) {
        std::vector<cv::Point> list;
        for (int i = 0; i < n; ++i) list.emplace_back(i, -i);
        for (const long long count : {0LL, 1LL, n / 2LL, n - 1LL, static_cast<long long>(n)}) {
            std::vector<cv::Point> fast = list, naive = list, removedFast, removedNaive;
            Rand15 a(n * 31u + count), b(n * 31u + count);
            RemoveRandomOffsets(fast, count, a, &removedFast);
            const unsigned size = n;
            for (long long i = 0; i < count; ++i) {
                const unsigned idx = ((size - i) * static_cast<unsigned>(b.Next())) / 32768;
                removedNaive.push_back(naive[idx]);
                naive.erase(naive.begin() + idx);
            }
            EXPECT_EQ(fast, naive) << n << " " << count;
            EXPECT_EQ(removedFast, removedNaive) << n << " " << count;
            EXPECT_EQ(a.Next(), b.Next());
        }
    }
    std::vector<cv::Point> list(5);
    Rand15 rng(1);
    RemoveRandomOffsets(list, 99, rng);
    EXPECT_TRUE(list.empty());
    list.resize(5);
    RemoveRandomOffsets(list, -3, rng);
    EXPECT_EQ(list.size(), 5u);
}

TEST(Footprints, SmallBrushesExactly)
{
    Rand15 rng(5), same(5);
    EXPECT_EQ(OilFootprint(0, rng), std::vector<cv::Point>{cv::Point(0, 0)});
    same.Next();
    same.Next();
    EXPECT_EQ(rng.Next(), same.Next()) << "R = 0 draws the two first profile values only";
    EXPECT_TRUE(OilFootprint(-1, rng).empty());
    EXPECT_EQ(rng.Next(), same.Next()) << "a negative radius draws nothing";

    EXPECT_TRUE(WaxFootprint(0).empty());
    EXPECT_TRUE(WaxFootprint(-4).empty());
    const std::vector<cv::Point> wax2 = {{-2, 1}, {-1, 0}, {-1, 1}, {0, -1}, {0, 0}, {1, -2}, {1, -1}};
    EXPECT_EQ(WaxFootprint(2), wax2);
    EXPECT_EQ(WaxFootprint(3).size(), 11u);  // -1 <= dx + dy < 1 within -3..2

    EXPECT_TRUE(PastelFootprint(-1).empty());
    EXPECT_EQ(PastelFootprint(0), std::vector<cv::Point>{cv::Point(0, 0)});
    const std::vector<cv::Point> cross = {{-1, 0}, {0, -1}, {0, 0}, {0, 1}, {1, 0}};
    EXPECT_EQ(PastelFootprint(1), cross);
}

TEST(PaintStrokes, MatchTheNaiveReference)
{
    const cv::Mat images[] = {RandomImage(40, 30, 1), RandomImage(97, 61, 2)};
    for (const cv::Mat& src : images) {
        for (const int r : {0, 1, 3, 5}) {
            Rand15 a(r + 11u), b(r + 11u);
            cv::Mat out;
            ASSERT_TRUE(PaintOilStrokes(src, out, r, a));
            EXPECT_TRUE(Same(out, RefOil(src, r, b))) << "oil R " << r;
            EXPECT_EQ(a.Next(), b.Next());
        }
        for (const int l : {1, 2, 5, 12})
            for (const float k : {0.3f, 0.5f, 1.0f}) {
                Rand15 a(l * 7u), b(l * 7u);
                cv::Mat out(src.size(), CV_8UC3);
                ASSERT_TRUE(PaintWaxStrokes(src, out, l, k, a));
                EXPECT_TRUE(Same(out, RefWax(src, l, k, b))) << "wax L " << l << " k " << k;
                EXPECT_EQ(a.Next(), b.Next());
            }
        for (const int r : {1, 2, 5})
            for (const int accents : {0, 3, 100}) {
                Rand15 a(r * 3u + accents), b(r * 3u + accents);
                cv::Mat out;
                ASSERT_TRUE(PaintPastelStrokes(src, out, r, 0.5f, accents, a));
                EXPECT_TRUE(Same(out, RefPastel(src, r, 0.5f, accents, b))) << "pastel R " << r << " A " << accents;
                EXPECT_EQ(a.Next(), b.Next());
            }
    }
}

TEST(PaintStrokes, EmptyFootprintsAndTinyImagesGiveTheSource)
{
    const cv::Mat src = RandomImage(60, 40, 3);
    Rand15 rng(9);
    cv::Mat out;
    // No brush at all: negative sizes, L = 0, nothing kept (k = 0 or below).
    ASSERT_TRUE(PaintOilStrokes(src, out, -3, rng));
    EXPECT_TRUE(Same(out, src));
    for (const int l : {-5, 0}) {
        out.create(src.size(), CV_8UC3);
        ASSERT_TRUE(PaintWaxStrokes(src, out, l, 0.5f, rng));
        EXPECT_TRUE(Same(out, src)) << l;
    }
    for (const float k : {0.0f, -0.5f}) {
        ASSERT_TRUE(PaintWaxStrokes(src, out, 10, k, rng));
        EXPECT_TRUE(Same(out, src)) << k;
        ASSERT_TRUE(PaintPastelStrokes(src, out, 5, k, 0, rng));
        EXPECT_TRUE(Same(out, src)) << k;
    }
    ASSERT_TRUE(PaintPastelStrokes(src, out, -2, 0.5f, 3, rng));
    EXPECT_TRUE(Same(out, src));
    // A one-pixel oil brush paints each pixel in its own colour.
    ASSERT_TRUE(PaintOilStrokes(src, out, 0, rng));
    EXPECT_TRUE(Same(out, src));

    // At most 500 pixels: no stamps, so no draws after the footprint's.
    const cv::Mat tiny = RandomImage(20, 25, 4);
    Rand15 a(3), b(3);
    ASSERT_TRUE(PaintPastelStrokes(tiny, out, 4, 1.0f, 0, a));
    EXPECT_TRUE(Same(out, tiny));
    EXPECT_EQ(a.Next(), b.Next());
    ASSERT_TRUE(PaintOilStrokes(tiny, out, 4, a));
    EXPECT_TRUE(Same(out, tiny));
}

TEST(PaintStrokes, WhiteStaysWhiteAndFlatStaysFlat)
{
    const cv::Mat white(50, 40, CV_8UC3, cv::Scalar::all(255));
    const cv::Mat flat(50, 40, CV_8UC3, cv::Scalar(100, 150, 200));
    Rand15 rng(4);
    for (const cv::Mat* src : {&white, &flat}) {
        cv::Mat out(src->size(), CV_8UC3);
        ASSERT_TRUE(PaintOilStrokes(*src, out, 6, rng));
        EXPECT_TRUE(Same(out, *src));
        ASSERT_TRUE(PaintWaxStrokes(*src, out, 8, 0.5f, rng));
        EXPECT_TRUE(Same(out, *src));
        ASSERT_TRUE(PaintPastelStrokes(*src, out, 4, 0.6f, 0, rng));
        EXPECT_TRUE(Same(out, *src));
    }
}

TEST(PaintStrokes, PastelAccentsTakeTheWholeDabWhenMoreThanItHas)
{
    const cv::Mat flat(40, 60, CV_8UC3, cv::Scalar(100, 150, 200));
    Rand15 rng(12);
    cv::Mat out;
    ASSERT_TRUE(PaintPastelStrokes(flat, out, 3, 1.0f, 1000, rng));
    // Mean 150: the boosted colour is 2c - 150 per channel.
    const cv::Vec3b boosted(50, 150, 250), plain(100, 150, 200);
    int boostedCount = 0;
    for (int y = 0; y < out.rows; ++y)
        for (int x = 0; x < out.cols; ++x) {
            const cv::Vec3b p = out.at<cv::Vec3b>(y, x);
            ASSERT_TRUE(p == boosted || p == plain) << x << "," << y;
            boostedCount += p == boosted;
        }
    // Stamps that land on painted pixels count one each, so a little more than 500 pixels
    // can be left for the fill; most are accent-painted.
    EXPECT_GE(boostedCount, 1800);
}

TEST(PaintStrokes, WaxStopsAfterOneStamp)
{
    const cv::Mat src(200, 200, CV_8UC3, cv::Scalar(10, 20, 30));
    cv::Mat out(src.size(), CV_8UC3);
    Rand15 rng(2);
    CImageFilter::RequestStop();
    const bool finished = PaintWaxStrokes(src, out, 10, 1.0f, rng);
    CImageFilter::ClearStop();
    EXPECT_FALSE(finished);
    const int painted = static_cast<int>(src.total()) - cv::countNonZero(out.reshape(1) == 255) / 3;
    EXPECT_GT(painted, 0);
    EXPECT_LE(painted, static_cast<int>(WaxFootprint(10).size()));
}

TEST(PaintStrokes, RefuseUnusableImages)
{
    Rand15 rng(1);
    cv::Mat out(3, 3, CV_8UC3, cv::Scalar::all(7));
    EXPECT_FALSE(PaintOilStrokes(cv::Mat(), out, 3, rng));
    EXPECT_FALSE(PaintWaxStrokes(cv::Mat(5, 5, CV_8UC1), out, 3, 0.5f, rng));
    EXPECT_FALSE(PaintPastelStrokes(cv::Mat(5, 5, CV_32FC3), out, 3, 0.5f, 1, rng));
    EXPECT_EQ(out.at<cv::Vec3b>(1, 1), cv::Vec3b(7, 7, 7));
}
