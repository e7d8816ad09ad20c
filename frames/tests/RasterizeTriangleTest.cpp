#include "frames/RasterizeTriangle.h"

#include <gtest/gtest.h>

#include <random>

using namespace frames;

namespace {

using V0 = raster::Vertex<0>;

V0 P(float x, float y)
{
    V0 v;
    v.x = x;
    v.y = y;
    return v;
}

/** Adds one to every pixel the triangle covers. */
long long Stamp(cv::Mat1i& hits, const V0& a, const V0& b, const V0& c)
{
    return raster::RasterizeTriangle<0>(a, b, c, cv::Rect(0, 0, hits.cols, hits.rows),
                                        [&](int x, int y, const float*) { ++hits(y, x); });
}

}  // namespace

TEST(RasterizeTriangle, CentresOnAnEdgeFollowTheTopLeftRule)
{
    cv::Mat1i hits(8, 8, 0);
    // Centres on the hypotenuse from (4, 0) to (0, 4) lie on a right-hand edge: left out.
    EXPECT_EQ(Stamp(hits, P(0, 0), P(4, 0), P(0, 4)), 6);
    EXPECT_EQ(hits(0, 2), 1);
    EXPECT_EQ(hits(0, 3), 0);  // centre (3.5, 0.5) is on the hypotenuse
    EXPECT_EQ(hits(3, 0), 0);

    // A 2 x 2 square cut along its diagonal: the centres (0.5, 0.5) and (1.5, 1.5) lie on the
    // shared edge and go to exactly one of the two triangles, whichever way they are wound.
    for (bool reversed : {false, true}) {
        cv::Mat1i sq(2, 2, 0);
        if (reversed) {
            Stamp(sq, P(2, 2), P(2, 0), P(0, 0));
            Stamp(sq, P(0, 0), P(0, 2), P(2, 2));
        } else {
            Stamp(sq, P(0, 0), P(2, 0), P(2, 2));
            Stamp(sq, P(2, 2), P(0, 2), P(0, 0));
        }
        EXPECT_EQ(cv::countNonZero(sq == 1), 4);
    }
}

TEST(RasterizeTriangle, AMeshOfTrianglesCoversEveryPixelExactlyOnce)
{
    // A fan and a jittered grid: shared edges at every angle, including vertices on pixel
    // centres and on sub-pixel positions. Every pixel of the covered rectangle exactly once.
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> jitter(-0.25f, 0.25f);  // small enough that no cell folds
    const int n = 6, cell = 7, size = n * cell;
    std::vector<cv::Point2f> grid((n + 1) * (n + 1));
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i) {
            const bool border = i == 0 || j == 0 || i == n || j == n;
            const float dx = border ? 0 : cell * jitter(rng), dy = border ? 0 : cell * jitter(rng);
            // Half the interior vertices sit exactly on pixel centres.
            const float cx = (i + j) % 2 ? 0.5f : 0.f;
            grid[j * (n + 1) + i] = {i * cell + (border ? 0 : std::round(dx) + cx), j * cell + (border ? 0 : std::round(dy) + cx)};
        }
    cv::Mat1i hits(size, size, 0);
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            const auto g = [&](int a, int b) { return P(grid[b * (n + 1) + a].x, grid[b * (n + 1) + a].y); };
            if ((i + j) % 2) {
                Stamp(hits, g(i, j), g(i + 1, j), g(i + 1, j + 1));
                Stamp(hits, g(i + 1, j + 1), g(i, j + 1), g(i, j));
            } else {  // the other diagonal, and the opposite winding
                Stamp(hits, g(i, j), g(i, j + 1), g(i + 1, j));
                Stamp(hits, g(i + 1, j), g(i, j + 1), g(i + 1, j + 1));
            }
        }
    EXPECT_EQ(cv::countNonZero(hits == 1), size * size);

    // A fan around one centre, 12 slices.
    cv::Mat1i fan(40, 40, 0);
    const cv::Point2f c(20.5f, 19.25f);
    std::vector<cv::Point2f> ring;
    for (int k = 0; k < 12; ++k) {
        const double a = k * CV_PI / 6;
        ring.push_back({float(c.x + 15 * std::cos(a)), float(c.y + 15 * std::sin(a))});
    }
    long long total = 0;
    for (int k = 0; k < 12; ++k) total += Stamp(fan, P(c.x, c.y), P(ring[k].x, ring[k].y), P(ring[(k + 1) % 12].x, ring[(k + 1) % 12].y));
    EXPECT_EQ(cv::countNonZero(fan > 1), 0);
    EXPECT_EQ(cv::countNonZero(fan == 1), total);
}

