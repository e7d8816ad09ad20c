#include "face/FeatureModel.h"
#include "platform/testing/Images.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <cmath>

using namespace engine;
using namespace face;

namespace {

cv::Mat RandomGrey(int w, int h, int seed) { return testenv::RandomImage(w, h, seed, CV_8UC1); }

// The contrast of one pixel straight from its definition.
int NaiveContrast(const cv::Mat& g, int x, int y)
{
    const int l = std::max(x - 10, 0), r = std::min(x + 10, g.cols - 1);
    const int t = std::max(y - 10, 0), b = std::min(y + 10, g.rows - 1);
    const double area = double(r - l) * (b - t);
    if (area == 0) return 0;
    double s = 0, q = 0;
    for (int j = t; j < b; ++j)
        for (int i = l; i < r; ++i) {
            s += g.at<uchar>(j, i);
            q += double(g.at<uchar>(j, i)) * g.at<uchar>(j, i);
        }
    return static_cast<int>(std::sqrt(std::max(0.0, q / area - (s / area) * (s / area))));
}

double NaiveBarScore(const cv::Mat& img, double cx, double cy, double a, double b, double c, double d)
{
    double S = 0, T = 0, W = 0;
    long n = 0;
    for (int i = int(std::floor(cx - a / 2)); i <= int(std::ceil(cx + a / 2)); ++i) {
        const double dx = i - cx, t = cy + d * dx, m = a * (a * c) / 4;
        for (int j = int(std::floor(t - b / 2 + std::min(m, 0.0))); j <= int(std::ceil(t + b / 2 + std::max(m, 0.0))); ++j) {
            if (i < 0 || j < 0 || i >= img.cols || j >= img.rows) continue;
            const double e = (j - t - c * dx * dx) / b, w = std::exp(-(16 * e * e + 16 * (dx / a) * (dx / a)));
            if (w <= 4.0 / 255) continue;
            const double p = img.at<uchar>(j, i);
            S += p * p, T += w * p, W += w * w, ++n;
        }
    }
    if (n == 0) return 0;
    return 1 / (1 + std::exp(-0.1 * (S / n - 100))) * T * T / (S * W);
}

// A bright horizontal band of contrast, softened, on a dark crop.
cv::Mat Band(int row, int thickness)
{
    cv::Mat m(400, 400, CV_8UC1, cv::Scalar(5));
    cv::rectangle(m, cv::Rect(60, row - thickness / 2, 280, thickness), cv::Scalar(200), cv::FILLED);
    cv::GaussianBlur(m, m, cv::Size(9, 9), 0);
    return m;
}

}  // namespace

TEST(LocalContrast, EqualsTheWindowDefinitionIncludingTheClampedBorders)
{
    const cv::Mat g = RandomGrey(37, 29, 7);
    const cv::Mat c = LocalContrast(g);
    ASSERT_EQ(c.size(), g.size());
    for (int y = 0; y < g.rows; ++y)
        for (int x = 0; x < g.cols; ++x) ASSERT_EQ(c.at<uchar>(y, x), NaiveContrast(g, x, y)) << x << "," << y;
    EXPECT_EQ(cv::countNonZero(LocalContrast(cv::Mat(20, 20, CV_8UC1, cv::Scalar(77)))), 0);
    // A one-pixel-high image has windows of no area.
    EXPECT_EQ(cv::countNonZero(LocalContrast(RandomGrey(30, 1, 3))), 0);
}

