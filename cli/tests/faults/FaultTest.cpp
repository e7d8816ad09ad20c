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

// Starts the writer, waits until it says it is writing (its start-up is not what is tested),
// lets it write for a random time of up to a few writes and kills it with SIGKILL.
void RunAndKill(const std::vector<std::string>& args, std::mt19937& random, int maxMicroseconds)
{
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ready[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, ready[0]);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ready[1]);
    ASSERT_EQ(spawned, 0);
    char c = 0;
    [[maybe_unused]] const ssize_t n = read(ready[0], &c, 1);  // 0 when the writer gave up before
    close(ready[0]);
    std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, maxMicroseconds)(random)));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
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
    void ExpectBothKinds(const char* what) const
    {
        EXPECT_GT(changed, 0) << "no kill came after a whole " << what << " write: the writer was never reached";
        EXPECT_GT(inside, 0) << "no kill landed inside a " << what << " write";
        std::printf("%d kills during %s writes: %d after a new whole file, %d inside a write (its temporary left)\n",
                    kKills, what, changed, inside);
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
    std::mt19937 random(13);
    int mixed = 0;
    KillCounts counts;
    std::string before = old;
    for (int i = 0; i < kKills; ++i) {
        const int temporaries = Temporaries(out.path());
        RunAndKill({Writer(), "export", target}, random, 60000);
        const std::string now = Read(target);
        mixed += now != old && now != a && now != b;
        counts.Count(now != before, Temporaries(out.path()) > temporaries);
        before = now;
    }
    EXPECT_EQ(mixed, 0) << "of " << kKills << " kills left a file that is neither the old nor a new export";
    counts.ExpectBothKinds("export");
    EXPECT_EQ(Temporaries(out.path()), counts.inside);

    // The next start of the program clears what the killed writers left.
    const clitest::CliRun r = clitest::Cli({"classes"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(Temporaries(out.path()), 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out.path()), {}), 1);
}

TEST(KillDuringWrite, TheSettingsFileIsOldOrNewAndLeftoversGoAtTheNextStart)
{
    testenv::TempDir config;
    setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    const std::size_t size = 256u << 10;  // a big value, so that kills land inside writes
    const std::string a = "\"" + std::string(size, 'a') + "\"", b = "\"" + std::string(size, 'b') + "\"";
    ASSERT_TRUE(platform::MakeFolders(platform::ParentFolder(SettingsFilePath())));
    ASSERT_TRUE(platform::WriteFileAtomically(SettingsFilePath(), "[Software\\Kestrovo\\Grimaze]\nlanguage=\"old\"\n"));
    const std::string folder = platform::ParentFolder(SettingsFilePath());
    std::mt19937 random(17);
    int broken = 0;
    KillCounts counts;
    std::string before = "\"old\"";
    for (int i = 0; i < kKills; ++i) {
        const int temporaries = Temporaries(folder);
        RunAndKill({Writer(), "settings", std::to_string(size)}, random, 30000);
        const i18n::IniFile ini = i18n::IniFile::Load(SettingsFilePath());
        const std::string* raw = ini.GetRaw(kSettingsSection, "language");
        const std::string language = raw ? *raw : "";
        broken += !ini.Problems().empty() || (language != "\"old\"" && language != a && language != b);
        counts.Count(language != before, Temporaries(folder) > temporaries);
        before = language;
    }
    EXPECT_EQ(broken, 0) << "of " << kKills << " kills left a settings file that is neither old nor new";
    counts.ExpectBothKinds("settings");
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
