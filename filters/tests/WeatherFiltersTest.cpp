#include "filters/WeatherAlgorithms.h"
#include "filters/WeatherFilters.h"
#include "filters/tests/FilterTestUtil.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>
#include <tinyxml2.h>

#include <climits>
#include <tuple>
#include <cmath>

using namespace engine;
using namespace filters;

using testenv::DifferentPixels;
using testenv::RandomImage;

namespace {

/** The generator after n draws from seed. */
platform::Rand15 Advanced(std::uint32_t seed, int n)
{
    platform::Rand15 r(seed);
    for (int i = 0; i < n; ++i) r();
    return r;
}

/** Restores the real clock for seeds when a test ends. */
struct FixedSeed {
    explicit FixedSeed(std::uint32_t s) { platform::SetFixedSeed(s); }
    ~FixedSeed() { platform::SetFixedSeed(std::nullopt); }
};

}  // namespace

TEST(DrawRainStreaks, NonPositiveHalfLengthsDrawNothingButUseTheirDraws)
{
    const cv::Mat src = RandomImage(40, 30);
    for (const auto& [shortest, longest] : {std::pair{0.0f, 0.0f}, std::pair{-5.0f, -1.0f}, std::pair{-3.0f, 0.9f}}) {
        platform::Rand15 rng(99);
        cv::Mat dst(30, 40, CV_8UC3);
        DrawRainStreaks(src, 25, dst, shortest, longest, rng);
        EXPECT_EQ(DifferentPixels(dst, src), 0) << shortest << ".." << longest;
        EXPECT_EQ(rng(), Advanced(99, 75)()) << "three draws per streak";
    }
}

TEST(DrawRainStreaks, OneStreakOfAFixedLength)
{
    // Equal shortest and longest: every streak is 2L steps long along (-0.2, 1).
    const cv::Mat black = cv::Mat::zeros(60, 50, CV_8UC3);
    platform::Rand15 rng(5);
    cv::Mat dst(60, 50, CV_8UC3);
    DrawRainStreaks(black, 1, dst, 8.0f, 8.0f, rng);
    platform::Rand15 replay(5);
    const int x0 = replay() * 50 / 32768, y0 = replay() * 60 / 32768;
    int touched = 0, rows = 0;
    for (int y = 0; y < 60; ++y) {
        bool any = false;
        for (int x = 0; x < 50; ++x) {
            const cv::Vec3b v = dst.at<cv::Vec3b>(y, x);
            if (v == cv::Vec3b(0, 0, 0)) continue;
            any = true;
            ++touched;
            // trunc(255 - 255 / 1.1) once, 44 where two steps land on the same pixel.
            EXPECT_TRUE(v[0] == 23 || v[0] == 44) << int(v[0]);
            EXPECT_EQ(v[0], v[2]);
            EXPECT_NEAR((x - x0) + 0.2 * (y - y0), 0.0, 1.5) << x << "," << y;
            EXPECT_LE(std::abs(y - y0), 9);
        }
        rows += any;
    }
    if (x0 >= 3 && x0 < 47 && y0 >= 9 && y0 < 51) {  // the whole streak inside
        EXPECT_GE(touched, 13);
        EXPECT_LE(touched, 16);
        EXPECT_GE(rows, 15);
    }
}

TEST(DrawRainStreaks, HugeHalfLengthsAndCountsFinish)
{
    const cv::Mat black = cv::Mat::zeros(50, 40, CV_8UC3);
    platform::Rand15 rng(1);
    cv::Mat dst(50, 40, CV_8UC3);
    DrawRainStreaks(black, 1, dst, 1e9f, 1e9f, rng);
    int rows = 0;
    for (int y = 0; y < 50; ++y) rows += cv::countNonZero(dst.row(y).reshape(1)) > 0;
    EXPECT_GT(rows, 25);  // the streak crosses the picture, as far as it stays inside sideways
    DrawRainStreaks(black, INT_MAX, dst, 1e9f, -1e9f, rng);
    DrawRainStreaks(black, INT_MAX, dst, 3e38f, -3e38f, rng);
}

