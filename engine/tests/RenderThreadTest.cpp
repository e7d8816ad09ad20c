// The rendering thread, Stop from other threads and the photo thread. Run under
// ThreadSanitizer in CI.
#include "engine/PhotoDocument.h"
#include "engine/TemplateFile.h"
#include "engine/tests/EngineTestUtil.h"
#include "engine/tests/TestFilters.h"

#include <gtest/gtest.h>

#include <thread>

using namespace engine;

using namespace enginetest;

namespace {

class Background : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterOnce();
        RegisterTestFilters();
        platform::InstallSink(&sink);
        PhotoRecord r;
        r.path = WritePhoto(dir, "p.png", 64, 48);
        doc.InsertPhoto(-1, r);
        ASSERT_TRUE(doc.SelectPhoto(0));
        doc.SetView({0, 0, 64, 48}, 7);
    }
    void TearDown() override
    {
        doc.StopRendering();
        platform::InstallSink(nullptr);
    }
    RefPtr<CEffectTemplate> Template(const std::string& filter, const std::string& delay)
    {
        static int n = 0;
        const std::string folder =
            WriteTemplate(dir, "bg" + std::to_string(n++), SimpleDefinition(filter, kSolidVars, delay));
        std::string error;
        auto t = OpenTemplate(folder, &doc, &error);
        EXPECT_TRUE(t) << error;
        return t;
    }
    testenv::TempDir dir;
    testenv::RecordingSink sink;
    CPhotoDocument doc;
};

}  // namespace

TEST_F(Background, DeferredRenderingPostsResultReadyWithItsRequest)
{
    auto t = Template("SolidTestFilter", "1");
    doc.SetCurrentTemplate(t.get());
    doc.Render();
    doc.WaitForRendering();
    EXPECT_FALSE(doc.IsRendering());
    const auto posted = sink.Posted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].window, 7u);
    EXPECT_EQ(posted[0].code, 1124);
    EXPECT_EQ(posted[0].a, doc.LastRequest());
    EXPECT_EQ(doc.ShownResult().at<cv::Vec3b>(0, 0), cv::Vec3b(10, 20, 30));

    // A full rendering in the background feeds the history.
    doc.RenderFull();
    doc.WaitForRendering();
    EXPECT_EQ(doc.HistorySize(), 1);
    EXPECT_EQ(sink.CountPosted(1124), 2);
}

TEST_F(Background, NewRenderingStopsTheRunningOneAndClearsTheFlag)
{
    auto slow = Template("SlowTestFilter", "1");
    doc.SetCurrentTemplate(slow.get());
    CF_SlowTest::stoppedEarly = 0;
    doc.Render();
    while (!CF_SlowTest::running) std::this_thread::yield();
    doc.Render();  // stops the first, starts again
    EXPECT_EQ(CF_SlowTest::stoppedEarly, 1);
    EXPECT_FALSE(CImageFilter::StopRequested());
    doc.StopRendering();
    EXPECT_FALSE(CImageFilter::StopRequested());
    EXPECT_FALSE(doc.IsRendering());
    // A stopped rendering posts nothing.
    EXPECT_EQ(sink.CountPosted(1124), 0);

    // A direct template renders at once afterwards.
    auto direct = Template("SolidTestFilter", "");
    doc.SetCurrentTemplate(direct.get());
    doc.Render();
    EXPECT_EQ(doc.ShownResult().at<cv::Vec3b>(0, 0), cv::Vec3b(10, 20, 30));
}

