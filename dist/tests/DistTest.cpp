// SPDX-License-Identifier: MIT
// The files a distribution installs: generated from the programs' own tables, and accepted by
// the validators a distribution runs on them.
#include "engine/PictureTypes.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>

#include <fnmatch.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>

using namespace engine;

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
    const int status = std::system(("(" + command + ") >" + tmp / "out" + " 2>&1 </dev/null").c_str());
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

TEST(Metainfo, PassesAppstreamValidationAndListsThePictureTypes)
{
    const std::string file = DistFile("io.github.grimaze.Grimaze.metainfo.xml");
    const std::string xml = Read(file);
    for (const PictureType& t : PictureTypes())
        EXPECT_NE(xml.find(std::string("<mediatype>") + t.mimeType + "</mediatype>"), std::string::npos) << t.mimeType;
    EXPECT_NE(xml.find("<launchable type=\"desktop-id\">grimaze.desktop</launchable>"), std::string::npos);
    EXPECT_EQ(xml.find('@'), std::string::npos) << "a placeholder was left in the metadata";
    if (!HaveTool("appstreamcli")) GTEST_SKIP() << "appstreamcli is not installed (appstream)";
    const ToolRun r = RunTool("appstreamcli validate --no-net --pedantic " + file);
    EXPECT_EQ(r.code, 0) << r.output;
}

// The screenshots the metadata names are the ones committed under dist/screenshots/ (taken with
// scripts/screenshot), at the size the metadata states.
TEST(Metainfo, EveryScreenshotIsCommittedAtItsStatedSize)
{
    const std::string xml = Read(DistFile("io.github.grimaze.Grimaze.metainfo.xml"));
    const std::string repository = "https://raw.githubusercontent.com/grimaze/grimaze/main/";
    const std::regex image(R"re(<image type="source" width="(\d+)" height="(\d+)">([^<]+)</image>)re");
    int count = 0;
    for (std::sregex_iterator it(xml.begin(), xml.end(), image), end; it != end; ++it, ++count) {
        const std::string url = (*it)[3];
        ASSERT_EQ(url.rfind(repository + "dist/screenshots/", 0), 0u) << url;
        std::string png;
        const std::string file = testenv::SourceDir() + "/" + url.substr(repository.size());
        ASSERT_TRUE(platform::ReadFile(file, png, 1 << 24)) << file << " is not committed";
        ASSERT_GT(png.size(), 24u);
        ASSERT_EQ(png.compare(0, 16, std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16)), 0) << file;
        auto be32 = [&](size_t at) {
            return (unsigned(static_cast<unsigned char>(png[at])) << 24) | (unsigned(static_cast<unsigned char>(png[at + 1])) << 16) |
                   (unsigned(static_cast<unsigned char>(png[at + 2])) << 8) | unsigned(static_cast<unsigned char>(png[at + 3]));
        };
        EXPECT_EQ(be32(16), std::stoul((*it)[1])) << file;
        EXPECT_EQ(be32(20), std::stoul((*it)[2])) << file;
    }
    EXPECT_EQ(count, 3) << "the metadata names three screenshots";
}

namespace {

std::string ProgramPath(const std::string& name) { return std::string(GRIMAZE_BINARY_DIR) + "/bin/" + name; }

/** The options a --help text shows: every "--name" at the start of an option line. */
std::set<std::string> HelpOptions(const std::string& help)
{
    std::set<std::string> names;
    std::istringstream in(help);
    for (std::string line; std::getline(in, line);) {
        const size_t at = line.find("--");
        if (at == std::string::npos || line.find_first_not_of(" -,h qvj", 0) < at) continue;
        const size_t end = line.find_first_of(" =", at);
        names.insert(line.substr(at, end == std::string::npos ? std::string::npos : end - at));
    }
    return names;
}

/** The manual page as man shows it, without formatting; the roff source when man is missing. */
std::string ShownManual(const std::string& page)
{
    if (!HaveTool("man")) {
        std::string roff = Read(page), plain;
        for (size_t i = 0; i < roff.size(); ++i) {
            if (roff.compare(i, 2, "\\-") == 0) {
                plain += '-';
                ++i;
            } else {
                plain += roff[i];
            }
        }
        return plain;
    }
    return RunTool("MANWIDTH=400 man -l " + page + " | col -b").output;
}

}  // namespace

