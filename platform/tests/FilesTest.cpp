// SPDX-License-Identifier: MIT
// Safe writes: short temporary names beside the target, whole files only, clear reasons, and
// the clean-up of leftovers that a killed writer leaves.
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

using namespace platform;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string Read(const std::string& path)
{
    std::string s;
    ReadFile(path, s, 1 << 24);
    return s;
}

void MakeOld(const std::string& path, int seconds)
{
    struct utimbuf t {};
    t.actime = t.modtime = time(nullptr) - seconds;
    utime(path.c_str(), &t);
}

// A temporary file as a writer that was killed with kill -9 leaves it: made and locked by a
// child process that then dies.
std::string LeftoverOfKilledWriter(const std::string& target)
{
    int pipefd[2];
    if (pipe(pipefd) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        TemporaryFile file(target);
        file.Write("half an export");
        const std::string path = file.Path() + "\n";
        [[maybe_unused]] ssize_t n = write(pipefd[1], path.data(), path.size());
        pause();
        _exit(0);
    }
    close(pipefd[1]);
    char buf[4096];
    const ssize_t n = read(pipefd[0], buf, sizeof buf);
    close(pipefd[0]);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return n > 1 ? std::string(buf, static_cast<size_t>(n - 1)) : std::string();
}

}  // namespace

TEST(SafeWrite, LongTargetNamesGetAShortTemporaryName)
{
    testenv::TempDir dir;
    // 250 bytes is within the file system's 255 but leaves no room for a suffix.
    const std::string name = std::string(246, 'n') + ".jpg";
    ASSERT_TRUE(WriteFileAtomically(dir / name, "first"));
    ASSERT_TRUE(WriteFileAtomically(dir / name, "second"));
    EXPECT_EQ(Read(dir / name), "second");
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{name});

    TemporaryFile file(dir / name);
    ASSERT_TRUE(file.Ok()) << file.Error();
    EXPECT_EQ(ParentFolder(file.Path()), dir.path());
    const std::string temp = FileName(file.Path());
    EXPECT_LE(temp.size(), 24u);
    EXPECT_EQ(temp.rfind(std::string(kTemporaryPrefix), 0), 0u) << temp;

    // A name that is too long even alone is refused with that reason, and leaves nothing.
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(dir / std::string(300, 'x'), "data", &error));
    EXPECT_NE(error.find("too long"), std::string::npos) << error;
    file.Discard();
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{name});
}

TEST(SafeWrite, CommitKeepsPermissionsAndDiscardLeavesTheOldFile)
{
    testenv::TempDir dir;
    const std::string path = dir / "Grimaze.ini";
    ASSERT_TRUE(WriteFileAtomically(path, "old"));
    chmod(path.c_str(), 0600);
    {
        TemporaryFile file(path);
        ASSERT_TRUE(file.Write("new, never committed"));
    }
    EXPECT_EQ(Read(path), "old");
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"Grimaze.ini"});
    ASSERT_TRUE(WriteFileAtomically(path, "new"));
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // A writer by name (a library that opens the file itself) fills the temporary file.
    TemporaryFile byName(path);
    std::ofstream(byName.Path(), std::ios::binary) << "written by name";
    ASSERT_TRUE(byName.Commit()) << byName.Error();
    EXPECT_EQ(Read(path), "written by name");
}

TEST(SafeWrite, FailuresNameTheFolder)
{
    testenv::TempDir dir;
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(dir / "no/such/file", "x", &error));
    EXPECT_EQ(error, "the folder " + dir.path() + "/no/such does not exist");

    ASSERT_TRUE(MakeFolders(dir / "sub"));
    EXPECT_FALSE(WriteFileAtomically(dir.path(), "x", &error));  // the target is a folder
    EXPECT_NE(error.find(dir.path()), std::string::npos) << error;
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"sub"});

    EXPECT_EQ(DescribeWriteError(ENOSPC, dir / "a.jpg"), "there is not enough free space in the folder " + dir.path());
    EXPECT_EQ(DescribeWriteError(EROFS, dir / "a.jpg"), "the folder " + dir.path() + " is read-only");
    EXPECT_NE(DescribeWriteError(EACCES, dir / "a.jpg").find("permission denied"), std::string::npos);
}

