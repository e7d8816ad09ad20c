// grimaze-cli as a script uses it: exit codes, messages and files.
#include "platform/Folders.h"
#include "cli/tests/CliRunner.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <array>
#include <cstdio>
#include <fstream>
#include <sys/wait.h>


namespace {

using clitest::Cli;
using clitest::CliRun;

std::string PlainTemplate(const testenv::TempDir& dir)
{
    platform::MakeFolders(dir / "Plain");
    std::ofstream(dir / "Plain/Plain.tmpl")
        << "<effect><template name=\"Plain\"/><filter name=\"SimpleTemplate\"><filter name=\"SimpleFilter\"/>"
           "<variables><var1 name=\"Strength\" min=\"0\" max=\"10\" default=\"5\" resolution=\"1\"/></variables>"
           "<roi/></filter></effect>";
    return dir / "Plain";
}

std::string Photo(const testenv::TempDir& dir, int w, int h)
{
    const std::string path = dir / ("photo" + std::to_string(w) + "x" + std::to_string(h) + ".png");
    cv::imwrite(path, cv::Mat(h, w, CV_8UC3, cv::Scalar(30, 60, 90)));
    return path;
}

}  // namespace

TEST(Cli, ClassesListsEveryRegisteredNameWithItsKind)
{
    const CliRun r = Cli({"classes"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("1 SimpleFilter\n"), std::string::npos);
    EXPECT_NE(r.out.find("2 SimpleTemplate\n"), std::string::npos);
    // Sorted by name.
    std::vector<std::string> names;
    size_t pos = 0;
    for (size_t nl; (nl = r.out.find('\n', pos)) != std::string::npos; pos = nl + 1)
        names.push_back(r.out.substr(r.out.find(' ', pos) + 1, nl - r.out.find(' ', pos) - 1));
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    EXPECT_EQ(Cli({"classes", "extra"}).code, 2);
}

TEST(Cli, RenderOfSimpleFilterIsBlackAtFullOrPreviewSize)
{
    testenv::TempDir dir;
    const std::string templ = PlainTemplate(dir);
    const std::string photo = Photo(dir, 1000, 500);

    CliRun r = Cli({"render", "--template", templ, "--photo", photo, "--out", dir / "full.png"});
    ASSERT_EQ(r.code, 0) << r.err;
    cv::Mat out = cv::imread(dir / "full.png");
    EXPECT_EQ(out.size(), cv::Size(1000, 500));
    EXPECT_EQ(cv::countNonZero(out.reshape(1)), 0);

    // The largest value of a variable is accepted although 0.06 has no exact float.
    std::ofstream(templ + "/Fine.tmpl")
        << "<effect><template name=\"Fine\"/><filter name=\"SimpleTemplate\"><filter name=\"SimpleFilter\"/>"
           "<variables><var1 name=\"Fine\" min=\"0\" max=\"0.06\" default=\"0.01\" resolution=\"0.01\"/>"
           "</variables></filter></effect>";
    r = Cli({"render", "--template", templ + "/Fine.tmpl", "--photo", photo, "--var1", "0.06", "--out", dir / "fine.png"});
    EXPECT_EQ(r.code, 0) << r.err;

    r = Cli({"render", "--template", templ + "/Plain.tmpl", "--photo", photo, "--size", "400x400", "--out",
             dir / "preview.jpg", "--var1", "3", "--roi", "0.1,0.1,0.5,0.5", "--seed", "7"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(cv::imread(dir / "preview.jpg").size(), cv::Size(400, 200));
}

TEST(Cli, RenderRefusesBadInputWithAMessageAndNoFile)
{
    testenv::TempDir dir;
    const std::string templ = PlainTemplate(dir);
    const std::string photo = Photo(dir, 64, 32);
    std::ofstream(dir / "broken.jpg") << "not a photo";
    std::ofstream(dir / "Bad.tmpl") << "<effect><template name=\"Bad\"/><filter name=\"SimpleTemplate\">"
                                       "<filter name=\"NoSuchFilter\"/></filter></effect>";
    const std::string out = dir / "out.png";
    struct Case {
        std::vector<std::string> args;
        int code;
        const char* says;
    } cases[] = {
        {{"--template", templ, "--photo", dir / "missing.jpg", "--out", out}, 1, "cannot read photo"},
        {{"--template", templ, "--photo", dir / "broken.jpg", "--out", out}, 1, "not a supported image"},
        {{"--template", dir / "Bad.tmpl", "--photo", photo, "--out", out}, 1, "unknown filter \"NoSuchFilter\""},
        {{"--template", "No Such Template", "--photo", photo, "--out", out}, 1, "unknown template"},
        {{"--template", templ, "--photo", photo, "--out", out, "--var1", "11"}, 1, "outside the template's range"},
        {{"--template", templ, "--photo", photo, "--out", out, "--var1", "1e300"}, 1, "outside the template's range"},
        {{"--template", templ, "--photo", photo, "--out", out, "--var1", "-1e300"}, 1, "outside the template's range"},
        {{"--template", templ, "--photo", photo, "--out", out, "--var1", "abc"}, 2, "bad value for --var1"},
        {{"--template", templ, "--photo", photo, "--out", out, "--roi", "0.5,0.5,0.6,0.1"}, 1, "--roi must lie"},
        {{"--template", templ, "--photo", photo, "--out", out, "--roi", "1,2"}, 2, "bad value for --roi"},
        {{"--template", templ, "--photo", photo, "--out", out, "--size", "0x5"}, 2, "bad value for --size"},
        {{"--template", templ, "--photo", photo, "--out", out, "--seed", "-4"}, 2, "bad value for --seed"},
        {{"--template", templ, "--photo", photo, "--out", dir / "out.gif"}, 2, "must end in"},
        {{"--template", templ, "--photo", photo}, 2, "--out is required"},
        {{"--template", templ, "--out", out}, 2, "--photo"},
        {{"--template", templ, "--photo", photo, "--out", out, "--bogus"}, 2, "unknown option --bogus"},
        {{"--template", templ, "--photo", photo, "--out", out, "stray"}, 2, "unexpected argument"},
        {{"--template", templ, "--photo", photo, "--out", dir / "no/such/dir/x.png"}, 1, "cannot write"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"render"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliRun r = Cli(args);
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_FALSE(platform::FileExists(out)) << c.says;
    }
}

TEST(Cli, HelpAndUnknownCommands)
{
    for (const char* cmd : {"classes", "render", "demo"}) {
        const CliRun r = Cli({cmd, "--help"});
        EXPECT_EQ(r.code, 0) << cmd;
        EXPECT_NE(r.out.find("usage: grimaze-cli"), std::string::npos) << cmd;
    }
    EXPECT_EQ(Cli({}).code, 2);
    EXPECT_EQ(Cli({"frobnicate"}).code, 2);
    EXPECT_EQ(Cli({"--help"}).code, 0);
}

TEST(Cli, DemoWritesAContactSheet)
{
    testenv::TempDir dir;
    const CliRun r = Cli({"demo", "--out", dir / "demo", "--size", "120x90"});
    EXPECT_EQ(r.code, 0) << r.err;
    std::ifstream index(dir / "demo/index.html");
    const std::string html((std::istreambuf_iterator<char>(index)), {});
    EXPECT_NE(html.find("<table>"), std::string::npos);
    EXPECT_NE(html.find("Default1.jpg"), std::string::npos);
    EXPECT_NE(r.err.find("contact sheet"), std::string::npos);
    EXPECT_EQ(r.out, "");
}

TEST(Cli, SeedGovernsFullSizeRenderingsOfRandomEffects)
{
    testenv::TempDir dir;
    const std::string photo = dir / "p.png";
    cv::Mat img(120, 160, CV_8UC3);
    cv::randu(img, 0, 255);
    cv::imwrite(photo, img);
    auto render = [&](const std::string& seed, const std::string& out) {
        const CliRun r = Cli({"render", "--template", "Oil Paint", "--photo", photo, "--seed", seed, "--out", dir / out});
        EXPECT_EQ(r.code, 0) << r.err;
        return cv::imread(dir / out);
    };
    const cv::Mat a = render("5", "a.png"), b = render("5", "b.png"), c = render("6", "c.png");
    ASSERT_FALSE(a.empty());
    EXPECT_EQ(cv::norm(a, b, cv::NORM_INF), 0);
    EXPECT_GT(cv::norm(a, c, cv::NORM_INF), 0);
}
