#include "face/FaceDetector.h"
#include "face/FaceEngine.h"
#include "face/tests/FaceTestUtil.h"

#include <gtest/gtest.h>

using namespace facetest;

TEST(FaceDetector, LoadsTheCascadeFromTheProgramFolder)
{
    EXPECT_EQ(FaceDetector::Instance().LoadCascade(), 0) << FaceDetector::CascadePath();
    EXPECT_TRUE(FaceDetector::Instance().Loaded());
}
