// The gallery's thumbnail worker: which thumbnails a pass makes, restarts, and a clean stop.
// Built into library_thread_tests, which CI also runs under ThreadSanitizer.
#include "library/GalleryModel.h"
#include "library/ThumbnailWorker.h"
#include "library/tests/LibraryTestUtil.h"

#include "app/Builtins.h"
#include "engine/PhotoDocument.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <tinyxml2.h>

#include <thread>

using namespace engine;

using namespace library;
using namespace library::gallery;

namespace {

const std::string kTypeConfusion = std::string(GRIMAZE_SOURCE_DIR) + "/library/tests/data/typeconf/BigMosaic.tmpl";

bool IsWhite(const cv::Mat& m)
{
    return !m.empty() && cv::countNonZero(m.reshape(1) != 255) == 0;
}

/** Twelve local templates in one category (six rows, 718 pixels) and two online ones. */
class WorkerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        app::RegisterBuiltinClasses();
        platform::InstallSink(&sink_);
        const std::string lib = dir_.path() + "/";
        std::string column = "<column name=\"Many\">";
        for (int i = 0; i < 12; ++i) {
            const std::string name = "L" + std::to_string(i);
            libtest::WriteText(lib + name + "/" + name + ".tmpl", libtest::DefinitionXml(name));
            column += "<template name=\"" + name + "\" filepath=\".\\" + name + "\\" + name + ".tmpl\"" +
                      (i == 1 ? " hide=\"1\"" : "") + "/>";
        }
        column += "</column>";
        platform::MakeFolders(lib + "thumb");
        cv::imwrite(lib + "thumb/web.png", cv::Mat(40, 60, CV_8UC3, cv::Scalar(0, 0, 200)));
        column += "<column name=\"Web\"><template name=\"W\" online=\"1\" url=\"u\" thumb=\".\\thumb\\web.png\"/>"
                  "<template name=\"NoPicture\" online=\"1\" url=\"u\" thumb=\".\\thumb\\none.png\"/></column>";
        // A downloaded template pairing a simple template with the teapot filter (the reviewers'
        // archive): it cannot become a template.
        std::string typeconf;
        ASSERT_TRUE(platform::ReadFile(kTypeConfusion, typeconf, 1 << 16));
        libtest::WriteText(lib + "BigMosaic/BigMosaic.tmpl", typeconf);
        column += "<column name=\"Fetched\"><template name=\"Big Mosaic\" online=\"1\" url=\"u\" downloaded=\"1\" "
                  "filepath=\".\\BigMosaic\\BigMosaic.tmpl\"/></column>";
        libtest::WriteText(lib + "template.cfg", "<l><columns>" + column + "</columns></l>");
        ASSERT_TRUE(library_.ReadLibraryConfig(lib));

        PhotoRecord photo;
        photo.path = testenv::SourceDir() + "/media/Images/default/Default1.jpg";
        document_.InsertPhoto(-1, photo);
        ASSERT_TRUE(document_.SelectPhoto(0));

        gallery_.SetWindows(1, 2, 3);
        gallery_.SetClientSize(300, 250);
        gallery_.SetThumbnailWorker(&worker_);
        cv::Mat badge(10, 10, CV_8UC4, cv::Scalar(0, 255, 0, 255));
        gallery_.SetBadge(badge);
        gallery_.Fill();
        worker_.Register(&gallery_);
        gallery_.SetReady(true);
        worker_.Start();
    }
    void TearDown() override
    {
        worker_.Unregister(&gallery_);
        worker_.Stop();
        platform::InstallSink(nullptr);
    }
    const GalleryGroup& Many() { return *gallery_.FindGroup("Many"); }

    testenv::TempDir dir_;
    testenv::RecordingSink sink_;
    CTemplateLibrary library_;
    CPhotoDocument document_;
    CThumbnailWorker worker_{&document_};
    CGalleryModel gallery_{library_};
};

}  // namespace

TEST_F(WorkerTest, PassMakesOnlyThumbnailsNearTheVisibleArea)
{
    ASSERT_TRUE(worker_.WaitForIdle(20000));
    const GalleryGroup& g = Many();
    ASSERT_EQ(g.visible.size(), 11u);  // L1 is hidden
    // Visible rows start at 10, 128, 246, 364, 482, 600: the first four lie within 216 pixels
    // below a 250 pixel area, so visible positions 0..7 are made.
    for (size_t pos = 0; pos < g.visible.size(); ++pos) {
        const int entry = g.visible[pos];
        const cv::Mat t = gallery_.Thumbnail(g, entry);
        if (pos < 8) {
            EXPECT_FALSE(IsWhite(t)) << pos;
            EXPECT_EQ(t.size(), cv::Size(86, 86)) << pos;  // a square photo fitted into 129 x 86
        } else {
            EXPECT_TRUE(IsWhite(t)) << pos;
        }
    }
    EXPECT_TRUE(IsWhite(gallery_.Thumbnail(g, 1)));  // hidden: not made
    // Another category is not touched until it is current.
    const GalleryGroup& web = *gallery_.FindGroup("Web");
    EXPECT_TRUE(web.entries[0].thumbPending);

    // Scrolling to the end brings the rest.
    gallery_.ScrollTo(gallery_.MaxScroll());
    ASSERT_TRUE(worker_.WaitForIdle(20000));
    for (size_t pos = 0; pos < g.visible.size(); ++pos) EXPECT_FALSE(IsWhite(gallery_.Thumbnail(g, g.visible[pos])));
}