TEST(DrawSnowflakes, RadiusZeroFlakesAreSingleWhitePixels)
{
    // The shorter side is below 31: radius 0.
    cv::Mat m = cv::Mat::zeros(30, 45, CV_8UC3);
    platform::Rand15 rng(17);
    DrawSnowflakes(m, 6, 1.0f / std::sqrt(5.0f), rng);
    platform::Rand15 replay(17);
    cv::Mat expect = cv::Mat::zeros(30, 45, CV_8UC3);
    for (int i = 0; i < 6; ++i) {
        const int x = replay() * 45 / 32768, y = replay() * 30 / 32768;
        expect.at<cv::Vec3b>(y, x) = cv::Vec3b(255, 255, 255);
    }
    EXPECT_EQ(DifferentPixels(m, expect), 0);
}

TEST(DrawSnowflakes, SoftRoundFlake)
{
    // 767 x 767: radius 25. One flake on grey.
    cv::Mat m(767, 767, CV_8UC3, cv::Scalar::all(100));
    platform::Rand15 rng(123456789);
    DrawSnowflakes(m, 1, 1.0f / std::sqrt(5.0f), rng);
    platform::Rand15 replay(123456789);
    const int x0 = replay() * 767 / 32768, y0 = replay() * 767 / 32768;
    ASSERT_TRUE(x0 > 30 && x0 < 736 && y0 > 30 && y0 < 736);
    EXPECT_EQ(m.at<cv::Vec3b>(y0, x0)[0], 255);
    // Offset 10: weight exp(-100 / 625 x 5) = 0.4493; 255 - 155 x 0.5507 = 169.6.
    EXPECT_EQ(m.at<cv::Vec3b>(y0, x0 + 10)[1], 169);
    EXPECT_EQ(m.at<cv::Vec3b>(y0 - 10, x0), m.at<cv::Vec3b>(y0, x0 - 10));
    EXPECT_EQ(m.at<cv::Vec3b>(y0 + 26, x0)[2], 100);  // outside the radius
    EXPECT_EQ(m.at<cv::Vec3b>(y0 + 18, x0 + 18)[2], 100);
    // Every pixel within the radius is lifted (the weakest weight, e^-5, still lifts 100 by one).
    const int changed = DifferentPixels(m, cv::Mat(767, 767, CV_8UC3, cv::Scalar::all(100)));
    EXPECT_GT(changed, 1900);
    EXPECT_LT(changed, 1975);
}

TEST(DrawSnowflakes, ZeroAndHugeCounts)
{
    cv::Mat m = RandomImage(40, 40);
    const cv::Mat before = m.clone();
    platform::Rand15 rng(1);
    DrawSnowflakes(m, 0, 0.5f, rng);
    DrawSnowflakes(m, -4, 0.5f, rng);
    EXPECT_EQ(DifferentPixels(m, before), 0);
    EXPECT_EQ(rng(), platform::Rand15(1)());
    DrawSnowflakes(m, INT_MAX, 0.5f, rng);  // limited to one flake per pixel: finishes
    EXPECT_GT(cv::mean(m)[0], cv::mean(before)[0]);
}

TEST(MakeSmoothNoise, PassesThroughTheGridValuesDrawnColumnByColumn)
{
    // 64 x 32 field, 8 x 4 samples: powers of two, so no resize and sample (c, r) sits at
    // pixel (8c, 8r). Grid values are drawn column by column.
    cv::Mat field(32, 64, CV_32F);
    platform::Rand15 rng(42);
    MakeSmoothNoise(field, 8, 4, rng);
    platform::Rand15 replay(42);
    for (int c = 0; c < 8; ++c)
        for (int r = 0; r < 4; ++r)
            EXPECT_NEAR(field.at<float>(8 * r, 8 * c), replay() / 32767.0f, 1e-5f) << c << "," << r;
    EXPECT_EQ(rng(), replay());
}

