// Watercolour diffusion and the wood-print pattern against naive renditions, edge cases and
// thread-count independence.
#include "filters/WatercolourAlgorithms.h"

#include "engine/ImageFilter.h"
#include "platform/testing/Images.h"

#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <cmath>

using namespace engine;
using namespace filters;

using testenv::RandomImage;
using testenv::Same;

namespace {

/** Blocks of colour with noise on top: something the washes change but do not erase. */
cv::Mat PhotoLike(int w, int h, unsigned seed)
{
    cv::Mat m(h, w, CV_8UC3);
    cv::RNG rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int block = (x * 5 / w) + 5 * (y * 3 / h);
            for (int c = 0; c < 3; ++c)
                m.at<cv::Vec3b>(y, x)[c] = cv::saturate_cast<uchar>((block * 37 + c * 60) % 200 + rng.uniform(-12, 12));
        }
    return m;
}

/** The diffusion as plainly as it can be written. */
cv::Mat RefDiffuse(const cv::Mat& src, cv::Size dstSize, float s)
{
    const cv::Size work = WatercolorWorkingSize(dstSize, s);
    cv::Mat o;
    cv::resize(src, o, work, 0, 0, cv::INTER_LINEAR);
    cv::Mat buf[2];
    o.convertTo(buf[0], CV_32FC3);
    buf[1] = buf[0].clone();
    auto sign = [](float v) { return v > 0 ? 1.0f : (v < 0 ? -1.0f : 0.0f); };
    for (int pass = 1; pass <= 21; ++pass) {
        const cv::Mat& in = buf[(pass - 1) % 2];
        cv::Mat& out = buf[pass % 2];
        float largest = 0;
        for (int y = 0; y < work.height; ++y)
            for (int x = 0; x < work.width; ++x)
                for (int c = 0; c < 3; ++c) {
                    auto at = [&](int xx, int yy) {
                        xx = std::clamp(xx, 0, work.width - 1);
                        yy = std::clamp(yy, 0, work.height - 1);
                        return in.at<cv::Vec3f>(yy, xx)[c];
                    };
                    const float r = at(x, y);
                    const float t = sign(at(x + 1, y) - r) + sign(at(x, y + 1) - r) + sign(at(x - 1, y) - r) +
                                    sign(at(x, y - 1) - r);
                    const float d = (static_cast<float>(o.at<cv::Vec3b>(y, x)[c]) - r) / 20.0f + t;
                    out.at<cv::Vec3f>(y, x)[c] = r + d;
                    largest = std::max(largest, std::fabs(d));
                }
        if (largest < 1) break;
    }
    buf[0].convertTo(o, CV_8UC3);
    cv::Mat dst;
    cv::resize(o, dst, dstSize, 0, 0, cv::INTER_LINEAR);
    return dst;
}

uchar RefStripe(float g, int x, int y, cv::Size size, float p, float b)
{
    const float theta = static_cast<float>(y) / static_cast<float>(size.height) * 3.14159265358979f / p;
    const float t = (std::sin(theta) * b + static_cast<float>(x) / static_cast<float>(size.width)) * 100.0f;
    const float u = std::fmod(t, 2.0f);
    const float v = std::fabs(u - 1.0f);
    return static_cast<uchar>(std::clamp(g - 255.0f * v + 128.0f, 0.0f, 255.0f));
}

/** Runs f once on one thread and once on all, and returns both results. */
template <class F>
std::pair<cv::Mat, cv::Mat> OneThreadAndAll(F f)
{
    const int threads = cv::getNumThreads();
    cv::setNumThreads(1);
    cv::Mat one = f();
    cv::setNumThreads(threads);
    cv::Mat all = f();
    return {one, all};
}

}  // namespace

TEST(Watercolor, WorkingSize)
{
    EXPECT_EQ(WatercolorWorkingSize({800, 600}, 1.0f), cv::Size(600, 450));
    EXPECT_EQ(WatercolorWorkingSize({4000, 3000}, 0.5f), cv::Size(300, 225));
    EXPECT_EQ(WatercolorWorkingSize({400, 400}, 0.3f), cv::Size(400, 400));
    EXPECT_EQ(WatercolorWorkingSize({401, 300}, 1.0f), cv::Size(600, 449));
    // Nothing sensible below 0, a stray huge factor and NaN.
    EXPECT_EQ(WatercolorWorkingSize({800, 600}, -2.0f), cv::Size(1, 1));
    EXPECT_EQ(WatercolorWorkingSize({800, 600}, 100.0f), cv::Size(2400, 1800));
    EXPECT_EQ(WatercolorWorkingSize({800, 600}, NAN), cv::Size(600, 450));
}

TEST(Watercolor, FlatColourComesBackUnchanged)
{
    for (const cv::Size size : {cv::Size(500, 300), cv::Size(120, 80)}) {
        const cv::Mat flat(size, CV_8UC3, cv::Scalar(10, 200, 77));
        cv::Mat out(size, CV_8UC3, cv::Scalar::all(0));
        ASSERT_TRUE(DiffuseWatercolor(flat, out, 1.0f));
        EXPECT_TRUE(Same(out, flat)) << size;
    }
}

TEST(Watercolor, MatchesTheNaiveReference)
{
    // Small (own size) and large (600 on the longer side, and coarser with s) destinations.
    struct Case {
        cv::Mat src;
        cv::Size dst;
        float s;
    } cases[] = {{PhotoLike(64, 48, 1), {64, 48}, 1.0f},
                 {RandomImage(30, 20, 2), {30, 20}, 1.0f},
                 {PhotoLike(450, 300, 3), {450, 300}, 0.5f},
                 {PhotoLike(300, 420, 4), {330, 410}, 1.0f}};
    for (const Case& c : cases) {
        cv::Mat out(c.dst, CV_8UC3);
        ASSERT_TRUE(DiffuseWatercolor(c.src, out, c.s));
        EXPECT_TRUE(Same(out, RefDiffuse(c.src, c.dst, c.s))) << c.dst;
    }
}

