#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Notify.h"
#include "platform/Rand15.h"
#include "platform/ReleasableLock.h"
#include "platform/Text.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <thread>

using namespace platform;

TEST(Rand15, MatchesTheClassicSequence)
{
    // The first values of the C runtime generator seeded with 1 are well known.
    Rand15 r(1);
    EXPECT_EQ(r.Next(), 41);
    EXPECT_EQ(r.Next(), 18467);
    EXPECT_EQ(r.Next(), 6334);
    EXPECT_EQ(r.Next(), 26500);
    Rand15 a(12345), b(12345);
    for (int i = 0; i < 1000; ++i) {
        const int v = a.Next();
        ASSERT_EQ(v, b.Next());
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 32767);
    }
}

TEST(Clock, FixedSeedReplacesTheTime)
{
    SetFixedSeed(77u);
    EXPECT_EQ(SeedTime(), 77u);
    SetFixedSeed(std::nullopt);
    EXPECT_GT(SeedTime(), 1600000000u);
}

TEST(Folders, FollowXdgVariablesAndUserDirs)
{
    testenv::TemporaryHome home;
    EXPECT_EQ(DataHome(), home.path() + "/.local/share");
    EXPECT_EQ(DocumentsFolder(), home.path() + "/Documents");
    EXPECT_EQ(PicturesFolder(), home.path() + "/Pictures");
    EXPECT_EQ(PublicPicturesFolder(), "");

    ASSERT_TRUE(MakeFolders(ConfigHome()));
    std::ofstream(ConfigHome() + "/user-dirs.dirs") << "# comment\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n"
                                                       "XDG_PICTURES_DIR=\"/srv/pics/\"\n";
    EXPECT_EQ(DocumentsFolder(), home.path() + "/Dokumente");
    EXPECT_EQ(PicturesFolder(), "/srv/pics");

    const std::string user = UserFolder();
    EXPECT_EQ(user, home.path() + "/.local/share/Kestrovo/Grimaze/");
    EXPECT_TRUE(IsFolder(user));

    setenv("XDG_DATA_HOME", "relative/ignored", 1);  // relative values are invalid by the XDG rules
    EXPECT_EQ(DataHome(), home.path() + "/.local/share");
}

TEST(Folders, ProgramFolderOverrides)
{
    SetProgramFolder("/opt/x/");
    EXPECT_EQ(ProgramFolder(), "/opt/x");
    SetProgramFolder("");
    setenv("GRIMAZE_HOME", "/opt/y", 1);
    EXPECT_EQ(ProgramFolder(), "/opt/y");
    unsetenv("GRIMAZE_HOME");
    EXPECT_FALSE(ProgramFolder().empty());
}

TEST(Folders, PathHelpers)
{
    EXPECT_EQ(NormalizePath(".\\media\\Images\\a.jpg"), "./media/Images/a.jpg");
    EXPECT_EQ(JoinPath("/a/", "/b"), "/a/b");
    EXPECT_EQ(JoinPath("", "b"), "b");
    EXPECT_EQ(ParentFolder("/a/b/c.jpg"), "/a/b");
    EXPECT_EQ(ParentFolder("/c.jpg"), "/");
    EXPECT_EQ(ParentFolder("c.jpg"), "");
    EXPECT_EQ(FileName("/a/b/c.jpg"), "c.jpg");
}

TEST(Folders, MakeFoldersCreatesTheChainAndReportsFailure)
{
    testenv::TempDir dir;
    EXPECT_TRUE(MakeFolders(dir / "a/b//c/"));
    EXPECT_TRUE(IsFolder(dir / "a/b/c"));
    EXPECT_TRUE(MakeFolders(dir / "a/b/c"));  // already there
    std::ofstream(dir / "file") << "x";
    EXPECT_FALSE(MakeFolders(dir / "file/sub"));  // a file in the way
    EXPECT_FALSE(MakeFolders(""));
}