namespace {

int PowerOfTwo(int x) { return int(std::pow(2.0f, std::max(std::ceil(std::log(float(x)) / std::log(2.0f)), 0.0f))); }

// The smooth field with the whole enlarged spectrum transformed at once.
void NaiveSmoothNoise(cv::Mat& field, int a, int b, platform::Rand15& rng)
{
    const int Mw = PowerOfTwo(field.cols), Mh = PowerOfTwo(field.rows);
    int Gx = PowerOfTwo(a), Gy = PowerOfTwo(b);
    if (Gx >= Mw) Gx = Mw / 2;
    if (Gy >= Mh) Gy = Mh / 2;
    cv::Mat grid = cv::Mat::zeros(Gy, Gx, CV_32FC2), small;
    for (int x = 0; x < Gx; ++x)
        for (int y = 0; y < Gy; ++y) grid.at<cv::Vec2f>(y, x)[0] = float(rng()) / 32767.0f;
    cv::dft(grid, small, cv::DFT_COMPLEX_OUTPUT);
    cv::Mat large = cv::Mat::zeros(Mh, Mw, CV_32FC2), smooth;
    const int hx = Gx / 2, hy = Gy / 2;
    small(cv::Rect(0, 0, hx, hy)).copyTo(large(cv::Rect(0, 0, hx, hy)));
    small(cv::Rect(hx, 0, hx, hy)).copyTo(large(cv::Rect(Mw - hx, 0, hx, hy)));
    small(cv::Rect(0, hy, hx, hy)).copyTo(large(cv::Rect(0, Mh - hy, hx, hy)));
    small(cv::Rect(hx, hy, hx, hy)).copyTo(large(cv::Rect(Mw - hx, Mh - hy, hx, hy)));
    cv::dft(large, smooth, cv::DFT_INVERSE);
    const int cw = int(std::min(float(a) / float(Gx), 1.0f) * float(Mw));
    const int ch = int(std::min(float(b) / float(Gy), 1.0f) * float(Mh));
    cv::Mat real(ch, cw, CV_32F);
    for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x) real.at<float>(y, x) = smooth.at<cv::Vec2f>(y, x)[0] * (1.0f / float(Gx * Gy));
    cv::resize(real, field, field.size(), 0, 0, cv::INTER_LINEAR);
}

}  // namespace

TEST(MakeSmoothNoise, EqualsTheTransformOfTheWholeEnlargedSpectrum)
{
    for (const auto& [size, a, b] : {std::tuple{cv::Size(64, 32), 8, 4}, std::tuple{cv::Size(300, 200), 12, 9},
                                     std::tuple{cv::Size(1000, 700), 35, 25}, std::tuple{cv::Size(40, 300), 2, 60}}) {
        cv::Mat fast(size, CV_32F), slow(size, CV_32F);
        platform::Rand15 r1(77), r2(77);
        MakeSmoothNoise(fast, a, b, r1);
        NaiveSmoothNoise(slow, a, b, r2);
        EXPECT_EQ(cv::norm(fast, slow, cv::NORM_INF), 0.0) << size << " " << a << "x" << b;
    }
}

TEST(MakeSmoothNoise, SmoothAroundZeroToOneAndSeeded)
{
    cv::Mat a(300, 400, CV_32F), b(300, 400, CV_32F), c(300, 400, CV_32F);
    platform::Rand15 r1(7), r2(7), r3(8);
    MakeSmoothNoise(a, 12, 9, r1);
    MakeSmoothNoise(b, 12, 9, r2);
    MakeSmoothNoise(c, 12, 9, r3);
    EXPECT_EQ(cv::norm(a, b, cv::NORM_INF), 0.0);
    EXPECT_GT(cv::norm(a, c, cv::NORM_INF), 0.1);
    double lo, hi;
    cv::minMaxLoc(a, &lo, &hi);
    EXPECT_GT(lo, -0.5);
    EXPECT_LT(hi, 1.5);
    EXPECT_GT(hi - lo, 0.5);
    // Smooth: neighbouring pixels differ little next to a bump 30 pixels wide.
    cv::Mat dx = cv::abs(a.colRange(1, 400) - a.colRange(0, 399));
    EXPECT_LT(cv::norm(dx, cv::NORM_INF), 0.15);
}

