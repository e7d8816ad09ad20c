#include "face/FaceDetector.h"
#include "face/FaceEngine.h"
#include "face/tests/FaceTestUtil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace engine;
using namespace face;

using namespace facetest;

namespace {

cv::Point2f Centre(const FaceQuad& q) { return {(q.x0 + q.x1 + q.x2 + q.x3) / 4, (q.y0 + q.y1 + q.y2 + q.y3) / 4}; }

void ExpectQuadNear(const FaceQuad& a, const FaceQuad& b, float tol)
{
    EXPECT_NEAR(a.x0, b.x0, tol);
    EXPECT_NEAR(a.y0, b.y0, tol);
    EXPECT_NEAR(a.x1, b.x1, tol);
    EXPECT_NEAR(a.y1, b.y1, tol);
    EXPECT_NEAR(a.x2, b.x2, tol);
    EXPECT_NEAR(a.y2, b.y2, tol);
    EXPECT_NEAR(a.x3, b.x3, tol);
    EXPECT_NEAR(a.y3, b.y3, tol);
}

// Pupils and mouth of the astronaut sample photo (512 x 512), marked by hand on the picture.
const cv::Point2f kLeftEye(202, 101), kRightEye(247, 103), kMouth(224, 146);

class FaceEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine.Init();
        ASSERT_TRUE(FaceDetector::Instance().Loaded());
        FaceDetector::Instance().ResetFaceSearch();
    }
    FaceEngine engine;
};

}  // namespace

TEST(WorkingPhoto, FitsInto800By600EnlargingSmallPhotos)
{
    EXPECT_EQ(MakeWorkingPhoto(cv::Mat(512, 512, CV_8UC3)).size(), cv::Size(600, 600));
    EXPECT_EQ(MakeWorkingPhoto(cv::Mat(800, 1000, CV_8UC3)).size(), cv::Size(750, 600));
    EXPECT_EQ(MakeWorkingPhoto(cv::Mat(300, 1601, CV_8UC3)).size(), cv::Size(800, 149));
    EXPECT_EQ(MakeWorkingPhoto(cv::Mat(5000, 1, CV_8UC3)).size(), cv::Size(1, 600));
    EXPECT_TRUE(MakeWorkingPhoto(cv::Mat()).empty());
}

TEST_F(FaceEngineTest, ARectangleOfZeroWidthClearsTheCrop)
{
    engine.SetPhoto(Astronaut());
    engine.faceRect = {100, 100, 120, 120};
    engine.PrepareCrop();
    EXPECT_GT(cv::countNonZero(engine.contrast), 0);
    engine.faceRect = {100, 100, 0, 120};
    engine.PrepareCrop();
    EXPECT_EQ(engine.faceCrop.size(), cv::Size(400, 400));
    EXPECT_EQ(cv::norm(engine.faceCrop, cv::NORM_INF), 0);
    EXPECT_EQ(cv::countNonZero(engine.contrast), 0);
}

TEST_F(FaceEngineTest, AFaceReachingPastTheEdgeRepeatsTheEdgePixels)
{
    engine.SetPhoto(cv::Mat(100, 100, CV_8UC3, cv::Scalar(10, 20, 30)));
    engine.faceRect = {-50, -50, 200, 200};  // working photo is 600 x 600
    engine.PrepareCrop();
    EXPECT_EQ(engine.faceCrop.at<cv::Vec3b>(0, 0), cv::Vec3b(10, 20, 30));
    engine.faceRect = {700, 700, 50, 50};
    engine.PrepareCrop();
    EXPECT_EQ(cv::norm(engine.faceCrop, cv::NORM_INF), 0);
}

TEST_F(FaceEngineTest, SearchBuildsTheCropAndAFourLevelPyramid)
{
    engine.SetPhoto(Astronaut());
    engine.SearchFace();
    ASSERT_GT(engine.faceRect.width, 0);
    EXPECT_EQ(engine.detectedFaces.size(), 1u);
    ASSERT_EQ(engine.pyramid.size(), 4u);
    EXPECT_EQ(engine.pyramid.back().size(), cv::Size(25, 25));
    EXPECT_FALSE(engine.featuresLocated);
    // The face region in photo pixels holds both eyes and the mouth.
    const FaceQuad face = engine.GetRegion(FaceRegion);
    for (cv::Point2f p : {kLeftEye, kRightEye, kMouth}) {
        EXPECT_GT(p.x, face.x0);
        EXPECT_LT(p.x, face.x2);
        EXPECT_GT(p.y, face.y0);
        EXPECT_LT(p.y, face.y2);
    }
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(engine.GetRegion(i).IsEmpty());
}

