#include "library/TemplateDownload.h"
#include "library/ZipExtract.h"
#include "library/tests/LibraryTestUtil.h"

#include "platform/Folders.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace library;
using libtest::FilesUnder;
using libtest::WriteZip;

TEST(SafeEntryPath, AcceptsRelativeNamesInEitherSeparator)
{
    bool folder = true;
    EXPECT_EQ(SafeEntryPath("a/b/c.tmpl", &folder), "a/b/c.tmpl");
    EXPECT_FALSE(folder);
    EXPECT_EQ(SafeEntryPath("a\\b\\c.tmpl"), "a/b/c.tmpl");
    EXPECT_EQ(SafeEntryPath("./a//./b", &folder), "a/b");
    EXPECT_EQ(SafeEntryPath("sub/", &folder), "sub");
    EXPECT_TRUE(folder);
    EXPECT_EQ(SafeEntryPath("..."), "...");  // a name, not a step up
}

TEST(SafeEntryPath, RefusesEveryWayOut)
{
    for (const char* bad : {"../x", "a/../../x", "a/..", "..\\x", "a\\..\\..\\x", "/etc/x", "\\x", "\\\\server\\share\\x",
                            "C:\\x", "c:x", "C:/x", "a\x01b", ""})
        EXPECT_FALSE(SafeEntryPath(bad)) << bad;
}

TEST(SafeArchiveName, StaysInsideTheDownloadFolder)
{
    EXPECT_EQ(SafeArchiveName("Stormy Night"), "Stormy Night");
    EXPECT_EQ(SafeArchiveName("../../etc/passwd"), "_._.._etc_passwd");
    EXPECT_EQ(SafeArchiveName(".."), "_.");
    EXPECT_EQ(SafeArchiveName(""), "_");
    EXPECT_EQ(SafeArchiveName("C:\\x"), "C__x");
    EXPECT_EQ(SafeArchiveName("a\nb"), "a_b");
    EXPECT_LE(SafeArchiveName(std::string(1000, 'x')).size(), 200u);
}

class ExtractTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        target_ = dir_ / "lib";
        platform::MakeFolders(target_);
        archive_ = dir_ / "a.zip";
    }
    bool Extract(std::vector<std::string>* names = nullptr, const ExtractLimits& limits = {})
    {
        error_.clear();
        return ExtractArchive(
            archive_, target_, [&](const std::string& n) { if (names) names->push_back(n); }, &error_, limits);
    }
    testenv::TempDir dir_;
    std::string target_, archive_, error_;
};

TEST_F(ExtractTest, SubFoldersAndBothSeparators)
{
    WriteZip(archive_, {{"T/", ""}, {"T/T.tmpl", "<effect/>"}, {"T/img/a.png", "A"}, {"U\\sub\\b.txt", "B"}});
    std::vector<std::string> names;
    ASSERT_TRUE(Extract(&names)) << error_;
    EXPECT_EQ(names, (std::vector<std::string>{"T/", "T/T.tmpl", "T/img/a.png", "U/sub/b.txt"}));
    EXPECT_EQ(FilesUnder(target_), (std::vector<std::string>{"T/T.tmpl", "T/img/a.png", "U/sub/b.txt"}));
    EXPECT_EQ(libtest::ReadText(target_ + "/U/sub/b.txt"), "B");
}

TEST_F(ExtractTest, ReplacesOlderFilesAndKeepsNeighbours)
{
    libtest::WriteText(target_ + "/T/T.tmpl", "old");
    libtest::WriteText(target_ + "/T/keep.txt", "mine");
    libtest::WriteText(target_ + "/Other/x", "other template");
    WriteZip(archive_, {{"T/T.tmpl", "new"}});
    ASSERT_TRUE(Extract()) << error_;
    EXPECT_EQ(libtest::ReadText(target_ + "/T/T.tmpl"), "new");
    EXPECT_EQ(libtest::ReadText(target_ + "/T/keep.txt"), "mine");
    EXPECT_EQ(libtest::ReadText(target_ + "/Other/x"), "other template");
}

