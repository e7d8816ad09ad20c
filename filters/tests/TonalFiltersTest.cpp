#include "filters/TonalAlgorithms.h"
#include "filters/SampleImage.h"
#include "filters/TonalFilters.h"
#include "filters/WorkingResolution.h"
#include "filters/tests/FilterTestUtil.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

using namespace engine;
using namespace filters;

using testenv::DifferentPixels;
using testenv::RandomImage;

namespace {

// A naive EmbossRelief on a copy, both directions, clamping the neighbour on both sides.
cv::Mat NaiveEmboss(const cv::Mat& in, int d, int bias)
{
    cv::Mat out = in.clone();
    for (int y = 0; y < in.rows; ++y)
        for (int x = 0; x < in.cols; ++x) {
            const int nx = std::clamp(x + d, 0, in.cols - 1), ny = std::clamp(y + d, 0, in.rows - 1);
            for (int c = 0; c < 3; ++c) {
                const int v = in.at<cv::Vec3b>(y, x)[c] - in.at<cv::Vec3b>(ny, nx)[c] + bias;
                out.at<cv::Vec3b>(y, x)[c] = static_cast<uchar>(std::clamp(v, 0, 255));
            }
        }
    return out;
}

}  // namespace

TEST(EmbossRelief, ZeroOffsetGivesTheBiasEverywhere)
{
    for (int bias : {20, 0, 255, -7, 400}) {
        cv::Mat m = RandomImage(9, 6);
        EmbossRelief(m, 0, bias);
        EXPECT_EQ(cv::countNonZero(m.reshape(1) != std::clamp(bias, 0, 255)), 0) << "bias " << bias;
    }
}

TEST(EmbossRelief, MatchesTheDefinitionInPlace)
{
    const cv::Mat in = RandomImage(13, 8);
    for (int d : {1, 2, 3, 7}) {
        cv::Mat m = in.clone();
        EmbossRelief(m, d, 20);
        EXPECT_EQ(DifferentPixels(m, NaiveEmboss(in, d, 20)), 0) << "d " << d;
        // The bottom-right pixel compares with itself.
        EXPECT_EQ(m.at<cv::Vec3b>(7, 12), cv::Vec3b(20, 20, 20));
    }
}

TEST(EmbossRelief, NegativeOffsetLightsFromTheOtherSide)
{
    const cv::Mat in = RandomImage(11, 7, 3);
    cv::Mat m = in.clone();
    EmbossRelief(m, -2, 128);
    EXPECT_EQ(DifferentPixels(m, NaiveEmboss(in, -2, 128)), 0);
    EXPECT_EQ(m.at<cv::Vec3b>(0, 0), cv::Vec3b(128, 128, 128));
}

TEST(EmbossRelief, HugeOffsetsAndBiasesClampInsteadOfOverflowing)
{
    const cv::Mat in = RandomImage(5, 4, 9);
    cv::Mat a = in.clone(), b = in.clone();
    EmbossRelief(a, INT_MAX, INT_MAX);
    EXPECT_EQ(cv::countNonZero(a.reshape(1) != 255), 0);
    EmbossRelief(b, INT_MIN, 10);
    EXPECT_EQ(DifferentPixels(b, NaiveEmboss(in, -5, 10)), 0);
}

TEST(DrawEdgeLines, FlatImageHasNoEdges)
{
    // Every gradient is exactly zero: such pixels are no edge, so nothing darkens.
    cv::Mat m(20, 30, CV_8UC3, cv::Scalar(90, 120, 200));
    const cv::Mat before = m.clone();
    DrawEdgeLines(m, 7.0f, 0);
    EXPECT_EQ(DifferentPixels(m, before), 0);
}

TEST(DrawEdgeLines, ThresholdAboveEveryMagnitudeLeavesTheImage)
{
    cv::Mat m = RandomImage(40, 30);
    const cv::Mat before = m.clone();
    DrawEdgeLines(m, 3.0f, INT_MAX);
    EXPECT_EQ(DifferentPixels(m, before), 0);
    DrawEdgeLines(m, 0.0f, 0);  // no kernel without a width
    EXPECT_EQ(DifferentPixels(m, before), 0);
}