TEST(ContrastPyramid, HalvesWhileASideIsEvenAndAveragesBlocksRoundingDown)
{
    const std::vector<cv::Mat> levels = BuildContrastPyramid(cv::Mat(400, 400, CV_8UC1, cv::Scalar(1)));
    ASSERT_EQ(levels.size(), 4u);
    EXPECT_EQ(levels[0].size(), cv::Size(200, 200));
    EXPECT_EQ(levels[3].size(), cv::Size(25, 25));

    const cv::Mat tiny = (cv::Mat_<uchar>(2, 4) << 1, 2, 10, 10, 3, 5, 10, 11);
    const std::vector<cv::Mat> t = BuildContrastPyramid(tiny);
    ASSERT_EQ(t.size(), 1u);  // 2 x 1 is still even in width, but one row cannot be halved
    EXPECT_EQ(t[0].at<uchar>(0, 0), (1 + 2 + 3 + 5) >> 2);
    EXPECT_EQ(t[0].at<uchar>(0, 1), (10 + 10 + 10 + 11) >> 2);
    EXPECT_TRUE(BuildContrastPyramid(cv::Mat(25, 25, CV_8UC1)).empty());
    EXPECT_TRUE(BuildContrastPyramid(cv::Mat()).empty());
}

TEST(BarScore, MatchesTheDefinitionAndFavoursBarsOnABand)
{
    const cv::Mat img = RandomGrey(120, 90, 11);
    const float cases[][6] = {{60, 45, 40, 10, 0, 0}, {30, 20, 50, 12, 0.002f, 0.05f}, {100, 80, 30, 8, -0.002f, -0.04f},
                              {5, 5, 20, 6, 0.001f, 0}};
    for (const auto& k : cases) {
        const double expected = NaiveBarScore(img, k[0], k[1], k[2], k[3], k[4], k[5]);
        EXPECT_NEAR(BarScore(img, k[0], k[1], k[2], k[3], k[4], k[5]), expected, 1e-4 * std::max(1.0, expected));
    }
    EXPECT_EQ(BarScore(img, 60, 45, 0, 10, 0, 0), 0);
    EXPECT_EQ(BarScore(img, 60, 45, -5, 10, 0, 0), 0);
    EXPECT_EQ(BarScore(img, -500, -500, 40, 10, 0, 0), 0);

    const cv::Mat band = Band(200, 20);
    EXPECT_GT(BarScore(band, 200, 200, 100, 20, 0, 0), BarScore(band, 200, 230, 100, 20, 0, 0));
}

TEST(BarStep, ClimbsTowardTheBandAndKeepsPositionWhenAskedTo)
{
    const cv::Mat band = Band(200, 20);
    const std::vector<cv::Mat> pyramid = BuildContrastPyramid(band);
    FeatureBar bar;
    bar.cx = 200, bar.cy = 206, bar.length = 100, bar.thickness = 20;
    const double start = BarScore(band, 200, 206, 100, 20, 0, 0);
    for (int i = 0; i < 50; ++i)
        if (!BarStep(bar, band, pyramid, 0, true).improved) break;
    EXPECT_LT(bar.cy, 206);
    EXPECT_GT(BarScore(band, bar.cx, bar.cy, bar.length, bar.thickness, bar.curvature, bar.tilt), start);

    FeatureBar fixed = bar;
    fixed.cy = 210;
    fixed.thicknessMax = 25, fixed.thicknessMin = 15;
    const FeatureBar before = fixed;
    const BarStepResult r = BarStep(fixed, band, pyramid, 1, false);
    EXPECT_EQ(fixed.cx, bar.cx);
    EXPECT_EQ(fixed.cy, 210);
    // At level 1 everything is halved and a position step is two crop pixels.
    const cv::Mat& l1 = pyramid[0];
    auto at = [&](float dx, float dy) {
        return BarScore(l1, (before.cx + dx) / 2, (before.cy + dy) / 2, before.length / 2, before.thickness / 2,
                        before.curvature * 2, before.tilt);
    };
    const double base = at(0, 0);
    EXPECT_NEAR(r.base, base, 1e-9);
    EXPECT_NEAR(r.gradY, at(0, 2) - base, 1e-9);
    EXPECT_NEAR(r.gradX, at(2, 0) - base, 1e-9);
    EXPECT_GE(fixed.thickness, 15);
    EXPECT_LE(fixed.thickness, 25);

    FeatureBar same = bar;
    EXPECT_FALSE(BarStep(same, band, pyramid, 5, true).improved);
    EXPECT_EQ(same.cy, bar.cy);
}

