// SPDX-License-Identifier: MIT
// grimaze-cli in pipelines and scripts: standard streams, quiet and verbose, the option table's
// errors, picture formats and quality, batch names, JSON and jobs, and no side effects.
#include "cli/tests/CliRunner.h"
#include "engine/ImageCodecs.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <regex>
#include <thread>

using namespace engine;

namespace {

using clitest::Cli;
using clitest::CliRun;
namespace fs = std::filesystem;

std::string Cat() { return testenv::ProgramDir() + "/media/Images/default/Default3.jpg"; }
std::string OilPaint() { return testenv::SourceDir() + "/media/Templates/OilPaint"; }

std::string PhotoFile(const testenv::TempDir& dir, const std::string& name, int w = 48, int h = 32)
{
    cv::Mat m(h, w, CV_8UC3);
    cv::randu(m, cv::Scalar::all(0), cv::Scalar::all(255));
    cv::imwrite(dir / name, m);
    return dir / name;
}

std::string Read(const std::string& path)
{
    std::string s;
    platform::ReadFile(path, s, 1 << 28);
    return s;
}

std::vector<std::string> Lines(const std::string& s)
{
    std::vector<std::string> lines;
    for (size_t at = 0, nl; (nl = s.find('\n', at)) != std::string::npos; at = nl + 1) lines.push_back(s.substr(at, nl - at));
    return lines;
}

}  // namespace

TEST(Scripting, RenderReadsStandardInputAndWritesStandardOutput)
{
    // What the issue asked for, word for word: a JPEG in, a PNG out, through the pipes.
    const CliRun r = Cli({"render", "--template", "Oil Paint", "--photo", "-", "--out", "-", "--format", "png", "--seed", "3"}, Cat());
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    ASSERT_GT(r.out.size(), 8u);
    EXPECT_EQ(r.out.compare(0, 8, "\x89PNG\r\n\x1a\n"), 0);
    const cv::Mat piped = DecodeImage(r.out);
    const cv::Mat cat = cv::imread(Cat());
    EXPECT_EQ(piped.size(), cat.size());

    // The same rendering through files gives the same picture.
    testenv::TempDir dir;
    ASSERT_EQ(Cli({"render", "--template", "Oil Paint", "--photo", Cat(), "--out", dir / "file.png", "--seed", "3"}).code, 0);
    EXPECT_EQ(cv::norm(cv::imread(dir / "file.png"), piped, cv::NORM_INF), 0);

    for (const char* format : {"jpg", "webp", "tiff", "bmp"}) {
        const CliRun f = Cli({"render", "--template", OilPaint(), "--photo", "-", "--out", "-", "--format", format, "--size",
                              "80x60"}, Cat());
        ASSERT_EQ(f.code, 0) << format << ": " << f.err;
        EXPECT_FALSE(DecodeImage(f.out).empty()) << format;
    }
}

TEST(Scripting, StreamsGoWrongWithAClearMessage)
{
    testenv::TempDir dir;
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "empty", ""));
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "text", "not a picture at all"));
    const std::string photo = PhotoFile(dir, "p.png");
    // The program keeps standard input in TMPDIR; a folder of our own shows whether it is cleaned up
    // without seeing what tests running alongside leave in /tmp.
    const std::string ownTmp = dir / "tmp";
    fs::create_directory(ownTmp);
    const char* oldTmp = std::getenv("TMPDIR");
    const std::string savedTmp = oldTmp ? oldTmp : "";
    ::setenv("TMPDIR", ownTmp.c_str(), 1);
    struct Case {
        std::vector<std::string> args;
        std::string input;
        int code;
        std::string says;
    } cases[] = {
        {{"--photo", "-"}, dir / "empty", 1, "standard input is empty"},
        {{"--photo", "-"}, dir / "text", 1, "cannot read photo standard input: "},
        {{"--photo", "-", "--photo", "-"}, photo, 2, "only one photo"},
        {{"--photo", photo, "--format", "gif"}, "/dev/null", 2, "--format must be jpg, png, bmp, tiff or webp"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"render", "--template", OilPaint(), "--out", "-"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliRun r = Cli(args, c.input);
        EXPECT_EQ(r.code, c.code) << c.says << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << c.says;
        EXPECT_EQ(r.err.find("/grimaze-stdin-"), std::string::npos) << "the temporary file is not the user's business";
    }
    if (oldTmp) ::setenv("TMPDIR", savedTmp.c_str(), 1);
    else ::unsetenv("TMPDIR");
    // The temporary copy of standard input is gone afterwards.
    for (const auto& e : fs::directory_iterator(ownTmp)) ADD_FAILURE() << "left behind: " << e.path();
}

