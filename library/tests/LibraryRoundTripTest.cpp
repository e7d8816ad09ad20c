// SPDX-License-Identifier: MIT
// Every template.cfg the program saves loads again to the same library: the files a review
// found (text after the root, stray markup before it), libraries generated at random, and the
// road through a restart, where a file that did not load used to be replaced by the shipped one.
#include "library/TemplateLibrary.h"
#include "library/tests/LibraryTestUtil.h"

#include "platform/Folders.h"
#include "platform/Rand15.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <filesystem>

using namespace library;
using libtest::ReadText;
using libtest::WriteText;

namespace {

/** The review's files and what fuzzing found since. */
std::vector<std::string> Findings()
{
    std::vector<std::string> files;
    for (const char* folder : {"/library/tests/data/libcfg", "/fuzz/regressions/library_templates"})
        for (const auto& e : std::filesystem::directory_iterator(testenv::SourceDir() + folder))
            files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

/** Random library files: mostly well-formed libraries, with the slips and junk users and crashes leave. */
class LibraryGenerator {
public:
    explicit LibraryGenerator(unsigned seed) : rand_(seed) {}

    std::string File()
    {
        std::string s;
        if (Chance(10)) s += "\xEF\xBB\xBF";
        if (Chance(70)) s += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + Newline();
        if (Chance(50)) s += "<!--" + Text(60, false) + "-->" + Newline();
        if (Chance(10)) s += "<!DOCTYPE library>" + Newline();
        s += "<library>" + Newline();
        if (Chance(80)) s += "  <version ver=\"" + std::to_string(Pick(5)) + "\"/>" + Newline();
        s += "  <columns>" + Newline();
        for (int c = Pick(5); c > 0; --c) {
            s += "    <column name=\"" + Value() + "\"" + (Chance(60) ? " path=\"" + Path() + "\"" : "") + ">" + Newline();
            for (int t = Pick(5); t > 0; --t) s += "      " + Template(false) + Newline();
            if (Chance(15)) s += "      " + Text(20, true) + Newline();
            s += "    </column>" + Newline();
        }
        s += "  </columns>" + Newline();
        if (Chance(50)) {
            s += "  <templates>" + Newline();
            for (int t = Pick(4); t > 0; --t) s += "    " + Template(true) + Newline();
            s += "  </templates>" + Newline();
        }
        if (Chance(15)) s += "  <![CDATA[" + Text(20, false) + "]]>";
        if (Chance(10)) s += "  <!" + Text(10, false) + ">" + Newline();
        if (Chance(15)) s += "  <unknown a=\"" + Value() + "\">" + Text(20, true) + "</unknown>" + Newline();
        s += "</library>";
        // After the root: what a crash or an editor leaves behind.
        if (Chance(30)) s += Newline() + Text(40, true);
        if (Chance(15)) s += Newline() + "<!--" + Text(20, false) + "-->";
        if (Chance(10)) s += "<!" + Text(10, false) + ">";
        if (Chance(10)) s += "<second/>";
        if (Chance(50)) s += Newline();
        return s;
    }

private:
    int Pick(int n) { return rand_.Next() % n; }
    bool Chance(int percent) { return rand_.Next() % 100 < percent; }
    std::string Newline() { return Chance(20) ? "\r\n" : "\n"; }

    /** Text without markup; with entities when escaped. */
    std::string Text(int maxLength, bool escaped)
    {
        static const char* const pieces[] = {"a", "Z", " ", "\t", "\n", "/", "\\", "$(Site)", "\xC3\xA9", "\xE4\xB8\xAD",
                                             "-", "?", "'", "]", "x", "1"};
        static const char* const entities[] = {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;", "&#65;", "&#x4e2d;"};
        std::string s;
        for (int n = Pick(maxLength); n > 0; --n) {
            if (escaped && Chance(10))
                s += entities[Pick(7)];
            else
                s += pieces[Pick(16)];
        }
        // A comment may not hold "--" before its end, nor end in "-".
        if (!escaped)
            for (size_t p; (p = s.find("--")) != std::string::npos;) s.erase(p, 1);
        if (!escaped && !s.empty() && s.back() == '-') s.pop_back();
        if (!escaped)
            for (size_t p; (p = s.find('>')) != std::string::npos;) s.erase(p, 1);
        return s;
    }
    std::string Value()
    {
        std::string v = Text(12, true);
        for (size_t p; (p = v.find('"')) != std::string::npos;) v.replace(p, 1, "&quot;");
        return v;
    }
    std::string Path()
    {
        std::string p;
        for (int n = 1 + Pick(4); n > 0; --n) p += (p.empty() ? "" : "/") + Value();
        return p;
    }
    std::string Template(bool flat)
    {
        static const char* const attrs[] = {"name", "filepath", "preset", "online", "url", "downloaded", "hide", "thumb",
                                            "custom"};
        std::string s = "<template";
        if (flat) s += " column=\"" + Value() + "\"";
        for (int i = 0; i < 9; ++i)
            if (Chance(50)) s += std::string(" ") + attrs[i] + "=\"" + (i >= 2 && i <= 6 && Chance(70) ? "1" : Value()) + "\"";
        return s + "/>";
    }

    platform::Rand15 rand_;
};

class RoundTripTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        program_ = dir_ / "program";
        platform::MakeFolders(program_ + "/media");
        platform::SetProgramFolder(program_);
        lib_ = dir_.path() + "/lib/";
        WriteText(program_ + "/config.cfg",
                  "<config><template directory=\"" + lib_ + "\" init_file=\".\\media\\template.cfg\"/></config>");
        // The shipped file: "ver" as high as the user's, so the user's file is kept.
        WriteText(program_ + "/media/template.cfg",
                  "<library><version ver=\"99\"/><columns><column name=\"Shipped\"/></columns></library>");
    }
    void TearDown() override { platform::SetProgramFolder(""); }

    testenv::TemporaryHome home_;
    testenv::TempDir dir_;
    std::string program_, lib_;
};

}  // namespace