TEST(MakeSmoothNoise, DegenerateSizesAndCounts)
{
    platform::Rand15 rng(1);
    for (const cv::Size& s : {cv::Size(1, 1), cv::Size(1, 9), cv::Size(9, 1), cv::Size(2, 2)}) {
        for (int n : {0, 1, -5, INT_MAX}) {
            cv::Mat f(s, CV_32F, cv::Scalar(9));
            MakeSmoothNoise(f, n, n, rng);
            double lo, hi;
            cv::minMaxLoc(f, &lo, &hi);
            EXPECT_TRUE(std::isfinite(lo) && std::isfinite(hi) && hi < 2) << s << " " << n;
        }
    }
}

TEST(ShadeMistDroplets, FieldAtOrBelowTheThresholdShowsTheSource)
{
    const cv::Mat src = RandomImage(30, 20);
    cv::Mat dst;
    ShadeMistDroplets(cv::Mat(20, 30, CV_32F, cv::Scalar(0.8f)), dst, src);
    EXPECT_EQ(DifferentPixels(dst, src), 0);
    ShadeMistDroplets(cv::Mat(20, 30, CV_32F, cv::Scalar(0.3f)), dst, src);
    EXPECT_EQ(DifferentPixels(dst, src), 0);
}

TEST(ShadeMistDroplets, DropletsShadeTheirSlopesAndKeepTheirTop)
{
    // One round bump peaking at 1.0 in the middle of a grey pane.
    cv::Mat field(41, 41, CV_32F);
    for (int y = 0; y < 41; ++y)
        for (int x = 0; x < 41; ++x)
            field.at<float>(y, x) = 1.0f - 0.002f * float((x - 20) * (x - 20) + (y - 20) * (y - 20));
    const cv::Mat grey(41, 41, CV_8UC3, cv::Scalar::all(200));
    cv::Mat dst;
    ShadeMistDroplets(field, dst, grey);
    EXPECT_EQ(dst.at<cv::Vec3b>(20, 20), cv::Vec3b(200, 200, 200));  // flat top: full light
    int darker = 0;
    for (int y = 0; y < 41; ++y)
        for (int x = 0; x < 41; ++x) {
            const int v = dst.at<cv::Vec3b>(y, x)[0];
            EXPECT_LE(v, 200);
            if (field.at<float>(y, x) <= 0.8f) {
                EXPECT_EQ(v, 200) << x << "," << y;
            }
            darker += v < 200;
        }
    EXPECT_GT(darker, 10);  // the steep rim
}

TEST(RenderMistDroplets, LowDensityIsAClearPaneAndSeedsRepeat)
{
    const cv::Mat src = RandomImage(120, 90);
    platform::Rand15 rng(3);
    cv::Mat dst;
    RenderMistDroplets(0, dst, src, rng);
    EXPECT_EQ(DifferentPixels(dst, src), 0);
    cv::Mat a, b, c;
    platform::Rand15 r1(11), r2(11), r3(12);
    RenderMistDroplets(6, a, src, r1);
    RenderMistDroplets(6, b, src, r2);
    RenderMistDroplets(6, c, src, r3);
    EXPECT_EQ(DifferentPixels(a, b), 0);
    EXPECT_GT(DifferentPixels(a, src), 0);
    EXPECT_GT(DifferentPixels(a, c), 0);
}

