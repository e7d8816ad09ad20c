// grimaze-cli batch: many photos, one broken; names, clashes, arguments, threads.
#include "app/Builtins.h"
#include "cli/Commands.h"

#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/testing/TestEnv.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

using namespace cli;

namespace {

std::string OilPaint() { return testenv::SourceDir() + "/media/Templates/OilPaint"; }

void WritePhoto(const std::string& path, int w, int h, int seed)
{
    cv::Mat m(h, w, CV_8UC3);
    cv::RNG(seed).fill(m, cv::RNG::UNIFORM, 0, 256);
    cv::GaussianBlur(m, m, cv::Size(0, 0), 2);
    ASSERT_TRUE(cv::imwrite(path, m));
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

struct BatchRun {
    int code;
    std::string out, err;
};

BatchRun Batch(const std::vector<std::string>& args)
{
    app::RegisterBuiltinClasses();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int code = RunCommand(kBatchCommand, args);
    BatchRun r{code, testing::internal::GetCapturedStdout(), testing::internal::GetCapturedStderr()};
    platform::SetFixedSeed(std::nullopt);
    return r;
}

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

}  // namespace

TEST(Batch, FolderWithOneBrokenPhoto)
{
    testenv::TempDir in, out;
    WritePhoto(in / "beach.jpg", 320, 240, 1);
    WritePhoto(in / "dog.png", 200, 300, 2);
    WritePhoto(in / "tree.bmp", 150, 100, 3);
    ASSERT_TRUE(platform::WriteFileAtomically(in / "broken.jpg", std::string("\xFF\xD8\xFF\xE0 not really", 15)));
    const std::string target = out / "results";

    const BatchRun r = Batch({"--template", OilPaint(), "--out-dir", target, "--jobs", "2", "--format", "png", in.path()});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(Count(r.err, "broken.jpg"), 1u) << r.err;
    EXPECT_EQ(Count(r.err, "\n"), 2u) << "only the broken photo is reported, then the count: " << r.err;
    EXPECT_NE(r.err.find("3 of 4 photos written"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("\r"), std::string::npos) << "no progress line when stderr is not a terminal";
    EXPECT_EQ(r.out, "") << "standard output is for results only";

    const std::pair<const char*, cv::Size> expected[] = {
        {"beach.png", {320, 240}}, {"dog.png", {200, 300}}, {"tree.png", {150, 100}}};
    for (const auto& [name, size] : expected) {
        const cv::Mat m = cv::imread(platform::JoinPath(target, name));
        ASSERT_FALSE(m.empty()) << name;
        EXPECT_EQ(m.size(), size) << name;
    }
    EXPECT_FALSE(platform::FileExists(platform::JoinPath(target, "broken.png")));
}

TEST(Batch, ClashingNamesAreRefusedNotOverwritten)
{
    testenv::TempDir in;
    WritePhoto(in / "a.jpg", 60, 40, 1);
    WritePhoto(in / "a.png", 60, 40, 2);
    WritePhoto(in / "b.png", 60, 40, 3);
    const std::string before = ReadAll(in / "b.png");

    // Into the photos' own folder as png: b.png would replace its photo, a.png clashes with a.jpg.
    const BatchRun r = Batch({"--template", OilPaint(), "--out-dir", in.path(), "--format", "png", in / "a.jpg",
                         in / "a.png", in / "b.png"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("a.png: its result would have the same name as that of " + (in / "a.jpg")), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("b.png: its result would replace the photo itself"), std::string::npos) << r.err;
    EXPECT_EQ(ReadAll(in / "b.png"), before);
    EXPECT_NE(r.err.find("1 of 3 photos written"), std::string::npos) << r.err;
}

TEST(Batch, WrongArguments)
{
    testenv::TempDir dir;
    WritePhoto(dir / "p.jpg", 40, 30, 1);
    const std::string photo = dir / "p.jpg", outDir = dir / "out";
    EXPECT_EQ(Batch({"--out-dir", outDir, photo}).code, 2);
    EXPECT_EQ(Batch({"--template", OilPaint(), photo}).code, 2);
    EXPECT_EQ(Batch({"--template", OilPaint(), "--out-dir", outDir}).code, 2);
    EXPECT_EQ(Batch({"--template", OilPaint(), "--out-dir", outDir, "--jobs", "0", photo}).code, 2);
    EXPECT_EQ(Batch({"--template", OilPaint(), "--out-dir", outDir, "--jobs", "x", photo}).code, 2);
    EXPECT_EQ(Batch({"--template", OilPaint(), "--out-dir", outDir, "--format", "gif", photo}).code, 2);
    EXPECT_EQ(Batch({"--template", dir / "none", "--out-dir", outDir, photo}).code, 1);
    // A value outside the template's range is said once, not once per photo.
    const BatchRun r = Batch({"--template", OilPaint(), "--out-dir", outDir, "--var1", "99", photo, photo});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(Count(r.err, "outside the template's range"), 1u) << r.err;
    EXPECT_FALSE(platform::FileExists(outDir)) << "nothing is created for a run that cannot start";
    const BatchRun help = Batch({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("--out-dir"), std::string::npos);
}

TEST(Batch, ThreadsGiveWhatOneThreadGives)
{
    testenv::TempDir in, one, many;
    std::vector<std::string> args1 = {"--template", OilPaint(), "--format", "png", "--seed", "77", "--size",
                                      "160x120", "--jobs", "1", "--out-dir", one.path()};
    std::vector<std::string> args4 = args1;
    args4[9] = "4";
    args4[11] = many.path();
    for (int i = 0; i < 6; ++i) {
        const std::string p = in / ("photo" + std::to_string(i) + ".png");
        WritePhoto(p, 200 + 10 * i, 150, i);
        args1.push_back(p);
        args4.push_back(p);
    }
    ASSERT_EQ(Batch(args1).code, 0);
    ASSERT_EQ(Batch(args4).code, 0);
    for (int i = 0; i < 6; ++i) {
        const std::string name = "photo" + std::to_string(i) + ".png";
        const std::string a = ReadAll(one / name);
        EXPECT_FALSE(a.empty()) << name;
        EXPECT_EQ(a, ReadAll(many / name)) << name;
    }
}

TEST(Batch, TheProgramExitsNonZeroWhenAPhotoFails)
{
    const std::string cli = testenv::ProgramDir() + "/grimaze-cli";
    if (!platform::FileExists(cli)) GTEST_SKIP() << "grimaze-cli is not built";
    testenv::TempDir dir;
    WritePhoto(dir / "good.jpg", 64, 48, 1);
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "bad.jpg", "nothing"));
    const std::string command = "'" + cli + "' batch --template '" + OilPaint() + "' --out-dir '" + (dir / "out") +
                                "' '" + (dir / "good.jpg") + "' '" + (dir / "bad.jpg") + "' >'" + (dir / "stdout") +
                                "' 2>'" + (dir / "stderr") + "'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_TRUE(platform::FileExists(dir / "out/good.jpg"));
    EXPECT_NE(ReadAll(dir / "stderr").find("bad.jpg"), std::string::npos);
}
