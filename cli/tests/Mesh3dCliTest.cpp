// grimaze-cli with the shipped 3D templates: turning before a render, and turn-table GIFs.
#include "cli/tests/CliRunner.h"
#include "platform/Folders.h"
#include "platform/testing/TestEnv.h"

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include <fstream>
#include <sys/wait.h>

using clitest::Cli;
using clitest::CliRun;

namespace {

std::string Sample(int i) { return testenv::ProgramDir() + "/media/Images/default/Default" + std::to_string(i) + ".jpg"; }

int GifFrames(const std::string& path, cv::Size* size)
{
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (!gif) return -1;
    const int ok = DGifSlurp(gif);
    const int frames = ok == GIF_OK ? gif->ImageCount : -1;
    if (size) *size = {gif->SWidth, gif->SHeight};
    DGifCloseFile(gif, &error);
    return frames;
}

}  // namespace

TEST(Mesh3dCli, TurnChangesTheRenderAndNeedsA3DTemplate)
{
    testenv::TempDir dir;
    for (const char* name : {"Teapot", "Chrome Teapot", "Globe", "Photo Cube"}) {
        ASSERT_EQ(Cli({"render", "--template", name, "--photo", Sample(1), "--size", "160x120", "--out", dir / "a.png"}).code, 0) << name;
        const CliRun turned = Cli({"render", "--template", name, "--photo", Sample(1), "--size", "160x120", "--turn", "1.2,-0.4",
                                "--out", dir / "b.png"});
        ASSERT_EQ(turned.code, 0) << name << turned.err;
        const cv::Mat a = cv::imread(dir / "a.png"), b = cv::imread(dir / "b.png");
        ASSERT_EQ(a.size(), b.size());
        EXPECT_GT(cv::norm(a, b, cv::NORM_L1), 1000.0) << name;
    }
    const CliRun flat = Cli({"render", "--template", "Photo Cylinder", "--photo", Sample(1), "--photo", Sample(2), "--photo",
                          Sample(3), "--turn", "0.5,0", "--out", dir / "c.png"});
    EXPECT_EQ(flat.code, 0) << flat.err;
    EXPECT_EQ(cv::imread(dir / "c.png").size(), cv::Size(800, 600));

    const CliRun bad = Cli({"render", "--template", "Teapot", "--photo", Sample(1), "--turn", "1", "--out", dir / "d.png"});
    EXPECT_EQ(bad.code, 2);
    EXPECT_NE(bad.err.find("--turn"), std::string::npos);
    EXPECT_FALSE(platform::FileExists(dir / "d.png"));

    platform::MakeFolders(dir / "Flat");
    std::ofstream(dir / "Flat/Flat.tmpl") << "<effect><template name=\"Flat\"/><filter name=\"SimpleTemplate\">"
                                              "<filter name=\"SimpleFilter\"/></filter></effect>";
    const CliRun flat2d = Cli({"render", "--template", dir / "Flat", "--photo", Sample(1), "--turn", "1,0", "--out", dir / "e.png"});
    EXPECT_EQ(flat2d.code, 1);
    EXPECT_NE(flat2d.err.find("3D template"), std::string::npos) << flat2d.err;
}

TEST(Mesh3dCli, GifWritesATurnTable)
{
    testenv::TempDir dir;
    const CliRun r = Cli({"gif", "--template", "Globe", "--photo", Sample(3), "--out", dir / "globe.gif", "--frames", "8", "--max",
                       "120x120"});
    ASSERT_EQ(r.code, 0) << r.err;
    cv::Size size;
    EXPECT_EQ(GifFrames(dir / "globe.gif", &size), 8);
    EXPECT_EQ(size, cv::Size(120, 80));  // the cat photo's 3:2, fitted

    const CliRun cyl = Cli({"gif", "--template", "Photo Cylinder", "--photo", Sample(1), "--photo", Sample(2), "--out",
                         dir / "cyl.gif", "--max", "90x60", "--turn", "0,0.2"});
    ASSERT_EQ(cyl.code, 0) << cyl.err;
    EXPECT_EQ(GifFrames(dir / "cyl.gif", &size), 36);
    EXPECT_EQ(size, cv::Size(90, 60));
}

TEST(Mesh3dCli, GifRefusesWhatItCannotDo)
{
    testenv::TempDir dir;
    const std::string out = dir / "x.gif";
    EXPECT_EQ(Cli({"gif", "--template", "Globe", "--photo", Sample(1), "--out", dir / "x.png"}).code, 2);
    EXPECT_EQ(Cli({"gif", "--template", "Globe", "--photo", Sample(1), "--out", out, "--frames", "0"}).code, 2);
    EXPECT_EQ(Cli({"gif", "--template", "Globe", "--photo", Sample(1), "--out", out, "--max", "big"}).code, 2);
    EXPECT_EQ(Cli({"gif", "--template", "Globe", "--out", out}).code, 2);
    EXPECT_EQ(Cli({"gif", "--template", "No Such Template", "--photo", Sample(1), "--out", out}).code, 1);
    EXPECT_EQ(Cli({"gif", "--template", "Globe", "--photo", dir / "missing.jpg", "--out", out}).code, 1);

    // A template that does not move.
    platform::MakeFolders(dir / "Still");
    std::ofstream(dir / "Still/Still.tmpl") << "<effect><template name=\"Still\"/><filter name=\"SimpleTemplate\">"
                                                "<filter name=\"SimpleFilter\"/></filter></effect>";
    const CliRun still = Cli({"gif", "--template", dir / "Still", "--photo", Sample(1), "--out", out});
    EXPECT_EQ(still.code, 1);
    EXPECT_NE(still.err.find("does not move"), std::string::npos) << still.err;
    EXPECT_FALSE(platform::FileExists(out));
    // Nowhere to write.
    EXPECT_EQ(Cli({"gif", "--template", "Globe", "--photo", Sample(1), "--out", dir / "no/folder/x.gif"}).code, 1);
}