namespace {

/**
 * A picture whose pixel (i, j) holds 5 i in blue and 5 j in green. Lit from below the water,
 * every ripple pixel is at the floor brightness 0.2, so the result holds, in blue and green,
 * the row and the column each pixel was taken from (sides up to 51).
 */
cv::Mat CoordinateCode(int w, int h)
{
    cv::Mat m(h, w, CV_8UC3);
    for (int i = 0; i < h; ++i)
        for (int j = 0; j < w; ++j) m.at<cv::Vec3b>(i, j) = cv::Vec3b(uchar(5 * i), uchar(5 * j), 0);
    return m;
}

const cv::Vec3f kFromBelow(0.0f, 0.0f, -1.0f);

}  // namespace

TEST(RenderRipple, FlatWaterIsTheSourceUnmovedAndEvenlyLit)
{
    // Four columns of 10, 100, 200 and 255; flat water moves nothing and lights every pixel as
    // the light's height over its length says, plus a highlight of 100 x that to the 100th.
    cv::Mat src(9, 4, CV_8UC3);
    const int values[4] = {10, 100, 200, 255};
    for (int j = 0; j < 4; ++j) src.col(j).setTo(cv::Scalar::all(values[j]));
    struct Case {
        cv::Vec3f light;
        int expected[4];
    };
    const Case cases[] = {
        {{0, 0, 2}, {110, 200, 255, 255}},       // 1 x v + 100
        {{3, 0, 4}, {8, 80, 160, 204}},          // 0.8 x v; 100 x 0.8^100 is nothing
        {{0.4f, -0.1f, 1}, {9, 92, 184, 235}},   // 0.9245 x v + 0.04
        {{1, 0, 0}, {2, 20, 40, 51}},            // a light along the water: the floor, 0.2 x v
    };
    for (const Case& c : cases)
        // No height, and no width: either way there is no surface.
        for (const cv::Vec2f& ab : {cv::Vec2f(0.146f, 0.0f), cv::Vec2f(0.0f, 0.02f)}) {
            cv::Mat dst;
            RenderRipple(dst, src, ab[0], ab[1], 0.75f, c.light);
            ASSERT_EQ(dst.size(), src.size());
            for (int i = 0; i < src.rows; ++i)
                for (int j = 0; j < 4; ++j)
                    ASSERT_EQ(dst.at<cv::Vec3b>(i, j), cv::Vec3b::all(uchar(c.expected[j])))
                        << c.light << ab << " at " << i << "," << j;
        }
}

TEST(RenderRipple, DisplacementIsSymmetricAboutTheCentre)
{
    // Even and odd sides, one pixel wide, and a surface steep enough to reflect totally.
    for (const cv::Size& size : {cv::Size(41, 41), cv::Size(40, 40), cv::Size(41, 31), cv::Size(50, 37), cv::Size(1, 9)})
        for (const cv::Vec3f& abc : {cv::Vec3f(0.146f, 0.02f, 0.75f), cv::Vec3f(0.05f, 0.06f, 1.0f),
                                     cv::Vec3f(0.3f, -0.5f, 3.0f)}) {
            const int W = size.width, H = size.height, hw = W / 2, hh = H / 2;
            cv::Mat dst;
            RenderRipple(dst, CoordinateCode(W, H), abc[0], abc[1], abc[2], kFromBelow);
            ASSERT_EQ(dst.size(), size);
            auto from = [&](int i, int j) { return cv::Point(dst.at<cv::Vec3b>(i, j)[1], dst.at<cv::Vec3b>(i, j)[0]); };
            auto clipped = [&](cv::Point p) { return p.x == 0 || p.x == W - 1 || p.y == 0 || p.y == H - 1; };

            // The crest at the centre is level: its pixel stays.
            EXPECT_EQ(from(hh, hw), cv::Point(hw, hh)) << size << abc;

            int moved = 0;
            for (int i = 0; i < H; ++i)
                for (int j = 0; j < W; ++j) {
                    const cv::Point d = from(i, j) - cv::Point(j, i);
                    moved += d != cv::Point();
                    // The pixel mirrored through the centre moves the other way, but for where
                    // the offsets are cut to whole pixels.
                    const int mi = 2 * hh - i, mj = 2 * hw - j;
                    if (mi < 0 || mi >= H || mj < 0 || mj >= W) continue;
                    if (clipped(from(i, j)) || clipped(from(mi, mj))) continue;
                    const cv::Point e = from(mi, mj) - cv::Point(mj, mi);
                    EXPECT_LE(std::abs(d.x + e.x), 1) << size << abc << " at " << i << "," << j;
                    EXPECT_LE(std::abs(d.y + e.y), 1) << size << abc << " at " << i << "," << j;
                    // Rows and columns are treated alike: transposed, a square ripple's row
                    // offsets are its column offsets.
                    if (W == H) {
                        const cv::Point t = from(j, i) - cv::Point(i, j);
                        EXPECT_EQ(d.y, t.x) << size << abc << " at " << i << "," << j;
                    }
                }
            // A real ripple moves pixels (one pixel wide, the centre column alone is level).
            if (W > 1) {
                EXPECT_GT(moved, W * H / 20) << size << abc;
            }
        }
}

