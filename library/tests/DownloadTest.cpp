// Downloads against a real web server on 127.0.0.1 serving real ZIP archives made with
// Python's zipfile. Skipped, with the reason, when python3 is missing.
#include "library/GalleryModel.h"
#include "library/TemplateDownload.h"
#include "library/TemplatePage.h"
#include "library/tests/LibraryTestUtil.h"
#include "library/tests/TestServer.h"

#include "app/Builtins.h"
#include "engine/PhotoDocument.h"
#include "platform/Folders.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <chrono>
#include <functional>
#include <map>
#include <set>
#include <thread>

using namespace engine;

using namespace library;
using libtest::FilesUnder;

namespace {

struct Shared {
    testenv::TempDir site;
    std::string absolute;  // the hostile absolute entry's name
    libtest::TestServer server;
    bool ok = false;
    std::string why;
};
Shared* g_shared = nullptr;

class DownloadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        g_shared = new Shared;
        if (!libtest::PythonAvailable(&g_shared->why)) return;
        g_shared->absolute = g_shared->site.path() + "-absolute-escape.txt";
        if (!libtest::MakeArchives(g_shared->site.path(), g_shared->absolute)) {
            g_shared->why = "cannot build the test archives";
            return;
        }
        // The review's archives for "Big Mosaic", served as they were found.
        for (const char* name : {"other.zip", "symlink_tmpl.zip", "typeconf.zip"})
            libtest::WriteText(g_shared->site / name,
                               libtest::ReadText(testenv::SourceDir() + "/library/tests/data/download/" + name));
        g_shared->ok = g_shared->server.Start(g_shared->site.path(), &g_shared->why);
    }
    static void TearDownTestSuite()
    {
        delete g_shared;
        g_shared = nullptr;
    }
    void SetUp() override
    {
        if (!g_shared->ok) GTEST_SKIP() << g_shared->why;
        app::RegisterBuiltinClasses();  // a download is refused unless its template can be created
        lib_ = dir_.path() + "/lib/";
        downloads_ = dir_.path() + "/Download/";
        platform::MakeFolders(lib_);
        limits_.stallSeconds = 1;
        limits_.connectTimeoutSeconds = 2;
    }

    DownloadResult Download(const std::string& path, const std::string& name = "T", const std::string& ownFolder = "")
    {
        return RunTemplateDownload({Url(path), name, lib_, ownFolder}, downloads_, limits_, {});
    }
    static std::string Url(const std::string& path) { return g_shared->server.Url(path); }

    /** Nothing of a failed download anywhere: library, download folder, next to them. */
    void ExpectNothingWritten()
    {
        EXPECT_TRUE(FilesUnder(lib_).empty());
        EXPECT_TRUE(FilesUnder(downloads_).empty());
        EXPECT_EQ(FilesUnder(dir_.path()), std::vector<std::string>{});
        EXPECT_FALSE(platform::FileExists(g_shared->absolute));
    }

    testenv::TempDir dir_;
    std::string lib_, downloads_;
    update::TransferLimits limits_;
};

bool WaitFor(const std::function<bool()>& done, int seconds = 20)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace

TEST_F(DownloadTest, SubFoldersWithForwardSlashes)
{
    const DownloadResult r = Download("good.zip", "Good One");
    ASSERT_TRUE(r.success) << r.error;
    EXPECT_EQ(r.outcome, 200);
    EXPECT_EQ(r.storedFilepath, ".\\Good\\Good.tmpl");
    EXPECT_EQ(FilesUnder(lib_), (std::vector<std::string>{"Good/Good.tmpl", "Good/readme.txt", "Good/textures/drop.png"}));
    // The archive stays in the download folder, under the template's name, and nothing else.
    EXPECT_EQ(r.archivePath, downloads_ + "Good One");
    EXPECT_EQ(FilesUnder(downloads_), std::vector<std::string>{"Good One"});
}

TEST_F(DownloadTest, BackslashNamesAndTheLastDefinition)
{
    DownloadResult r = Download("backslash.zip");
    ASSERT_TRUE(r.success) << r.error;
    EXPECT_EQ(r.storedFilepath, ".\\Back\\Back.tmpl");
    EXPECT_TRUE(platform::FileExists(lib_ + "Back/sub/a.txt"));
    r = Download("two.zip");
    ASSERT_TRUE(r.success) << r.error;
    EXPECT_EQ(r.storedFilepath, ".\\Two\\second.tmpl");
}

