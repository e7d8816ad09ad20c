// SPDX-License-Identifier: MIT
// grimaze-cli camera: live frames from GStreamer's test source through a template, and every
// way the source can fail.
#include "cli/tests/CliRunner.h"

#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <cstdlib>
#include <filesystem>
#include <regex>


using clitest::Cli;

namespace {

std::string Pipeline(int buffers)
{
    return "videotestsrc num-buffers=" + std::to_string(buffers) +
           " pattern=smpte ! video/x-raw,width=160,height=120 ! videoconvert ! appsink sync=false";
}

int FilesIn(const std::string& dir)
{
    if (!std::filesystem::is_directory(dir)) return 0;
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) n += e.is_regular_file();
    return n;
}

}  // namespace

TEST(CameraCli, RendersTheFramesAskedForIntoTheFolderAndMeasuresTheRate)
{
    testenv::TempDir tmp;
    const std::string out = tmp / "shots";
    const auto r = Cli({"camera", "--template", "Emboss", "--source", Pipeline(20), "--frames", "5", "--out-dir", out, "--fps"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(FilesIn(out), 5);
    for (int i = 1; i <= 5; ++i) {
        const cv::Mat m = cv::imread(out + "/frame-000" + std::to_string(i) + ".jpg");
        ASSERT_FALSE(m.empty()) << i;
        EXPECT_EQ(m.size(), cv::Size(160, 120));
    }
    EXPECT_TRUE(std::regex_search(r.out, std::regex(R"(^5 frames in [0-9.]+ s: [0-9.]+ fps, [0-9]+ dropped\n$)"))) << r.out;

    // The view size makes preview renderings; a frame template keeps its picture's size.
    const auto small = Cli({"camera", "--template", "Emboss", "--source", Pipeline(5), "--frames", "1", "--size", "80x80",
                            "--out-dir", tmp / "small"});
    ASSERT_EQ(small.code, 0) << small.err;
    EXPECT_EQ(cv::imread(tmp / "small/frame-0001.jpg").size(), cv::Size(80, 60));
}

TEST(CameraCli, ASourceThatEndsEarlyEndsTheRunWithANote)
{
    testenv::TempDir tmp;
    const auto r = Cli({"camera", "--template", "Postcard", "--source", Pipeline(3), "--frames", "10", "--out-dir", tmp.path()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(FilesIn(tmp.path()), 3);
    EXPECT_NE(r.err.find("ended after 3 of 10 frames"), std::string::npos) << r.err;
}

TEST(CameraCli, TheEnvironmentNamesTheCameraWhenNoSourceIsGiven)
{
    testenv::TempDir tmp;
    ::setenv("GRIMAZE_CAMERA", Pipeline(4).c_str(), 1);
    const auto r = Cli({"camera", "--template", "Emboss", "--frames", "2", "--out-dir", tmp.path()});
    ::unsetenv("GRIMAZE_CAMERA");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(FilesIn(tmp.path()), 2);
}

TEST(CameraCli, EachFailureNamesItsCauseAndWritesNothing)
{
    testenv::TempDir tmp;
    struct Case {
        std::string source;
        const char* words;
    };
    const Case cases[] = {
        {"/dev/null", "not a camera: /dev/null is not a camera"},
        {"/dev/video97", "no camera: no camera found"},
        {tmp / "absent.mp4", "no camera: no camera found"},
        {"nosuchgrimazeelement ! appsink", "failed: the GStreamer pipeline does not start"},
        {"videotestsrc num-buffers=0 ! videoconvert ! appsink", "end of stream"},
    };
    for (const Case& c : cases) {
        const std::string out = tmp / "out";
        const auto r = Cli({"camera", "--template", "Emboss", "--source", c.source, "--frames", "2", "--out-dir", out});
        EXPECT_EQ(r.code, 1) << c.source;
        EXPECT_NE(r.err.find("grimaze-cli camera: " + std::string(c.words)), std::string::npos) << c.source << ": " << r.err;
        EXPECT_EQ(FilesIn(out), 0) << c.source;
    }
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"camera", "--source", Pipeline(2)},
             {"camera", "--template", "Emboss", "--frames", "0"},
             {"camera", "--template", "Emboss", "--size", "big"},
             {"camera", "--template", "Emboss", "extra"}}) {
        EXPECT_EQ(Cli(bad).code, 2) << bad.back();
    }
}
