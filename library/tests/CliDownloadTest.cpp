// grimaze-cli download, templates and render against a loopback web server: the road a user
// takes from the terminal. Skipped, with the reason, when python3 is missing.
#include "library/tests/LibraryTestUtil.h"
#include "library/tests/TestServer.h"

#include "platform/Folders.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

using Result = testenv::CommandResult;

class CliDownload : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string why;
        if (!libtest::PythonAvailable(&why)) GTEST_SKIP() << why;
        absolute_ = dir_.path() + "/absolute-escape.txt";
        ASSERT_TRUE(libtest::MakeArchives(site_.path(), absolute_, testenv::SourceDir() + "/library/tests/data/online"));
        // The review's archive: a template class with a filter that reads another parameter block.
        libtest::WriteText(site_ / "typeconf.zip",
                           libtest::ReadText(testenv::SourceDir() + "/library/tests/data/download/typeconf.zip"));
        ASSERT_TRUE(server_.Start(site_.path(), &why)) << why;
        // A program folder of our own, with a library of test archives.
        program_ = dir_.path() + "/program";
        libtest::WriteText(program_ + "/config.cfg",
                           "<config><template directory=\"$(AppData)\\Kestrovo\\Grimaze\\Library\\\""
                           " init_file=\".\\media\\template.cfg\"/></config>");
        libtest::WriteText(program_ + "/media/template.cfg",
                           "<library><version ver=\"1\"/><columns><column name=\"Web\" path=\"Other Effects/Web\">"
                           "<template name=\"Good\" online=\"1\" url=\"$(Site)good.zip\"/>"
                           "<template name=\"Hostile\" online=\"1\" url=\"$(Site)hostile.zip\"/>"
                           "<template name=\"Absolute\" online=\"1\" url=\"$(Site)absolute.zip\"/>"
                           "<template name=\"Missing\" online=\"1\" url=\"$(Site)missing.zip\"/>"
                           "<template name=\"Trickle\" online=\"1\" url=\"$(Site)trickle/x.zip\"/>"
                           "<template name=\"Big Mosaic\" online=\"1\" url=\"$(Site)typeconf.zip\"/>"
                           "</column></columns></library>");
        library_ = platform::DataHome() + "/Kestrovo/Grimaze/Library/";
    }

    Result Run(const std::string& args, const std::string& programFolder = "")
    {
        return testenv::RunCommand("GRIMAZE_SITE_URL='" + server_.Url() + "' GRIMAZE_HOME='" +
                                   (programFolder.empty() ? program_ : programFolder) + "' '" + testenv::ProgramDir() +
                                   "/grimaze-cli' " + args);
    }
    const tinyxml2::XMLElement* Entry(tinyxml2::XMLDocument& doc, const std::string& name)
    {
        EXPECT_EQ(doc.LoadFile((library_ + "template.cfg").c_str()), tinyxml2::XML_SUCCESS);
        const auto* col = doc.RootElement()->FirstChildElement("columns")->FirstChildElement("column");
        for (const auto* t = col->FirstChildElement("template"); t; t = t->NextSiblingElement("template"))
            if (name == t->Attribute("name")) return t;
        return nullptr;
    }

    testenv::TemporaryHome home_;  // each test starts without a library
    testenv::TempDir dir_, site_;
    libtest::TestServer server_;
    std::string program_, library_, absolute_;
};

}  // namespace

TEST_F(CliDownload, DownloadsAndRecordsTheTemplate)
{
    Result r = Run("templates");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("Other Effects/Web\tGood\tonline\t-\n"), std::string::npos) << r.out;

    r = Run("download good");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("downloaded Good"), std::string::npos) << r.out;
    tinyxml2::XMLDocument doc;
    const tinyxml2::XMLElement* good = Entry(doc, "Good");
    ASSERT_TRUE(good);
    EXPECT_STREQ(good->Attribute("downloaded"), "1");
    EXPECT_STREQ(good->Attribute("filepath"), ".\\Good\\Good.tmpl");
    EXPECT_TRUE(platform::FileExists(library_ + "Good/textures/drop.png"));
    EXPECT_TRUE(platform::FileExists(platform::DocumentsFolder() + "/Kestrovo/Grimaze/Download/Good"));

    r = Run("templates");
    EXPECT_NE(r.out.find("Other Effects/Web\tGood\tdownloaded\t" + library_ + "Good/Good.tmpl\n"), std::string::npos)
        << r.out;
    // The library now resolves the name for rendering.
    r = Run("render --template Good --photo '" + testenv::SourceDir() + "/media/Images/default/Default1.jpg' --out '" +
            dir_.path() + "/good.png'");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(platform::FileExists(dir_.path() + "/good.png"));
}