TEST(Watercolor, SmallImagesIgnoreTheFactor)
{
    const cv::Mat src = PhotoLike(300, 200, 5);
    cv::Mat a(src.size(), CV_8UC3), b(src.size(), CV_8UC3);
    ASSERT_TRUE(DiffuseWatercolor(src, a, 1.0f));
    ASSERT_TRUE(DiffuseWatercolor(src, b, 0.3f));
    EXPECT_TRUE(Same(a, b));
    EXPECT_FALSE(Same(a, src)) << "the washes should change a textured picture";
}

TEST(Watercolor, StopLeavesTheDestinationAlone)
{
    const cv::Mat src = PhotoLike(800, 600, 6);
    cv::Mat out(src.size(), CV_8UC3, cv::Scalar(1, 2, 3));
    CImageFilter::RequestStop();
    const bool done = DiffuseWatercolor(src, out, 1.0f);
    CImageFilter::ClearStop();
    EXPECT_FALSE(done);
    EXPECT_TRUE(Same(out, cv::Mat(src.size(), CV_8UC3, cv::Scalar(1, 2, 3))));
}

TEST(Watercolor, OneThreadEqualsMany)
{
    const cv::Mat src = PhotoLike(1000, 700, 7);
    const auto [one, all] = OneThreadAndAll([&] {
        cv::Mat out(600, 800, CV_8UC3);
        DiffuseWatercolor(src, out, 1.0f);
        return out;
    });
    EXPECT_TRUE(Same(one, all));
}

TEST(WoodPrint, PatternMatchesTheNaiveReference)
{
    cv::Mat grey(61, 97, CV_8UC1);
    cv::RNG(8).fill(grey, cv::RNG::UNIFORM, 0, 256);
    for (const float p : {5.0f, -2.0f, 0.7f})
        for (const float b : {0.05f, 0.3f, -1.5f, 0.0f}) {
            cv::Mat pattern;
            WoodPrintPattern(grey, pattern, p, b);
            int wrong = 0;
            for (int y = 0; y < grey.rows; ++y)
                for (int x = 0; x < grey.cols; ++x)
                    wrong += pattern.at<uchar>(y, x) != RefStripe(grey.at<uchar>(y, x), x, y, grey.size(), p, b);
            EXPECT_EQ(wrong, 0) << p << " " << b;
        }
}

TEST(WoodPrint, NoAmplitudeOrNoDivisorGivesStraightStripes)
{
    const cv::Mat grey(50, 80, CV_8UC1, cv::Scalar(90));
    for (const auto& [p, b] : {std::pair{5.0f, 0.0f}, std::pair{0.0f, 0.3f}, std::pair{NAN, 0.3f}}) {
        cv::Mat pattern;
        WoodPrintPattern(grey, pattern, p, b);
        for (int y = 1; y < grey.rows; ++y) ASSERT_TRUE(Same(pattern.row(y), pattern.row(0))) << p << " " << b;
        EXPECT_GT(cv::countNonZero(pattern.row(0) != pattern.at<uchar>(0, 0)), 0);
    }
}

TEST(WoodPrint, LightShowsTheForegroundAndDarkTheBackground)
{
    const cv::Mat white(40, 200, CV_8UC3, cv::Scalar::all(255)), black(40, 200, CV_8UC3, cv::Scalar::all(0));
    const cv::Mat fore(10, 10, CV_8UC3, cv::Scalar::all(200)), back(10, 10, CV_8UC3, cv::Scalar::all(100));
    cv::Mat out(40, 200, CV_8UC3);
    // Column 0: t = 0, v = 1. White: q = 128, so 200 * 128 / 255 + 100 * 127 / 255, each rounded.
    ASSERT_TRUE(RenderWoodPrint(out, white, fore, back, 5.0f, 0.0f));
    EXPECT_EQ(out.at<cv::Vec3b>(10, 0), cv::Vec3b(150, 150, 150));
    const double whiteMean = cv::mean(out)[0];
    // Black: q = 0 there, all background.
    ASSERT_TRUE(RenderWoodPrint(out, black, fore, back, 5.0f, 0.0f));
    EXPECT_EQ(out.at<cv::Vec3b>(10, 0), cv::Vec3b(100, 100, 100));
    const double blackMean = cv::mean(out)[0];
    EXPECT_GT(whiteMean, 175);
    EXPECT_LT(blackMean, 125);
}

TEST(WoodPrint, MissingTexturesPrintPaperAndInk)
{
    const cv::Mat src = PhotoLike(90, 60, 9);
    cv::Mat out(60, 90, CV_8UC3), grey, pattern, expected;
    ASSERT_TRUE(RenderWoodPrint(out, src, cv::Mat(), cv::Mat(), 5.0f, 0.05f));
    cv::cvtColor(src, grey, cv::COLOR_RGB2GRAY);
    WoodPrintPattern(grey, pattern, 5.0f, 0.05f);
    cv::cvtColor(pattern, expected, cv::COLOR_GRAY2BGR);
    EXPECT_TRUE(Same(out, expected));
}

TEST(WoodPrint, OneThreadEqualsMany)
{
    const cv::Mat src = PhotoLike(1200, 900, 10), fore = RandomImage(300, 200, 11), back = RandomImage(250, 250, 12);
    const auto [one, all] = OneThreadAndAll([&] {
        cv::Mat out(900, 1200, CV_8UC3);
        RenderWoodPrint(out, src, fore, back, 3.0f, 0.1f);
        return out;
    });
    EXPECT_TRUE(Same(one, all));
}