// "man grimaze-cli" must show every option that --help shows, command by command.
TEST(Manual, ShowsEveryOptionTheCommandLineToolsHelpShows)
{
    const std::string cli = ProgramPath("grimaze-cli");
    const std::string manual = ShownManual(DistFile("grimaze-cli.1"));
    ASSERT_NE(manual.find("COMMANDS"), std::string::npos) << manual.substr(0, 400);
    const std::string commandList = RunTool(cli + " --help").output;
    std::istringstream in(commandList.substr(commandList.find("commands:")));
    std::vector<std::string> commands;
    for (std::string line; std::getline(in, line) && !line.empty();)
        if (line.rfind("  ", 0) == 0) commands.push_back(line.substr(2, line.find(' ', 2) - 2));
    ASSERT_GE(commands.size(), 10u) << commandList;
    size_t checked = 0;
    for (const std::string& command : commands) {
        // The command's own part of the manual: from its heading to the next command's.
        const size_t from = manual.find("\n   " + command + "\n");
        ASSERT_NE(from, std::string::npos) << command << " has no section";
        size_t to = from + 1;  // the next heading: a line indented by exactly three blanks
        while ((to = manual.find("\n   ", to + 1)) != std::string::npos && to + 4 < manual.size() && manual[to + 4] == ' ') {
        }
        const std::string section = manual.substr(from, to == std::string::npos ? std::string::npos : to - from);
        const ToolRun help = RunTool(cli + " " + command + " --help");
        ASSERT_EQ(help.code, 0) << command;
        for (const std::string& option : HelpOptions(help.output.substr(0, help.output.find("common options:")))) {
            EXPECT_NE(section.find(option), std::string::npos) << command << " " << option << " is not in the manual";
            ++checked;
        }
    }
    EXPECT_GT(checked, 40u);
    for (const std::string& option : HelpOptions(commandList))
        EXPECT_NE(manual.find(option), std::string::npos) << option;
    EXPECT_NE(manual.find("--version"), std::string::npos);
    EXPECT_NE(manual.find("EXIT STATUS"), std::string::npos);
}

TEST(Manual, ShowsEveryOptionTheDesktopProgramsHelpShows)
{
    const std::string program = ProgramPath("grimaze");
    if (!platform::FileExists(program)) GTEST_SKIP() << "the desktop program is not built (GRIMAZE_GUI=OFF)";
    // --help and --version must work without a display: they answer before any window exists.
    const ToolRun help = RunTool("env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= " + program + " --help");
    ASSERT_EQ(help.code, 0) << help.output;
    const ToolRun version = RunTool("env -u DISPLAY -u WAYLAND_DISPLAY " + program + " --version");
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.output.rfind("grimaze ", 0), 0u) << version.output;
    const std::string manual = ShownManual(DistFile("grimaze.1"));
    const std::set<std::string> options = HelpOptions(help.output);
    EXPECT_EQ(options, (std::set<std::string>{"--help", "--version"}));
    for (const std::string& option : options) EXPECT_NE(manual.find(option), std::string::npos) << option;
}