TEST(DrawEdgeLines, OneSoftDarkLineAlongAStep)
{
    // A ramp step between columns 14 and 16, the same on every row.
    cv::Mat m(24, 32, CV_8UC3);
    for (int x = 0; x < 32; ++x) {
        const int v = x < 14 ? 40 : x == 14 ? 90 : x == 15 ? 180 : 220;
        m.col(x).setTo(cv::Scalar::all(v));
    }
    const cv::Mat before = m.clone();
    DrawEdgeLines(m, 2.0f, 0);
    for (int y = 1; y < m.rows; ++y) ASSERT_EQ(DifferentPixels(m.row(y), m.row(0)), 0) << "row " << y;
    // Darker only, only near the step, darkest on it.
    int darkest = 0, most = 0;
    for (int x = 0; x < m.cols; ++x) {
        const int now = m.at<cv::Vec3b>(5, x)[0], was = before.at<cv::Vec3b>(5, x)[0];
        EXPECT_LE(now, was);
        if (std::abs(x - 15) > 2) {
            EXPECT_EQ(now, was) << "column " << x;
        }
        if (was - now > most) most = was - now, darkest = x;
    }
    EXPECT_NEAR(darkest, 15, 1);
    EXPECT_LT(m.at<cv::Vec3b>(5, darkest)[0], before.at<cv::Vec3b>(5, darkest)[0] / 2);
}

namespace {

// Box means straight from the definition, without a summed-area table.
cv::Mat NaiveFocusBlur(const cv::Mat& S, float cx, float cy, float sx, float sy)
{
    cv::Mat D(S.size(), CV_8UC3);
    const int W = S.cols, H = S.rows;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const float dx = (float(x) / float(W) - cx) / sx, dy = (float(y) / float(H) - cy) / sy;
            const float k = std::sqrt(dx * dx + dy * dy) * 0.02f;
            const int rx = std::min(int(float(W) * k), W), ry = std::min(int(float(H) * k), H);
            long sum[3] = {0, 0, 0}, n = 0;
            for (int v = y - ry; v <= y + ry; ++v)
                for (int u = x - rx; u <= x + rx; ++u) {
                    if (u < 0 || v < 0 || u >= W || v >= H) continue;
                    ++n;
                    for (int c = 0; c < 3; ++c) sum[c] += S.at<cv::Vec3b>(v, u)[c];
                }
            for (int c = 0; c < 3; ++c) D.at<cv::Vec3b>(y, x)[c] = static_cast<uchar>(sum[c] / n);
        }
    return D;
}

}  // namespace

TEST(FocusBlur, FocusCentreKeepsTheSourcePixel)
{
    const cv::Mat s = RandomImage(8, 6);
    cv::Mat d;
    FocusBlur(s, nullptr, d);  // centre (0.5, 0.5): column 4, row 3
    EXPECT_EQ(d.at<cv::Vec3b>(3, 4), s.at<cv::Vec3b>(3, 4));
    // A focus on the first row and column.
    const cv::Rect2f corner(-0.05f, -0.05f, 0.1f, 0.1f);
    FocusBlur(s, &corner, d);
    EXPECT_EQ(d.at<cv::Vec3b>(0, 0), s.at<cv::Vec3b>(0, 0));
}

TEST(FocusBlur, MatchesNaiveBoxMeans)
{
    const cv::Mat s = RandomImage(37, 23, 5);
    const cv::Rect2f r(0.6f, 0.1f, 0.02f, 0.03f);  // a tiny region: boxes up to the whole image
    cv::Mat d;
    FocusBlur(s, &r, d);
    EXPECT_EQ(DifferentPixels(d, NaiveFocusBlur(s, r.x + r.width * 0.5f, r.y + r.height * 0.5f, r.width * 4, r.height * 4)),
              0);
    FocusBlur(s, nullptr, d);
    EXPECT_EQ(DifferentPixels(d, NaiveFocusBlur(s, 0.5f, 0.5f, 1, 1)), 0);
}

TEST(FocusBlur, AllZeroRegionIsNoRegion)
{
    const cv::Mat s = RandomImage(64, 40, 11);
    const cv::Rect2f zero(0, 0, 0, 0);
    cv::Mat a, b;
    FocusBlur(s, &zero, a);
    FocusBlur(s, nullptr, b);
    EXPECT_EQ(DifferentPixels(a, b), 0);
}