TEST(BarBounds, ClampToEachPairAndLimitTheCurvature)
{
    FeatureBar b;
    b.length = 200, b.lengthMax = 140, b.lengthMin = 100;
    b.thickness = -3;  // unbounded pair
    b.curvature = 0.01f;
    b.tilt = -1, b.tiltMax = 0.05f, b.tiltMin = -0.05f;
    ApplyBarBounds(b);
    EXPECT_EQ(b.length, 140);
    EXPECT_EQ(b.thickness, -3);
    EXPECT_FLOAT_EQ(b.curvature, 0.002f);
    EXPECT_FLOAT_EQ(b.tilt, -0.05f);
}

TEST(FeatureRegions, WidenToTheMinimumAroundTheBars)
{
    FeatureBar bars[kBarsPerGroup];
    for (FeatureBar& b : bars) b.cx = 200, b.cy = 200;  // no length, no thickness
    const FaceQuad q = RegionFromBars(bars, 0);
    EXPECT_FLOAT_EQ(q.x0, 150);
    EXPECT_FLOAT_EQ(q.y0, 175);
    EXPECT_FLOAT_EQ(q.x2, 250);
    EXPECT_FLOAT_EQ(q.y2, 225);
    EXPECT_FLOAT_EQ(q.x3, 150);
    EXPECT_FLOAT_EQ(q.y1, 175);
}

TEST(FeatureRegions, RejectOutliersButAlwaysKeepTheMouthCorners)
{
    BarGroups g;
    InitialFeatureModel(g);
    // An eye bar far off to the left is dropped; the region stays on the other four.
    FeatureBar eye[kBarsPerGroup];
    std::copy(std::begin(g[0]), std::end(g[0]), eye);
    eye[0].cx = 20, eye[0].cy = 20;
    const FaceQuad e = RegionFromBars(eye, 0);
    // Four bars of length 100 give 125 -+ 25, widened to 100 across.
    EXPECT_FLOAT_EQ(e.x0, 75);
    EXPECT_FLOAT_EQ(e.x1, 175);
    EXPECT_FLOAT_EQ(e.y0, 133 - 10);  // bars 1..4 at 133..193, thickness 20

    // The same stray bar as the mouth's bar 0 still counts.
    FeatureBar mouth[kBarsPerGroup];
    std::copy(std::begin(g[2]), std::end(g[2]), mouth);
    mouth[0].cx = 60, mouth[0].cy = 200;
    const FaceQuad m = RegionFromBars(mouth, 2);
    EXPECT_FLOAT_EQ(m.x0, 60 - 122.0f / 4);
    EXPECT_FLOAT_EQ(m.y0, 200 - 33.0f / 2);
}

TEST(FeatureRegions, LevelTheEyesAndTheMouth)
{
    FaceQuad r[3] = {{100, 100, 150, 100, 150, 130, 100, 130},   // left eye
                     {250, 120, 300, 120, 300, 140, 250, 140},   // right eye: top 20 lower
                     {150, 300, 250, 330, 250, 340, 150, 340}};  // mouth: left 40 high, right 10
    LevelRegions(r);
    EXPECT_FLOAT_EQ(r[0].y0, 107.5f);  // tops: 20 apart -> 5, each side moves 7.5
    EXPECT_FLOAT_EQ(r[1].y1, 112.5f);
    EXPECT_FLOAT_EQ(r[0].y2, 132.5f);  // bottoms: 10 apart -> 5
    EXPECT_FLOAT_EQ(r[1].y3, 137.5f);
    // (40 - 10) - 20 = 10 too lopsided: q = 5 on each of the four corners.
    EXPECT_FLOAT_EQ(r[2].y0, 305);
    EXPECT_FLOAT_EQ(r[2].y3, 335);
    EXPECT_FLOAT_EQ(r[2].y1, 325);
    EXPECT_FLOAT_EQ(r[2].y2, 345);
}
