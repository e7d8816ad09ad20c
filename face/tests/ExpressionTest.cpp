#include "face/ExpressionWarp.h"
#include "face/FaceDetector.h"
#include "face/FaceEngine.h"
#include "face/tests/FaceTestUtil.h"
#include "filters/SampleImage.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

using namespace engine;
using namespace face;
using namespace filters;

using namespace facetest;

namespace {

const FaceQuad kRegions[3] = {{100, 140, 180, 140, 180, 170, 100, 170},
                              {220, 140, 300, 140, 300, 170, 220, 170},
                              {140, 300, 260, 300, 260, 350, 140, 350}};

// An engine with a face and regions set by hand (no detection needed).
void Prepare(FaceEngine& e, const cv::Mat& photo)
{
    e.Init();
    e.SetPhoto(photo);
    e.faceRect = {e.workingPhoto.cols / 4, e.workingPhoto.rows / 4, e.workingPhoto.cols / 2, e.workingPhoto.rows / 2};
    e.PrepareCrop();
    for (int i = 0; i < 3; ++i) e.currentRegions[i] = kRegions[i];
    e.featuresLocated = true;
}

}  // namespace

TEST(ExpressionWarp, HappyMovesOnlyTheOuterEyeCornersAndTheMouthCorners)
{
    const std::int32_t happy[3] = {1, 0, 1}, angry[3] = {5, -2, -1};
    cv::Vec2f d[6];
    ExpressionDisplacements(happy, d);
    EXPECT_EQ(d[0], cv::Vec2f(-0.05f, -0.15f));
    EXPECT_EQ(d[3], cv::Vec2f(0.05f, -0.15f));
    EXPECT_EQ(d[1], cv::Vec2f(0, 0));
    EXPECT_EQ(d[2], cv::Vec2f(0, 0));
    EXPECT_EQ(d[4], cv::Vec2f(-0.1f, -0.3f));
    const ExpressionField f = MakeExpressionField(kRegions, d, happy);
    EXPECT_TRUE(f.active[0] && f.active[3] && f.active[4] && f.active[5]);
    EXPECT_FALSE(f.active[1] || f.active[2]);
    EXPECT_NEAR(f.anchor[0][0], 100.0f / 400, 1e-6);          // left edge of the left eye
    EXPECT_NEAR(f.anchor[3][0], 300.0f / 400, 1e-6);          // right edge of the right eye
    EXPECT_NEAR(f.anchor[4][0], 140.0f / 400 - 0.035f, 1e-6);  // just outside the mouth
    EXPECT_NEAR(f.anchor[4][1], 325.0f / 400, 1e-6);
    // At an anchor the offset is the displacement itself, against its direction.
    const cv::Vec2f off = ExpressionOffset(f, f.anchor[4][0], f.anchor[4][1], 1);
    EXPECT_NEAR(off[0], 0.1f, 2e-3);
    EXPECT_NEAR(off[1], 0.3f, 2e-3);

    ExpressionDisplacements(angry, d);  // only signs count
    EXPECT_EQ(d[1], cv::Vec2f(-0.03f, 0.15f));
    EXPECT_EQ(d[5], cv::Vec2f(-0.1f, 0.3f));
}

TEST(ExpressionWarp, EqualsThePerPixelDefinitionOnAnyNumberOfThreads)
{
    cv::Mat photo(300, 400, CV_8UC3);
    cv::RNG(5).fill(photo, cv::RNG::UNIFORM, 0, 256);
    cv::GaussianBlur(photo, photo, cv::Size(7, 7), 0);
    const std::int32_t sad[3] = {-1, 1, -1};
    cv::Vec2f d[6];
    ExpressionDisplacements(sad, d);
    const ExpressionField f = MakeExpressionField(kRegions, d, sad);
    const cv::Rect2f face(0.2f, 0.1f, 0.5f, 0.6f);
    cv::Mat fast(400, 400, CV_8UC3), single(400, 400, CV_8UC3);
    WarpExpression(photo, face, f, 0.3f, fast);
    int worst = 0;
    for (int y = 0; y < 400; y += 3)
        for (int x = 0; x < 400; x += 3) {
            const cv::Vec2f o = ExpressionOffset(f, x / 400.0f, y / 400.0f, 0.3f);
            const cv::Vec3f c = SampleImage(photo, face.width * (x / 400.0f + o[0]) + face.x,
                                            face.height * (y / 400.0f + o[1]) + face.y);
            for (int k = 0; k < 3; ++k) worst = std::max(worst, std::abs(int(c[k]) - fast.at<cv::Vec3b>(y, x)[k]));
        }
    EXPECT_LE(worst, 1);
    const int threads = cv::getNumThreads();
    cv::setNumThreads(1);
    WarpExpression(photo, face, f, 0.3f, single);
    cv::setNumThreads(threads);
    EXPECT_EQ(cv::norm(fast, single, cv::NORM_INF), 0);
}