TEST(Scripting, QualityAndTheNewFormatsReachTheFile)
{
    testenv::TempDir dir;
    const std::string photo = PhotoFile(dir, "p.png", 120, 90);
    auto render = [&](const std::string& out, std::vector<std::string> extra) {
        std::vector<std::string> args = {"render", "--template", OilPaint(), "--photo", photo, "--out", dir / out, "--seed", "1"};
        args.insert(args.end(), extra.begin(), extra.end());
        return Cli(args);
    };
    for (const char* out : {"low.jpg", "high.jpg", "low.webp", "high.webp"}) {
        const CliRun r = render(out, {"--quality", std::string(out).rfind("low", 0) == 0 ? "5" : "100"});
        ASSERT_EQ(r.code, 0) << out << ": " << r.err;
    }
    EXPECT_LT(Read(dir / "low.jpg").size(), Read(dir / "high.jpg").size());
    EXPECT_LT(Read(dir / "low.webp").size(), Read(dir / "high.webp").size());
    ASSERT_EQ(render("lossless.tiff", {}).code, 0);
    ASSERT_EQ(render("lossless.png", {}).code, 0);
    EXPECT_EQ(cv::norm(cv::imread(dir / "lossless.tiff"), cv::imread(dir / "lossless.png"), cv::NORM_INF), 0);

    for (const std::string bad : {"0", "101", "high", "9.5"}) {
        const CliRun r = render("q.jpg", {"--quality", bad});
        EXPECT_EQ(r.code, 2) << bad;
        EXPECT_NE(r.err.find("bad value for --quality"), std::string::npos) << r.err;
    }
    const CliRun clash = render("x.png", {"--format", "jpg"});
    EXPECT_EQ(clash.code, 2);
    EXPECT_NE(clash.err.find("disagrees"), std::string::npos) << clash.err;
    EXPECT_FALSE(platform::FileExists(dir / "q.jpg") || platform::FileExists(dir / "x.png"));
}

TEST(Scripting, UnknownOptionsAreNamedAndDashDashEndsTheOptions)
{
    testenv::TempDir dir;
    for (const std::string command : {"classes", "render", "batch", "gif", "demo", "faces", "text", "templates", "download",
                                       "check-update", "lang-check"}) {
        for (const std::string word : {"-x", "--nonsense"}) {
            const CliRun r = Cli({command, word});
            EXPECT_EQ(r.code, 2) << command << " " << word;
            EXPECT_NE(r.err.find("unknown option " + word), std::string::npos) << command << ": " << r.err;
            EXPECT_EQ(r.out, "");
        }
        const CliRun both = Cli({command, "-q", "-v"});
        EXPECT_EQ(both.code, 2) << command;
    }
    EXPECT_EQ(Cli({"-x"}).code, 2);
    EXPECT_NE(Cli({"--nonsense"}).err.find("unknown option --nonsense"), std::string::npos);

    // A photo whose name starts with a dash is reached after "--"; before it, it is an option.
    const std::string dashed = PhotoFile(dir, "-v.png");
    fs::current_path(dir.path());
    EXPECT_EQ(Cli({"faces", "-q", "--", "-v.png"}).code, 0);
    EXPECT_EQ(Cli({"faces", "-v.png"}).code, 2);
}

TEST(Scripting, QuietSaysNothingButErrorsAndVerboseSaysMore)
{
    testenv::TempDir dir;
    const std::string photo = dir / "noface.png";  // flat grey: noise may look like a face to the detector
    cv::imwrite(photo, cv::Mat(32, 48, CV_8UC3, cv::Scalar::all(128)));
    const CliRun normal = Cli({"faces", photo});
    EXPECT_EQ(normal.code, 0);
    EXPECT_NE(normal.err.find("no face found"), std::string::npos);
    const CliRun quiet = Cli({"faces", "--quiet", photo});
    EXPECT_EQ(quiet.code, 0);
    EXPECT_EQ(quiet.err, "");
    const CliRun failing = Cli({"faces", "-q", dir / "missing.png"});
    EXPECT_EQ(failing.code, 1);
    EXPECT_NE(failing.err.find("cannot read photo"), std::string::npos) << "errors are said even when quiet";

    const CliRun verbose = Cli({"render", "-v", "--template", "Oil Paint", "--photo", photo, "--out", dir / "o.png"});
    EXPECT_EQ(verbose.code, 0) << verbose.err;
    EXPECT_NE(verbose.err.find("OilPaint"), std::string::npos) << verbose.err;
    EXPECT_NE(verbose.err.find(" ms"), std::string::npos) << verbose.err;
    const CliRun plain = Cli({"render", "--template", "Oil Paint", "--photo", photo, "--out", dir / "o.png"});
    EXPECT_EQ(plain.err, "");
}

