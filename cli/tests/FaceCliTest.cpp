// The face commands as a script uses them: faces, render with face options, gif.
#include "cli/tests/CliRunner.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/wait.h>


namespace {

using clitest::Cli;
using clitest::CliRun;

std::string Sample(int n) { return testenv::SourceDir() + "/media/Images/default/Default" + std::to_string(n) + ".jpg"; }

// Two astronauts on a grey ground.
std::string TwoFaces(const testenv::TempDir& dir)
{
    cv::Mat a;
    cv::resize(cv::imread(Sample(1)), a, cv::Size(380, 380), 0, 0, cv::INTER_AREA);
    cv::Mat out(420, 900, CV_8UC3, cv::Scalar(128, 128, 128));
    a.copyTo(out(cv::Rect(20, 20, 380, 380)));
    a.copyTo(out(cv::Rect(480, 20, 380, 380)));
    const std::string path = dir / "two.png";
    cv::imwrite(path, out);
    return path;
}

}  // namespace

TEST(FaceCli, FacesListsEachFaceInPhotoPixels)
{
    const CliRun one = Cli({"faces", Sample(1)});
    ASSERT_EQ(one.code, 0) << one.err;
    int x = 0, y = 0, w = 0, h = 0;
    std::istringstream(one.out) >> x >> y >> w >> h;
    EXPECT_TRUE(x > 150 && x < 200 && y > 40 && y < 90 && w > 80 && w < 120) << one.out;

    testenv::TempDir dir;
    const CliRun two = Cli({"faces", TwoFaces(dir)});
    ASSERT_EQ(two.code, 0);
    EXPECT_EQ(std::count(two.out.begin(), two.out.end(), '\n'), 2) << two.out;

    const CliRun cat = Cli({"faces", Sample(3)});
    EXPECT_EQ(cat.code, 0);
    EXPECT_TRUE(cat.out.empty());
    EXPECT_NE(cat.err.find("no face"), std::string::npos);
    EXPECT_EQ(Cli({"faces"}).code, 2);
    EXPECT_EQ(Cli({"faces", dir / "missing.jpg"}).code, 1);
}

TEST(FaceCli, RenderTakesTheFaceOptionsOfFaceTemplatesOnly)
{
    testenv::TempDir dir;
    const std::string two = TwoFaces(dir);
    const CliRun ok = Cli({"render", "--template", "Knight", "--photo", two, "--face", "2", "--align", "--out", dir / "k.png"});
    ASSERT_EQ(ok.code, 0) << ok.err;
    const cv::Mat k = cv::imread(dir / "k.png");
    ASSERT_FALSE(k.empty());
    EXPECT_EQ(k.size(), cv::Size(800, 600));  // the template picture's size

    const CliRun third = Cli({"render", "--template", "Knight", "--photo", two, "--face", "3", "--out", dir / "x.png"});
    EXPECT_EQ(third.code, 1);
    EXPECT_NE(third.err.find("2 faces"), std::string::npos) << third.err;

    const CliRun expr = Cli({"render", "--template", "Expressions", "--photo", Sample(1), "--expression", "sad", "--amount",
                             "0.5", "--out", dir / "e.png"});
    ASSERT_EQ(expr.code, 0) << expr.err;
    EXPECT_EQ(cv::imread(dir / "e.png").size(), cv::Size(400, 400));

    EXPECT_EQ(Cli({"render", "--template", "Expressions", "--photo", Sample(1), "--expression", "grumpy", "--out",
                   dir / "e2.png"}).code, 1);
    EXPECT_EQ(Cli({"render", "--template", "Knight", "--photo", Sample(1), "--expression", "sad", "--out", dir / "e3.png"}).code, 1);
    EXPECT_EQ(Cli({"render", "--template", "Expressions", "--photo", Sample(1), "--amount", "7", "--out", dir / "e4.png"}).code, 1);
    EXPECT_EQ(Cli({"render", "--template", "Knight", "--photo", Sample(1), "--face", "zero", "--out", dir / "e5.png"}).code, 2);
}

TEST(FaceCli, GifWritesTheExpressionAnimation)
{
    testenv::TempDir dir;
    const CliRun ok = Cli({"gif", "--template", "Expressions", "--photo", Sample(1), "--max", "64x64", "--out", dir / "a.gif"});
    ASSERT_EQ(ok.code, 0) << ok.err;
    std::ifstream in(dir / "a.gif", std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    ASSERT_GT(bytes.size(), 13u);
    EXPECT_EQ(bytes.substr(0, 6), "GIF89a");
    EXPECT_EQ(static_cast<unsigned char>(bytes[6]), 64);  // width: the 95-pixel face fitted into 64 x 64

    EXPECT_EQ(Cli({"gif", "--template", "Knight", "--photo", Sample(1), "--out", dir / "b.gif"}).code, 1);
    EXPECT_EQ(Cli({"gif", "--template", "Expressions", "--photo", Sample(1), "--out", dir / "b.png"}).code, 2);
    EXPECT_EQ(Cli({"gif", "--template", "Expressions", "--photo", Sample(1), "--max", "0x5", "--out", dir / "b.gif"}).code, 2);
}