TEST_F(Background, ASharpRenderingRunsBesideTheShownResultAndGivesWayToAnyOther)
{
    // The view is half the photo's size: the shown result is 32 x 24, a zoomed view asks
    // for the full 64 x 48 on the rendering thread, the template rendering directly otherwise.
    doc.SetView({0, 0, 32, 24}, 7);
    auto t = Template("SolidTestFilter", "");
    doc.SetCurrentTemplate(t.get());
    doc.Render();
    ASSERT_EQ(doc.ShownResult().size(), cv::Size(32, 24));
    const int request = doc.RenderSharp(nullptr);
    EXPECT_NE(request, 0);
    EXPECT_FALSE(doc.IsRendering()) << "nothing the window waits for";
    doc.WaitForRendering();
    EXPECT_EQ(doc.ShownResult().size(), cv::Size(32, 24)) << "the shown result stays";
    ASSERT_EQ(sink.CountPosted(1125), 1);
    EXPECT_EQ(sink.CountPosted(1124), 0);
    EXPECT_EQ(sink.Posted().back().a, request);
    const cv::Mat sharp = doc.SharpResult(request).clone();
    ASSERT_EQ(sharp.size(), cv::Size(64, 48));
    EXPECT_TRUE(doc.SharpResult(request + 1).empty());
    // At full size it is what an export writes.
    doc.RenderFull();
    EXPECT_EQ(cv::norm(doc.ShownResult(), sharp, cv::NORM_INF), 0);
    const cv::Size box(48, 36);
    const int boxed = doc.RenderSharp(&box);
    doc.WaitForRendering();
    EXPECT_EQ(doc.SharpResult(boxed).size(), box);
    EXPECT_TRUE(doc.SharpResult(request).empty()) << "only the last one is kept";

    // A slow one under way stops for the next rendering and posts nothing.
    auto slow = Template("SlowTestFilter", "");
    doc.SetCurrentTemplate(slow.get());
    doc.Rerender();
    CF_SlowTest::stoppedEarly = 0;
    const int posted = sink.CountPosted(1125);
    const int slowRequest = doc.RenderSharp(nullptr);
    while (!CF_SlowTest::running) std::this_thread::yield();
    EXPECT_TRUE(doc.SharpRendering());
    doc.PointerMove(3, 3);  // the pointer renders at once: the sharp rendering gives way
    EXPECT_EQ(CF_SlowTest::stoppedEarly, 1);
    EXPECT_FALSE(doc.SharpRendering());
    EXPECT_FALSE(CImageFilter::StopRequested());
    EXPECT_EQ(sink.CountPosted(1125), posted);
    EXPECT_TRUE(doc.SharpResult(slowRequest).empty());
}

TEST_F(Background, StopFromAnotherThreadEndsProcess)
{
    auto slow = Template("SlowTestFilter", "1");
    doc.SetCurrentTemplate(slow.get());
    CF_SlowTest::stoppedEarly = 0;
    doc.Render();
    while (!CF_SlowTest::running) std::this_thread::yield();
    std::thread([&] { slow->Stop(); }).join();
    doc.WaitForRendering();
    EXPECT_EQ(CF_SlowTest::stoppedEarly, 1);
    doc.StopRendering();  // the document clears the flag
    EXPECT_FALSE(CImageFilter::StopRequested());
}

TEST_F(Background, UnwantedRenderingShowsNothingAndPostsNothing)
{
    auto t = Template("SlowTestFilter", "1");
    doc.SetCurrentTemplate(t.get());
    doc.Render();
    doc.SetRenderingWanted(false);
    doc.WaitForRendering();
    EXPECT_TRUE(doc.ShownResult().empty());
    EXPECT_EQ(sink.CountPosted(1124), 0);
}

TEST_F(Background, ThumbnailsAndListChangesRunAlongsideRendering)
{
    for (int i = 0; i < 6; ++i) {
        PhotoRecord r;
        r.path = WritePhoto(dir, "q" + std::to_string(i) + ".png", 120 + i, 80);
        doc.InsertPhoto(-1, r);
    }
    auto t = Template("SolidTestFilter", "1");
    auto thumbTemplate = Template("SolidTestFilter", "");
    doc.SetCurrentTemplate(t.get());
    doc.StartPhotoThread(3);
    std::thread gallery([&] {
        for (int i = 0; i < 20; ++i) EXPECT_FALSE(doc.TemplateThumbnail(thumbTemplate.get()).empty());
    });
    for (int i = 0; i < 10; ++i) {
        doc.Render();
        doc.MovePhoto(0, 3);
        (void)doc.ShownResult();
        doc.StartPhotoThread(3);
    }
    gallery.join();
    doc.WaitForRendering();
    doc.StopPhotoThread();
    EXPECT_FALSE(doc.ShownResult().empty());
    EXPECT_EQ(doc.PhotoCount(), 7);
}

TEST_F(Background, PhotoThreadMakesEveryThumbnail)
{
    for (int i = 0; i < 3; ++i) {
        PhotoRecord r;
        r.path = WritePhoto(dir, "t" + std::to_string(i) + ".png", 180, 90);
        doc.InsertPhoto(-1, r);
    }
    doc.StartPhotoThread(3);
    for (int spins = 0; doc.PhotoThreadRunning() && spins < 5000; ++spins)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    doc.StopPhotoThread();
    for (int i = 1; i < doc.PhotoCount(); ++i) EXPECT_EQ(doc.PhotoAt(i).thumbnail.size(), cv::Size(90, 45)) << i;
}
