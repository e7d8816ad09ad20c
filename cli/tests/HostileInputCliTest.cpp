// SPDX-License-Identifier: MIT
// grimaze-cli given what a careless or hostile user gives it: damaged pictures, pipes, folders,
// names at the file system's limits. Each is refused with a reason, quickly, and leaves no file.
#include "cli/tests/CliRunner.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <filesystem>


namespace {

using clitest::Cli;
using clitest::CliRun;

const std::string kTemplate = "Emboss";

std::string Photo(const testenv::TempDir& dir)
{
    const std::string path = dir / "photo.png";
    cv::imwrite(path, cv::Mat(60, 80, CV_8UC3, cv::Scalar(30, 60, 90)));
    return path;
}

std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(HostileInputCli, ExportNamesUpToTheFileSystemLimitAreWritten)
{
    testenv::TempDir dir, out;
    const std::string photo = Photo(dir);
    const std::string name = std::string(251, 'n') + ".png";  // 255 bytes, the longest a name may be
    CliRun r = Cli({"render", "--template", kTemplate, "--photo", photo, "--out", out / name});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Names(out.path()), std::vector<std::string>{name});
    EXPECT_FALSE(cv::imread(out / name).empty());

    r = Cli({"render", "--template", kTemplate, "--photo", photo, "--out", out / (std::string(260, 'n') + ".png")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("too long"), std::string::npos) << r.err;
    EXPECT_EQ(Names(out.path()), std::vector<std::string>{name});
}
TEST(HostileInputCli, APipeOrAFolderIsNoPhoto)
{
    testenv::TempDir dir, out;
    CliRun r;
    const bool returned = testenv::ReturnsPromptlyOnFifo(dir / "fifo.jpg", [&] {
        r = Cli({"render", "--template", kTemplate, "--photo", dir / "fifo.jpg", "--out", out / "x.png"});
    });
    EXPECT_TRUE(returned) << "grimaze-cli waited for someone to write into the pipe";
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("is a pipe or a device, not a picture"), std::string::npos) << r.err;

    r = Cli({"render", "--template", kTemplate, "--photo", dir.path(), "--out", out / "x.png"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("is a folder, not a picture"), std::string::npos) << r.err;
    EXPECT_TRUE(Names(out.path()).empty());
}

TEST(HostileInputCli, APipeAsAFramePictureDoesNotBlock)
{
    testenv::TempDir dir, out;
    platform::MakeFolders(dir / "Piped");
    ASSERT_TRUE(platform::WriteFileAtomically(
        dir / "Piped/Piped.tmpl",
        "<effect><template name=\"Piped\"/><filter name=\"FrameTemplate\"><filter name=\"FrameFilter\">"
        "<param background=\".\\frame.jpg\"/></filter><param><point00 x=\"0\" y=\"0\"/><point01 x=\"9\" y=\"0\"/>"
        "<point10 x=\"0\" y=\"9\"/><point11 x=\"9\" y=\"9\"/></param></filter></effect>"));
    const std::string photo = Photo(dir);
    CliRun r;
    const bool returned = testenv::ReturnsPromptlyOnFifo(dir / "Piped/frame.jpg", [&] {
        r = Cli({"render", "--template", dir / "Piped", "--photo", photo, "--out", out / "x.png"});
    });
    EXPECT_TRUE(returned) << "grimaze-cli waited for someone to write into the frame picture";
}

TEST(HostileInputCli, EveryHostilePictureIsRefusedWithAReason)
{
    testenv::TempDir out;
    const std::string photo = testenv::SourceDir() + "/engine/tests/data/hostile/";
    for (const auto& e : std::filesystem::directory_iterator(photo)) {
        if (e.path().extension() == ".tmpl") continue;
        const CliRun r = Cli({"render", "--template", kTemplate, "--photo", e.path().string(), "--out", out / "x.png"});
        EXPECT_EQ(r.code, 1) << e.path();
        EXPECT_NE(r.err.find("cannot read photo " + e.path().string() + ": "), std::string::npos) << r.err;
        EXPECT_TRUE(Names(out.path()).empty()) << e.path();
    }
}
