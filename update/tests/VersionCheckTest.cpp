#include "update/HttpTransfer.h"
#include "update/VendorSite.h"
#include "update/VersionCheck.h"

#include "platform/Folders.h"
#include "platform/testing/TestEnv.h"
#include "settings/GrimazeSettings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using namespace settings;

using namespace update;

namespace {

void Write(const std::string& path, const std::string& text)
{
    platform::MakeFolders(platform::ParentFolder(path));
    std::ofstream(path, std::ios::binary) << text;
}

/** Sets GRIMAZE_SITE_URL for one test. */
class SiteEnv {
public:
    explicit SiteEnv(const char* url) { url ? setenv("GRIMAZE_SITE_URL", url, 1) : unsetenv("GRIMAZE_SITE_URL"); }
    ~SiteEnv() { unsetenv("GRIMAZE_SITE_URL"); }
};

}  // namespace

TEST(VersionNumbers, OwnNumberAndDisplay)
{
    const OwnVersion v = ParseVersion("2.0.1");
    EXPECT_EQ(v.major, 2);
    EXPECT_EQ(v.minor, 0);
    EXPECT_EQ(v.third, 1);
    EXPECT_EQ(OwnVersionNumber(v), 201);
    EXPECT_EQ(OwnVersionNumber(ParseVersion("0.1.0")), 10);
    EXPECT_EQ(OwnVersionNumber(ParseVersion("3")), 300);
    EXPECT_EQ(VersionText(202), "2.02");
    EXPECT_EQ(VersionText(150), "1.50");
    EXPECT_EQ(VersionText(0), "0.00");
    // The build's own version is the project version.
    EXPECT_EQ(OwnVersionNumber(ProgramVersion()), OwnVersionNumber(ParseVersion(GRIMAZE_VERSION)));
}

TEST(VersionFile, ReadsTheMisspelledSection)
{
    testenv::TempDir dir;
    Write(dir / "v.ini", "[Gerneral]\r\nversion=202\r\nbuild=17\r\n");
    EXPECT_EQ(ReadVersionFile(dir / "v.ini").version, 202);
    EXPECT_EQ(ReadVersionFile(dir / "v.ini").build, 17);
    // "General" is not the section; an empty or missing file gives 0, never "newer".
    Write(dir / "w.ini", "[General]\nversion=999\n");
    EXPECT_EQ(ReadVersionFile(dir / "w.ini").version, 0);
    Write(dir / "e.ini", "");
    EXPECT_EQ(ReadVersionFile(dir / "e.ini").version, 0);
    EXPECT_EQ(ReadVersionFile(dir / "none.ini").version, 0);
}

TEST(VendorSite, EnvironmentOverridesSettingOverridesDefault)
{
    SiteEnv none(nullptr);
    SetConfiguredSiteUrl("");
    EXPECT_EQ(SiteUrl(), kDefaultSiteUrl);
    // The stored setting.
    Write(SettingsFilePath(), "[Software\\Kestrovo\\Grimaze]\nsiteUrl=\"http://mirror.example/g\"\n");
    EXPECT_EQ(SiteUrl(), "http://mirror.example/g/");
    EXPECT_EQ(RemoteVersionUrl(), "http://mirror.example/g/version_free.ini");
    EXPECT_EQ(DownloadPageUrl(), "http://mirror.example/g/download.html");
    SetConfiguredSiteUrl("http://configured.example/");
    EXPECT_EQ(SiteUrl(), "http://configured.example/");
    {
        SiteEnv env("http://127.0.0.1:8123");
        EXPECT_EQ(SiteUrl(), "http://127.0.0.1:8123/");
        EXPECT_EQ(ExpandSiteMacro("$(Site)templates/x.zip"), "http://127.0.0.1:8123/templates/x.zip");
        EXPECT_EQ(ExpandSiteMacro("http://other/x.zip"), "http://other/x.zip");
    }
    SetConfiguredSiteUrl("");
    std::remove(SettingsFilePath().c_str());
}

TEST(VendorSite, DownloadTimeLimitIsASettingWithATenMinuteDefault)
{
    std::remove(SettingsFilePath().c_str());
    EXPECT_EQ(DownloadTimeLimitSeconds(), 600);
    Write(SettingsFilePath(), "[Software\\Kestrovo\\Grimaze]\ndownloadTimeLimit=dword:0000003c\n");
    EXPECT_EQ(DownloadTimeLimitSeconds(), 60);
    // Zero would mean "no limit", which is what the setting exists to prevent; text is the wrong kind.
    Write(SettingsFilePath(), "[Software\\Kestrovo\\Grimaze]\ndownloadTimeLimit=dword:00000000\n");
    EXPECT_EQ(DownloadTimeLimitSeconds(), 600);
    Write(SettingsFilePath(), "[Software\\Kestrovo\\Grimaze]\ndownloadTimeLimit=\"60\"\n");
    EXPECT_EQ(DownloadTimeLimitSeconds(), 600);
    std::remove(SettingsFilePath().c_str());
}

TEST(VendorSite, LoopbackAddresses)
{
    EXPECT_TRUE(IsLoopbackUrl("http://127.0.0.1:8000/"));
    EXPECT_TRUE(IsLoopbackUrl("http://127.3.2.1/x"));
    EXPECT_TRUE(IsLoopbackUrl("http://localhost/x"));
    EXPECT_TRUE(IsLoopbackUrl("http://[::1]:80/x"));
    EXPECT_TRUE(IsLoopbackUrl("http://user@127.0.0.1/x"));
    EXPECT_FALSE(IsLoopbackUrl("http://128.0.0.1/x"));
    EXPECT_FALSE(IsLoopbackUrl("https://grimaze.kestrovo.example/"));
    EXPECT_FALSE(IsLoopbackUrl("http://127.0.0.1.example.com/"));
    EXPECT_FALSE(IsLoopbackUrl("http://evil.com/?127.0.0.1"));
}

TEST(VersionReports, ReceiverAndErrorTickets)
{
    testenv::RecordingSink sink;
    platform::InstallSink(&sink);
    SetVersionReceiver(5);
    EXPECT_EQ(VersionReceiver(), 5u);
    ClearVersionReceiver(6);  // not the receiver: nothing changes
    EXPECT_EQ(VersionReceiver(), 5u);
    ClearVersionReceiver(5);
    EXPECT_EQ(VersionReceiver(), 0u);
    EXPECT_EQ(TakeVersionError(12345), "");
    EXPECT_NE(VersionReportText(platform::msg::NewerVersion, 202, 7).find("Version:2.02\nBuild:7"), std::string::npos);
    EXPECT_NE(VersionReportText(platform::msg::UpToDate, 0, 0).find("latest version"), std::string::npos);
    platform::InstallSink(nullptr);
}