TEST(Expression, TheAnimatedAmountSwingsBetweenZeroAndPastThreeTenths)
{
    FaceEngine e;
    Prepare(e, Astronaut());
    std::vector<float> amounts;
    for (int i = 0; i < 30; ++i) {
        e.AnimateExpression();
        amounts.push_back(e.expressionAmount);
    }
    EXPECT_FLOAT_EQ(amounts[0], 0);
    EXPECT_FLOAT_EQ(amounts[1], 0.03f);
    EXPECT_FLOAT_EQ(amounts[2], 0.06f);
    // Up in steps of 0.03 to the first amount above 0.3, then down to the first below 0, then up.
    int top = 0;
    while (amounts[top + 1] > amounts[top]) ++top;
    EXPECT_GT(amounts[top], 0.3f);
    EXPECT_LT(amounts[top - 1], 0.3f + 1e-6f);
    int bottom = top;
    while (amounts[bottom + 1] < amounts[bottom]) ++bottom;
    EXPECT_LT(amounts[bottom], 0);
    EXPECT_GT(amounts[bottom + 1], amounts[bottom]);
    for (size_t i = 1; i < amounts.size(); ++i) EXPECT_NEAR(std::abs(amounts[i] - amounts[i - 1]), 0.03f, 1e-5);

    // Without features the amount stays and the plain face crop is shown.
    e.featuresLocated = false;
    const float held = e.expressionAmount;
    const cv::Mat shown = e.AnimateExpression().clone();
    EXPECT_EQ(e.expressionAmount, held);
    cv::Mat expected;
    const cv::Mat photo = Astronaut();
    const double s = double(photo.cols) / e.workingPhoto.cols;
    const cv::Rect r(int(std::lround(e.faceRect.x * s)), int(std::lround(e.faceRect.y * s)),
                     int(std::lround(e.faceRect.width * s)), int(std::lround(e.faceRect.height * s)));
    cv::resize(photo(r), expected, cv::Size(400, 400), 0, 0, cv::INTER_LINEAR);
    EXPECT_EQ(cv::norm(shown, expected, cv::NORM_INF), 0);
}

TEST(Expression, WarpsTheFaceMoreAsTheAmountGrowsAndStaysBlackWithoutAFace)
{
    FaceEngine e;
    Prepare(e, Astronaut());
    const cv::Mat still = e.RenderExpression(0).clone();
    const cv::Mat some = e.RenderExpression(0.15f).clone();
    const cv::Mat full = e.RenderExpression(0.3f).clone();
    const double a = cv::norm(still, some, cv::NORM_L1), b = cv::norm(still, full, cv::NORM_L1);
    EXPECT_GT(a, 0);
    EXPECT_GT(b, a);
    // Far from every anchor (the crop's top corners) nothing moves.
    EXPECT_EQ(full.at<cv::Vec3b>(2, 2), still.at<cv::Vec3b>(2, 2));

    FaceEngine none;
    none.Init();
    EXPECT_EQ(cv::norm(none.RenderExpression(0.3f), cv::NORM_INF), 0);
    none.SetPhoto(Astronaut());
    EXPECT_EQ(cv::norm(none.RenderExpression(0.3f), cv::NORM_INF), 0);  // no face rectangle
}

