#include "frames/FrameCompose.h"
#include "frames/Homography.h"
#include "platform/testing/Images.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <random>

using namespace frames;

using testenv::RandomImage;

namespace {

FrameWindow Window(cv::Point a, cv::Point b, cv::Point c, cv::Point d)
{
    FrameWindow w;
    w.corner = {a, b, c, d};
    return w;
}

int MaxDiff(const cv::Mat& a, const cv::Mat& b) { return static_cast<int>(cv::norm(a, b, cv::NORM_INF)); }

}  // namespace

TEST(FrameCompose, FeatherIsACosineRampOfTheEdgeWidth)
{
    EXPECT_FLOAT_EQ(FeatherWeight(0.f, 0.1f), 0.f);
    EXPECT_NEAR(FeatherWeight(0.05f, 0.1f), 0.5f, 1e-6);
    EXPECT_FLOAT_EQ(FeatherWeight(0.1f, 0.1f), 1.f);
    EXPECT_FLOAT_EQ(FeatherWeight(0.5f, 0.1f), 1.f);
    EXPECT_NEAR(FeatherWeight(0.95f, 0.1f), 0.5f, 1e-6);
    EXPECT_NEAR(FeatherWeight(1.f, 0.1f), 0.f, 1e-6);
    EXPECT_NEAR(FeatherWeight(0.025f, 0.1f), (std::cos(CV_PI * -0.75) + 1) / 2, 1e-6);
    // No feather: hard border everywhere, even exactly on the photo's edge (no 0 / 0).
    for (float t : {0.f, 0.5f, 1.f, -0.001f, 1.001f}) EXPECT_EQ(FeatherWeight(t, 0.f), 1.f);
    // Strays past the border do not swing back up.
    EXPECT_FLOAT_EQ(FeatherWeight(-0.01f, 0.1f), 0.f);
}

TEST(FrameCompose, PixelBlendFormulas)
{
    const uchar F[3] = {200, 100, 0}, S[3] = {0, 50, 255};
    uchar out[3];
    FrameBlend b;
    const float P[3] = {10, 128, 250};
    // Plain, opaque: the photo.
    CompositeFramePixel(P, F, nullptr, 0.5f, 0.5f, b, out);
    EXPECT_EQ(cv::Vec3b(out[0], out[1], out[2]), cv::Vec3b(10, 128, 250));
    // Plain, half opaque: the mean, fractions dropped.
    b.alpha = 0.5f;
    CompositeFramePixel(P, F, nullptr, 0.5f, 0.5f, b, out);
    EXPECT_EQ(cv::Vec3b(out[0], out[1], out[2]), cv::Vec3b(105, 114, 125));
    // The feather multiplies in: at u = 0 the weight is 0 and the background shows.
    b.alpha = 1;
    b.edge = 0.2f;
    CompositeFramePixel(P, F, nullptr, 0.f, 0.5f, b, out);
    EXPECT_EQ(cv::Vec3b(out[0], out[1], out[2]), cv::Vec3b(200, 100, 0));
    b.edge = 0;
    // Second background, no relief: s = (P - 128) g + 128 mixes F toward S.
    CompositeFramePixel(P, F, S, 0.5f, 0.5f, b, out);
    const float s0 = 10, s1 = 128, s2 = 250;
    EXPECT_EQ(out[0], uchar(200 * (1 - s0 / 255) + 0 * s0 / 255));
    EXPECT_EQ(out[1], uchar(100 * (1 - s1 / 255) + 50 * s1 / 255));
    EXPECT_EQ(out[2], uchar(0 * (1 - s2 / 255) + 255 * s2 / 255));

    // Relief with a second background: black shows F, white shows S.
    b.gray = true;
    const float black[3] = {0, 0, 0}, white[3] = {255, 255, 255}, mid[3] = {127.5f, 127.5f, 127.5f};
    CompositeFramePixel(black, F, S, 0.5f, 0.5f, b, out);
    EXPECT_EQ(cv::Vec3b(out[0], out[1], out[2]), cv::Vec3b(200, 100, 0));
    CompositeFramePixel(white, F, S, 0.5f, 0.5f, b, out);
    EXPECT_EQ(cv::Vec3b(out[0], out[1], out[2]), cv::Vec3b(0, 50, 255));
    // Relief alone: mid-grey keeps F, black makes black, white makes white.
    CompositeFramePixel(mid, F, nullptr, 0.5f, 0.5f, b, out);
    EXPECT_EQ(cv::Vec3b(out[0], out[1], out[2]), cv::Vec3b(200, 100, 0));
    CompositeFramePixel(black, F, nullptr, 0.5f, 0.5f, b, out);
    EXPECT_EQ(cv::Vec3b(out[0], out[1], out[2]), cv::Vec3b(0, 0, 0));
    CompositeFramePixel(white, F, nullptr, 0.5f, 0.5f, b, out);
    EXPECT_EQ(cv::Vec3b(out[0], out[1], out[2]), cv::Vec3b(255, 255, 255));
    // A quarter-grey halves F: o = 0.25, F * 0.5.
    const float quarter[3] = {63.75f, 63.75f, 63.75f};
    CompositeFramePixel(quarter, F, nullptr, 0.5f, 0.5f, b, out);
    EXPECT_EQ(cv::Vec3b(out[0], out[1], out[2]), cv::Vec3b(100, 50, 0));
}

