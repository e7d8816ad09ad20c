// SPDX-License-Identifier: MIT
// The camera's settings: the environment ahead of the file, the countdown's few choices.
#include "camera/CameraSettings.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

/** Sets GRIMAZE_CAMERA for one test and restores it. */
class CameraEnv {
public:
    explicit CameraEnv(const char* value)
    {
        if (const char* old = std::getenv(camera::kCameraEnvironment)) old_ = old;
        if (value)
            ::setenv(camera::kCameraEnvironment, value, 1);
        else
            ::unsetenv(camera::kCameraEnvironment);
    }
    ~CameraEnv()
    {
        if (old_.empty())
            ::unsetenv(camera::kCameraEnvironment);
        else
            ::setenv(camera::kCameraEnvironment, old_.c_str(), 1);
    }

private:
    std::string old_;
};

}  // namespace

TEST(CameraSettings, TheEnvironmentNamesTheSourceAheadOfTheSetting)
{
    CameraEnv none(nullptr);
    EXPECT_EQ(camera::CameraSourceSetting(), "") << "no setting: the first camera";
    {
        CameraEnv empty("");
        EXPECT_EQ(camera::CameraSourceSetting(), "") << "an empty variable counts as unset";
    }
    CameraEnv set("videotestsrc ! videoconvert ! appsink");
    EXPECT_EQ(camera::CameraSourceSetting(), "videotestsrc ! videoconvert ! appsink");
}

TEST(CameraSettings, TheCountdownIsOneOfTheOfferedChoicesAndDefaultsToThree)
{
    EXPECT_EQ(camera::CountdownSeconds(), 3);
    for (int s : {0, 5, 10, 3}) {
        ASSERT_TRUE(camera::SetCountdownSeconds(s));
        EXPECT_EQ(camera::CountdownSeconds(), s);
    }
    for (int bad : {-1, 1, 7, 11, 60}) EXPECT_FALSE(camera::SetCountdownSeconds(bad)) << bad;
    EXPECT_EQ(camera::CountdownSeconds(), 3);
}

TEST(CameraSettings, TheMirrorIsOnUntilTurnedOff)
{
    EXPECT_TRUE(camera::MirrorPreview());
    ASSERT_TRUE(camera::SetMirrorPreview(false));
    EXPECT_FALSE(camera::MirrorPreview());
    ASSERT_TRUE(camera::SetMirrorPreview(true));
    EXPECT_TRUE(camera::MirrorPreview());
}
