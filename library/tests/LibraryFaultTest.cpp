// SPDX-License-Identifier: MIT
// template.cfg under faults a user meets: the program killed while it saves, a full disk, a
// folder it may not write. A real process (library_fault_helper) does the saving; the disk and
// the read-only folder are a small tmpfs mounted in a private mount namespace (unshare -rm),
// and those cases are skipped, saying why, where the system does not allow that.
#include "library/tests/LibraryTestUtil.h"

#include "platform/Folders.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

std::string Quote(const std::string& s) { return "'" + s + "'"; }

int Status(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

/** True when this system lets an unprivileged process mount a tmpfs of its own; else why not. */
bool PrivateMountsWork(std::string* why)
{
    static const int rc = Status(std::system("unshare -rm sh -c 'mount -t tmpfs -o size=16k tmpfs /tmp' >/dev/null 2>&1"));
    if (rc != 0) *why = "this system does not let the tests mount a small tmpfs (unshare -rm fails), so no full or read-only disk can be made";
    return rc == 0;
}

class FaultTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        lib_ = dir_.path() + "/lib/";
        program_ = dir_ / "program";
        config_ = program_ + "/config.cfg";
        helper_ = testenv::ProgramDir() + "/library_fault_helper";
        libtest::WriteText(config_, "<config><template directory=\"" + lib_ + "\"/></config>");
        // Online templates need no files; 1,500 of them make a file of about 150 KB, so a save takes a while.
        std::string templates;
        for (int i = 0; i < 1500; ++i)
            templates += "<template name=\"Template number " + std::to_string(i) +
                         "\" online=\"1\" url=\"http://127.0.0.1:9/t.zip\"/>";
        libtest::WriteText(lib_ + "template.cfg", "<library><version ver=\"1\"/><columns><column name=\"Web\">" + templates +
                                                      "</column></columns></library>");
        // The two whole files a save can leave: every template hidden, or none.
        ASSERT_EQ(Helper("save", "1"), 0);
        hidden_ = libtest::ReadText(lib_ + "template.cfg");
        ASSERT_EQ(Helper("save", "0"), 0);
        shown_ = libtest::ReadText(lib_ + "template.cfg");
        ASSERT_NE(hidden_, shown_);
    }

    int Helper(const std::string& mode, const std::string& hide = "")
    {
        return Status(std::system((Quote(helper_) + " " + mode + " " + Quote(config_) + " " + hide + " 2>" +
                                   Quote(dir_ / "stderr.txt"))
                                      .c_str()));
    }
    /** Files in the library folder besides template.cfg. */
    std::vector<std::string> Leftovers() const
    {
        std::vector<std::string> out;
        for (const std::string& f : libtest::FilesUnder(lib_))
            if (f != "template.cfg") out.push_back(f);
        return out;
    }
    /**
     * Runs script in a private mount namespace with LIB, CONFIG, HELPER and OUT set, after a
     * tmpfs of sizeKb is mounted on the library folder holding the current template.cfg.
     * Whatever the script wants checked it copies to OUT (the mount goes with the namespace).
     */
    int InPrivateMount(int sizeKb, const std::string& script)
    {
        const std::string out = dir_ / "out";
        platform::MakeFolders(out);
        libtest::WriteText(out + "/before.cfg", libtest::ReadText(lib_ + "template.cfg"));
        const std::string body = "set -u; mount -t tmpfs -o size=" + std::to_string(sizeKb) + "k tmpfs \"$LIB\" || exit 99; "
                                 "cp \"$OUT/before.cfg\" \"$LIB/template.cfg\"; " + script;
        const std::string command = "LIB=" + Quote(lib_) + " CONFIG=" + Quote(config_) + " HELPER=" + Quote(helper_) +
                                    " OUT=" + Quote(out) + " unshare -rm sh -c " + Quote(body);
        return Status(std::system(command.c_str()));
    }

    testenv::TempDir dir_;
    std::string lib_, program_, config_, helper_, hidden_, shown_;
};

}  // namespace

TEST_F(FaultTest, KilledWhileSavingLeavesTheOldOrTheNewWholeFileAndTheNextStartClearsUp)
{
    std::mt19937 random(20261208);
    int leftAfterKills = 0;
    for (int i = 0; i < 200; ++i) {
        pid_t pid = 0;
        std::vector<std::string> args = {helper_, "loop", config_};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        ASSERT_EQ(posix_spawn(&pid, helper_.c_str(), nullptr, nullptr, argv.data(), environ), 0);
        // Start-up takes some milliseconds; after that the helper does nothing but save.
        std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(2000, 60000)(random)));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        const std::string text = libtest::ReadText(lib_ + "template.cfg");
        ASSERT_TRUE(text == hidden_ || text == shown_) << "kill " << i << " left a file of " << text.size() << " bytes";
        leftAfterKills = static_cast<int>(Leftovers().size());
    }
    RecordProperty("temporary files left by 200 kills", leftAfterKills);
    // The next start of the program removes what the killed writers left, and loads the library.
    const std::string start = "GRIMAZE_HOME=" + Quote(program_) + " " + Quote(testenv::ProgramDir() + "/grimaze-cli") +
                              " templates >/dev/null 2>" + Quote(dir_ / "stderr.txt");
    ASSERT_EQ(Status(std::system(start.c_str())), 0) << libtest::ReadText(dir_ / "stderr.txt");
    EXPECT_EQ(Leftovers(), std::vector<std::string>{});
    EXPECT_TRUE(libtest::ReadText(lib_ + "template.cfg") == hidden_ || libtest::ReadText(lib_ + "template.cfg") == shown_);
}