TEST(Expression, OnTheAstronautsLandmarksHappyRaisesAndSadLowersBothMouthCornersAndAmountZeroChangesNothing)
{
    FaceDetector& detector = FaceDetector::Instance();
    ASSERT_TRUE(detector.LandmarksAvailable());
    FaceEngine e;
    e.Init();
    e.SetPhoto(Astronaut());
    detector.ResetFaceSearch();
    e.SearchFace();
    e.AlignFeatures();
    ASSERT_TRUE(e.featuresLocated);
    ASSERT_TRUE(e.CropLandmarks().valid);

    // Amount 0 shows the face as it is, whatever the expression: exactly the face sampled
    // without any bump, and close to the plain crop (which rounds the box to whole pixels).
    e.featuresLocated = false;
    const cv::Mat plain = e.RenderExpression(0).clone();
    e.featuresLocated = true;
    const cv::Mat photo = Astronaut();
    const float ww = float(e.workingPhoto.cols), wh = float(e.workingPhoto.rows);
    cv::Mat unwarped(400, 400, CV_8UC3);
    WarpBumps(photo, cv::Rect2f(e.faceRect.x / ww, e.faceRect.y / wh, e.faceRect.width / ww, e.faceRect.height / wh), {}, 0,
              unwarped);
    const std::int32_t happy[3] = {1, 0, 1}, angry[3] = {1, -1, -1}, sad[3] = {-1, 1, -1};
    for (const std::int32_t* signs : {happy, angry, sad}) {
        e.SetExpressionSigns(signs);
        EXPECT_EQ(cv::norm(e.RenderExpression(0), unwarped, cv::NORM_INF), 0);
    }
    cv::Mat diff;
    cv::absdiff(unwarped, plain, diff);
    EXPECT_LT(cv::mean(diff)[0], 4);

    // The corners as the landmark model sees them on the rendered faces (crop pixels).
    auto corners = [&](const cv::Mat& face) {
        const Landmarks l = detector.FindLandmarks(face, FaceRect{0, 0, face.cols, face.rows});
        EXPECT_TRUE(l.valid);
        return std::pair{l.p[48], l.p[54]};
    };
    e.SetExpressionSigns(happy);
    const auto still = corners(e.RenderExpression(0).clone());
    const auto smiling = corners(e.RenderExpression(0.3f).clone());
    e.SetExpressionSigns(sad);
    const auto sadFace = corners(e.RenderExpression(0.3f).clone());
    EXPECT_LT(smiling.first.y, still.first.y - 3);
    EXPECT_LT(smiling.second.y, still.second.y - 3);
    EXPECT_GT(sadFace.first.y, still.first.y + 3);
    EXPECT_GT(sadFace.second.y, still.second.y + 3);
    // A smile also widens the mouth.
    EXPECT_GT(smiling.second.x - smiling.first.x, still.second.x - still.first.x + 2);

    // Anger draws the inner ends of the brows down and together, so the brows make a V: the
    // inner ends come lower than the outer ones, and the mouth corners drop. (The model places
    // the inner brow ends too loosely to measure "together" on a warped face.)
    auto brows = [&](const cv::Mat& face) {
        const Landmarks l = detector.FindLandmarks(face, FaceRect{0, 0, face.cols, face.rows});
        EXPECT_TRUE(l.valid);
        return l;
    };
    e.SetExpressionSigns(angry);
    const Landmarks calm = brows(e.RenderExpression(0).clone()), cross = brows(e.RenderExpression(0.3f).clone());
    EXPECT_GT(cross.p[21].y, calm.p[21].y + 8);
    EXPECT_GT(cross.p[22].y, calm.p[22].y + 8);
    // The V: how much lower the inner end sits than the outer one grows on both sides.
    EXPECT_GT((cross.p[21].y - cross.p[17].y) - (calm.p[21].y - calm.p[17].y), 6);
    EXPECT_GT((cross.p[22].y - cross.p[26].y) - (calm.p[22].y - calm.p[26].y), 6);
    EXPECT_GT(cross.p[48].y, calm.p[48].y + 2);
    EXPECT_GT(cross.p[54].y, calm.p[54].y + 2);
}