TEST_F(FaceEngineTest, LandmarksPutTheEyesWithinThreePixelsOfTheAstronautsPupils)
{
    ASSERT_TRUE(FaceDetector::Instance().LandmarksAvailable()) << FaceDetector::DefaultLandmarkModelPath();
    engine.SetPhoto(Astronaut());
    engine.SearchFace();
    engine.AlignFeatures();
    ASSERT_TRUE(engine.featuresLocated);
    ASSERT_TRUE(engine.CropLandmarks().valid);
    const cv::Point2f marks[3] = {kLeftEye, kRightEye, kMouth};
    const float tolerance[3] = {3, 3, 6};
    for (int i = 0; i < 3; ++i) {
        const cv::Point2f c = Centre(engine.GetRegion(i));
        EXPECT_NEAR(c.x, marks[i].x, tolerance[i]) << "region " << i;
        EXPECT_NEAR(c.y, marks[i].y, tolerance[i]) << "region " << i;
    }
}

TEST_F(FaceEngineTest, WithoutTheLandmarkModelTheBarsLocateAndLevelTheFeaturesAndSaySoOnce)
{
    testenv::TempDir empty;
    FaceDetector::Instance().SetLandmarkModelPath(empty.path() + "/missing.dat");
    engine.SetPhoto(Astronaut());
    engine.SearchFace();
    testing::internal::CaptureStderr();
    engine.AlignFeatures();
    engine.AlignFeatures();
    const std::string log = testing::internal::GetCapturedStderr();
    FaceDetector::Instance().SetLandmarkModelPath("");
    EXPECT_EQ(log.find("landmark model not found"), log.rfind("landmark model not found")) << log;
    EXPECT_NE(log.find("missing.dat"), std::string::npos) << log;
    ASSERT_TRUE(engine.featuresLocated);
    EXPECT_FALSE(engine.CropLandmarks().valid);
    // Within 6 photo pixels (6% of the face's width) of the hand-marked points.
    const cv::Point2f marks[3] = {kLeftEye, kRightEye, kMouth};
    for (int i = 0; i < 3; ++i) {
        const cv::Point2f c = Centre(engine.GetRegion(i));
        EXPECT_NEAR(c.x, marks[i].x, 6) << "region " << i;
        EXPECT_NEAR(c.y, marks[i].y, 6) << "region " << i;
    }
    // Levelled: the eye tops lie within 5 crop pixels of each other.
    const FaceQuad& l = engine.currentRegions[0];
    const FaceQuad& r = engine.currentRegions[1];
    EXPECT_LE(std::abs((l.y0 + l.y1) / 2 - (r.y0 + r.y1) / 2), 5.001f);
}

TEST_F(FaceEngineTest, AStoppedAlignmentLocatesNothingAndKeepsTheRegions)
{
    engine.SetPhoto(Astronaut());
    engine.SearchFace();
    engine.currentRegions[0] = FaceQuad{1, 2, 3, 4, 5, 6, 7, 8};
    std::atomic<bool> done{false};
    std::thread stopper([&] {
        while (!done.load()) engine.RequestStop();
    });
    engine.AlignFeatures();
    done = true;
    stopper.join();
    EXPECT_FALSE(engine.featuresLocated);
    EXPECT_EQ(engine.currentRegions[0].x3, 7);
}

TEST_F(FaceEngineTest, RegionsRoundTripBetweenPhotoAndCrop)
{
    engine.SetPhoto(cv::Mat(800, 1000, CV_8UC3, cv::Scalar(90, 120, 160)));  // working 750 x 600
    engine.faceRect = {300, 150, 150, 150};
    const FaceQuad eye{400, 250, 460, 255, 458, 280, 402, 276};
    engine.SetRegion(0, eye);
    EXPECT_TRUE(engine.featuresLocated);
    ExpectQuadNear(engine.GetRegion(0), eye, 1e-3f);
    // x 400 in the photo is 300 in the working photo, the face's left edge: crop x 0.
    EXPECT_NEAR(engine.currentRegions[0].x0, 0, 1e-3);

    const FaceQuad face = engine.GetRegion(FaceRegion);
    EXPECT_FLOAT_EQ(face.x0, 400);
    EXPECT_FLOAT_EQ(face.y2, 400);
    // Moving the face keeps the features where they are in the photo.
    const FaceQuad moved{380, 180, 600, 180, 600, 420, 380, 420};
    engine.SetRegion(FaceRegion, moved);
    EXPECT_EQ(engine.faceRect, (FaceRect{285, 135, 165, 180}));
    ExpectQuadNear(engine.GetRegion(FaceRegion), moved, 1e-3f);
    ExpectQuadNear(engine.GetRegion(0), eye, 1e-2f);
    EXPECT_TRUE(engine.featuresLocated);
}

TEST_F(FaceEngineTest, AnotherPhotoForgetsTheFace)
{
    engine.SetPhoto(Astronaut());
    engine.SearchFace();
    engine.AlignFeatures();
    EXPECT_FALSE(engine.SetPhoto(Astronaut()));  // the same photo again keeps everything
    EXPECT_TRUE(engine.featuresLocated);
    EXPECT_TRUE(engine.SetPhoto(Cat()));
    EXPECT_FALSE(engine.featuresLocated);
    EXPECT_TRUE(engine.faceRect.IsEmpty());
    EXPECT_TRUE(engine.detectedFaces.empty());
}