TEST(FocusBlur, ZeroSpreadDoesNotOverflow)
{
    // Width 0 but height not: the spread across is 0, every box spans the whole width.
    const cv::Mat s = RandomImage(20, 10, 2);
    const cv::Rect2f line(0.5f, 0.2f, 0.0f, 0.5f);
    cv::Mat d;
    FocusBlur(s, &line, d);
    ASSERT_EQ(d.size(), s.size());
    EXPECT_EQ(d.at<cv::Vec3b>(4, 10), s.at<cv::Vec3b>(4, 10));  // the focus itself
}

TEST(FocusBlur, SumsOfLargeImagesDoNotOverflow)
{
    // 9 megapixels of white sum to more than 2^31 per channel.
    const cv::Mat s(3000, 3000, CV_8UC3, cv::Scalar::all(255));
    const cv::Rect2f tiny(0.5f, 0.5f, 0.001f, 0.001f);
    cv::Mat d;
    FocusBlur(s, &tiny, d);
    EXPECT_EQ(cv::countNonZero(d.reshape(1) != 255), 0);
}

TEST(FocusBlur, StopLeavesBlack)
{
    const cv::Mat s = RandomImage(30, 20);
    cv::Mat d;
    CImageFilter::RequestStop();
    FocusBlur(s, nullptr, d);
    CImageFilter::ClearStop();
    ASSERT_EQ(d.size(), s.size());
    EXPECT_EQ(cv::countNonZero(d.reshape(1)), 0);
}

TEST(EmbossGrid, CellSizeOneAddsTheAmplitudeEverywhere)
{
    cv::Mat m(5, 7, CV_8UC3, cv::Scalar(100, 0, 254));
    EmbossGrid(m, 1, 3);
    EXPECT_EQ(DifferentPixels(m, cv::Mat(5, 7, CV_8UC3, cv::Scalar(103, 3, 255))), 0);
}

TEST(EmbossGrid, CellSizeTwoAddsHalfTheAmplitude)
{
    // Rows alternate a and 0; the sampler averages (x - 1, y) and (x, y - 1): a / 2 everywhere.
    // Row 0 is the exception: its upper neighbour is clamped to row 0 itself, which is 0.
    for (const auto& [a, gain] : {std::pair{3, 1}, std::pair{8, 4}, std::pair{-5, -3}}) {
        cv::Mat m(6, 8, CV_8UC3, cv::Scalar::all(100));
        EmbossGrid(m, 2, a);
        EXPECT_EQ(cv::countNonZero(m.rowRange(1, 6).reshape(1) != 100 + gain), 0) << "a " << a;
        EXPECT_EQ(cv::countNonZero(m.row(0).reshape(1) != 100), 0) << "a " << a;
    }
}

TEST(EmbossGrid, CellSizeBelowOneDrawsNothing)
{
    const cv::Mat in = RandomImage(9, 9);
    for (int n : {0, -1, INT_MIN}) {
        cv::Mat m = in.clone();
        EmbossGrid(m, n, 50);
        EXPECT_EQ(DifferentPixels(m, in), 0);
    }
}

TEST(EmbossGrid, MatchesTheSamplerOnALimitedMap)
{
    // 1500 wide: the map is limited to 1024 x 27 and read through SampleImage.
    const cv::Mat in = RandomImage(1500, 40, 4);
    const int n = 6, a = 11;
    cv::Mat map = cv::Mat::zeros(27, 1024, CV_32F);
    for (int r = 0; r < map.rows; ++r)
        for (int c = 0; c < map.cols; ++c) {
            const int rho = r % n > n - 4 ? r % n : c % n > n - 4 ? c % n : -1;
            if (rho == n - 3) map.at<float>(r, c) = -a;
            if (rho == n - 1) map.at<float>(r, c) = a;
        }
    cv::Mat expect = in.clone();
    for (int y = 0; y < in.rows; ++y)
        for (int x = 0; x < in.cols; ++x) {
            const float d = SampleImage(map, float(x) / float(in.cols), float(y) / float(in.rows))[0];
            for (int c = 0; c < 3; ++c) {
                const float v = std::trunc(in.at<cv::Vec3b>(y, x)[c] + d);
                expect.at<cv::Vec3b>(y, x)[c] = static_cast<uchar>(std::clamp(v, 0.0f, 255.0f));
            }
        }
    cv::Mat m = in.clone();
    EmbossGrid(m, n, a);
    EXPECT_EQ(DifferentPixels(m, expect), 0);
}