TEST_F(FaultTest, FullDiskSaysSoNamesTheFolderAndKeepsTheOldFile)
{
    std::string why;
    if (!PrivateMountsWork(&why)) GTEST_SKIP() << why;
    // Room for the library and not a page more.
    const int rc = InPrivateMount(
        256, "dd if=/dev/zero of=\"$LIB/filler\" bs=4k 2>/dev/null; \"$HELPER\" save \"$CONFIG\" 1 2>\"$OUT/err\"; "
             "echo $? >\"$OUT/rc\"; rm \"$LIB/filler\"; ls -A \"$LIB\" >\"$OUT/listing\"; cp \"$LIB/template.cfg\" \"$OUT/after.cfg\"");
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(libtest::ReadText(dir_ / "out/rc"), "1\n");
    const std::string err = libtest::ReadText(dir_ / "out/err");
    EXPECT_NE(err.find(lib_.substr(0, lib_.size() - 1)), std::string::npos) << err;
    EXPECT_NE(err.find("space"), std::string::npos) << err;
    EXPECT_EQ(libtest::ReadText(dir_ / "out/listing"), "template.cfg\n");
    EXPECT_EQ(libtest::ReadText(dir_ / "out/after.cfg"), shown_);
}

TEST_F(FaultTest, ReadOnlyFolderSaysSoNamesTheFolderAndKeepsTheOldFile)
{
    std::string why;
    if (!PrivateMountsWork(&why)) GTEST_SKIP() << why;
    const int rc = InPrivateMount(
        1024, "mount -o remount,ro \"$LIB\"; \"$HELPER\" save \"$CONFIG\" 1 2>\"$OUT/err\"; echo $? >\"$OUT/rc\"; "
              "ls -A \"$LIB\" >\"$OUT/listing\"; cp \"$LIB/template.cfg\" \"$OUT/after.cfg\"");
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(libtest::ReadText(dir_ / "out/rc"), "1\n");
    const std::string err = libtest::ReadText(dir_ / "out/err");
    EXPECT_NE(err.find(lib_.substr(0, lib_.size() - 1)), std::string::npos) << err;
    std::string lower = err;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(lower.find("read-only"), std::string::npos) << err;
    EXPECT_EQ(libtest::ReadText(dir_ / "out/listing"), "template.cfg\n");
    EXPECT_EQ(libtest::ReadText(dir_ / "out/after.cfg"), shown_);
}

// --- grimaze-cli templates when the library cannot be installed ------------------------------

namespace {

class CliLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        program_ = dir_ / "program";
        libtest::WriteText(program_ + "/config.cfg",
                           "<config><template directory=\"$(AppData)\\Kestrovo\\Grimaze\\Library\\\""
                           " init_file=\".\\media\\template.cfg\"/></config>");
        libtest::WriteText(program_ + "/media/template.cfg",
                           "<library><version ver=\"1\"/><columns><column name=\"Web\">"
                           "<template name=\"Good\" online=\"1\" url=\"http://127.0.0.1:9/good.zip\"/>"
                           "</column></columns></library>");
    }
    int Templates(const std::string& dataHome, const std::string& prefix = "")
    {
        const std::string command = prefix + "XDG_DATA_HOME=" + Quote(dataHome) + " GRIMAZE_HOME=" + Quote(program_) + " " +
                                    Quote(testenv::ProgramDir() + "/grimaze-cli") + " templates >" + Quote(dir_ / "out.txt") +
                                    " 2>" + Quote(dir_ / "err.txt");
        return Status(std::system(command.c_str()));
    }

    testenv::TempDir dir_;
    std::string program_;
};

}  // namespace

TEST_F(CliLibraryTest, ADataFolderThatCannotBeWrittenIsReported)
{
    // A file where the data folder should be: no one, root included, can create the library there.
    libtest::WriteText(dir_ / "data", "a file, not a folder");
    EXPECT_EQ(Templates(dir_ / "data/share"), 1);
    const std::string err = libtest::ReadText(dir_ / "err.txt");
    EXPECT_NE(err.find("cannot be installed"), std::string::npos) << err;
    EXPECT_NE(err.find(dir_ / "data/share/Kestrovo/Grimaze/Library"), std::string::npos) << err;
    // With a data folder that works, the same program folder lists the library.
    EXPECT_EQ(Templates(dir_ / "share"), 0) << libtest::ReadText(dir_ / "err.txt");
    EXPECT_NE(libtest::ReadText(dir_ / "out.txt").find("\tGood\tonline\t"), std::string::npos);
}

TEST_F(CliLibraryTest, AReadOnlyOrFullDataFolderIsReported)
{
    std::string why;
    if (!PrivateMountsWork(&why)) GTEST_SKIP() << why;
    const std::string data = dir_ / "mnt";
    platform::MakeFolders(data);
    for (const char* mount : {"-o ro", "-o size=4k"}) {
        const std::string fill = std::string(mount) == "-o ro" ? "" : " && (dd if=/dev/zero of=" + data + "/filler bs=1k 2>/dev/null; true)";
        const std::string prefix = "unshare -rm sh -c " +
                                   Quote("mount -t tmpfs " + std::string(mount) + " tmpfs " + data + fill + " && exec env \"$@\"") +
                                   " sh ";
        EXPECT_EQ(Templates(data, prefix), 1) << mount;
        const std::string err = libtest::ReadText(dir_ / "err.txt");
        EXPECT_NE(err.find("cannot be installed"), std::string::npos) << mount << ": " << err;
        EXPECT_EQ(libtest::ReadText(dir_ / "out.txt"), "") << mount;
    }
}