TEST_F(DownloadTest, HostileArchivesWriteNothing)
{
    for (const char* archive : {"hostile.zip", "absolute.zip", "drive.zip"}) {
        const DownloadResult r = Download(archive);
        EXPECT_FALSE(r.success) << archive;
        EXPECT_EQ(r.outcome, 200);  // the transfer was fine; the content was not
        EXPECT_NE(r.error.find("outside"), std::string::npos) << r.error;
        ExpectNothingWritten();
    }
}

TEST_F(DownloadTest, DamagedArchivesAndArchivesWithoutDefinitionFail)
{
    for (const char* archive : {"truncated.zip", "garbage.zip", "notmpl.zip"}) {
        const DownloadResult r = Download(archive);
        EXPECT_FALSE(r.success) << archive;
        EXPECT_FALSE(r.error.empty());
        ExpectNothingWritten();
    }
}

TEST_F(DownloadTest, NotFoundFailsAndLeavesNoPartialArchive)
{
    const DownloadResult r = Download("no-such.zip");
    EXPECT_FALSE(r.success);
    EXPECT_EQ(r.outcome, 404);
    EXPECT_EQ(r.error, "HTTP 404");
    ExpectNothingWritten();
}

TEST_F(DownloadTest, StalledServerIsAbandoned)
{
    for (const char* path : {"stall/x.zip", "stall-body/x.zip"}) {
        const auto start = std::chrono::steady_clock::now();
        const DownloadResult r = Download(path);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_FALSE(r.success) << path;
        EXPECT_EQ(r.outcome, update::kTransferFailed);
        EXPECT_LT(seconds, 10.0) << path;
        ExpectNothingWritten();
    }
}

TEST_F(DownloadTest, TricklingServerMeetsTheDeadline)
{
    // Two bytes every 0.9 s is "moving" for the stall limit; only the deadline ends it.
    limits_.stallSeconds = 2;
    limits_.deadlineSeconds = 3;
    const auto start = std::chrono::steady_clock::now();
    const DownloadResult r = Download("trickle/x.zip");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_FALSE(r.success);
    EXPECT_EQ(r.outcome, update::kTransferFailed);
    EXPECT_NE(r.error.find("3 s"), std::string::npos) << r.error;
    EXPECT_LT(seconds, 15.0);
    ExpectNothingWritten();
}

TEST_F(DownloadTest, AnArchiveMayOnlyCreateItsOwnTemplatesFolder)
{
    // "Big Mosaic"'s archive also writes Downpour/Downpour.tmpl, the last definition in it.
    DownloadResult r = Download("other.zip", "Big Mosaic");
    EXPECT_FALSE(r.success);
    EXPECT_NE(r.error.find("Downpour"), std::string::npos) << r.error;
    ExpectNothingWritten();

    // With Downpour downloaded, its files stay as they were.
    const std::string downpour = libtest::DefinitionXml("Downpour");
    libtest::WriteText(lib_ + "Downpour/Downpour.tmpl", downpour);
    r = Download("other.zip", "Big Mosaic");
    EXPECT_FALSE(r.success);
    EXPECT_EQ(libtest::ReadText(lib_ + "Downpour/Downpour.tmpl"), downpour);
    EXPECT_EQ(FilesUnder(lib_), std::vector<std::string>{"Downpour/Downpour.tmpl"});
    EXPECT_TRUE(FilesUnder(downloads_).empty());

    // An archive whose one folder is another template's is refused too; its own folder is replaced whole.
    r = Download("good.zip", "Good", "Other");
    ASSERT_TRUE(r.success) << r.error;
    libtest::WriteText(lib_ + "Good/left-over.txt", "from an older version");
    r = Download("good.zip", "Imposter", "Imposter");
    EXPECT_FALSE(r.success);
    EXPECT_NE(r.error.find("Good"), std::string::npos) << r.error;
    EXPECT_TRUE(platform::FileExists(lib_ + "Good/left-over.txt"));
    r = Download("good.zip", "Good", "Good");
    ASSERT_TRUE(r.success) << r.error;
    EXPECT_FALSE(platform::FileExists(lib_ + "Good/left-over.txt"));
    EXPECT_EQ(r.storedFilepath, ".\\Good\\Good.tmpl");
}

