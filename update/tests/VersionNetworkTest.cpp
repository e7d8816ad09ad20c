// The version check against a web server on 127.0.0.1 (python3); skipped, saying why, without it.
#include "update/VendorSite.h"
#include "update/VersionCheck.h"

#include "library/tests/TestServer.h"
#include "platform/Folders.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

using namespace update;

namespace {

constexpr platform::WindowId kReceiver = 42;

class VersionCheckTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string why;
        if (!libtest::PythonAvailable(&why)) GTEST_SKIP() << why;
        ASSERT_TRUE(server_.Start(site_.path(), &why)) << why;
        setenv("GRIMAZE_SITE_URL", server_.Url().c_str(), 1);
        platform::InstallSink(&sink_);
        SetVersionReceiver(kReceiver);
    }
    void TearDown() override
    {
        StopVersionChecks();
        ClearVersionReceiver(kReceiver);
        platform::InstallSink(nullptr);
        unsetenv("GRIMAZE_SITE_URL");
    }
    void Site(const std::string& text) { std::ofstream(site_ / "version_free.ini", std::ios::binary) << text; }
    /** The one report, after a check on this thread. */
    testenv::RecordingSink::Entry Check(const OwnVersion& own)
    {
        sink_.Clear();
        TransferLimits limits;
        limits.stallSeconds = 1;
        CheckVersionWorker(own, limits);
        const auto posted = sink_.Posted();
        EXPECT_EQ(posted.size(), 1u);
        return posted.empty() ? testenv::RecordingSink::Entry{} : posted.front();
    }

    testenv::TempDir site_;
    libtest::TestServer server_;
    testenv::RecordingSink sink_;
};

}  // namespace

TEST_F(VersionCheckTest, NewerAndUpToDate)
{
    const OwnVersion own = ParseVersion("2.0.1");
    Site("[Gerneral]\nversion=201\nbuild=9\n");
    auto r = Check(own);
    EXPECT_EQ(r.window, kReceiver);
    EXPECT_EQ(r.code, platform::msg::UpToDate);
    EXPECT_EQ(r.a, 201);
    EXPECT_EQ(r.b, 9);
    Site("[Gerneral]\nversion=202\nbuild=10\n");
    r = Check(own);
    EXPECT_EQ(r.code, platform::msg::NewerVersion);
    EXPECT_EQ(r.a, 202);
    EXPECT_EQ(r.b, 10);
    // The local copy is what was read.
    std::ifstream local(LocalVersionFile());
    std::string first;
    std::getline(local, first);
    EXPECT_EQ(first, "[Gerneral]");
}

TEST_F(VersionCheckTest, NotFoundReportsTheHttpErrorAndKeepsTheOldCopy)
{
    Site("[Gerneral]\nversion=5\n");
    Check(ParseVersion("9.9.9"));
    std::remove((site_ / "version_free.ini").c_str());
    const auto r = Check(ParseVersion("9.9.9"));
    ASSERT_EQ(r.code, platform::msg::VersionCheckError);
    const std::string text = VersionReportText(r.code, r.a, r.b);
    EXPECT_NE(text.find("Error while getting version information from Grimaze"), std::string::npos) << text;
    EXPECT_NE(text.find("Download remote file " + server_.Url("version_free.ini") + " failed, error code: HTTP 404!\n"
                        "Please make sure"),
              std::string::npos)
        << text;
    EXPECT_EQ(TakeVersionError(r.a), "");  // the text was handed over once
    EXPECT_EQ(ReadVersionFile(LocalVersionFile()).version, 5);
}

TEST_F(VersionCheckTest, StallingSiteEndsInAnError)
{
    setenv("GRIMAZE_SITE_URL", server_.Url("stall/").c_str(), 1);
    const auto start = std::chrono::steady_clock::now();
    const auto r = Check(ParseVersion("1.0.0"));
    EXPECT_EQ(r.code, platform::msg::VersionCheckError);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 10.0);
}

TEST_F(VersionCheckTest, NoReceiverNoReport)
{
    Site("[Gerneral]\nversion=999\n");
    ClearVersionReceiver(kReceiver);
    sink_.Clear();
    CheckVersionWorker(ParseVersion("1.0.0"));
    EXPECT_TRUE(sink_.Posted().empty());
}

TEST_F(VersionCheckTest, AutomaticCheckRunsOnAWorkerAgainstALoopbackSite)
{
    Site("[Gerneral]\nversion=999\nbuild=1\n");
    EXPECT_FALSE(StartAutomaticCheck(7, false));  // the setting is off
    ASSERT_TRUE(StartAutomaticCheck(7, true));
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (sink_.CountPosted(platform::msg::NewerVersion) == 0 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(sink_.CountPosted(platform::msg::NewerVersion), 1);
    EXPECT_EQ(sink_.Posted().front().window, 7u);
    ClearVersionReceiver(7);
}

TEST_F(VersionCheckTest, ClosingTheDialogDropsTheResult)
{
    setenv("GRIMAZE_SITE_URL", server_.Url("slow/").c_str(), 1);
    Site("[Gerneral]\nversion=999\n");
    SetVersionReceiver(8);
    StartVersionCheck(ParseVersion("1.0.0"));
    ClearVersionReceiver(8);  // the dialog went away while the check ran
    StopVersionChecks();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(sink_.Posted().empty());
}

TEST_F(VersionCheckTest, OversizedVersionFileNamesTheLimitInWords)
{
    Site("[Gerneral]\nversion=5\n" + std::string(100 * 1024, ';') + "\n");
    const auto r = Check(ParseVersion("1.0.0"));
    ASSERT_EQ(r.code, platform::msg::VersionCheckError);
    const std::string text = VersionReportText(r.code, r.a, r.b);
    EXPECT_NE(text.find("larger than 64 KiB"), std::string::npos) << text;
}

TEST(ByteSizeText, SaysTheSizeInTheLargestWholeUnit)
{
    EXPECT_EQ(FormatByteSize(0), "0 bytes");
    EXPECT_EQ(FormatByteSize(1023), "1023 bytes");
    EXPECT_EQ(FormatByteSize(64 * 1024), "64 KiB");
    EXPECT_EQ(FormatByteSize(1536), "1.5 KiB");
    EXPECT_EQ(FormatByteSize(1u << 30), "1 GiB");
    EXPECT_EQ(FormatByteSize(3u << 20), "3 MiB");
}