TEST(RasterizeTriangle, CoverageMatchesAPointInTriangleTest)
{
    // Away from the edges (a tenth of a pixel) the answer is plain geometry.
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> pos(-5.f, 45.f);
    for (int t = 0; t < 200; ++t) {
        const V0 a = P(pos(rng), pos(rng)), b = P(pos(rng), pos(rng)), c = P(pos(rng), pos(rng));
        cv::Mat1i hits(40, 40, 0);
        Stamp(hits, a, b, c);
        const auto edge = [](const V0& p, const V0& q, double x, double y) {
            return (double(q.x) - p.x) * (y - p.y) - (double(q.y) - p.y) * (x - p.x);
        };
        const double area = edge(a, b, c.x, c.y);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
                const double px = x + 0.5, py = y + 0.5;
                double e[3] = {edge(a, b, px, py), edge(b, c, px, py), edge(c, a, px, py)};
                if (area < 0)
                    for (double& v : e) v = -v;
                const double len[3] = {std::hypot(b.x - a.x, b.y - a.y), std::hypot(c.x - b.x, c.y - b.y),
                                       std::hypot(a.x - c.x, a.y - c.y)};
                bool inside = true, outside = false;
                for (int k = 0; k < 3; ++k) {
                    if (e[k] < 0.1 * len[k]) inside = false;
                    if (e[k] < -0.1 * len[k]) outside = true;
                }
                if (area == 0) inside = false;
                if (inside) {
                    ASSERT_EQ(hits(y, x), 1) << "triangle " << t << " pixel " << x << "," << y;
                }
                if (outside) {
                    ASSERT_EQ(hits(y, x), 0) << "triangle " << t << " pixel " << x << "," << y;
                }
            }
    }
}

TEST(RasterizeTriangle, AttributesAreTheBarycentricMixAtPixelCentres)
{
    raster::Vertex<2> a, b, c;
    a.x = 3.25f, a.y = 1.5f, a.attr = {1.f, 10.f};
    b.x = 60.f, b.y = 20.75f, b.attr = {-2.f, 30.f};
    c.x = 12.5f, c.y = 50.f, c.attr = {5.f, 0.f};
    const double area = (double(b.x) - a.x) * (c.y - a.y) - (double(c.x) - a.x) * (b.y - a.y);
    double worst = 0;
    const long long n = raster::RasterizeTriangle<2>(a, b, c, cv::Rect(0, 0, 64, 64), [&](int x, int y, const float* at) {
        const double px = x + 0.5, py = y + 0.5;
        const double la = ((double(b.x) - px) * (c.y - py) - (double(c.x) - px) * (b.y - py)) / area;
        const double lb = ((double(c.x) - px) * (a.y - py) - (double(a.x) - px) * (c.y - py)) / area;
        const double lc = 1 - la - lb;
        for (int k = 0; k < 2; ++k)
            worst = std::max(worst, std::abs(at[k] - (la * a.attr[k] + lb * b.attr[k] + lc * c.attr[k])));
    });
    EXPECT_GT(n, 1000);
    EXPECT_LT(worst, 1e-4);
}

TEST(RasterizeTriangle, BandsGiveTheSamePixelsAsOneClip)
{
    raster::Vertex<1> a, b, c;
    a.x = -10.3f, a.y = 2.2f, a.attr = {0.f};
    b.x = 90.1f, b.y = 37.9f, b.attr = {1.f};
    c.x = 20.7f, c.y = 81.4f, c.attr = {2.f};
    cv::Mat1f whole(80, 80, -1.f), banded(80, 80, -1.f);
    raster::RasterizeTriangle<1>(a, b, c, cv::Rect(0, 0, 80, 80), [&](int x, int y, const float* at) { whole(y, x) = at[0]; });
    for (int y0 = 0; y0 < 80; y0 += 7)
        raster::RasterizeTriangle<1>(a, b, c, cv::Rect(0, y0, 80, std::min(7, 80 - y0)),
                                     [&](int x, int y, const float* at) { banded(y, x) = at[0]; });
    EXPECT_EQ(cv::norm(whole, banded, cv::NORM_INF), 0.0);
    EXPECT_GT(cv::countNonZero(whole >= 0), 1000);
}

TEST(RasterizeTriangle, DegenerateAndHostileTrianglesDrawNothing)
{
    cv::Mat1i hits(20, 20, 0);
    EXPECT_EQ(Stamp(hits, P(1, 1), P(5, 5), P(9, 9)), 0);      // collinear
    EXPECT_EQ(Stamp(hits, P(3, 4), P(3, 4), P(10, 12)), 0);    // coincident corners
    EXPECT_EQ(Stamp(hits, P(2, 2), P(2, 2), P(2, 2)), 0);
    EXPECT_EQ(Stamp(hits, P(NAN, 1), P(5, 5), P(1, 9)), 0);
    EXPECT_EQ(Stamp(hits, P(INFINITY, 1), P(5, 5), P(1, 9)), 0);
    EXPECT_EQ(Stamp(hits, P(-3e7f, 1), P(5, 5), P(1, 9)), 0);
    EXPECT_EQ(cv::countNonZero(hits), 0);
    // Huge but allowed triangles only visit the clip rectangle.
    EXPECT_EQ(Stamp(hits, P(-1e6f, -1e6f), P(1e6f, -1e6f), P(0, 1e6f)), 400);
    // A clip that misses the triangle, and an empty clip.
    EXPECT_EQ(raster::RasterizeTriangle<0>(P(0, 0), P(5, 0), P(0, 5), cv::Rect(10, 10, 5, 5), [](int, int, const float*) {}), 0);
    EXPECT_EQ(raster::RasterizeTriangle<0>(P(0, 0), P(5, 0), P(0, 5), cv::Rect(0, 0, 0, 0), [](int, int, const float*) {}), 0);
}
