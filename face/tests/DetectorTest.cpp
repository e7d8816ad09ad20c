#include "face/FaceDetector.h"
#include "face/FaceEngine.h"
#include "face/tests/FaceTestUtil.h"
#include "platform/Folders.h"

#include <gtest/gtest.h>

using namespace face;

using namespace facetest;

namespace {

class FaceDetectorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(FaceDetector::Instance().LoadCascade(), 0) << FaceDetector::CascadePath();
        FaceDetector::Instance().ResetFaceSearch();
    }
    FaceDetector& detector = FaceDetector::Instance();
};

}  // namespace

TEST_F(FaceDetectorTest, CyclesThroughTheFacesOfAPhotoAndStartsAgainAfterTheLast)
{
    const cv::Mat collage = Collage();
    ASSERT_FALSE(collage.empty());
    std::vector<FaceRect> all;
    const FaceRect first = detector.DetectNextFace(collage, &all);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(first, all[0]);
    EXPECT_EQ(detector.NextIndex(), 1);
    const FaceRect second = detector.DetectNextFace(collage);
    const FaceRect third = detector.DetectNextFace(collage);
    EXPECT_EQ(second, all[1]);
    EXPECT_EQ(third, all[2]);
    // The faces come left to right; each lies on one of the three pasted astronauts.
    EXPECT_LT(first.x, 410);
    EXPECT_TRUE(second.x > 430 && second.x < 750);
    EXPECT_GT(third.x, 800);
    // The request after the last face detects again and starts from the first.
    EXPECT_EQ(detector.NextIndex(), 0);
    EXPECT_EQ(detector.DetectNextFace(collage), first);
}

TEST_F(FaceDetectorTest, APhotoWithoutFacesGivesTheEmptyRectangleEveryTime)
{
    const cv::Mat cat = Cat();
    ASSERT_FALSE(cat.empty());
    for (int i = 0; i < 2; ++i) {
        std::vector<FaceRect> all{{1, 2, 3, 4}};
        EXPECT_TRUE(detector.DetectNextFace(MakeWorkingPhoto(cat), &all).IsEmpty());
        EXPECT_TRUE(all.empty());
    }
}

TEST_F(FaceDetectorTest, AnotherPhotoGetsItsOwnListAndResetRestarts)
{
    const cv::Mat collage = Collage();
    const cv::Mat astronaut = MakeWorkingPhoto(Astronaut());
    std::vector<FaceRect> all;
    detector.DetectNextFace(collage, &all);
    ASSERT_EQ(all.size(), 3u);
    // Stepping on after the photo changed must not hand out the collage's second face.
    std::vector<FaceRect> own;
    const FaceRect face = detector.DetectNextFace(astronaut, &own);
    ASSERT_EQ(own.size(), 1u);
    EXPECT_EQ(face, own[0]);
    EXPECT_GT(face.width, 80);

    detector.DetectNextFace(collage);
    detector.ResetFaceSearch();
    EXPECT_EQ(detector.DetectNextFace(collage), all[0]);
}

TEST_F(FaceDetectorTest, WrongImagesAndAMissingCascadeGiveNoFace)
{
    EXPECT_TRUE(detector.DetectNextFace(cv::Mat()).IsEmpty());
    EXPECT_TRUE(detector.DetectNextFace(cv::Mat(100, 100, CV_8UC1, cv::Scalar(9))).IsEmpty());
    EXPECT_TRUE(detector.DetectNextFace(cv::Mat(1, 1, CV_8UC3)).IsEmpty());

    testenv::TempDir empty;
    detector.ReleaseDetector();
    platform::SetProgramFolder(empty.path());
    EXPECT_EQ(detector.LoadCascade(), -1);
    EXPECT_TRUE(detector.DetectNextFace(MakeWorkingPhoto(Astronaut())).IsEmpty());
    platform::SetProgramFolder("");
    EXPECT_EQ(detector.LoadCascade(), 0);
    EXPECT_FALSE(detector.DetectNextFace(MakeWorkingPhoto(Astronaut())).IsEmpty());
}