TEST(Files, AtomicWriteReplacesWholeAndLeavesNoTemporary)
{
    testenv::TempDir dir;
    const std::string path = dir / "settings.ini";
    ASSERT_TRUE(WriteFileAtomically(path, "first"));
    ASSERT_TRUE(WriteFileAtomically(path, "second version"));
    std::string text;
    ASSERT_TRUE(ReadFile(path, text, 1000));
    EXPECT_EQ(text, "second version");
    int files = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 1);

    std::string error;
    EXPECT_FALSE(ReadFile(path, text, 3, &error));  // over the cap
    EXPECT_NE(error.find("too large"), std::string::npos);
    EXPECT_FALSE(ReadFile(dir / "missing", text, 100, &error));
    EXPECT_FALSE(ReadFile(dir.path(), text, 100, &error));  // a folder
}

TEST(Files, FailedAtomicWriteKeepsTheOldFile)
{
    if (geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
    testenv::TempDir dir;
    const std::string path = dir / "keep.txt";
    ASSERT_TRUE(WriteFileAtomically(path, "precious"));
    chmod(dir.path().c_str(), 0555);
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(path, "lost?", &error));
    chmod(dir.path().c_str(), 0755);
    std::string text;
    ASSERT_TRUE(ReadFile(path, text, 100));
    EXPECT_EQ(text, "precious");
    EXPECT_FALSE(error.empty());
}

TEST(Files, AtomicWriteIntoMissingFolderFails)
{
    testenv::TempDir dir;
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(dir / "no/such/file", "x", &error));
    EXPECT_FALSE(error.empty());
}

TEST(ReleasableLock, AnotherThreadMayRelease)
{
    ReleasableLock lock;
    lock.lock();
    EXPECT_FALSE(lock.try_lock());
    std::thread([&] { lock.unlock(); }).join();
    EXPECT_TRUE(lock.try_lock());
    lock.unlock();
}

TEST(Notify, RoutesThroughTheInstalledSink)
{
    testenv::RecordingSink sink;
    InstallSink(&sink);
    Post(7, msg::ResultReady, 3, 0);
    Post(0, msg::ResultReady, 4, 0);  // no window: dropped
    SetTimer(7, 43, 20);
    SetCursor(CursorShape::SizeNS);
    std::thread([] { Post(7, msg::Busy, 1, 2); }).join();
    InstallSink(nullptr);
    Post(7, msg::ResultReady, 5, 0);  // dropping sink

    ASSERT_EQ(sink.Posted().size(), 2u);
    EXPECT_EQ(sink.Posted()[0].code, 1124);
    EXPECT_EQ(sink.Posted()[0].a, 3);
    EXPECT_EQ(sink.CountPosted(1224), 1);
    EXPECT_EQ(sink.LastCursor(), CursorShape::SizeNS);
    EXPECT_EQ(sink.Timers().size(), 1u);
}

TEST(Text, CaseAndTrimHelpers)
{
    EXPECT_TRUE(EndsWithNoCase("PHOTO.JPG", ".jpg"));
    EXPECT_FALSE(EndsWithNoCase("jpg", ".jpg"));
    EXPECT_TRUE(EqualsNoCase("Gerneral", "GERNERAL"));
    EXPECT_EQ(Trim("  a b \r\n"), "a b");
    EXPECT_EQ(Trim("   "), "");
    // "é" is two bytes: cutting in the middle backs off to the character start.
    EXPECT_EQ(CutUtf8("ab\xC3\xA9", 3), "ab");
    EXPECT_EQ(CutUtf8("ab\xC3\xA9", 4), "ab\xC3\xA9");
}

TEST(Text, AppendUtf8EncodesAndReplacesInvalidCodePoints)
{
    std::string s;
    for (char32_t c : {char32_t(0x41), char32_t(0xE9), char32_t(0x4E2D), char32_t(0x1F600), char32_t(0xD800), char32_t(0x110000)})
        AppendUtf8(s, c);
    EXPECT_EQ(s, "A\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80\xEF\xBF\xBD\xEF\xBF\xBD");
}
