#include "face/RegionShape.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace engine;
using namespace face;

namespace {

void ExpectQuadNear(const FaceQuad& a, const FaceQuad& b, float tol)
{
    const float* p = &a.x0;
    const float* q = &b.x0;
    for (int i = 0; i < 8; ++i) EXPECT_NEAR(p[i], q[i], tol) << "value " << i;
}

// Every polygon point of one ellipse lies on the other.
void ExpectSameEllipse(const RegionShape& s, const RegionShape& t)
{
    const float c = std::cos(t.angle), sn = std::sin(t.angle);
    for (const cv::Point2f& p : ShapePolygon(s, 36)) {
        const float dx = p.x - t.cx, dy = p.y - t.cy;
        const float x = dx * c + dy * sn, y = -dx * sn + dy * c;
        EXPECT_NEAR((x / t.a) * (x / t.a) + (y / t.b) * (y / t.b), 1.0f, 2e-3f);
    }
}

}  // namespace

TEST(RegionShape, AnUprightQuadGivesTheInscribedEllipseAndBack)
{
    const FaceQuad wide{100, 200, 200, 200, 200, 240, 100, 240};
    const RegionShape s = ShapeFromQuad(wide);
    EXPECT_FLOAT_EQ(s.cx, 150);
    EXPECT_FLOAT_EQ(s.cy, 220);
    // a is the short semi-axis, so for a wide region it stands upright.
    EXPECT_FLOAT_EQ(s.a, 20);
    EXPECT_FLOAT_EQ(s.b, 50);
    EXPECT_NEAR(s.angle, std::numbers::pi / 2, 1e-6);
    ExpectQuadNear(QuadFromShape(s), wide, 1e-3f);

    const FaceQuad tall{10, 10, 30, 10, 30, 90, 10, 90};
    ExpectQuadNear(QuadFromShape(ShapeFromQuad(tall)), tall, 1e-3f);
    const FaceQuad square{0, 0, 40, 0, 40, 40, 0, 40};
    ExpectQuadNear(QuadFromShape(ShapeFromQuad(square)), square, 1e-3f);
}

TEST(RegionShape, ASlantedQuadRoundTrips)
{
    // Vertical sides, top and bottom rising to the right: the shape editing produces these.
    const FaceQuad slanted{100, 210, 180, 190, 180, 230, 100, 250};
    const RegionShape s = ShapeFromQuad(slanted);
    ExpectQuadNear(QuadFromShape(s), slanted, 1e-2f);
    EXPECT_NE(s.angle, 0);
}

TEST(RegionShape, ARotatedEllipseKeepsItsShapeThroughItsQuad)
{
    for (float angle : {0.3f, -1.1f, 2.0f}) {
        const RegionShape e{30, 60, angle, 200, 150};
        const FaceQuad q = QuadFromShape(e);
        const RegionShape back = ShapeFromQuad(q);
        ExpectSameEllipse(e, back);
        ExpectSameEllipse(back, e);
        ExpectQuadNear(QuadFromShape(back), q, 1e-2f);
    }
}

TEST(RegionShape, DegenerateShapesStayFinite)
{
    const RegionShape flat = ShapeFromQuad(FaceQuad{5, 5, 5, 5, 5, 9, 5, 9});
    EXPECT_EQ(flat.a, 0);
    EXPECT_EQ(flat.b, 0);
    EXPECT_FLOAT_EQ(flat.cy, 7);
    const FaceQuad q = QuadFromShape(flat);
    EXPECT_FLOAT_EQ(q.x0, 5);
    EXPECT_FLOAT_EQ(q.y2, 7);
    EXPECT_FALSE(InsideShape(flat, {5, 7}));
}

TEST(RegionShape, PolygonHandlesAndInside)
{
    const RegionShape s{10, 20, static_cast<float>(std::numbers::pi / 2), 50, 50};
    const std::vector<cv::Point2f> poly = ShapePolygon(s);
    ASSERT_EQ(poly.size(), 100u);
    EXPECT_NEAR(poly[0].x, 50, 1e-4);  // first point: +a, which points down at 90 degrees
    EXPECT_NEAR(poly[0].y, 60, 1e-4);
    const cv::Point2f plusB = ShapeHandlePoint(s, HandlePlusB);
    EXPECT_NEAR(plusB.x, 30, 1e-4);
    EXPECT_NEAR(plusB.y, 50, 1e-4);
    const cv::Point2f minusB = ShapeHandlePoint(s, HandleMinusB);
    EXPECT_NEAR(minusB.x, 70, 1e-4);
    EXPECT_TRUE(InsideShape(s, {50, 59}));
    EXPECT_TRUE(InsideShape(s, {31, 50}));
    EXPECT_FALSE(InsideShape(s, {50, 62}));
    EXPECT_FALSE(InsideShape(s, {66, 58}));
}