TEST(LibraryRoundTrip, EveryFindingSavesToAFileThatLoadsToTheSameLibrary)
{
    for (const std::string& file : Findings()) {
        const std::string text = ReadText(file);
        ASSERT_TRUE(ParseLibraryText(text)) << file << ": the finding itself must load";
        std::string why;
        EXPECT_TRUE(LibraryTextRoundTrips(text, &why)) << file << ": " << why;
    }
}

TEST(LibraryRoundTrip, GeneratedLibrariesSaveToFilesThatLoadToTheSameLibrary)
{
    int loaded = 0;
    for (unsigned seed = 1; seed <= 600; ++seed) {
        const std::string text = LibraryGenerator(seed).File();
        std::string why;
        EXPECT_TRUE(LibraryTextRoundTrips(text, &why)) << "seed " << seed << ": " << why << "\n" << text;
        loaded += ParseLibraryText(text) ? 1 : 0;
    }
    // The generator is meant to make loadable files; if it did not, the test proved little.
    EXPECT_GT(loaded, 400);
}

TEST(LibraryRoundTrip, SummaryTellsLibrariesApart)
{
    auto summary = [](const char* text) { return LibrarySummary(*ParseLibraryText(text)); };
    EXPECT_EQ(summary("<l><c a=\"1\"/></l>"), summary("<?xml version=\"1.0\"?>\n<!--x-->\n<l>\n  <c a=\"1\" />\n</l>\n<!--y-->"));
    EXPECT_NE(summary("<l><c a=\"1\"/></l>"), summary("<l><c a=\"2\"/></l>"));
    EXPECT_NE(summary("<l><c a=\"1\"/></l>"), summary("<l><c><d a=\"1\"/></c></l>"));
    EXPECT_NE(summary("<l><c/></l>"), summary("<l><c>t</c></l>"));
}

TEST_F(RoundTripTest, UsersStateOfAFindingSurvivesARestart)
{
    // A user's file that loads, with a template to hide; the finding's junk after the root stays.
    std::string text = ReadText(testenv::SourceDir() + "/library/tests/data/libcfg/crash-d93f5987c6cfe83e788f565e2dce02c329531905");
    ASSERT_TRUE(ParseLibraryText(text));
    const size_t columns = text.find("<columns>");
    ASSERT_NE(columns, std::string::npos);
    text.insert(columns + 9, "<column name=\"Mine\"><template name=\"Mine\" online=\"1\" url=\"http://127.0.0.1/m.zip\"/></column>");
    const size_t version = text.find("<version ver=\"");
    ASSERT_NE(version, std::string::npos);
    text.replace(version, text.find('>', version) - version + 1, "<version ver=\"99\"/>");
    WriteText(lib_ + "template.cfg", text);

    {
        CTemplateLibrary lib;
        ASSERT_TRUE(lib.LoadTemplateLibrary());
        TemplateItem* mine = lib.FindItem("Mine");
        ASSERT_TRUE(mine);
        mine->SetHide(true);
        std::string error;
        ASSERT_TRUE(lib.SaveTemplateLibrary(&error)) << error;
    }
    CTemplateLibrary again;
    ASSERT_TRUE(again.LoadTemplateLibrary());
    TemplateItem* mine = again.FindItem("Mine");
    ASSERT_TRUE(mine) << "the saved file did not load and the shipped one replaced it:\n" << ReadText(lib_ + "template.cfg");
    EXPECT_TRUE(mine->hide);
}