TEST(RenderRipple, ALightStraightAboveLightsItTheSameInEveryQuadrant)
{
    for (const cv::Size& size : {cv::Size(41, 31), cv::Size(33, 51)}) {
        const cv::Mat grey(size, CV_8UC3, cv::Scalar::all(150));
        cv::Mat dst;
        RenderRipple(dst, grey, 0.146f, 0.02f, 0.75f, cv::Vec3f(0, 0, 1));
        for (const int flip : {-1, 0, 1}) {
            cv::Mat mirrored;
            cv::flip(dst, mirrored, flip);
            EXPECT_EQ(DifferentPixels(dst, mirrored), 0) << size << " flip " << flip;
        }
        // The slopes darken and the crest shines: not one even grey.
        EXPECT_GT(DifferentPixels(dst, cv::Mat(size, CV_8UC3, cv::Scalar::all(250))), size.area() / 4);
    }
}

TEST(RenderRipple, CentrePixelIsFlatAndLitByTheLightsHeight)
{
    const cv::Mat src = RandomImage(41, 31);
    cv::Mat dst;
    RenderRipple(dst, src, 0.146f, 0.02f, 0.75f, cv::Vec3f(0.25f, 0.25f, 1.0f));
    // L3 = 1 / sqrt(1.125) = 0.9428; 100 x L3^100 = 0.277.
    const float l3 = 1.0f / std::sqrt(1.125f);
    for (int c = 0; c < 3; ++c) {
        const int s = src.at<cv::Vec3b>(15, 20)[c];
        EXPECT_EQ(dst.at<cv::Vec3b>(15, 20)[c], int(l3 * float(s) + 0.277f)) << c;
    }
    const cv::Mat grey(41, 31, CV_8UC3, cv::Scalar::all(200));
    RenderRipple(dst, grey, 0.146f, 0.02f, 0.75f, cv::Vec3f(0.25f, 0.25f, 1.0f));
    EXPECT_EQ(dst.at<cv::Vec3b>(20, 15), cv::Vec3b(188, 188, 188));
}

TEST(RenderRipple, EqualLightComponentsMakeItSymmetricAboutTheDiagonal)
{
    // Both sides odd: the centre is a pixel, and swapping x and y swaps nx and ny.
    const cv::Mat grey(51, 51, CV_8UC3, cv::Scalar::all(150));
    cv::Mat dst;
    RenderRipple(dst, grey, 0.146f, 0.02f, 0.75f, cv::Vec3f(0.25f, 0.25f, 1.0f));
    EXPECT_EQ(DifferentPixels(dst, dst.t()), 0);
    EXPECT_GT(DifferentPixels(dst, cv::Mat(51, 51, CV_8UC3, cv::Scalar::all(141))), 100);
}

