#include "engine/ViewGeometry.h"

#include <gtest/gtest.h>

using namespace engine;

TEST(FitRect, SmallImagesAreNotMagnifiedMoreThanTwice)
{
    // Scale 8 > 2 becomes 1: shown at its own size, centred.
    EXPECT_EQ(FitRect(100, 100, {0, 0, 1000, 800}), (ViewRect{450, 350, 550, 450}));
    // Scale 1.5 is kept.
    EXPECT_EQ(FitRect(100, 100, {0, 0, 150, 150}), (ViewRect{0, 0, 150, 150}));
    // Within one pixel of the view's side snaps to it.
    EXPECT_EQ(FitRect(1000, 501, {0, 0, 400, 200}).Width(), 400);
    EXPECT_EQ(FitRect(1000, 520, {0, 0, 400, 200}).Width(), 385);
    EXPECT_EQ(FitRect(1001, 500, {0, 0, 400, 200}).Height(), 200);
    EXPECT_TRUE(FitRect(0, 10, {0, 0, 10, 10}).Empty());
    EXPECT_TRUE(FitRect(10, 10, {0, 0, 0, 10}).Empty());
}

TEST(ComputeVisibleRegion, WholeImageAtZoomOne)
{
    float pan[2] = {0.3f, 0.7f};
    float zoom = 1.5f;  // clamped to 1
    const VisibleRegion r = ComputeVisibleRegion(1000, 500, pan, zoom, {0, 0, 400, 400});
    EXPECT_FLOAT_EQ(zoom, 1);
    EXPECT_EQ(r.pixels, cv::Rect(0, 0, 1000, 500));
    EXPECT_FLOAT_EQ(r.fw, 1);
    EXPECT_FLOAT_EQ(r.fh, 1);
    EXPECT_FLOAT_EQ(pan[0], 0);
    EXPECT_FLOAT_EQ(pan[1], 0);
    EXPECT_FALSE(r.limited);
}

TEST(ComputeVisibleRegion, ZoomedRegionFollowsThePan)
{
    float pan[2] = {0.25f, 0.25f};
    float zoom = 0.5f;
    // 1000 x 1000 image in a 200 x 200 view: r = 5, the visible part is 500 x 500 pixels and
    // magnification 0.4 is far from the limit.
    const VisibleRegion r = ComputeVisibleRegion(1000, 1000, pan, zoom, {0, 0, 200, 200});
    EXPECT_EQ(r.pixels, cv::Rect(250, 250, 500, 500));
    EXPECT_FLOAT_EQ(r.fw, 0.5f);
    EXPECT_FALSE(r.limited);
    // A pan past the edge is pulled back.
    float far[2] = {0.9f, 0.9f};
    float z2 = 0.5f;
    const VisibleRegion r2 = ComputeVisibleRegion(1000, 1000, far, z2, {0, 0, 200, 200});
    EXPECT_EQ(r2.pixels.x, 500);
    EXPECT_FLOAT_EQ(far[0], 0.5f);
}

TEST(ComputeVisibleRegion, MagnificationIsLimited)
{
    // 1000 x 1000 image in a 400 x 400 view at zoom 0.1: 100 x 100 pixels would be magnified
    // 4 times; the region widens about its centre until the magnification is 1.9.
    float pan[2] = {0.45f, 0.45f};
    float zoom = 0.1f;
    const VisibleRegion r = ComputeVisibleRegion(1000, 1000, pan, zoom, {0, 0, 400, 400});
    EXPECT_TRUE(r.limited);
    EXPECT_NEAR(zoom, 0.1f * 4 / 1.9f, 1e-5);
    EXPECT_EQ(r.pixels.width, 210);
    EXPECT_LE(400.0 / r.pixels.width, 1.91);
    EXPECT_EQ(r.pixels.x, 333);  // 450 - (k - 1) * 210 / 2, truncated
    EXPECT_GE(pan[0], 0);
    // A tiny image cannot be shown less magnified than whole.
    float z2 = 0.1f, p2[2] = {0, 0};
    EXPECT_EQ(ComputeVisibleRegion(100, 100, p2, z2, {0, 0, 400, 400}).pixels.width, 100);

    // A view that renders anew for its zoom has no limit: the same zoom shows 100 x 100
    // pixels four times as large, where the pan puts them, and the mapping agrees.
    float pan3[2] = {0.45f, 0.45f};
    float z3 = 0.1f;
    const VisibleRegion free = ComputeVisibleRegion(1000, 1000, pan3, z3, {0, 0, 400, 400}, kNoMagnificationLimit);
    EXPECT_FALSE(free.limited);
    EXPECT_FLOAT_EQ(z3, 0.1f);
    EXPECT_EQ(free.pixels, cv::Rect(450, 450, 100, 100));
    const ViewMapping m(1000, 1000, {0, 0, 400, 400}, 0.45f, 0.45f, 0.1f, kNoMagnificationLimit);
    EXPECT_NEAR(m.ToView(0.5f, 0.5f).x, 200, 1e-3);
    EXPECT_NEAR(m.ScaleX(), 4000, 1e-2);
    EXPECT_EQ(m.Displayed(), (ViewRect{0, 0, 400, 400}));
    // A small image, shown at its own size whole, is shown twice as large at zoom 0.5.
    float p4[2] = {0, 0};
    float z4 = 0.5f;
    const VisibleRegion small = ComputeVisibleRegion(100, 100, p4, z4, {0, 0, 400, 400}, kNoMagnificationLimit);
    EXPECT_EQ(small.pixels, cv::Rect(0, 0, 100, 100));
    EXPECT_EQ(ShownRect(small, {0, 0, 400, 400}), (ViewRect{100, 100, 300, 300}));
}

TEST(ViewMapping, MapsFractionsAndPointsBothWays)
{
    const ViewMapping m(1000, 500, {0, 0, 400, 400}, 0, 0, 1);
    ASSERT_TRUE(m.Valid());
    EXPECT_EQ(m.Displayed(), (ViewRect{0, 100, 400, 300}));
    const cv::Point2f p = m.ToView(0.5f, 0.5f);
    EXPECT_FLOAT_EQ(p.x, 200);
    EXPECT_FLOAT_EQ(p.y, 200);
    const cv::Point2f f = m.ToFraction(100, 150);
    EXPECT_FLOAT_EQ(f.x, 0.25f);
    EXPECT_FLOAT_EQ(f.y, 0.25f);
    EXPECT_FALSE(ViewMapping(0, 0, {0, 0, 10, 10}, 0, 0, 1).Valid());
}

TEST(FitImage, ResizesToTheFittedSize)
{
    const cv::Mat img(500, 1000, CV_8UC3, cv::Scalar(1, 2, 3));
    const cv::Mat out = FitImage(img, 400, 400);
    EXPECT_EQ(out.size(), cv::Size(400, 200));
    EXPECT_EQ(out.at<cv::Vec3b>(100, 100), cv::Vec3b(1, 2, 3));
    EXPECT_EQ(ResizeToFit(cv::Mat(10, 20, CV_8UC3), 90, 90).size(), cv::Size(90, 45));  // enlarged
}