TEST_F(WorkerTest, OnlinePicturesGetTheBadge)
{
    gallery_.SetCurrentCategory(1);
    ASSERT_TRUE(worker_.WaitForIdle(20000));
    const GalleryGroup& web = *gallery_.FindGroup("Web");
    const cv::Mat t = gallery_.Thumbnail(web, 0);
    ASSERT_EQ(t.size(), cv::Size(60, 40));
    EXPECT_EQ(t.at<cv::Vec3b>(0, 59), cv::Vec3b(0, 255, 0));   // badge, top-right
    EXPECT_EQ(t.at<cv::Vec3b>(39, 0), cv::Vec3b(0, 0, 200));   // the picture
    const cv::Mat none = gallery_.Thumbnail(web, 1);
    ASSERT_EQ(none.size(), cv::Size(kThumbWidth, kThumbHeight));
    EXPECT_EQ(none.at<cv::Vec3b>(50, 10), cv::Vec3b(255, 255, 255));
    EXPECT_FALSE(web.entries[1].thumbPending);
}

TEST_F(WorkerTest, InvalidatedThumbnailsAreMadeAgain)
{
    ASSERT_TRUE(worker_.WaitForIdle(20000));
    const int before = worker_.PassCount();
    gallery_.InvalidateThumbnails();
    ASSERT_TRUE(worker_.WaitForIdle(20000));
    EXPECT_GT(worker_.PassCount(), before);
    EXPECT_FALSE(Many().entries[0].thumbPending);
    EXPECT_TRUE(Many().entries[11].thumbPending);  // still far below
}

TEST_F(WorkerTest, InterfaceKeepsWorkingDuringPasses)
{
    // The interface thread scrolls, refills and paints while the worker renders; the run is
    // meant for ThreadSanitizer as much as for the assertions.
    for (int i = 0; i < 30; ++i) {
        gallery_.Wheel(i % 2 ? 3 : -3);
        if (i % 7 == 0) gallery_.InvalidateThumbnails();
        if (i % 10 == 0) gallery_.Fill();
        const PaintPlan plan = gallery_.BuildPaintPlan();
        for (const auto& cell : plan.cells) EXPECT_FALSE(cell.thumbnail.empty());
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_TRUE(worker_.WaitForIdle(20000));
}

TEST_F(WorkerTest, StopJoinsAndUnregisterReleasesTheGallery)
{
    gallery_.InvalidateThumbnails();
    worker_.Unregister(&gallery_);
    const int passes = worker_.PassCount();
    gallery_.InvalidateThumbnails();  // no longer served
    ASSERT_TRUE(worker_.WaitForIdle(20000));
    EXPECT_GE(worker_.PassCount(), passes);
    worker_.Stop();
    EXPECT_FALSE(worker_.Running());
    worker_.Stop();  // a second stop is harmless
}

TEST_F(WorkerTest, ADownloadedTemplateThatCannotBeCreatedIsShownAsFailed)
{
    gallery_.SetCurrentCategory(2);
    ASSERT_TRUE(worker_.WaitForIdle(20000));
    const GalleryGroup& fetched = *gallery_.FindGroup("Fetched");
    ASSERT_EQ(fetched.entries.size(), 1u);
    EXPECT_EQ(fetched.entries[0].state, kEntryFailed);
    EXPECT_FALSE(fetched.entries[0].thumbPending);
    EXPECT_TRUE(IsWhite(gallery_.Thumbnail(fetched, 0)));
}

TEST(ThumbnailPictures, TemplateThatCannotBeCreatedStaysWhite)
{
    app::RegisterBuiltinClasses();
    CPhotoDocument document;
    auto doc = std::make_shared<tinyxml2::XMLDocument>();
    doc->Parse("<effect><template name=\"X\"/><filter name=\"NoSuchTemplate\"/></effect>");
    EXPECT_TRUE(IsWhite(MakeTemplateThumbnail(doc, "/tmp", &document)));
    EXPECT_TRUE(IsWhite(MakeTemplateThumbnail(nullptr, "/tmp", &document)));
    EXPECT_TRUE(IsWhite(MakeOnlineThumbnail("/no/such.png", cv::Mat())));

    // Why it was refused is told to the caller; nothing renders.
    auto typeconf = std::make_shared<tinyxml2::XMLDocument>();
    ASSERT_EQ(typeconf->LoadFile(kTypeConfusion.c_str()), tinyxml2::XML_SUCCESS);
    std::string refused;
    EXPECT_TRUE(IsWhite(MakeTemplateThumbnail(typeconf, "/tmp", &document, &refused)));
    EXPECT_NE(refused.find("\"TeapotFilter\""), std::string::npos) << refused;
}