TEST(Scripting, JsonIsValidUtf8AndSaysWhatHappenedToEachPhoto)
{
    testenv::TempDir dir;
    platform::MakeFolders(dir / "in");
    PhotoFile(dir, "in/a.png");
    PhotoFile(dir, "in/caf\xE9.png");  // a Latin-1 name
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "in/broken.jpg", "nope"));
    const CliRun r = Cli({"batch", "--template", OilPaint(), "--out-dir", dir / "out", "--json", "--jobs", "2", "--format",
                          "webp", "--name", "%n-%b-%t.%e", dir / "in"});
    EXPECT_EQ(r.code, 1) << r.err;
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    const std::regex object(
        R"re(\{"input": "[^"]*", "output": "[^"]*", "ok": (true|false), "error": (null|"[^"]*"), "ms": \d+\})re");
    int ok = 0;
    for (const std::string& line : lines) {
        EXPECT_TRUE(std::regex_match(line, object)) << line;
        EXPECT_EQ(line.find('\xE9'), std::string::npos) << "raw Latin-1 byte in JSON: " << line;
        if (line.find("\"ok\": true") != std::string::npos) ++ok;
    }
    EXPECT_EQ(ok, 2);
    EXPECT_NE(r.out.find("caf\\udce9.png"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"error\": \"cannot read it"), std::string::npos) << r.out;
    EXPECT_TRUE(platform::FileExists(dir / "out/1-a-Oil Paint.webp")) << r.out;
    EXPECT_TRUE(platform::FileExists(dir / "out/3-caf\xE9-Oil Paint.webp")) << r.out;

    const CliRun faces = Cli({"faces", "--json", testenv::ProgramDir() + "/media/Images/default/Default1.jpg"});
    EXPECT_EQ(faces.code, 0);
    EXPECT_TRUE(std::regex_match(faces.out, std::regex(R"re(\{"photo": "[^"]*", "faces": \[(\{"x": \d+, "y": \d+, "width": \d+, "height": \d+\}(, )?)+\]\}\n)re")))
        << faces.out;
    const CliRun classes = Cli({"classes", "--json"});
    EXPECT_EQ(classes.code, 0);
    EXPECT_EQ(classes.out.front(), '[');
    EXPECT_NE(classes.out.find("{\"kind\": 2, \"name\": \"SimpleTemplate\"}"), std::string::npos);
}

TEST(Scripting, BatchOptionsRefuseWrongValues)
{
    testenv::TempDir dir;
    const std::string photo = PhotoFile(dir, "p.png");
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--jobs", "0"}, "--jobs must be"},
        {{"--jobs", "65"}, "--jobs must be"},
        {{"-j", "two"}, "--jobs must be"},
        {{"--quality", "0"}, "bad value for --quality"},
        {{"--name", "%b.%q"}, "%q"},
        {{"--name", "sub/%b.%e"}, "slash"},
        {{"--name", "%b"}, "--name must end in %e"},
        {{"--name", ""}, "empty"},
        {{"--format", "gif"}, "--format must be"},
        {{"-"}, "standard input"},
    };
    for (const auto& [extra, says] : cases) {
        std::vector<std::string> args = {"batch", "--template", OilPaint(), "--out-dir", dir / "out", photo};
        args.insert(args.end(), extra.begin(), extra.end());
        const CliRun r = Cli(args);
        EXPECT_EQ(r.code, 2) << says << ": " << r.err;
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    }
    EXPECT_FALSE(platform::IsFolder(dir / "out")) << "nothing is made before the arguments are right";
    const CliRun named = Cli({"batch", "--template", OilPaint(), "--out-dir", dir / "out", "--name", "x-%b.png", photo});
    EXPECT_EQ(named.code, 0) << named.err;
    EXPECT_TRUE(platform::FileExists(dir / "out/x-p.png"));
}

namespace {

std::vector<std::string> Everything(const std::string& folder)
{
    std::vector<std::string> all;
    for (const auto& e : fs::recursive_directory_iterator(folder)) all.push_back(e.path().string());
    std::sort(all.begin(), all.end());
    return all;
}

/** Points TMPDIR at a folder for as long as it lives. */
struct TmpDirOverride {
    explicit TmpDirOverride(const std::string& folder)
    {
        if (const char* old = std::getenv("TMPDIR")) saved = old;
        ::setenv("TMPDIR", folder.c_str(), 1);
    }
    ~TmpDirOverride()
    {
        if (saved) ::setenv("TMPDIR", saved->c_str(), 1);
        else ::unsetenv("TMPDIR");
    }
    std::optional<std::string> saved;
};

}  // namespace