TEST_F(RoundTripTest, AFileThatDoesNotLoadIsKeptAsBrokenAndLogged)
{
    const std::string broken = "<library><columns><column name=\"Mine\"><template name=\"x\" hide=\"1\"/></columns>";
    WriteText(lib_ + "template.cfg", broken);
    CTemplateLibrary lib;
    ASSERT_TRUE(lib.LoadTemplateLibrary());
    // The shipped file is installed, and the user's is kept beside it under a dated name.
    EXPECT_NE(lib.GetColumnCount(), 0);
    std::vector<std::string> kept;
    for (const std::string& f : libtest::FilesUnder(lib_))
        if (f.rfind("template.cfg.broken-", 0) == 0) kept.push_back(f);
    ASSERT_EQ(kept.size(), 1u) << ::testing::PrintToString(libtest::FilesUnder(lib_));
    EXPECT_EQ(ReadText(lib_ + kept[0]), broken);
    // "template.cfg.broken-20261208-111500": a date and a time of day.
    EXPECT_EQ(kept[0].size(), std::string("template.cfg.broken-").size() + 15) << kept[0];
    const std::string log = ReadText(platform::UserFolder() + "log.txt");
    EXPECT_NE(log.find(kept[0]), std::string::npos) << log;

    // A second broken file on the same day gets a name of its own.
    WriteText(lib_ + "template.cfg", broken + "2");
    CTemplateLibrary second;
    ASSERT_TRUE(second.LoadTemplateLibrary());
    int count = 0;
    for (const std::string& f : libtest::FilesUnder(lib_)) count += f.rfind("template.cfg.broken-", 0) == 0;
    EXPECT_EQ(count, 2);
}

TEST_F(RoundTripTest, AnElementWithThousandsOfAttributesIsRefusedAndTheLibraryStaysUsable)
{
    // tinyxml2 compares every attribute with all before it: such a file took half a minute.
    auto library = [](int attributes) {
        std::string t = "<template name=\"x\"";
        for (int i = 0; i < attributes; ++i) t += " a" + std::to_string(i) + "=\"1\"";
        return "<library><version ver=\"99\"/><columns><column name=\"Mine\">" + t + "/></column></columns></library>";
    };
    std::string why;
    EXPECT_TRUE(ParseLibraryText(library(63)));
    EXPECT_FALSE(ParseLibraryText(library(200), &why));
    EXPECT_NE(why.find("<template> has more than 64 attributes"), std::string::npos) << why;

    WriteText(lib_ + "template.cfg", library(20000));
    CTemplateLibrary lib;
    ASSERT_TRUE(lib.LoadTemplateLibrary());
    ASSERT_EQ(lib.GetColumnCount(), 1);
    EXPECT_EQ(lib.GetColumn(0)->name, "Shipped");
    int kept = 0;
    for (const std::string& f : libtest::FilesUnder(lib_)) kept += f.rfind("template.cfg.broken-", 0) == 0;
    EXPECT_EQ(kept, 1);
    const std::string log = ReadText(platform::UserFolder() + "log.txt");
    EXPECT_NE(log.find("more than 64 attributes"), std::string::npos) << log;

    // The same in config.cfg: nothing loads, and the reason says which file and why.
    std::string attributes;
    for (int i = 0; i < 20000; ++i) attributes += " a" + std::to_string(i) + "=\"1\"";
    WriteText(program_ + "/config.cfg", "<config><template directory=\"" + lib_ + "\"" + attributes + "/></config>");
    CTemplateLibrary refused;
    EXPECT_FALSE(refused.LoadTemplateLibrary());
    ASSERT_EQ(refused.LoadErrors().size(), 1u);
    EXPECT_NE(refused.LoadErrors()[0].find(program_ + "/config.cfg"), std::string::npos) << refused.LoadErrors()[0];
    EXPECT_NE(refused.LoadErrors()[0].find("more than 64 attributes"), std::string::npos) << refused.LoadErrors()[0];
}