namespace {
cv::Mat Columns(int w, int h)
{
    cv::Mat m(h, w, CV_8UC3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) m.at<cv::Vec3b>(y, x) = cv::Vec3b(uchar(10 * x + y), uchar(y), uchar(200));
    return m;
}
}  // namespace

TEST(PixelateRegion, NarrowFirstCellHasItsOwnMean)
{
    // Region columns 3..9, rows 0..3; n = trunc(0.5 x min(4, 7)) = 2: cells [3], [4,5], [6,7], [8,9].
    cv::Mat m = Columns(10, 4);
    const cv::Mat in = m.clone();
    PixelateRegion(cv::Rect2f(0.3f, 0.0f, 0.7f, 1.0f), m, 0.5f);
    for (int band = 0; band < 2; ++band)
        for (int y = 2 * band; y < 2 * band + 2; ++y) {
            for (int x = 0; x < 3; ++x) EXPECT_EQ(m.at<cv::Vec3b>(y, x), in.at<cv::Vec3b>(y, x));
            // The narrow cell: column 3 of rows 2b, 2b + 1: mean of 30 + 2b and 31 + 2b.
            EXPECT_EQ(m.at<cv::Vec3b>(y, 3)[0], 30 + 2 * band);
            EXPECT_EQ(m.at<cv::Vec3b>(y, 3)[1], 2 * band);  // (2b + 2b + 1) / 2, integer division
            for (int x0 : {4, 6, 8})
                for (int x = x0; x < x0 + 2; ++x) EXPECT_EQ(m.at<cv::Vec3b>(y, x)[0], 10 * x0 + 5 + 2 * band);
            EXPECT_EQ(m.at<cv::Vec3b>(y, 9)[2], 200);
        }
}

TEST(PixelateRegion, LastBandEndsAtTheRegion)
{
    // Rows 1..5 with n = 2: bands [1,2], [3,4], [5].
    cv::Mat m = Columns(4, 7);
    PixelateRegion(cv::Rect2f(0.0f, 1.0f / 7, 1.0f, 5.0f / 7), m, 0.5f);
    EXPECT_EQ(m.at<cv::Vec3b>(0, 0)[1], 0);
    EXPECT_EQ(m.at<cv::Vec3b>(1, 0)[1], 1);  // (1 + 1 + 2 + 2) / 4
    EXPECT_EQ(m.at<cv::Vec3b>(5, 1)[1], 5);
    EXPECT_EQ(m.at<cv::Vec3b>(6, 1)[1], 6);
}

TEST(PixelateRegion, NonPositiveFractionOrEmptyAreaChangesNothing)
{
    const cv::Mat in = RandomImage(12, 9);
    for (float f : {0.0f, -1.0f, NAN}) {
        cv::Mat m = in.clone();
        PixelateRegion(cv::Rect2f(0, 0, 1, 1), m, f);
        EXPECT_EQ(DifferentPixels(m, in), 0);
    }
    for (const cv::Rect2f& r : {cv::Rect2f(0.5f, 0.5f, 0, 0), cv::Rect2f(2, 0, 1, 1), cv::Rect2f(NAN, 0, 1, 1)}) {
        cv::Mat m = in.clone();
        PixelateRegion(r, m, 0.5f);
        EXPECT_EQ(DifferentPixels(m, in), 0);
    }
}

TEST(PixelateRegion, NegativeRegionMeansTheWholeImageAndHugeCellsOneCell)
{
    cv::Mat m = RandomImage(6, 5);
    cv::Scalar mean = cv::sum(m);
    PixelateRegion(cv::Rect2f(-1, 0, 1e9f, 1e9f), m, 1e9f);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(m.at<cv::Vec3b>(4, 5)[c], int(mean[c]) / 30);
    EXPECT_EQ(DifferentPixels(m, cv::Mat(5, 6, CV_8UC3, m.at<cv::Vec3b>(0, 0))), 0);
}