TEST(RenderRipple, NoSurfaceIsFlatWater)
{
    const cv::Mat src = RandomImage(20, 16);
    cv::Mat flat, zeroScale, tooDense;
    RenderRipple(flat, src, 0.146f, 0.0f, 0.75f, cv::Vec3f(0.25f, 0.25f, 1.0f));
    RenderRipple(zeroScale, src, 0.0f, 0.02f, 0.75f, cv::Vec3f(0.25f, 0.25f, 1.0f));
    EXPECT_EQ(DifferentPixels(flat, zeroScale), 0);
    RenderRipple(tooDense, src, 0.146f, 0.5f, 40.0f, cv::Vec3f(0.25f, 0.25f, 1.0f));
    EXPECT_EQ(tooDense.size(), src.size());
}

// ---- the filter classes ---------------------------------------------------------------------

TEST(WeatherFilters, NoSourceLeavesTheOutput)
{
    for (const char* name : {"RainFilter", "SnowFilter", "MistFilter", "WaveFilter"}) {
        auto f = filtertest::MakeFilter(name);
        ASSERT_TRUE(f) << name;
        f->GetResult().setTo(cv::Scalar::all(77));
        f->Start();
        f->Process();
        EXPECT_EQ(cv::countNonZero(f->GetResult().reshape(1) != 77), 0) << name;
    }
}

TEST(WeatherFilters, RunsAfterOneStartRepeatAndNewStartsChange)
{
    const cv::Mat src = RandomImage(160, 120, 2);
    for (const char* name : {"RainFilter", "SnowFilter", "MistFilter"}) {
        auto f = filtertest::MakeFilter(name);
        f->SetSource(std::span<const cv::Mat>(&src, 1));
        f->SetOutputSize(nullptr);
        {
            FixedSeed seed(1234);
            f->Start();
        }
        f->Process();
        const cv::Mat first = f->GetResult().clone();
        f->Process();
        EXPECT_EQ(DifferentPixels(f->GetResult(), first), 0) << name;
        EXPECT_GT(DifferentPixels(first, src), 0) << name;

        // Another instance with the same fixed seed gives the same picture.
        auto g = filtertest::MakeFilter(name);
        FixedSeed seed(1234);
        EXPECT_EQ(DifferentPixels(filtertest::Run(*g, src, nullptr), first), 0) << name;
        platform::SetFixedSeed(99);
        EXPECT_GT(DifferentPixels(filtertest::Run(*g, src, nullptr), first), 0) << name;
    }
}

TEST(WeatherFilters, ConstructionTakesTheFixedSeed)
{
    // A full-size rendering right after loading has no Start; the fixed seed still holds.
    FixedSeed seed(4321);
    auto rain = filtertest::MakeFilter("RainFilter");
    EXPECT_EQ(static_cast<CF_RandomFilter*>(rain.get())->Seed(), 4321u);
}

TEST(WeatherFilters, SnowWithoutFlakesIsTheResizedPhoto)
{
    const cv::Mat src = RandomImage(200, 100);
    SimpleParams none;
    auto snow = filtertest::MakeFilter("SnowFilter");
    const cv::Size view(100, 100);
    const cv::Mat out = filtertest::Run(*snow, src, &none, &view);
    cv::Mat expect;
    cv::resize(src, expect, cv::Size(100, 50), 0, 0, cv::INTER_LINEAR);
    EXPECT_EQ(DifferentPixels(out, expect), 0);
}

TEST(WeatherFilters, MistIsDeferredOnlyWithDelayOne)
{
    tinyxml2::XMLDocument doc;
    for (const auto& [xml, deferred] : {std::pair{"<filter name=\"MistFilter\"><param delay=\"1\"/></filter>", true},
                                        std::pair{"<filter name=\"MistFilter\"><param delay=\"2\"/></filter>", false},
                                        std::pair{"<filter name=\"MistFilter\"/>", false}}) {
        ASSERT_EQ(doc.Parse(xml), tinyxml2::XML_SUCCESS);
        auto mist = filtertest::MakeFilter("MistFilter");
        mist->SetDefinition(doc.RootElement());
        EXPECT_EQ(mist->IsDeferred(), deferred) << xml;
    }
}
