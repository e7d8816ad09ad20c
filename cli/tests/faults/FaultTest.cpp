// SPDX-License-Identifier: MIT
// Writes that are cut off: kill -9 at random moments while an export or the settings file is
// written, a full disk and a read-only folder. Afterwards each file is the old whole file or
// the new whole file, the next start removes what the killed writer left, and a failure says
// which folder is to blame.
#include "cli/tests/CliRunner.h"
#include "engine/ImageCodecs.h"
#include "i18n/IniFile.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/testing/TestEnv.h"
#include "settings/GrimazeSettings.h"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace engine;
using namespace settings;

extern char** environ;

namespace {

constexpr int kKills = 200;

std::string Writer() { return testenv::ProgramDir() + "/fault_writer"; }

std::string Read(const std::string& path)
{
    std::string s;
    platform::ReadFile(path, s, 64u << 20);
    return s;
}

// The temporary files of ours in a folder.
int Temporaries(const std::string& folder)
{
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        n += e.path().filename().string().rfind(std::string(platform::kTemporaryPrefix), 0) == 0;
    return n;
}

// A running fault_writer whose standard output (one line at start-up's end, one per whole
// write) the test reads. The pipe stays open until the writer is killed, so that it is never
// stopped by SIGPIPE instead.
struct RunningWriter {
    pid_t pid = 0;
    int out = -1;

    explicit RunningWriter(const std::vector<std::string>& args)
    {
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        int fds[2];
        if (pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = 0;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        out = fds[0];
    }
    ~RunningWriter()
    {
        if (pid > 0) {
            kill(pid, SIGKILL);
            int status = 0;
            waitpid(pid, &status, 0);
        }
        if (out >= 0) close(out);
    }
    /** Waits for the writer's next line; false when it ended instead. */
    bool NextLine()
    {
        for (char c = 0; read(out, &c, 1) == 1;)
            if (c == '\n') return true;
        return false;
    }
};

// How long one whole write takes in this build on this machine (a sanitizer build is several
// times slower), so that the kills can be spread over about two writes.
int MicrosecondsPerWrite(const std::vector<std::string>& args)
{
    RunningWriter writer(args);
    EXPECT_GT(writer.pid, 0);
    if (!writer.NextLine()) return 0;
    const auto start = std::chrono::steady_clock::now();
    constexpr int kWrites = 4;
    for (int i = 0; i < kWrites; ++i)
        if (!writer.NextLine()) return 0;
    const auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    return static_cast<int>(took.count() / kWrites);
}

// Starts the writer, waits until it says it is writing (its start-up is not what is tested),
// lets it write for a random time of up to about two writes and kills it with SIGKILL.
void RunAndKill(const std::vector<std::string>& args, std::mt19937& random, int microsecondsPerWrite)
{
    RunningWriter writer(args);
    ASSERT_GT(writer.pid, 0);
    writer.NextLine();  // false when the writer gave up at once: then there is nothing to kill
    std::this_thread::sleep_for(
        std::chrono::microseconds(std::uniform_int_distribution<int>(0, 2 * microsecondsPerWrite)(random)));
}

// What the kills hit. Only when some kills cut a write in the middle (its temporary stays) and
// some came after a whole write (the file changed) does the test show anything.
struct KillCounts {
    int changed = 0, inside = 0;
    void Count(bool fileChanged, bool temporaryLeft)
    {
        changed += fileChanged;
        inside += temporaryLeft;
    }
    void ExpectBothKinds(const char* what, int microsecondsPerWrite) const
    {
        EXPECT_GT(changed, 0) << "no kill came after a whole " << what << " write: the writer was never reached";
        EXPECT_GT(inside, 0) << "no kill landed inside a " << what << " write";
        std::printf("%d kills during %s writes of %d us each: %d after a new whole file, %d inside a write "
                    "(its temporary left)\n",
                    kKills, what, microsecondsPerWrite, changed, inside);
        ::testing::Test::RecordProperty("kills inside a write", inside);
        ::testing::Test::RecordProperty("kills after a new whole file", changed);
    }
};

// The same pictures the writer saves, encoded the same way.
std::string EncodedFaultPicture(int which)
{
    cv::Mat m(800, 1200, CV_8UC3);
    cv::RNG rng(static_cast<std::uint64_t>(which + 1));
    rng.fill(m, cv::RNG::UNIFORM, 0, 256);
    std::string bytes;
    EncodeImage(m, ".bmp", bytes);
    return bytes;
}

// Runs a shell script as root of a private user and mount namespace, where it may mount a
// small tmpfs; empty when the system does not allow that.
std::string InPrivateMounts(const std::string& script)
{
    if (std::system("unshare -rm true >/dev/null 2>&1") != 0) return {};
    testenv::TempDir tmp;
    platform::WriteFileAtomically(tmp / "script.sh", script);
    const std::string cmd = "unshare -rm sh " + clitest::Quote(tmp / "script.sh") + " >" + tmp / "out" + " 2>&1";
    [[maybe_unused]] const int rc = std::system(cmd.c_str());
    return Read(tmp / "out") + "\n";
}

const char* kNoNamespaces = "unshare -rm is not allowed here (no unprivileged user namespaces): no tmpfs to fill";

}  // namespace

TEST(KillDuringWrite, AnExportIsOldOrNewAndLeftoversGoAtTheNextStart)
{
    testenv::TempDir out;
    const std::string target = out / "export.bmp";
    const std::string old = "the export of yesterday", a = EncodedFaultPicture(0), b = EncodedFaultPicture(1);
    ASSERT_TRUE(platform::WriteFileAtomically(target, old));
    const std::vector<std::string> writer = {Writer(), "export", target};
    testenv::TempDir trial;
    const int perWrite = MicrosecondsPerWrite({Writer(), "export", trial / "export.bmp"});
    ASSERT_GT(perWrite, 0);
    std::mt19937 random(13);
    int mixed = 0;
    KillCounts counts;
    std::string before = old;
    for (int i = 0; i < kKills; ++i) {
        const int temporaries = Temporaries(out.path());
        RunAndKill(writer, random, perWrite);
        const std::string now = Read(target);
        mixed += now != old && now != a && now != b;
        counts.Count(now != before, Temporaries(out.path()) > temporaries);
        before = now;
    }
    EXPECT_EQ(mixed, 0) << "of " << kKills << " kills left a file that is neither the old nor a new export";
    counts.ExpectBothKinds("export", perWrite);
    EXPECT_EQ(Temporaries(out.path()), counts.inside);

    // The next start of the program clears what the killed writers left.
    const clitest::CliRun r = clitest::Cli({"classes"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Temporaries(out.path()), 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out.path()), {}), 1);
}