TEST_F(DownloadTest, SymbolicLinkEntryLeavesNothing)
{
    const DownloadResult r = Download("symlink_tmpl.zip", "Big Mosaic");
    EXPECT_FALSE(r.success);
    EXPECT_NE(r.error.find("link"), std::string::npos) << r.error;
    ExpectNothingWritten();
}

TEST_F(DownloadTest, UnsafeTemplateNameStaysInTheDownloadFolder)
{
    const DownloadResult r = Download("good.zip", "../../escape");
    ASSERT_TRUE(r.success) << r.error;
    EXPECT_EQ(FilesUnder(downloads_), std::vector<std::string>{"_._.._escape"});
    EXPECT_FALSE(platform::FileExists(dir_.path() + "/escape"));
}

TEST_F(DownloadTest, RefusedConnectionAndOtherSchemes)
{
    DownloadResult r = RunTemplateDownload({"http://127.0.0.1:1/x.zip", "T", lib_, ""}, downloads_, limits_, {});
    EXPECT_FALSE(r.success);
    EXPECT_EQ(r.outcome, update::kTransferFailed);
    r = RunTemplateDownload({"file:///etc/hostname", "T", lib_, ""}, downloads_, limits_, {});
    EXPECT_FALSE(r.success);
    ExpectNothingWritten();
}

// --- The gallery's road: activation, worker, report, completion ------------------------------

/** Records everything; delivers what is sent to the page at once, as a window would. */
class RoutingSink final : public platform::NotificationSink {
public:
    std::function<void(platform::WindowId, int, std::intptr_t, std::intptr_t)> route;
    void Post(platform::WindowId w, int code, std::intptr_t a, std::intptr_t b) override { record.Post(w, code, a, b); }
    std::intptr_t Send(platform::WindowId w, int code, std::intptr_t a, std::intptr_t b) override
    {
        record.Post(w, code, a, b);
        if (route) route(w, code, a, b);
        return 0;
    }
    void SetTimer(platform::WindowId, int, int) override {}
    void KillTimer(platform::WindowId, int) override {}
    void SetCursor(platform::CursorShape) override {}
    void Invalidate(platform::WindowId) override {}
    testenv::RecordingSink record;
};

class GalleryDownloadTest : public DownloadTest {
protected:
    void SetUp() override
    {
        DownloadTest::SetUp();
        if (IsSkipped()) return;
        app::RegisterBuiltinClasses();
        sink_.route = [this](platform::WindowId w, int code, std::intptr_t a, std::intptr_t b) {
            if (w == kPage) page_.HandleNotification(code, a, b);
        };
        platform::InstallSink(&sink_);
        libtest::WriteText(lib_ + "template.cfg",
                           "<l><columns><column name=\"Web\">"
                           "<template name=\"Good\" online=\"1\" url=\"" + Url("slow/good.zip") + "\"/>"
                           "<template name=\"Back\" online=\"1\" url=\"" + Url("slow/backslash.zip") + "\"/>"
                           "<template name=\"Missing\" online=\"1\" url=\"" + Url("missing.zip") + "\"/>"
                           "<template name=\"Broken\" online=\"1\" url=\"" + Url("broken-tmpl.zip") + "\"/>"
                           "</column></columns></l>");
        ASSERT_TRUE(library_.ReadLibraryConfig(lib_));
        downloader_.SetDownloadFolder(downloads_);
        downloader_.SetTransferLimits(limits_);
        gallery_.SetWindows(kGallery, kPage, kMain);
        gallery_.SetDownloader(&downloader_);
        gallery_.Fill();
        gallery_.SetCurrentCategory(0);
    }
    void TearDown() override { platform::InstallSink(nullptr); }

    /** Waits for n more download reports and hands them to the page on this thread. */
    void DeliverReports(int n)
    {
        int delivered = 0;
        ASSERT_TRUE(WaitFor([&] {
            for (const auto& e : sink_.record.Posted())
                if (e.code == platform::msg::DownloadFinished && e.window == kGallery && delivered_.insert(e.a).second) {
                    page_.HandleNotification(e.code, e.a, e.b);
                    ++delivered;
                }
            return delivered >= n;
        }));
    }
    bool PreviewGot(int code, std::intptr_t a = -1)
    {
        for (const auto& e : sink_.record.Posted())
            if (e.window == kPreview && e.code == code && (a < 0 || e.a == a)) return true;
        return false;
    }
    const GalleryEntry& Entry(int i) { return gallery_.CurrentGroup()->entries[static_cast<size_t>(i)]; }
    int Click(int i)
    {
        const GalleryRect r = gallery_.CellRect(*gallery_.CurrentGroup(), i);
        gallery_.LeftButtonDown(r.x + 5, r.y + 5);
        return gallery_.CurrentSelection();
    }

