#include "face/FaceShader.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A region quad (crop pixels) centred on (u, v) in texture fractions, 40 x 20 crop pixels.
FaceQuad RegionAt(float u, float v)
{
    const float x = u * 400, y = v * 400;
    return FaceQuad{x - 20, y - 10, x + 20, y - 10, x + 20, y + 10, x - 20, y + 10};
}

struct ShaderFixture : ::testing::Test {
    void SetUp() override
    {
        picture = cv::Mat(50, 50, CV_8UC3, cv::Scalar(40, 80, 120));
        photo = cv::Mat(100, 100, CV_8UC3, cv::Scalar(200, 150, 100));
        d.picture = &picture;
        d.photo = &photo;
        d.face = cv::Rect2f(0.25f, 0.25f, 0.5f, 0.5f);
    }
    cv::Mat picture, photo;
    FaceShaderData d;
    const float light[3] = {0.5f, 0.5f, 0.5f};
};

void ExpectColour(const cv::Vec3f& got, const cv::Vec3f& want, float tol = 1e-5f)
{
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(got[c], want[c], tol) << "channel " << c;
}

}  // namespace

TEST(EdgeWindow, IsOneInsideZeroOutsideAndRampsBetween)
{
    EXPECT_EQ(EdgeWindow(0.5f, 0.2f), 1);
    EXPECT_EQ(EdgeWindow(0.2f, 0.2f), 1);
    EXPECT_NEAR(EdgeWindow(0.8f, 0.2f), 1, 1e-6);
    EXPECT_NEAR(EdgeWindow(0.9f, 0.2f), 0.5f, 1e-6);
    EXPECT_NEAR(EdgeWindow(1.0f, 0.2f), 0, 1e-6);
    EXPECT_NEAR(EdgeWindow(0.1f, 0.2f), 0.5f, 1e-6);
    EXPECT_EQ(EdgeWindow(1.01f, 0.2f), 0);
    EXPECT_EQ(EdgeWindow(-0.01f, 0.2f), 0);
    EXPECT_EQ(EdgeWindow(0.999f, 0), 1);  // no soft edge: a hard circle, no division by zero
    EXPECT_EQ(EdgeWindow(1.0f, 0), 0);
}

TEST_F(ShaderFixture, OutsideTheCircleIsPureTemplateColour)
{
    const cv::Vec3f T = cv::Vec3f(40, 80, 120) / 255.0f;
    for (bool located : {false, true})
        for (bool enhanced : {false, true}) {
            d.located = located, d.enhanced = enhanced;
            for (int i = 0; i < 3; ++i) d.regions[i] = RegionAt(0.5f, 0.5f);
            ExpectColour(ShadeFacePixel(d, 10, 10, light, 1.0f, 0.5f), T);
            ExpectColour(ShadeFacePixel(d, 10, 10, light, 0.0f, 0.0f), T);
        }
}

TEST_F(ShaderFixture, InsideWithoutFeaturesIsPurePhotoColourTimesTheLight)
{
    const cv::Vec3f P = cv::Vec3f(200, 150, 100) / 255.0f * 0.5f;
    ExpectColour(ShadeFacePixel(d, 10, 10, light, 0.5f, 0.5f), P);
    ExpectColour(ShadeFacePixel(d, 10, 10, light, 0.6f, 0.7f), P);  // r = 0.22 < 0.3
    // Half way down the soft edge: an even mix.
    const cv::Vec3f T = cv::Vec3f(40, 80, 120) / 255.0f;
    ExpectColour(ShadeFacePixel(d, 10, 10, light, 0.9f, 0.5f), 0.5f * T + 0.5f * P);
    // No photo: nothing of the face.
    d.photo = nullptr;
    ExpectColour(ShadeFacePixel(d, 10, 10, light, 0.5f, 0.5f), cv::Vec3f(0, 0, 0));
}

TEST(BlendFaceColour, EnhancedColourIsClampedAndFeatureWeightsStayConvex)
{
    const cv::Vec3f T(0.9f, 0.5f, 0.2f), P(1, 1, 1);
    // Gain 1 - 0.5 + 0.8 = 1.3: 0.9 * 1.3 > 1 is clamped before mixing.
    ExpectColour(BlendFaceColour(T, P, 1, 0, true, true), cv::Vec3f(1, 0.65f, 0.26f));
    ExpectColour(BlendFaceColour(T, P, 1, 0.5f, true, true), P);
    ExpectColour(BlendFaceColour(T, P, 1, 0.25f, true, true), cv::Vec3f(1, 0.825f, 0.63f));
    // Without enhanced colour the features add to the photo's share: k = (F + 0.5) alpha.
    ExpectColour(BlendFaceColour(T, cv::Vec3f(0, 0, 0), 1, 0.5f, true, false), cv::Vec3f(0, 0, 0));
    ExpectColour(BlendFaceColour(T, cv::Vec3f(0, 0, 0), 0.5f, 0, true, false), T * 0.75f);
}

TEST_F(ShaderFixture, TheFeatureWeightSumIsCappedAtOneHalf)
{
    d.located = true, d.enhanced = true;
    for (int i = 0; i < 3; ++i) {
        d.regions[i] = RegionAt(0.5f, 0.5f);
        d.radius[i] = 5;
    }
    // Three weights of about 1 each: capped at 0.5, so the photo takes all of the colour.
    ExpectColour(ShadeFacePixel(d, 10, 10, light, 0.5f, 0.5f), cv::Vec3f(200, 150, 100) / 255.0f * 0.5f);
}

TEST(FeatureWeight, IsAGaussianOverTheRegionsBox)
{
    const FaceQuad r = RegionAt(0.4f, 0.6f);  // half-width 20/400, half-height 10/400
    EXPECT_NEAR(FeatureWeight(0.4f, 0.6f, r, 1), 1, 1e-6);
    EXPECT_NEAR(FeatureWeight(0.4f + 0.05f, 0.6f, r, 1), std::exp(-1.0f), 1e-5);
    EXPECT_NEAR(FeatureWeight(0.4f, 0.6f + 0.05f, r, 2), std::exp(-1.0f), 1e-5);
    EXPECT_EQ(FeatureWeight(0.4f, 0.6f, RegionAt(0.4f, 0.6f), 0), 0);
    EXPECT_EQ(FeatureWeight(0.4f, 0.6f, FaceQuad{}, 1), 0);
}

TEST(TexturePose, IsTheIdentityForFeaturesAtTheReferencePointsAndMapsThemOtherwise)
{
    const FaceQuad ref[3] = {RegionAt(0.25f, 0.375f), RegionAt(0.75f, 0.375f), RegionAt(0.5f, 0.82f)};
    float pose[6];
    TexturePoseFromRegions(ref, pose);
    const float identity[6] = {1, 0, 0, 0, 1, 0};
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(pose[i], identity[i], 1e-5);

    const FaceQuad moved[3] = {RegionAt(0.3f, 0.4f), RegionAt(0.7f, 0.42f), RegionAt(0.52f, 0.8f)};
    TexturePoseFromRegions(moved, pose);
    EXPECT_NEAR(pose[0] * 0.25f + pose[1] * 0.375f + pose[2], 0.3f, 1e-5);
    EXPECT_NEAR(pose[3] * 0.75f + pose[4] * 0.375f + pose[5], 0.42f, 1e-5);
    EXPECT_NEAR(pose[0] * 0.5f + pose[1] * 0.82f + pose[2], 0.52f, 1e-5);
}