TEST(WorkingResolution, AboutHalfAMegapixelAndBounded)
{
    EXPECT_EQ(WorkingResolution({4000, 4000}), cv::Size(500, 500));
    EXPECT_EQ(WorkingResolution({512, 512}), cv::Size(500, 500));
    EXPECT_EQ(WorkingResolution({800, 600}), cv::Size(583, 437));
    const cv::Size strip = WorkingResolution({5000, 10});
    EXPECT_LE(double(strip.width) * strip.height, kMaxWorkingPixels);
    EXPECT_GT(strip.width, 100 * strip.height);
    EXPECT_EQ(WorkingResolution({1, 1}), cv::Size(500, 500));
    const cv::Size needle = WorkingResolution({1, 100000});
    EXPECT_GE(needle.width, 1);
    EXPECT_LE(double(needle.width) * needle.height, kMaxWorkingPixels);
}

// ---- the filter classes ---------------------------------------------------------------------

TEST(TonalFilters, NoSourceGivesBlackOrLeavesTheOutput)
{
    for (const char* name : {"EmbossFilter", "EdgeFilter", "GridFilter"}) {
        auto f = filtertest::MakeFilter(name);
        ASSERT_TRUE(f) << name;
        f->GetResult().setTo(cv::Scalar::all(77));
        f->Process();
        EXPECT_EQ(cv::countNonZero(f->GetResult().reshape(1)), 0) << name;
    }
    for (const char* name : {"DimFilter", "MosaicFilter"}) {
        auto f = filtertest::MakeFilter(name);
        ASSERT_TRUE(f) << name;
        f->GetResult().setTo(cv::Scalar::all(77));
        f->Process();
        EXPECT_EQ(cv::countNonZero(f->GetResult().reshape(1) != 77), 0) << name;
        EXPECT_TRUE(f->IsDeferred()) << name;
    }
}

TEST(TonalFilters, DefaultsWithoutAParameterBlock)
{
    const cv::Mat src = RandomImage(30, 20);
    auto emboss = filtertest::MakeFilter("EmbossFilter");
    cv::Mat expect = src.clone();
    EmbossRelief(expect, 3, 20);
    EXPECT_EQ(DifferentPixels(filtertest::Run(*emboss, src, nullptr), expect), 0);

    auto grid = filtertest::MakeFilter("GridFilter");
    expect = src.clone();
    EmbossGrid(expect, 5, 3);
    EXPECT_EQ(DifferentPixels(filtertest::Run(*grid, src, nullptr), expect), 0);

    // The mosaic has no defaults: without a block it only resizes.
    auto mosaic = filtertest::MakeFilter("MosaicFilter");
    EXPECT_EQ(DifferentPixels(filtertest::Run(*mosaic, src, nullptr), src), 0);
}

TEST(TonalFilters, ParametersReachTheAlgorithms)
{
    const cv::Mat src = RandomImage(40, 30, 3);
    SimpleParams p;
    p.var[0] = 2.9f;  // truncated to 2
    p.var[1] = 128;
    auto emboss = filtertest::MakeFilter("EmbossFilter");
    cv::Mat expect = src.clone();
    EmbossRelief(expect, 2, 128);
    EXPECT_EQ(DifferentPixels(filtertest::Run(*emboss, src, &p), expect), 0);

    p.var[0] = 0.25f;
    p.x = 0.1f, p.y = 0.2f, p.w = 0.5f, p.h = 0.6f;
    auto mosaic = filtertest::MakeFilter("MosaicFilter");
    expect = src.clone();
    PixelateRegion(cv::Rect2f(0.1f, 0.2f, 0.5f, 0.6f), expect, 0.25f);
    EXPECT_EQ(DifferentPixels(filtertest::Run(*mosaic, src, &p), expect), 0);

    auto dim = filtertest::MakeFilter("DimFilter");
    const cv::Rect2f region(0.1f, 0.2f, 0.5f, 0.6f);
    FocusBlur(src, &region, expect);
    EXPECT_EQ(DifferentPixels(filtertest::Run(*dim, src, &p), expect), 0);
}

TEST(TonalFilters, EdgeFilterWorksAtTheWorkingSizeAndFitsTheOutput)
{
    const cv::Mat src = RandomImage(1200, 900, 8);
    auto edge = filtertest::MakeFilter("EdgeFilter");
    const cv::Size view(400, 400);
    const cv::Mat out = filtertest::Run(*edge, src, nullptr, &view);
    EXPECT_EQ(out.size(), cv::Size(400, 300));
    EXPECT_GT(cv::norm(out, cv::NORM_L1), 0.0);
}
