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