TEST(FrameCompose, BilinearSamplerMatchesResize)
{
    const cv::Mat photo = RandomImage(7, 5, 1);
    cv::Mat ref;
    cv::resize(photo, ref, cv::Size(23, 17), 0, 0, cv::INTER_LINEAR);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 23; ++x) {
            float p[3];
            SampleBilinear8u3(photo, (x + 0.5f) / 23, (y + 0.5f) / 17, p);
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(p[c], ref.at<cv::Vec3b>(y, x)[c], 1.0) << x << "," << y;
        }
}

TEST(FrameCompose, AWindowOverTheWholeBackgroundIsABilinearResize)
{
    // Enlarged, and reduced by less than half (where the frame filter samples the full photo).
    for (const cv::Size photoSize : {cv::Size(37, 23), cv::Size(250, 190)}) {
        const cv::Mat photo = RandomImage(photoSize.width, photoSize.height, 5);
        const cv::Mat bg(150, 160, CV_8UC3, cv::Scalar(9, 9, 9));
        cv::Mat result = bg.clone();
        const FrameWindow w = Window({0, 0}, {160, 0}, {0, 150}, {160, 150});
        EXPECT_EQ(MapPhotoIntoWindow(photo, bg, cv::Mat(), w, FrameBlend{}, result), 160 * 150);
        cv::Mat ref;
        cv::resize(photo, ref, bg.size(), 0, 0, cv::INTER_LINEAR);
        EXPECT_LE(MaxDiff(result, ref), 1) << photoSize;
    }
}

TEST(FrameCompose, PerspectiveMatchesTheInverseHomographyAtEveryPixel)
{
    // A naive reference: invert the homography in double for each drawn pixel and sample.
    const cv::Mat photo = RandomImage(64, 48, 9);
    const cv::Mat bg(120, 200, CV_8UC3, cv::Scalar(0, 0, 0));
    cv::Mat result = bg.clone();
    const FrameWindow w = Window({30, 10}, {170, 25}, {12, 110}, {185, 96});
    const long long n = MapPhotoIntoWindow(photo, bg, cv::Mat(), w, FrameBlend{}, result);
    std::array<cv::Point2d, 4> q;
    for (int i = 0; i < 4; ++i) q[i] = w.corner[i];
    cv::Matx33d H;
    ASSERT_TRUE(SquareToQuad(q, H));
    const cv::Matx33d inv = H.inv();
    int checked = 0, worst = 0;
    for (int y = 0; y < bg.rows; ++y)
        for (int x = 0; x < bg.cols; ++x) {
            const cv::Vec3d uvw = inv * cv::Vec3d(x + 0.5, y + 0.5, 1);
            const double u = uvw[0] / uvw[2], v = uvw[1] / uvw[2];
            // Clear of the border, where coverage is the rasteriser's business.
            if (u < 0.01 || u > 0.99 || v < 0.01 || v > 0.99) continue;
            float p[3];
            SampleBilinear8u3(photo, float(u), float(v), p);
            const cv::Vec3b got = result.at<cv::Vec3b>(y, x);
            for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(int(got[c]) - int(p[c])));
            ++checked;
        }
    EXPECT_GT(checked, 10000);
    EXPECT_GE(n, checked);
    EXPECT_LE(worst, 2);
}

TEST(FrameCompose, GrayReliefOfMidGreyLeavesTheBackground)
{
    // m = (128 + 127 + 128) / 765 lies a hair above one half: every byte survives truncation.
    const cv::Mat photo(30, 40, CV_8UC3, cv::Scalar(128, 127, 128));
    const cv::Mat bg = RandomImage(90, 70, 3);
    for (float edge : {0.f, 0.2f}) {
        cv::Mat result = bg.clone();
        FrameBlend b;
        b.gray = true;
        b.edge = edge;
        const FrameWindow w = Window({5, 3}, {80, 10}, {0, 66}, {88, 60});
        EXPECT_GT(MapPhotoIntoWindow(photo, bg, cv::Mat(), w, b, result), 4000);
        EXPECT_EQ(MaxDiff(result, bg), 0) << "edge " << edge;
    }
}

