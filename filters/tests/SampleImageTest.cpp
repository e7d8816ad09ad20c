#include "filters/SampleImage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace filters;

TEST(SampleImage, PixelCentresReturnThePixel)
{
    cv::Mat m(2, 2, CV_8UC3);
    m.at<cv::Vec3b>(0, 0) = {10, 20, 30};
    m.at<cv::Vec3b>(0, 1) = {50, 60, 70};
    m.at<cv::Vec3b>(1, 0) = {90, 100, 110};
    m.at<cv::Vec3b>(1, 1) = {130, 140, 150};
    // The centre of pixel (1, 0) is u = 1.5 / 2, v = 0.5 / 2.
    const cv::Vec3f c = SampleImage(m, 0.75f, 0.25f);
    EXPECT_FLOAT_EQ(c[0], 50);
    EXPECT_FLOAT_EQ(c[2], 70);
    // Outside the image the border is clamped.
    EXPECT_FLOAT_EQ(SampleImage(m, -3.f, -3.f)[0], 10);
    EXPECT_FLOAT_EQ(SampleImage(m, 5.f, 5.f)[1], 140);
}

TEST(SampleImage, TriangleInterpolationOnBothSidesOfTheDiagonal)
{
    cv::Mat m(2, 2, CV_32FC1);
    m.at<float>(0, 0) = 0;    // c00
    m.at<float>(0, 1) = 10;   // c10
    m.at<float>(1, 0) = 20;   // c01
    m.at<float>(1, 1) = 100;  // c11
    // fx = 0.25, fy = 0.25: c00 + fy (c01 - c00) + fx (c10 - c00) = 5 + 2.5.
    EXPECT_FLOAT_EQ(SampleImage(m, (0.5f + 0.25f) / 2, (0.5f + 0.25f) / 2)[0], 7.5f);
    // fx = fy = 0.75: c11 + 0.25 (c10 - c11) + 0.25 (c01 - c11) = 100 - 22.5 - 20.
    EXPECT_FLOAT_EQ(SampleImage(m, (0.5f + 0.75f) / 2, (0.5f + 0.75f) / 2)[0], 57.5f);
    // Missing channels read as 0; the half-amplitude rule at map size: mean of (x-1, y), (x, y-1).
    EXPECT_FLOAT_EQ(SampleImage(m, 0.5f, 0.5f)[1], 0);
    EXPECT_FLOAT_EQ(SampleImage(m, 1 / 2.f, 1 / 2.f)[0], (10 + 20) / 2.f);
}

TEST(SampleImage, TypesAndEmpty)
{
    EXPECT_EQ(SampleImage(cv::Mat(), 0.5f, 0.5f), cv::Vec3f(0, 0, 0));
    cv::Mat s16(1, 1, CV_16SC4, cv::Scalar(-5, 7, 9, 11));
    EXPECT_EQ(SampleImage(s16, 0.5f, 0.5f), cv::Vec3f(-5, 7, 9));
    cv::Mat d(1, 1, CV_64FC3, cv::Scalar(0.5, 1.5, 2.5));
    EXPECT_EQ(SampleImage(d, 0.1f, 0.9f), cv::Vec3f(0.5f, 1.5f, 2.5f));
}

TEST(SampleImage, PositionsFarOutsideSampleTheBorderAndNaNSamplesAPixel)
{
    // A ramp whose right border is 250 and left border 10: a position of 1e30 must not wrap
    // around the int range onto the wrong side.
    for (int type : {CV_8UC3, CV_16UC3, CV_32FC1}) {
        cv::Mat ramp(3, 5, type);
        for (int x = 0; x < 5; ++x) ramp.col(x).setTo(cv::Scalar::all(10 + 60 * x));
        SCOPED_TRACE(type);
        const float far[] = {1e30f, 3e9f, std::numeric_limits<float>::infinity()};
        for (float u : far) {
            EXPECT_FLOAT_EQ(SampleImage(ramp, u, 0.5f)[0], 250) << u;
            EXPECT_FLOAT_EQ(SampleImage(ramp, -u, 0.5f)[0], 10) << u;
            EXPECT_FLOAT_EQ(SampleImage(ramp, 0.5f, u)[0], 130) << u;
        }
        const cv::Vec3f n = SampleImage(ramp, std::nanf(""), std::nanf(""));
        EXPECT_FLOAT_EQ(n[0], 10);
        // Just outside the border, where the int range is no concern, nothing changes.
        EXPECT_FLOAT_EQ(SampleImage(ramp, 1.5f, 0.5f)[0], 250);
        EXPECT_FLOAT_EQ(SampleImage(ramp, 0.3f, 0.5f)[0], 10 + 60 * (0.3f * 5 - 0.5f));
    }
}