// N photos at once each run OpenCV's parallel loops too; together they stay at the core count.
TEST(Scripting, BatchJobsShareTheProcessorsWithOpenCv)
{
    testenv::TempDir dir;
    fs::create_directory(dir / "in");
    for (int i = 0; i < 4; ++i) PhotoFile(dir, "in/p" + std::to_string(i) + ".png");
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const std::regex split(R"((\d+) photos at once, (\d+) threads for each)");
    for (int jobs : {1, 2, 4, 64}) {
        const CliRun r = Cli({"batch", "-v", "--template", OilPaint(), "--size", "40x30", "--jobs", std::to_string(jobs),
                              "--out-dir", dir / ("out" + std::to_string(jobs)), dir / "in"});
        ASSERT_EQ(r.code, 0) << r.err;
        std::smatch m;
        ASSERT_TRUE(std::regex_search(r.err, m, split)) << r.err;
        const int atOnce = std::stoi(m[1]), threads = std::stoi(m[2]);
        EXPECT_EQ(atOnce, std::min(jobs, 4)) << "no more workers than photos";
        EXPECT_GE(threads, 1);
        EXPECT_LE(atOnce * threads, std::max(cores, atOnce)) << "--jobs " << jobs << " on " << cores << " cores";
        EXPECT_GT(atOnce * (threads + 1), cores) << "--jobs " << jobs << ": processors left idle";
    }
}

// Commands that read the library or write only where they are told leave the user's home as it
// was: no documents folder, no library, no per-user folder, no list of temporary folders.
// (download alone writes into the user's data.)
TEST(Scripting, ReadOnlyCommandsLeaveTheHomeAsItWas)
{
    testenv::TempDir dir;
    const std::string photo = PhotoFile(dir, "p.png");
    const testenv::TemporaryHome home;
    const std::vector<std::string> before = Everything(home.path());
    const std::vector<std::vector<std::string>> commands = {
        {"templates"},
        {"templates", "--json"},
        {"classes"},
        {"text", "101"},
        {"faces", photo},
        {"render", "--template", "Oil Paint", "--photo", photo, "--out", dir / "o.jpg"},
        {"render", "--template", "Oil Paint", "--photo", photo, "--out", "-", "--format", "png"},
        {"gif", "--template", "Globe", "--photo", photo, "--out", dir / "g.gif", "--frames", "2", "--max", "40x40"},
        {"batch", "--template", "Oil Paint", "--out-dir", dir / "out", photo},
    };
    for (const auto& args : commands) {
        const CliRun r = Cli(args);
        EXPECT_EQ(r.code, 0) << args[0] << ": " << r.err;
        EXPECT_EQ(Everything(home.path()), before) << args[0] << " " << (args.size() > 1 ? args[1] : "") << " changed the home";
    }
}

// A GIF goes to standard output as a picture does; the file that stands in for it is gone after.
TEST(Scripting, GifWritesStandardOutput)
{
    testenv::TempDir dir;
    const std::string ownTmp = dir / "tmp";
    fs::create_directory(ownTmp);
    const TmpDirOverride tmp(ownTmp);
    const std::vector<std::string> args = {"gif", "--template", "Globe", "--photo", Cat(), "--frames", "3", "--max", "60x60", "--out"};
    std::vector<std::string> piped = args, filed = args;
    piped.push_back("-");
    filed.push_back(dir / "globe.gif");
    const CliRun r = Cli(piped);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    ASSERT_GT(r.out.size(), 6u);
    EXPECT_EQ(r.out.substr(0, 6), "GIF89a");
    ASSERT_EQ(Cli(filed).code, 0);
    EXPECT_EQ(r.out, Read(dir / "globe.gif")) << "the same GIF as written to a file";

    const CliRun wrong = Cli({"gif", "--template", "Globe", "--photo", Cat(), "--out", dir / "globe.png"});
    EXPECT_EQ(wrong.code, 2);
    EXPECT_NE(wrong.err.find("or be - for standard output"), std::string::npos) << wrong.err;
    // A template that does not move says so, and standard output stays empty.
    const CliRun still = Cli({"gif", "--template", "Oil Paint", "--photo", Cat(), "--out", "-"});
    EXPECT_EQ(still.code, 1);
    EXPECT_EQ(still.out, "");
    EXPECT_EQ(still.err.find("grimaze-stdout-"), std::string::npos) << still.err;
    for (const auto& e : fs::directory_iterator(ownTmp)) ADD_FAILURE() << "left behind: " << e.path();
}