TEST(FrameCompose, DegenerateWindowsDrawNothing)
{
    const cv::Mat photo = RandomImage(20, 20, 2);
    const cv::Mat bg(50, 50, CV_8UC3, cv::Scalar(1, 2, 3));
    const FrameWindow bad[] = {
        Window({0, 0}, {10, 10}, {20, 20}, {5, 40}),      // 00, 01, 10 on a line
        Window({10, 10}, {40, 10}, {10, 10}, {40, 40}),   // 00 and 10 coincide
        Window({25, 25}, {25, 25}, {25, 25}, {25, 25}),   // all four in one point
        Window({0, 0}, {0, 0}, {0, 0}, {0, 0}),           // the all-zero definition
        Window({INT_MIN, 0}, {INT_MAX, 0}, {0, INT_MAX}, {INT_MAX, INT_MAX}),
    };
    for (const FrameWindow& w : bad) {
        cv::Mat result = bg.clone();
        EXPECT_EQ(MapPhotoIntoWindow(photo, bg, cv::Mat(), w, FrameBlend{}, result), 0);
        EXPECT_EQ(MaxDiff(result, bg), 0);
    }
    // Bad arguments.
    cv::Mat result = bg.clone();
    const FrameWindow ok = Window({0, 0}, {50, 0}, {0, 50}, {50, 50});
    EXPECT_EQ(MapPhotoIntoWindow(cv::Mat(), bg, cv::Mat(), ok, FrameBlend{}, result), 0);
    EXPECT_EQ(MapPhotoIntoWindow(photo, bg, cv::Mat(10, 10, CV_8UC3), ok, FrameBlend{}, result), 0);
    EXPECT_EQ(MapPhotoIntoWindow(photo, cv::Mat(10, 10, CV_8UC3), cv::Mat(), ok, FrameBlend{}, result), 0);
}

TEST(FrameCompose, FoldedAndOffPictureWindowsStaySafe)
{
    const cv::Mat photo = RandomImage(20, 20, 4);
    const cv::Mat bg(60, 60, CV_8UC3, cv::Scalar(1, 2, 3));
    // A window hanging off every side, and a mirrored one: drawn where they cover the picture.
    for (const FrameWindow& w : {Window({-40, -30}, {100, -20}, {-35, 90}, {95, 99}),
                                 Window({55, 5}, {5, 5}, {55, 55}, {5, 55})}) {
        cv::Mat result = bg.clone();
        const long long n = MapPhotoIntoWindow(photo, bg, cv::Mat(), w, FrameBlend{}, result);
        EXPECT_GT(n, 2000);
        EXPECT_LE(n, 60 * 60);
    }
    // A bow tie (01 and 11 swapped) and a dart (11 pushed inside): no square looks like that
    // in perspective, its image runs through the horizon. Only pixels whose photo coordinates
    // are real and inside the photo may be drawn; the test is that nothing breaks.
    for (const FrameWindow& w : {Window({5, 5}, {55, 55}, {5, 55}, {55, 5}), Window({5, 5}, {55, 5}, {5, 55}, {15, 15})}) {
        cv::Mat result = bg.clone();
        const long long n = MapPhotoIntoWindow(photo, bg, cv::Mat(), w, FrameBlend{}, result);
        EXPECT_GE(n, 0);
        EXPECT_LE(n, 60 * 60);
    }
}

TEST(FrameCompose, ThreadsDoNotChangeTheResult)
{
    const cv::Mat photo = RandomImage(300, 200, 6);
    const cv::Mat bg = RandomImage(400, 300, 7), bg2 = RandomImage(400, 300, 8);
    const FrameWindow w = Window({20, 12}, {390, 40}, {5, 280}, {360, 299});
    FrameBlend b;
    b.edge = 0.1f;
    b.alpha = 0.8f;
    cv::Mat one = bg.clone(), many = bg.clone();
    const int threads = cv::getNumThreads();
    cv::setNumThreads(1);
    MapPhotoIntoWindow(photo, bg, bg2, w, b, one);
    cv::setNumThreads(std::max(threads, 4));
    MapPhotoIntoWindow(photo, bg, bg2, w, b, many);
    cv::setNumThreads(threads);
    EXPECT_EQ(MaxDiff(one, many), 0);
}