    static constexpr platform::WindowId kGallery = 1, kPage = 2, kMain = 3, kPreview = 4;
    RoutingSink sink_;
    std::set<std::intptr_t> delivered_;
    CTemplateLibrary library_;
    CTemplateDownloader downloader_;
    CGalleryModel gallery_{library_};
    CPhotoDocument document_;
    CTemplatePage page_{gallery_, document_, kPreview, kMain};
};

TEST_F(GalleryDownloadTest, ActivationDownloadsAndCompletesTheEntry)
{
    ASSERT_EQ(Click(0), 0);  // the page selects it at once
    EXPECT_EQ(page_.Template(), nullptr);
    EXPECT_EQ(page_.CurrentTemplateName(), "Good");
    EXPECT_TRUE(PreviewGot(platform::msg::OnlineTemplateMessage, 1));

    sink_.record.Clear();
    page_.ActivateEntry(0);
    EXPECT_EQ(Entry(0).state, kEntryDownloading);
    EXPECT_TRUE(PreviewGot(platform::msg::Busy));
    // Activating a running download starts nothing more.
    page_.ActivateEntry(0);
    EXPECT_EQ(downloader_.Running(), 1);

    DeliverReports(1);
    EXPECT_EQ(Entry(0).state, kEntryDownloaded);
    const TemplateItem* item = Entry(0).item;
    EXPECT_TRUE(item->downloaded);
    ASSERT_TRUE(item->definition);
    EXPECT_EQ(item->filepath, lib_ + "Good/Good.tmpl");
    EXPECT_STREQ(item->element->Attribute("filepath"), ".\\Good\\Good.tmpl");
    EXPECT_STREQ(item->element->Attribute("downloaded"), "1");
    EXPECT_TRUE(Entry(0).thumbPending);
    // The entry was selected: the page showed the downloaded template.
    ASSERT_NE(page_.Template(), nullptr);
    EXPECT_EQ(page_.Template()->displayName, "Good");

    // Written back and read again, the entry starts as downloaded.
    ASSERT_TRUE(library_.SaveTemplateLibrary());
    CTemplateLibrary again;
    ASSERT_TRUE(again.ReadLibraryConfig(lib_));
    CGalleryModel gallery(again);
    gallery.Fill();
    EXPECT_EQ(gallery.FindGroup("Web")->entries[0].state, kEntryDownloaded);
}

TEST_F(GalleryDownloadTest, FailuresShowTheFailedStateAndCanBeRetried)
{
    Click(2);
    page_.ActivateEntry(2);
    DeliverReports(1);
    EXPECT_EQ(Entry(2).state, kEntryFailed);
    EXPECT_FALSE(Entry(2).item->downloaded);
    EXPECT_STREQ(Entry(2).item->element->Attribute("filepath"), nullptr);
    EXPECT_TRUE(PreviewGot(platform::msg::OnlineTemplateMessage, 2));

    // A definition that does not parse fails on completion.
    Click(3);
    page_.ActivateEntry(3);
    DeliverReports(1);
    EXPECT_EQ(Entry(3).state, kEntryFailed);
    EXPECT_FALSE(Entry(3).item->downloaded);

    // Failed entries start again.
    Click(2);
    page_.ActivateEntry(2);
    EXPECT_EQ(Entry(2).state, kEntryDownloading);
    DeliverReports(1);
    EXPECT_EQ(Entry(2).state, kEntryFailed);
}

TEST_F(GalleryDownloadTest, TwoDownloadsAtOnce)
{
    EXPECT_TRUE(gallery_.StartDownload(0));
    EXPECT_TRUE(gallery_.StartDownload(1));
    // The server drips both archives over 400 ms: they overlap.
    EXPECT_EQ(downloader_.Running(), 2);
    DeliverReports(2);
    EXPECT_EQ(Entry(0).state, kEntryDownloaded);
    EXPECT_EQ(Entry(1).state, kEntryDownloaded);
    EXPECT_EQ(Entry(0).item->filepath, lib_ + "Good/Good.tmpl");
    EXPECT_EQ(Entry(1).item->filepath, lib_ + "Back/Back.tmpl");
    EXPECT_EQ(FilesUnder(downloads_), (std::vector<std::string>{"Back", "Good"}));
    // Neither was selected: only their entries changed, nothing was selected again.
    for (const auto& e : sink_.record.Posted()) EXPECT_NE(e.code, platform::msg::GalleryEntrySelected);
    EXPECT_EQ(page_.Template(), nullptr);
}