TEST_F(ExtractTest, HostileNamesFailBeforeAnythingIsWritten)
{
    const std::string outside = dir_ / "evil.txt";
    for (const std::string& bad : {std::string("../evil.txt"), std::string("T\\..\\..\\evil.txt"), outside,
                                   std::string("C:\\evil.txt"), std::string("template.cfg")}) {
        // The good entry comes first: it must not be left behind either.
        WriteZip(archive_, {{"T/T.tmpl", "<effect/>"}, {bad, "pwned"}});
        EXPECT_FALSE(Extract()) << bad;
        EXPECT_FALSE(error_.empty());
        EXPECT_TRUE(FilesUnder(target_).empty()) << bad;
        EXPECT_FALSE(platform::FileExists(outside));
        EXPECT_EQ(FilesUnder(dir_.path()), std::vector<std::string>{"a.zip"});
    }
}

TEST_F(ExtractTest, TruncatedOrGarbageArchiveFailsCleanly)
{
    WriteZip(archive_, {{"T/T.tmpl", std::string(5000, 'x')}, {"T/b", "b"}});
    const std::string full = libtest::ReadText(archive_);
    for (size_t cut : {full.size() - 10, full.size() / 2, size_t(30), size_t(0)}) {
        libtest::WriteText(archive_, full.substr(0, cut));
        EXPECT_FALSE(Extract()) << cut;
        EXPECT_TRUE(FilesUnder(target_).empty());
    }
    // Damaged data behind an intact directory: the checksum catches it.
    std::string damaged = full;
    const size_t at = damaged.find("xxxx");
    if (at != std::string::npos) {
        damaged[at] = 'y';
        libtest::WriteText(archive_, damaged);
        EXPECT_FALSE(Extract());
        EXPECT_TRUE(FilesUnder(target_).empty());
    }
    EXPECT_FALSE(ExtractArchive(archive_, dir_ / "no-such-folder", nullptr, &error_));
}

TEST_F(ExtractTest, SymbolicLinkEntriesAreRefusedWhole)
{
    // The review's archive: the definition is a link to /etc/passwd.
    archive_ = testenv::SourceDir() + "/library/tests/data/download/symlink_tmpl.zip";
    EXPECT_FALSE(Extract());
    EXPECT_NE(error_.find("symbolic link"), std::string::npos) << error_;
    EXPECT_EQ(FilesUnder(dir_.path()), std::vector<std::string>{});
    EXPECT_TRUE(std::filesystem::is_empty(target_));
}

TEST_F(ExtractTest, RefusesArchivesThatInflateBeyondTheLimit)
{
    // 4 MiB of zeros compress to a few KiB: a small bomb against a 1 MiB limit.
    WriteZip(archive_, {{"T/T.tmpl", "<effect/>"}, {"T/zeros", std::string(4u << 20, '\0')}});
    EXPECT_LT(std::filesystem::file_size(archive_), 64u * 1024);
    ExtractLimits limits;
    limits.maxTotalBytes = 1u << 20;
    EXPECT_FALSE(Extract(nullptr, limits));
    EXPECT_NE(error_.find("MiB"), std::string::npos) << error_;
    EXPECT_TRUE(FilesUnder(target_).empty());
    limits.maxTotalBytes = 8u << 20;
    EXPECT_TRUE(Extract(nullptr, limits)) << error_;
}

TEST_F(ExtractTest, FileWhereFolderIsExpectedFails)
{
    libtest::WriteText(target_ + "/T", "a file named like the archive's folder");
    WriteZip(archive_, {{"T/T.tmpl", "<effect/>"}});
    EXPECT_FALSE(Extract());
    EXPECT_EQ(FilesUnder(target_), std::vector<std::string>{"T"});
}

TEST_F(ExtractTest, AbandonedExtractionFoldersAreClearedRunningOnesKept)
{
    // One left by a killed process (nobody holds it), one of an extraction still running.
    const std::string old = target_ + "/.grimaze-extract-old123";
    libtest::WriteText(old + "/T/T.tmpl", "half");
    std::unique_ptr<ExtractionFolder> running = ExtractionFolder::Create(target_);
    ASSERT_TRUE(running);
    libtest::WriteText(running->Path() + "/T/T.tmpl", "another download, running");
    WriteZip(archive_, {{"U/U.tmpl", "<effect/>"}});
    ASSERT_TRUE(Extract()) << error_;
    EXPECT_FALSE(platform::IsFolder(old));
    EXPECT_TRUE(platform::FileExists(running->Path() + "/T/T.tmpl"));
    EXPECT_TRUE(platform::FileExists(target_ + "/U/U.tmpl"));
    EXPECT_EQ(RemoveAbandonedExtractions(target_), 0);
    const std::string path = running->Path();
    running.reset();
    EXPECT_FALSE(platform::IsFolder(path));
}