TEST(KillDuringWrite, ACommandLineExportsLeftoversGoAtItsNextWriteIntoThatFolder)
{
    // grimaze-cli lists no folders, so its next start cannot know this one: the next write there clears it.
    testenv::TempDir out;
    const std::string target = out / "export.bmp";
    const std::vector<std::string> writer = {Writer(), "export-cli", target};
    const int perWrite = MicrosecondsPerWrite(writer);
    ASSERT_GT(perWrite, 0);
    std::mt19937 random(19);
    // Each writer's first write clears what the one before left, so at most one is ever there.
    int inside = 0;
    for (int i = 0; i < 200; ++i) {
        RunAndKill(writer, random, perWrite);
        const int left = Temporaries(out.path());
        ASSERT_LE(left, 1) << "kill " << i;
        inside += left;
        if (inside == 20) break;
    }
    ASSERT_GT(inside, 0) << "no kill landed inside a write";
    EXPECT_EQ(Read(platform::UserFolder() + "temporary-folders.txt").find(out.path()), std::string::npos);

    // Leave one behind for the last part.
    for (int i = 0; i < 200 && Temporaries(out.path()) == 0; ++i) RunAndKill(writer, random, perWrite);
    ASSERT_EQ(Temporaries(out.path()), 1);
    ASSERT_EQ(clitest::Cli({"classes"}).code, 0);
    EXPECT_EQ(Temporaries(out.path()), 1);
    testenv::TempDir dir;
    const std::string photo = dir / "photo.bmp";
    ASSERT_TRUE(platform::WriteFileAtomically(photo, EncodedFaultPicture(0)));
    const clitest::CliRun r = clitest::Cli({"render", "--template", "Emboss", "--photo", photo, "--out", out / "second.png"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Temporaries(out.path()), 0);
    const std::string last = Read(target);
    EXPECT_TRUE(last == EncodedFaultPicture(0) || last == EncodedFaultPicture(1));
}

TEST(KillDuringWrite, TheSettingsFileIsOldOrNewAndLeftoversGoAtTheNextStart)
{
    const std::size_t size = 256u << 10;  // a big value, so that kills land inside writes
    const std::string a = "\"" + std::string(size, 'a') + "\"", b = "\"" + std::string(size, 'b') + "\"";
    const std::vector<std::string> writer = {Writer(), "settings", std::to_string(size)};
    testenv::TempDir trial, config;
    setenv("XDG_CONFIG_HOME", trial.path().c_str(), 1);
    const int perWrite = MicrosecondsPerWrite(writer);
    ASSERT_GT(perWrite, 0);
    setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    ASSERT_TRUE(platform::MakeFolders(platform::ParentFolder(SettingsFilePath())));
    ASSERT_TRUE(platform::WriteFileAtomically(SettingsFilePath(), "[Software\\Kestrovo\\Grimaze]\nlanguage=\"old\"\n"));
    const std::string folder = platform::ParentFolder(SettingsFilePath());
    std::mt19937 random(17);
    int broken = 0;
    KillCounts counts;
    std::string before = "\"old\"";
    for (int i = 0; i < kKills; ++i) {
        const int temporaries = Temporaries(folder);
        RunAndKill(writer, random, perWrite);
        const i18n::IniFile ini = i18n::IniFile::Load(SettingsFilePath());
        const std::string* raw = ini.GetRaw(kSettingsSection, "language");
        const std::string language = raw ? *raw : "";
        broken += !ini.Problems().empty() || (language != "\"old\"" && language != a && language != b);
        counts.Count(language != before, Temporaries(folder) > temporaries);
        before = language;
    }
    EXPECT_EQ(broken, 0) << "of " << kKills << " kills left a settings file that is neither old nor new";
    counts.ExpectBothKinds("settings", perWrite);
    EXPECT_EQ(Temporaries(folder), counts.inside);

    const clitest::CliRun r = clitest::Cli({"classes"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Temporaries(folder), 0);
    unsetenv("XDG_CONFIG_HOME");
}

TEST(FullOrReadOnlyFolder, AnExportSaysWhichFolderAndLeavesTheOldFile)
{
    testenv::TempDir dir, mnt;
    const std::string photo = dir / "photo.bmp";
    ASSERT_TRUE(platform::WriteFileAtomically(photo, EncodedFaultPicture(0)));
    const std::string cli = clitest::Quote(testenv::ProgramDir() + "/grimaze-cli");
    const std::string run = cli + " render --template Emboss --photo " + clitest::Quote(photo) + " --out " +
                            clitest::Quote(mnt / "out.bmp") + " 2>&1; echo \"rc=$?\"; ls -A " + clitest::Quote(mnt.path()) +
                            "; cat " + clitest::Quote(mnt / "out.bmp") + "; echo\n";
    const std::string out = InPrivateMounts("mount -t tmpfs -o size=512k tmpfs " + clitest::Quote(mnt.path()) +
                                            "\necho old > " + clitest::Quote(mnt / "out.bmp") + "\necho FULL\n" +
                                            run + "mount -o remount,ro " + clitest::Quote(mnt.path()) +
                                            "\necho READONLY\n" + run);
    if (out == "\n") GTEST_SKIP() << kNoNamespaces;
    const std::size_t full = out.find("FULL\n"), ro = out.find("READONLY\n");
    ASSERT_NE(full, std::string::npos) << out;
    ASSERT_NE(ro, std::string::npos) << out;
    const std::string onFull = out.substr(full, ro - full), onReadOnly = out.substr(ro);
    // The 2.9 MB export does not fit into 512 KB.
    EXPECT_NE(onFull.find("cannot write " + mnt / "out.bmp" + ": there is not enough free space in the folder " + mnt.path()),
              std::string::npos) << onFull;
    EXPECT_NE(onFull.find("rc=1\nout.bmp\nold\n"), std::string::npos) << onFull;  // no half file beside it
    EXPECT_NE(onReadOnly.find("the folder " + mnt.path() + " is read-only"), std::string::npos) << onReadOnly;
    EXPECT_NE(onReadOnly.find("rc=1\nout.bmp\nold\n"), std::string::npos) << onReadOnly;
}

TEST(FullOrReadOnlyFolder, TheSettingsSayWhichFolderAndKeepTheOldFile)
{
    testenv::TempDir mnt;
    const std::string folder = mnt / "Kestrovo";
    const std::string save = "XDG_CONFIG_HOME=" + clitest::Quote(mnt.path()) + " " + clitest::Quote(Writer()) +
                             " settings-once 800000 2>&1; echo \"rc=$?\"; ls -A " + clitest::Quote(folder) + "; cat " +
                             clitest::Quote(folder + "/Grimaze.ini") + "\n";
    const std::string out = InPrivateMounts(
        "mount -t tmpfs -o size=256k tmpfs " + clitest::Quote(mnt.path()) + "\nmkdir " + clitest::Quote(folder) +
        "\nprintf '[Software\\\\Kestrovo\\\\Grimaze]\\nlanguage=\"old\"\\n' > " + clitest::Quote(folder + "/Grimaze.ini") +
        "\necho FULL\n" + save + "mount -o remount,ro " + clitest::Quote(mnt.path()) + "\necho READONLY\n" + save);
    if (out == "\n") GTEST_SKIP() << kNoNamespaces;
    const std::size_t full = out.find("FULL\n"), ro = out.find("READONLY\n");
    ASSERT_NE(full, std::string::npos) << out;
    ASSERT_NE(ro, std::string::npos) << out;
    const std::string onFull = out.substr(full, ro - full), onReadOnly = out.substr(ro);
    const std::string whole = "Grimaze.ini\n[Software\\Kestrovo\\Grimaze]\nlanguage=\"old\"\n";
    EXPECT_NE(onFull.find("Save project settings error!\nthere is not enough free space in the folder " + folder),
              std::string::npos) << onFull;
    EXPECT_NE(onFull.find("rc=1\n" + whole), std::string::npos) << onFull;
    // A read-only folder is found at start, and said once, naming the folder.
    EXPECT_NE(onReadOnly.find("Settings will not be saved: " + folder + " is not writable"), std::string::npos) << onReadOnly;
    EXPECT_NE(onReadOnly.find("rc=1\n" + whole), std::string::npos) << onReadOnly;
}
