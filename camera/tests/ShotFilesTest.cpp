// SPDX-License-Identifier: MIT
// Shot names: the local time, and a number for shots within the same second.
#include "camera/ShotFiles.h"

#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <cstdlib>
#include <filesystem>
#include <set>

TEST(ShotFiles, NamesFollowTheLocalTimeAndABurstInOneSecondGetsNumbers)
{
    const char* oldTz = std::getenv("TZ");
    const std::string saved = oldTz ? oldTz : "";
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    const std::time_t when = 1765195209;  // 2025-12-08 12:00:09 UTC
    std::set<std::string> existing;
    auto taken = [&](const std::string& n) { return existing.count(n) > 0; };
    EXPECT_EQ(camera::ShotFileName(when, taken), "Grimaze-20251208-120009.jpg");
    existing.insert("Grimaze-20251208-120009.jpg");
    EXPECT_EQ(camera::ShotFileName(when, taken), "Grimaze-20251208-120009-2.jpg");
    existing.insert("Grimaze-20251208-120009-2.jpg");
    EXPECT_EQ(camera::ShotFileName(when, taken), "Grimaze-20251208-120009-3.jpg");

    // Four shots of a burst written within one second: four files, none overwritten.
    testenv::TempDir dir;
    std::set<std::string> paths;
    for (int i = 0; i < 4; ++i) {
        std::string error;
        const std::string path = camera::SaveShot(cv::Mat(8, 8, CV_8UC3, cv::Scalar(i * 60, 0, 0)), dir / "Grimaze", when, &error);
        ASSERT_FALSE(path.empty()) << error;
        paths.insert(path);
        EXPECT_NEAR(cv::imread(path).at<cv::Vec3b>(4, 4)[0], i * 60, 4);
    }
    EXPECT_EQ(paths.size(), 4u);
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir / "Grimaze")) {
        EXPECT_EQ(e.path().extension(), ".jpg") << "no temporary file is left behind";
        ++files;
    }
    EXPECT_EQ(files, 4);
    std::string error;
    EXPECT_EQ(camera::SaveShot(cv::Mat(), dir.path(), when, &error), "");
    EXPECT_FALSE(error.empty());
    if (oldTz)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}