TEST_F(DownloadTest, ShutdownCancelsRunningTransfers)
{
    testenv::RecordingSink sink;
    platform::InstallSink(&sink);
    const auto start = std::chrono::steady_clock::now();
    {
        CTemplateDownloader downloader;
        downloader.SetDownloadFolder(downloads_);
        update::TransferLimits patient;  // 60 s: only the cancel can end it early
        downloader.SetTransferLimits(patient);
        TemplateItem item;
        item.url = Url("stall/x.zip");
        item.name = "T";
        item.libraryFolder = lib_;
        downloader.Start(item, 7);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_EQ(downloader.Running(), 1);
    }
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 10.0);
    EXPECT_TRUE(FilesUnder(downloads_).empty());
    platform::InstallSink(nullptr);
}

// --- A failed download leaves the library as it was ------------------------------------------

namespace {

/** Every file under folder with its content. */
std::map<std::string, std::string> Snapshot(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const std::string& f : FilesUnder(folder)) files[f] = libtest::ReadText(folder + f);
    return files;
}

}  // namespace

TEST_F(DownloadTest, FailedDownloadsOfBigMosaicLeaveTheLibraryAsItWas)
{
    testenv::RecordingSink sink;
    platform::InstallSink(&sink);
    app::RegisterBuiltinClasses();
    libtest::WriteText(lib_ + "Downpour/Downpour.tmpl", libtest::DefinitionXml("Downpour"));
    for (const char* archive : {"other.zip", "symlink_tmpl.zip", "typeconf.zip", "broken-tmpl.zip", "no-such.zip"}) {
        libtest::WriteText(lib_ + "template.cfg",
                           "<l><columns><column name=\"Web\">"
                           "<template name=\"Big Mosaic\" online=\"1\" url=\"" + Url(archive) + "\"/>"
                           "<template name=\"Downpour\" online=\"1\" url=\"" + Url("good.zip") +
                           "\" downloaded=\"1\" filepath=\".\\Downpour\\Downpour.tmpl\"/>"
                           "</column></columns></l>");
        CTemplateLibrary library;
        ASSERT_TRUE(library.ReadLibraryConfig(lib_));
        ASSERT_TRUE(library.SaveTemplateLibrary());
        const auto before = Snapshot(lib_);

        CTemplateDownloader downloader;
        downloader.SetDownloadFolder(downloads_);
        downloader.SetTransferLimits(limits_);
        CGalleryModel gallery(library);
        gallery.SetWindows(1, 0, 0);
        gallery.SetDownloader(&downloader);
        gallery.Fill();
        GalleryGroup* web = gallery.FindGroup("Web");
        ASSERT_TRUE(web);
        ASSERT_TRUE(gallery.StartDownload(*web, 0));
        downloader.WaitAll();
        for (const auto& e : sink.Posted())
            if (e.code == platform::msg::DownloadFinished) gallery.OnDownloadFinished(static_cast<int>(e.a), e.b != 0);
        sink.Clear();

        EXPECT_EQ(web->entries[0].state, kEntryFailed) << archive;
        EXPECT_FALSE(gallery.LastDownloadError(web->entries[0].item).empty()) << archive;
        ASSERT_TRUE(library.SaveTemplateLibrary());
        EXPECT_EQ(Snapshot(lib_), before) << archive;
        EXPECT_TRUE(FilesUnder(downloads_).empty()) << archive;
        // Downpour still loads as it did.
        CTemplateLibrary again;
        ASSERT_TRUE(again.ReadLibraryConfig(lib_));
        const TemplateItem* downpour = again.FindItem("Downpour");
        ASSERT_TRUE(downpour && downpour->definition) << archive;
        EXPECT_TRUE(downpour->downloaded);
        EXPECT_STREQ(downpour->definition->RootElement()->FirstChildElement("template")->Attribute("name"), "Downpour");
    }
    platform::InstallSink(nullptr);
}
