#include "frames/Homography.h"

#include <gtest/gtest.h>

#include <random>

using namespace frames;

namespace {

constexpr double kU[4] = {0, 1, 0, 1}, kV[4] = {0, 0, 1, 1};

cv::Point2d DiagonalCrossing(const std::array<cv::Point2d, 4>& q)
{
    // Diagonals 00-11 and 01-10.
    const cv::Point2d a = q[0], b = q[3], c = q[1], d = q[2];
    const double den = (b.x - a.x) * (d.y - c.y) - (b.y - a.y) * (d.x - c.x);
    const double t = ((c.x - a.x) * (d.y - c.y) - (c.y - a.y) * (d.x - c.x)) / den;
    return a + t * (b - a);
}

void ExpectNear(cv::Point2d a, cv::Point2d b, double tol = 1e-9)
{
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
}

}  // namespace

TEST(Homography, KnownQuadrilaterals)
{
    cv::Matx33d H;
    // The unit square itself.
    ASSERT_TRUE(SquareToQuad({cv::Point2d(0, 0), {1, 0}, {0, 1}, {1, 1}}, H));
    ExpectNear(ApplyHomography(H, 0.5, 0.5), {0.5, 0.5});
    ExpectNear(ApplyHomography(H, 0.25, 0.75), {0.25, 0.75});

    // A parallelogram is affine: the centre is the mean of the corners, depth is 1 everywhere.
    const std::array<cv::Point2d, 4> para{cv::Point2d(10, 20), {50, 30}, {0, 60}, {40, 70}};
    ASSERT_TRUE(SquareToQuad(para, H));
    ExpectNear(ApplyHomography(H, 0.5, 0.5), {25, 45});
    ExpectNear(ApplyHomography(H, 0.25, 0), {20, 22.5});
    EXPECT_NEAR(HomographyDepth(H, 1, 1), 1, 1e-12);

    // A symmetric trapezoid (a road seen ahead): top 0..4 at y 0, bottom 1..3 at y 2.
    // The centre lands where the diagonals cross, (2, 4/3); the vertical midline stays at x 2;
    // the halfway line u = 0.5 of the top edge is its midpoint.
    const std::array<cv::Point2d, 4> trap{cv::Point2d(0, 0), {4, 0}, {1, 2}, {3, 2}};
    ASSERT_TRUE(SquareToQuad(trap, H));
    ExpectNear(ApplyHomography(H, 0.5, 0.5), {2, 4.0 / 3});
    ExpectNear(ApplyHomography(H, 0.5, 0.9), {2, ApplyHomography(H, 0.5, 0.9).y});
    ExpectNear(ApplyHomography(H, 0.5, 0), {2, 0});
    // Equal steps in v shrink toward the far (short) edge: v = 0.5 is past the middle row y 1.
    EXPECT_GT(ApplyHomography(H, 0.5, 0.5).y, 1.0);
}

TEST(Homography, AnyConvexQuadMapsCornersAndCentre)
{
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> d(-200, 200);
    int tried = 0;
    while (tried < 300) {
        std::array<cv::Point2d, 4> q;
        for (auto& p : q) p = {d(rng), d(rng)};
        // Keep convex quads with the corners in boundary order 00, 01, 11, 10.
        const cv::Point2d ring[4] = {q[0], q[1], q[3], q[2]};
        int sign = 0;
        bool convex = true;
        for (int i = 0; i < 4; ++i) {
            const cv::Point2d a = ring[i], b = ring[(i + 1) % 4], c = ring[(i + 2) % 4];
            const double cr = (b - a).cross(c - b);
            const int s = cr > 0 ? 1 : -1;
            if (std::abs(cr) < 100 || (sign && s != sign)) convex = false;
            sign = s;
        }
        if (!convex) continue;
        ++tried;
        cv::Matx33d H;
        ASSERT_TRUE(SquareToQuad(q, H));
        for (int i = 0; i < 4; ++i) ExpectNear(ApplyHomography(H, kU[i], kV[i]), q[i], 1e-7);
        ExpectNear(ApplyHomography(H, 0.5, 0.5), DiagonalCrossing(q), 1e-7);
        // Inside a convex window every depth has the sign of corner 00's.
        for (int i = 0; i < 4; ++i) EXPECT_GT(HomographyDepth(H, kU[i], kV[i]), 0);
    }
}

TEST(Homography, DegenerateWindows)
{
    cv::Matx33d H = cv::Matx33d::eye();
    EXPECT_FALSE(SquareToQuad({cv::Point2d(0, 0), {1, 1}, {2, 2}, {0, 5}}, H));   // three on a line
    EXPECT_FALSE(SquareToQuad({cv::Point2d(0, 0), {0, 0}, {3, 1}, {5, 5}}, H));   // two corners meet
    EXPECT_FALSE(SquareToQuad({cv::Point2d(4, 4), {4, 4}, {4, 4}, {4, 4}}, H));
    EXPECT_EQ(H, cv::Matx33d::eye());

    FrameWindow w;
    w.corner = {cv::Point(0, 0), {10, 0}, {0, 10}, {10, 10}};
    EXPECT_FALSE(IsDegenerateWindow(w));
    w.corner = {cv::Point(0, 0), {10, 0}, {20, 0}, {10, 10}};
    EXPECT_TRUE(IsDegenerateWindow(w));
    w.corner = {cv::Point(0, 0), {10, 0}, {10, 0}, {10, 10}};
    EXPECT_TRUE(IsDegenerateWindow(w));
    // Coordinates at the ends of the integer range neither overflow nor pass as a window.
    w.corner = {cv::Point(INT_MIN, INT_MIN), {INT_MAX, INT_MIN}, {INT_MAX, INT_MIN}, {0, INT_MAX}};
    EXPECT_TRUE(IsDegenerateWindow(w));
}