TEST(SafeWrite, ReadersRefuseFifosFoldersAndDevicesWithoutBlocking)
{
    testenv::TempDir dir;
    std::string text, error;
    const bool returned = testenv::ReturnsPromptlyOnFifo(dir / "fifo", [&] {
        EXPECT_FALSE(ReadFile(dir / "fifo", text, 100, &error));
    });
    EXPECT_TRUE(returned) << "reading a FIFO waited for a writer";
    EXPECT_EQ(error, dir / "fifo" + " is not a regular file (a pipe, socket or device)");

    EXPECT_FALSE(ReadFile(dir.path(), text, 100, &error));
    EXPECT_EQ(error, dir.path() + " is a folder, not a file");
    EXPECT_FALSE(ReadFile("/dev/zero", text, 100, &error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos);
    EXPECT_FALSE(ReadFile(dir / "missing", text, 100, &error));
    EXPECT_EQ(error, dir / "missing" + " does not exist");
}

TEST(StaleTemporaries, OnlyDeadWritersLeftoversOfOursGo)
{
    testenv::TemporaryHome home;
    testenv::TempDir exports;
    const std::string target = exports / "photo.jpg";
    ASSERT_TRUE(WriteFileAtomically(target, "the export"));

    const std::string dead = LeftoverOfKilledWriter(target);
    ASSERT_FALSE(dead.empty());
    ASSERT_TRUE(fs::exists(dead));
    TemporaryFile live(target);  // a writer at work in this process
    ASSERT_TRUE(live.Write("busy"));
    // Not ours: another program's temporary file, and a name like ours of another kind.
    std::ofstream(exports / ".grimaze-other") << "x";
    std::ofstream(exports / "photo.jpg.tmp123") << "x";
    // Handed out by name: kept while fresh, removed once nobody touched it for a minute.
    const std::string fresh = TemporaryNameBeside(target), old = TemporaryNameBeside(target);
    std::ofstream(fresh) << "downloading";
    std::ofstream(old) << "abandoned";
    MakeOld(old, 120);

    // The next start finds the export folder on its list and removes what is stale.
    EXPECT_EQ(RemoveStaleTemporaries(), 2);
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_FALSE(fs::exists(old));
    EXPECT_TRUE(fs::exists(live.Path()));
    EXPECT_TRUE(fs::exists(fresh));
    EXPECT_TRUE(fs::exists(exports / ".grimaze-other"));
    EXPECT_TRUE(fs::exists(exports / "photo.jpg.tmp123"));
    EXPECT_EQ(Read(target), "the export");
    ASSERT_TRUE(live.Commit());
    EXPECT_EQ(Read(target), "busy");

    // Leftovers in the per-user folder itself go too; a folder that is gone leaves the list.
    const std::string own = LeftoverOfKilledWriter(UserFolder() + "version.ini");
    ASSERT_TRUE(fs::exists(own));
    fs::remove(fresh);
    fs::remove_all(exports.path());
    EXPECT_EQ(RemoveStaleTemporaries(), 1);
    EXPECT_FALSE(fs::exists(own));
    std::string list;
    ReadFile(UserFolder() + "temporary-folders.txt", list, 1 << 20);
    EXPECT_EQ(list.find(exports.path()), std::string::npos) << list;
}

// A program that must leave the user's home as it was keeps no list there: the next write into
// a folder clears what a killed writer left in it, and a live writer's file stays.
TEST(StaleTemporaries, WithoutTheListTheNextWriteInAFolderClearsItsLeftovers)
{
    struct NoList {
        NoList() { SetRememberTemporaryFolders(false); }
        ~NoList() { SetRememberTemporaryFolders(true); }
    } noList;
    testenv::TemporaryHome home;
    testenv::TempDir exports;
    const std::string target = exports / "photo.png";
    TemporaryFile live(exports / "other.png");
    ASSERT_TRUE(live.Ok()) << live.Error();
    const std::string dead = LeftoverOfKilledWriter(target);
    ASSERT_TRUE(fs::exists(dead));

    ASSERT_TRUE(WriteFileAtomically(target, "the export"));
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_TRUE(fs::exists(live.Path()));
    EXPECT_EQ(Read(target), "the export");
    EXPECT_FALSE(fs::exists(DataHome() + "/Kestrovo")) << "the per-user folder was made";
}

TEST(StaleTemporaries, ACleanUpRacingAWriterNeverTakesItsFile)
{
    testenv::TemporaryHome home;
    testenv::TempDir dir;
    const std::string target = dir / "Grimaze.ini";
    const pid_t child = fork();
    if (child == 0) {
        for (;;) RemoveStaleTemporariesIn(dir.path());
    }
    int failures = 0;
    std::string error;
    for (int i = 0; i < 100; ++i)
        if (!WriteFileAtomically(target, "version " + std::to_string(i), &error)) ++failures;
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(failures, 0) << error;
    EXPECT_EQ(Read(target), "version 99");
}