// Photos named on the desktop program's command line, as paths or as the file: URLs "Open with"
// hands over, join the photo strip; a name that is no file is said on stderr, a wrong option is
// exit code 2.
TEST(DesktopProgram, AddsThePhotosNamedOnItsCommandLineToTheStrip)
{
    const std::string program = ProgramPath("grimaze");
    if (!platform::FileExists(program)) GTEST_SKIP() << "the desktop program is not built (GRIMAZE_GUI=OFF)";
    testenv::TempDir dir;
    const std::string photo = testenv::ProgramDir() + "/media/Images/default/Default3.jpg";
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "named photo.jpg", Read(photo)));
    ASSERT_TRUE(platform::WriteFileAtomically(dir / "second.jpg", Read(photo)));
    const testenv::TemporaryHome home;
    auto start = [&](const std::string& args) {
        return RunTool("QT_QPA_PLATFORM=offscreen GRIMAZE_STARTUP_REPORT=exit " + program + " " + args);
    };
    const std::regex strip(R"(, (\d+) photos in the strip)");
    std::smatch m;
    const ToolRun alone = start("");
    ASSERT_EQ(alone.code, 0) << alone.output;
    ASSERT_TRUE(std::regex_search(alone.output, m, strip)) << alone.output;
    const int samples = std::stoi(m[1]);

    const ToolRun named = start("'" + dir / "named photo.jpg" + "' 'file://" + dir.path() + "/second.jpg' '" + dir / "missing.jpg" + "'");
    ASSERT_EQ(named.code, 0) << named.output;
    ASSERT_TRUE(std::regex_search(named.output, m, strip)) << named.output;
    EXPECT_EQ(std::stoi(m[1]), samples + 2) << named.output;
    EXPECT_NE(named.output.find("no such photo: " + dir / "missing.jpg"), std::string::npos) << named.output;

    const ToolRun wrong = start("--no-such-option");
    EXPECT_EQ(wrong.code, 2) << wrong.output;
    EXPECT_NE(wrong.output.find("no-such-option"), std::string::npos) << wrong.output;
}

namespace {

/** What bash offers after the words typed so far (the last one being completed). */
std::vector<std::string> Complete(const std::vector<std::string>& words)
{
    testenv::TempDir tmp;
    std::string array;
    for (const std::string& w : words) {
        std::string quoted = "'";
        for (char c : w) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        array += quoted + "' ";
    }
    std::ofstream(tmp / "run.sh") << "source '" << DistFile("grimaze-cli") << "'\n"
                                  << "COMP_WORDS=(" << array << ")\nCOMP_CWORD=" << words.size() - 1 << "\n"
                                  << "_grimaze_cli\nprintf '%s\\n' \"${COMPREPLY[@]}\"\n";
    const ToolRun r = RunTool("PATH='" + std::string(GRIMAZE_BINARY_DIR) + "/bin':\"$PATH\" bash " + tmp / "run.sh");
    std::vector<std::string> offered;
    std::istringstream in(r.output);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) offered.push_back(line);
    return offered;
}

bool Has(const std::vector<std::string>& list, const std::string& s) { return std::find(list.begin(), list.end(), s) != list.end(); }

}  // namespace

TEST(Completion, OffersCommandsOptionsAndTemplateNames)
{
    if (!HaveTool("bash")) GTEST_SKIP() << "bash is not installed";
    const auto commands = Complete({"grimaze-cli", ""});
    EXPECT_TRUE(Has(commands, "render") && Has(commands, "batch") && Has(commands, "check-update")) << commands.size();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "gif"), 1);
    EXPECT_EQ(Complete({"grimaze-cli", "ba"}), std::vector<std::string>{"batch"});

    const auto options = Complete({"grimaze-cli", "render", "--"});
    for (const char* o : {"--template", "--photo", "--out", "--format", "--quality", "--quiet", "--verbose", "--help"})
        EXPECT_TRUE(Has(options, o)) << o;
    EXPECT_FALSE(Has(options, "--out-dir"));
    EXPECT_TRUE(Has(Complete({"grimaze-cli", "batch", "--"}), "--out-dir"));

    // Names with spaces come back quoted for the command line.
    const auto names = Complete({"grimaze-cli", "render", "--template", "Oil"});
    EXPECT_TRUE(Has(names, "Oil\\ Paint")) << (names.empty() ? "nothing offered" : names[0]);
    const auto formats = Complete({"grimaze-cli", "batch", "--format", ""});
    EXPECT_TRUE(Has(formats, "webp") && Has(formats, "tiff") && Has(formats, "jpg"));
    EXPECT_FALSE(Has(formats, "pgm"));
}
