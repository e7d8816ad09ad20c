#include "face/FaceShader.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include <cmath>

using namespace engine;
using namespace face;

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

namespace {
// A face outline shaped like a ring of landmarks around (200, 200): jaw below, brows above.
Landmarks RoundFace()
{
    Landmarks l;
    for (int i = 0; i <= 16; ++i) {
        const float a = float(CV_PI) * i / 16;  // left, down round the chin, to the right
        l.p[size_t(i)] = {200 - 120 * std::cos(a), 200 + 120 * std::sin(a)};
    }
    for (int i = 17; i <= 26; ++i) l.p[size_t(i)] = {110 + 20.0f * (i - 17), 140};
    for (int i = 36; i <= 41; ++i) l.p[size_t(i)] = {150, 170};
    for (int i = 42; i <= 47; ++i) l.p[size_t(i)] = {250, 170};
    for (int i = 48; i <= 67; ++i) l.p[size_t(i)] = {200, 280};
    l.valid = true;
    return l;
}
}  // namespace

TEST(FacePaste, TheMaskFillsTheOutlineAndFeathersInwards)
{
    const cv::Mat m = FaceHullMask(RoundFace(), 400, 20);
    ASSERT_EQ(m.type(), CV_32F);
    EXPECT_FLOAT_EQ(m.at<float>(220, 200), 1.0f);   // the middle of the face
    EXPECT_FLOAT_EQ(m.at<float>(10, 10), 0.0f);     // a corner
    EXPECT_FLOAT_EQ(m.at<float>(340, 200), 0.0f);   // below the chin
    // The brows were raised to take in the forehead: above them is still face.
    EXPECT_GT(m.at<float>(120, 200), 0.5f);
    // Towards the chin the mask falls smoothly to 0 across the feather.
    float previous = 1;
    for (int y = 290; y <= 320; ++y) {
        EXPECT_LE(m.at<float>(y, 200), previous + 1e-6f);
        previous = m.at<float>(y, 200);
    }
    EXPECT_GT(m.at<float>(305, 200), 0.0f);
    EXPECT_LT(m.at<float>(305, 200), 1.0f);
    EXPECT_EQ(cv::countNonZero(FaceHullMask(Landmarks{}, 50, 5)), 0);
}

TEST(FacePaste, MatchedColourTakesTheTemplatesMeanButKeepsTheFacesFeatures)
{
    // A bluish-grey face with a dark "eye", matched to a warm skin tone.
    cv::Mat face(100, 100, CV_8UC3, cv::Scalar(170, 150, 140));
    cv::circle(face, {50, 40}, 6, cv::Scalar(40, 40, 40), cv::FILLED);
    const cv::Mat mask(100, 100, CV_32F, cv::Scalar(1));
    cv::Mat skin(100, 100, CV_8UC3, cv::Scalar(120, 160, 220));
    const LabStats target = MeasureLab(skin, mask);
    ASSERT_TRUE(target.valid);
    const cv::Mat out = MatchFaceColour(face, mask, target);
    const LabStats got = MeasureLab(out, mask);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(got.mean[c], target.mean[c], 3) << "channel " << c;
    // The eye stays darker than the skin around it.
    EXPECT_LT(cv::norm(out.at<cv::Vec3b>(40, 50)), cv::norm(out.at<cv::Vec3b>(80, 50)) - 60);
    // Nothing to measure: the face comes back as it was.
    EXPECT_EQ(cv::norm(MatchFaceColour(face, mask, LabStats{}), face, cv::NORM_INF), 0);
}

TEST(FacePaste, TheTemplatesLightingIsItsBrightnessRelativeToTheMeanUnderTheCap)
{
    cv::Mat picture(100, 200, CV_8UC3);
    for (int x = 0; x < 200; ++x) picture.col(x).setTo(cv::Scalar::all(40 + x));  // brighter to the right
    cv::Mat coverage = cv::Mat::zeros(100, 200, CV_8U);
    coverage(cv::Rect(50, 20, 100, 60)).setTo(255);
    const cv::Mat shade = TemplateShading(picture, coverage);
    ASSERT_EQ(shade.type(), CV_32F);
    EXPECT_LT(shade.at<float>(50, 60), 0.9f);
    EXPECT_GT(shade.at<float>(50, 140), 1.1f);
    EXPECT_NEAR(cv::mean(shade, coverage)[0], 1.0, 0.02);
    // Without a cap nothing is known: no change.
    EXPECT_EQ(cv::countNonZero(TemplateShading(picture, cv::Mat::zeros(100, 200, CV_8U)) != 1.0f), 0);
}
