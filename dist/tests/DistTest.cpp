// SPDX-License-Identifier: MIT
// The files a distribution installs: generated from the programs' own tables, and accepted by
// the validators a distribution runs on them.
#include "engine/PictureTypes.h"
#include "platform/Files.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>

#include <fnmatch.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string Read(const std::string& path)
{
    std::string text;
    EXPECT_TRUE(platform::ReadFile(path, text, 1 << 24)) << path;
    return text;
}

std::string DistFile(const std::string& name) { return std::string(GRIMAZE_BINARY_DIR) + "/dist/" + name; }

bool HaveTool(const std::string& name)
{
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

struct ToolRun {
    int code = -1;
    std::string output;
};

ToolRun RunTool(const std::string& command)
{
    testenv::TempDir tmp;
    ToolRun r;
    const int status = std::system((command + " >" + tmp / "out" + " 2>&1 </dev/null").c_str());
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(tmp / "out");
    r.output.assign(std::istreambuf_iterator<char>(in), {});
    return r;
}

std::set<std::string> Split(const std::string& s, char sep)
{
    std::set<std::string> parts;
    std::istringstream in(s);
    for (std::string p; std::getline(in, p, sep);)
        if (!p.empty()) parts.insert(p);
    return parts;
}

}  // namespace

TEST(DesktopEntry, OffersExactlyThePictureTypesTheProgramReads)
{
    const std::string entry = Read(DistFile("grimaze.desktop"));
    const size_t at = entry.find("\nMimeType=");
    ASSERT_NE(at, std::string::npos);
    const size_t from = at + 10;
    const std::set<std::string> offered = Split(entry.substr(from, entry.find('\n', from) - from), ';');
    std::set<std::string> readable;
    for (const PictureType& t : PictureTypes())
        if (t.readable) readable.insert(t.mimeType);
    EXPECT_EQ(offered, readable);
    EXPECT_TRUE(offered.count("image/webp") && offered.count("image/tiff"));
    EXPECT_EQ(entry.find('@'), std::string::npos) << "a placeholder was left in the desktop entry";
}

TEST(DesktopEntry, PassesDesktopFileValidate)
{
    if (!HaveTool("desktop-file-validate")) GTEST_SKIP() << "desktop-file-validate is not installed (desktop-file-utils)";
    const ToolRun r = RunTool("desktop-file-validate " + DistFile("grimaze.desktop"));
    EXPECT_EQ(r.code, 0) << r.output;
    EXPECT_EQ(r.output, "");
}

// Every picture, mesh and font that ships must be named by a line of media/NOTICE (a path in
// media/, where * stands for any name within one folder), and every such line must still name
// something: a credit for a file that was removed misleads as much as a missing one.
TEST(Notice, CreditsEveryShippedPictureMeshAndFont)
{
    const fs::path media = fs::path(GRIMAZE_SOURCE_DIR) / "media";
    std::vector<std::string> patterns;
    std::istringstream notice(Read((media / "NOTICE").string()));
    for (std::string line; std::getline(notice, line);) {
        const size_t end = line.find(' ');
        const std::string first = line.substr(0, end);
        if (!line.empty() && line[0] != ' ' && first.find('/') != std::string::npos && end == std::string::npos)
            patterns.push_back(first);
    }
    ASSERT_GE(patterns.size(), 5u);
    const std::set<std::string> kinds = {".jpg", ".jpeg", ".png", ".bmp", ".tif", ".tiff", ".webp", ".gif", ".mesh",
                                         ".obj", ".ttf", ".otf", ".woff", ".woff2", ".pfb", ".svg"};
    std::set<std::string> used;
    size_t checked = 0;
    for (const auto& e : fs::recursive_directory_iterator(media)) {
        if (!e.is_regular_file()) continue;
        std::string ext = e.path().extension().string();
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (!kinds.count(ext)) continue;
        ++checked;
        const std::string rel = fs::relative(e.path(), media).string();
        bool covered = false;
        for (const std::string& p : patterns)
            if (fnmatch(p.c_str(), rel.c_str(), FNM_PATHNAME) == 0) {
                covered = true;
                used.insert(p);
            }
        EXPECT_TRUE(covered) << rel << " is not credited in media/NOTICE";
    }
    EXPECT_GT(checked, 20u);
    for (const std::string& p : patterns) EXPECT_TRUE(used.count(p)) << "media/NOTICE credits " << p << ", which is not there";
}