TEST_F(CliDownload, NotFoundFails)
{
    const Result r = Run("download Missing");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("HTTP 404"), std::string::npos) << r.err;
    tinyxml2::XMLDocument doc;
    const tinyxml2::XMLElement* missing = Entry(doc, "Missing");
    ASSERT_TRUE(missing);
    EXPECT_NE(missing->IntAttribute("downloaded"), 1);
    EXPECT_TRUE(libtest::FilesUnder(platform::DocumentsFolder() + "/Kestrovo/Grimaze/Download").empty());
    // An online template that is not downloaded cannot be rendered, and says why.
    const Result render = Run("render --template Missing --photo x.jpg --out '" + dir_.path() + "/m.png'");
    EXPECT_EQ(render.code, 1);
    EXPECT_NE(render.err.find("download it first"), std::string::npos) << render.err;
}

TEST_F(CliDownload, HostileArchivesWriteNothingOutsideTheLibrary)
{
    for (const char* name : {"Hostile", "Absolute"}) {
        const Result r = Run(std::string("download ") + name);
        EXPECT_EQ(r.code, 1) << name;
        EXPECT_NE(r.err.find("outside"), std::string::npos) << r.err;
    }
    // Nothing landed beside the library folder, above it, at the absolute name, or in it.
    EXPECT_FALSE(platform::FileExists(platform::DataHome() + "/Kestrovo/Grimaze/evil.txt"));
    EXPECT_FALSE(platform::FileExists(absolute_));
    EXPECT_EQ(libtest::FilesUnder(library_), std::vector<std::string>{"template.cfg"});
    EXPECT_EQ(libtest::FilesUnder(dir_.path()),
              (std::vector<std::string>{"program/config.cfg", "program/media/template.cfg"}));
}

TEST_F(CliDownload, ATemplateWhoseFilterDoesNotFitIsRefusedAndTheLibraryStaysAsItWas)
{
    // A library with a download in it (only download installs the library).
    ASSERT_EQ(Run("download Good").code, 0);
    const std::vector<std::string> files = libtest::FilesUnder(library_);
    const std::string before = libtest::ReadText(library_ + "template.cfg");
    const std::string downloads = platform::DocumentsFolder() + "/Kestrovo/Grimaze/Download/";
    const std::vector<std::string> archives = libtest::FilesUnder(downloads);

    const Result r = Run("download 'Big Mosaic'");
    EXPECT_EQ(r.code, 1) << r.out;
    EXPECT_NE(r.err.find("TeapotFilter"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("SimpleTemplate"), std::string::npos) << r.err;
    EXPECT_EQ(libtest::FilesUnder(library_), files);
    EXPECT_EQ(libtest::ReadText(library_ + "template.cfg"), before);
    EXPECT_EQ(libtest::FilesUnder(downloads), archives);
    // Still offered for download, and nothing to render.
    EXPECT_NE(Run("templates").out.find("Other Effects/Web\tBig Mosaic\tonline\t-\n"), std::string::npos);
    EXPECT_EQ(Run("render --template 'Big Mosaic' --photo '" + testenv::SourceDir() +
                  "/media/Images/default/Default1.jpg' --out '" + dir_.path() + "/x.png'").code, 1);
    EXPECT_FALSE(platform::FileExists(dir_.path() + "/x.png"));
}

TEST_F(CliDownload, UnknownAndLocalNamesAreRefused)
{
    Result r = Run("download Nonesuch");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("no template named"), std::string::npos);
    r = Run("download");
    EXPECT_EQ(r.code, 2);
}

TEST_F(CliDownload, ShippedOnlineTemplateFromTheSite)
{
    // The real program folder and library: the site serves the packed online templates.
    const Result r = Run("download Downpour", testenv::ProgramDir());
    ASSERT_EQ(r.code, 0) << r.err;
    const Result list = Run("templates", testenv::ProgramDir());
    EXPECT_NE(list.out.find("\tDownpour\tdownloaded\t"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("\tBig Mosaic\tonline\t-"), std::string::npos) << list.out;
}

TEST_F(CliDownload, ADownloadKilledMidwayLeavesNothingAfterTheNextStart)
{
    ASSERT_EQ(Run("templates").code, 0);
    const std::string command = "GRIMAZE_SITE_URL='" + server_.Url() + "' GRIMAZE_HOME='" + program_ + "' exec '" +
                                testenv::ProgramDir() + "/grimaze-cli' download Trickle >/dev/null 2>&1 & echo $!";
    std::FILE* shell = popen(command.c_str(), "r");
    ASSERT_TRUE(shell);
    int pid = 0;
    ASSERT_EQ(std::fscanf(shell, "%d", &pid), 1);
    pclose(shell);
    // The server trickles; once a few bytes are in, the partial archive is there.
    const std::string downloads = platform::DocumentsFolder() + "/Kestrovo/Grimaze/Download/";
    for (int i = 0; i < 100 && libtest::FilesUnder(downloads).empty(); ++i) usleep(50000);
    usleep(1000000);
    kill(pid, SIGKILL);
    EXPECT_EQ(libtest::FilesUnder(downloads).size(), 1u);
    // The next start clears it away; the library never heard of the download.
    ASSERT_EQ(Run("templates").code, 0);
    EXPECT_EQ(libtest::FilesUnder(downloads), std::vector<std::string>{});
    EXPECT_EQ(libtest::FilesUnder(library_), std::vector<std::string>{"template.cfg"});
}
