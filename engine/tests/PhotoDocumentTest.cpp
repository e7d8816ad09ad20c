#include "engine/PhotoDocument.h"
#include "engine/TemplateFile.h"
#include "engine/tests/EngineTestUtil.h"
#include "platform/Folders.h"
#include "engine/tests/TestFilters.h"

#include <gtest/gtest.h>

#include <fstream>
#include <opencv2/imgcodecs.hpp>

using namespace engine;

using namespace enginetest;

namespace {

class Document : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterOnce();
        RegisterTestFilters();
        platform::InstallSink(&sink);
    }
    void TearDown() override { platform::InstallSink(nullptr); }

    RefPtr<CEffectTemplate> Template(const std::string& filter, const std::string& delay = "")
    {
        static int n = 0;
        const std::string folder = WriteTemplate(dir, "t" + std::to_string(n++), SimpleDefinition(filter, kSolidVars, delay));
        std::string error;
        auto t = OpenTemplate(folder, &doc, &error);
        EXPECT_TRUE(t) << error;
        return t;
    }
    void AddPhotos(int n, int w = 40, int h = 30)
    {
        for (int i = 0; i < n; ++i) {
            PhotoRecord r;
            r.path = WritePhoto(dir, "p" + std::to_string(i) + ".png", w + i, h);
            doc.InsertPhoto(-1, r);
        }
    }

    testenv::TempDir dir;
    testenv::RecordingSink sink;
    CPhotoDocument doc;
};

}  // namespace

TEST_F(Document, InsertAndRemoveKeepTheCurrentIndexOnItsPhoto)
{
    AddPhotos(3);
    doc.SetCurrentIndex(1);
    PhotoRecord front;
    front.path = "front.png";
    doc.InsertPhoto(0, front);
    EXPECT_EQ(doc.CurrentIndex(), 2);
    doc.InsertPhoto(99, front);  // clamped to the end
    EXPECT_EQ(doc.PhotoCount(), 5);
    EXPECT_EQ(doc.PhotoAt(4).path, "front.png");
    EXPECT_FALSE(doc.RemovePhoto(5));
    EXPECT_FALSE(doc.RemovePhoto(-1));
    doc.SetCurrentIndex(4);
    EXPECT_TRUE(doc.RemovePhoto(4));
    EXPECT_EQ(doc.CurrentIndex(), 3);
    EXPECT_TRUE(doc.PhotoAt(17).path.empty());
    doc.RemoveAllPhotos();
    EXPECT_EQ(doc.PhotoCount(), 0);
    EXPECT_EQ(doc.CurrentIndex(), 0);
}

TEST_F(Document, MovingAPhotoRenumbersCurrentAndSelection)
{
    AddPhotos(5);
    ASSERT_TRUE(doc.SelectPhoto(1));
    ASSERT_TRUE(doc.AddToSelection(3));
    ASSERT_TRUE(doc.AddToSelection(0));
    doc.SetCurrentIndex(2);
    const std::string p0 = doc.PhotoAt(0).path, p1 = doc.PhotoAt(1).path;
    ASSERT_TRUE(doc.MovePhoto(0, 3));
    EXPECT_EQ(doc.PhotoAt(3).path, p0);
    EXPECT_EQ(doc.PhotoAt(0).path, p1);
    EXPECT_EQ(doc.CurrentIndex(), 1);
    EXPECT_EQ(doc.SelectionIndices(), (std::vector<int>{0, 2, 3}));
    EXPECT_FALSE(doc.MovePhoto(0, 5));
    // Removing a selected photo drops it from the selection and shifts the later ones.
    ASSERT_TRUE(doc.RemovePhoto(0));
    EXPECT_EQ(doc.SelectionIndices(), (std::vector<int>{1, 2}));
}

TEST_F(Document, AddsPhotosFromAFolderWithThePreferredOneFirst)
{
    WritePhoto(dir, "b.png", 4, 4);
    WritePhoto(dir, "A.JPG", 4, 4);
    WritePhoto(dir, "c.bmp", 4, 4);
    WritePhoto(dir, "d.jpeg", 4, 4);  // skipped: not one of the three endings
    std::ofstream(dir / "notes.txt") << "x";
    EXPECT_EQ(doc.AddPhotosFromFolder(dir.path(), "c.bmp"), 3);
    ASSERT_EQ(doc.PhotoCount(), 3);
    EXPECT_EQ(platform::FileName(doc.PhotoAt(0).path), "c.bmp");
    EXPECT_EQ(doc.AddPhotosFromFolder(dir / "missing", ""), 0);
}

TEST_F(Document, PreparingScalesRotatesAndCrops)
{
    PhotoRecord big;
    big.path = WritePhoto(dir, "big.png", 6000, 3000);
    ASSERT_TRUE(PreparePhoto(big));
    EXPECT_EQ(big.image.size(), cv::Size(4096, 2048));

    PhotoRecord r;
    r.path = WritePhoto(dir, "small.png", 100, 50);
    const float crop[4] = {0.1f, 0.2f, 0.5f, 0.4f};
    std::copy(crop, crop + 4, r.crop);
    r.rotation = 1;
    ASSERT_TRUE(PreparePhoto(r));
    EXPECT_EQ(r.image.size(), cv::Size(50, 100));
    EXPECT_FLOAT_EQ(r.crop[0], 0.2f);
    EXPECT_FLOAT_EQ(r.crop[1], 0.4f);
    EXPECT_FLOAT_EQ(r.crop[2], 0.4f);
    EXPECT_FLOAT_EQ(r.crop[3], 0.5f);
    EXPECT_EQ(r.cropRotation, 1);
    EXPECT_EQ(r.crop_px, cv::Rect(10, 40, 20, 50));
    // One counter-clockwise turn: new (x, y) is old (width - 1 - y, x).
    const cv::Mat src = cv::imread(r.path);
    EXPECT_EQ(r.image.at<cv::Vec3b>(7, 3), src.at<cv::Vec3b>(3, 100 - 1 - 7));
    // Negative turns count modulo 4.
    EXPECT_EQ(RotateQuarterTurns(src, -1).at<cv::Vec3b>(0, 0), RotateQuarterTurns(src, 3).at<cv::Vec3b>(0, 0));
}

TEST_F(Document, TheFaceStateFollowsTheCropAndIsSearchedAgainWhenTurned)
{
    AddPhotos(1, 200, 100);
    ASSERT_TRUE(doc.SelectPhoto(0));
    // A face found at 80..120 x 30..70 of the whole photo, an eye inside it.
    FacePhotoState face;
    face.regions[3] = FaceQuad{80, 30, 120, 30, 120, 70, 80, 70};
    face.regions[0] = FaceQuad{88, 40, 98, 40, 98, 46, 88, 46};
    face.regionValid[3] = face.regionValid[0] = 1;
    face.faceSearched = 1;
    face.blendRadius[1] = 0.7f;
    ASSERT_TRUE(doc.SetPhotoFaceState(0, face));
    PhotoRecord prepared = doc.PhotoAt(0);
    ASSERT_TRUE(PreparePhoto(prepared));
    doc.RemovePhoto(0);
    doc.InsertPhoto(0, prepared);  // prepared, as the original-image view has it

    // Cropped to x 50.., y 20..: the regions move with the crop's corner.
    const float crop[4] = {0.25f, 0.2f, 0.5f, 0.7f};
    ASSERT_TRUE(doc.SetPhotoSettings(0, 0, crop));
    FacePhotoState moved = doc.PhotoAt(0).face;
    EXPECT_EQ(doc.PhotoAt(0).crop_px, cv::Rect(50, 20, 100, 70));
    EXPECT_FLOAT_EQ(moved.regions[3].x0, 30);
    EXPECT_FLOAT_EQ(moved.regions[3].y0, 10);
    EXPECT_FLOAT_EQ(moved.regions[0].x2, 48);
    EXPECT_EQ(moved.faceSearched, 1);
    EXPECT_FLOAT_EQ(moved.blendRadius[1], 0.7f);  // the user's settings stay
    // Back to the whole photo: where it was.
    const float whole[4] = {0, 0, 1, 1};
    ASSERT_TRUE(doc.SetPhotoSettings(0, 0, whole));
    EXPECT_FLOAT_EQ(doc.PhotoAt(0).face.regions[3].x0, 80);
    // A crop that leaves the face out: the face is searched for again.
    const float away[4] = {0.0f, 0.0f, 0.3f, 1.0f};
    ASSERT_TRUE(doc.SetPhotoSettings(0, 0, away));
    EXPECT_EQ(doc.PhotoAt(0).face.faceSearched, 0);
    EXPECT_EQ(doc.PhotoAt(0).face.regionValid[3], 0);

    // A quarter turn: the regions no longer mean anything.
    ASSERT_TRUE(doc.SetPhotoFaceState(0, face));
    ASSERT_TRUE(doc.SetPhotoSettings(0, 1, whole));
    EXPECT_EQ(doc.PhotoAt(0).face.faceSearched, 0);
    EXPECT_EQ(doc.PhotoAt(0).face.regionValid[0], 0);
}

TEST_F(Document, SelectionOfAnUnreadablePhotoGivesTheTemplateNoSource)
{
    PhotoRecord bad;
    bad.path = dir / "missing.png";
    doc.InsertPhoto(-1, bad);
    std::string error;
    EXPECT_FALSE(doc.SelectPhoto(0, &error));
    EXPECT_FALSE(error.empty());
    auto t = Template("SolidTestFilter");
    doc.SetCurrentTemplate(t.get());
    doc.SetView({0, 0, 200, 100}, 0);
    doc.Render();
    // No source: the canvas is the view's size and the filter still ran.
    EXPECT_EQ(doc.ShownResult().size(), cv::Size(200, 100));
}

TEST_F(Document, RenderSizesForTheViewAndRenderFullForThePhoto)
{
    PhotoRecord r;
    r.path = WritePhoto(dir, "wide.png", 1000, 500);
    doc.InsertPhoto(-1, r);
    ASSERT_TRUE(doc.SelectPhoto(0));
    auto t = Template("SimpleFilter");
    doc.SetCurrentTemplate(t.get());
    doc.SetView({0, 0, 400, 400}, 0);
    doc.Render();
    EXPECT_EQ(doc.ShownResult().size(), cv::Size(400, 200));
    EXPECT_EQ(cv::countNonZero(doc.ShownResult().reshape(1)), 0);
    doc.RenderFull();
    EXPECT_EQ(doc.ShownResult().size(), cv::Size(1000, 500));
    EXPECT_EQ(doc.HistorySize(), 1);
}

TEST_F(Document, RerenderKeepsTheSeedAndTheShownSize)
{
    AddPhotos(1, 200, 100);
    ASSERT_TRUE(doc.SelectPhoto(0));
    auto t = Template("SolidTestFilter");
    doc.SetCurrentTemplate(t.get());
    doc.SetView({0, 0, 100, 100}, 0);
    CF_SolidTest::started = 0;
    doc.Render();
    EXPECT_EQ(CF_SolidTest::started, 1);
    auto* simple = dynamic_cast<CT_SimpleTempl*>(t.get());
    int pos = 200;
    simple->ParamCommand(param_cmd::SetVariable, 0, 0, &pos);
    doc.Rerender();
    EXPECT_EQ(CF_SolidTest::started, 1);
    EXPECT_EQ(doc.ShownResult().at<cv::Vec3b>(0, 0), cv::Vec3b(200, 20, 30));
}

TEST_F(Document, TemplateReferencesStayBalanced)
{
    auto t = Template("SimpleFilter");
    EXPECT_EQ(t->RefCount(), 1);
    doc.SetCurrentTemplate(t.get());
    doc.SetCurrentTemplate(t.get());
    EXPECT_EQ(t->RefCount(), 2);
    doc.SetCurrentTemplate(nullptr);
    EXPECT_EQ(t->RefCount(), 1);
    {
        CPhotoDocument other;
        other.SetCurrentTemplate(t.get());
        EXPECT_EQ(t->RefCount(), 2);
    }
    EXPECT_EQ(t->RefCount(), 1);
}

TEST_F(Document, HistoryIsCutTrimmedAndSteppedThrough)
{
    AddPhotos(1);
    ASSERT_TRUE(doc.SelectPhoto(0));
    auto t = Template("SolidTestFilter");
    auto* simple = dynamic_cast<CT_SimpleTempl*>(t.get());
    for (int i = 0; i < 3; ++i) {
        doc.SetCurrentTemplate(t.get());
        simple->Params().var[0] = float(i);
        doc.RenderFull();
    }
    ASSERT_EQ(doc.HistorySize(), 3);
    EXPECT_EQ(doc.HistoryPosition(), 2);

    doc.StepHistory(-1);  // undo
    EXPECT_EQ(doc.HistoryPosition(), 1);
    EXPECT_EQ(doc.ShownResult().at<cv::Vec3b>(0, 0)[0], 1);
    EXPECT_EQ(doc.CurrentTemplate(), nullptr);
    doc.StepHistory(-1);
    doc.StepHistory(-1);  // clamped at the oldest
    EXPECT_EQ(doc.HistoryPosition(), 0);
    doc.StepHistory(+1);  // redo
    EXPECT_EQ(doc.ShownResult().at<cv::Vec3b>(0, 0)[0], 1);

    // A new result replaces the redo branch.
    doc.SetCurrentTemplate(t.get());
    simple->Params().var[0] = 50;
    doc.RenderFull();
    EXPECT_EQ(doc.HistorySize(), 3);
    EXPECT_EQ(doc.HistoryAt(2).at<cv::Vec3b>(0, 0)[0], 50);

    // The 101st entry drops the oldest.
    for (int i = 0; i < 97; ++i) doc.RenderFull();
    EXPECT_EQ(doc.HistorySize(), 100);
    EXPECT_EQ(doc.HistoryAt(0).at<cv::Vec3b>(0, 0)[0], 0);
    doc.RenderFull();
    EXPECT_EQ(doc.HistorySize(), 100);
    EXPECT_EQ(doc.HistoryPosition(), 99);
    EXPECT_EQ(doc.HistoryAt(0).at<cv::Vec3b>(0, 0)[0], 1);

    // Re-rendering while a history entry is shown must not write into the history.
    doc.StepHistory(-1);
    const cv::Mat entry = doc.HistoryAt(98).clone();
    doc.SetCurrentTemplate(t.get());
    simple->Params().var[0] = 99;
    doc.Rerender();
    EXPECT_EQ(cv::norm(doc.HistoryAt(98), entry, cv::NORM_INF), 0);

    doc.ClearResult();
    EXPECT_TRUE(doc.ShownResult().empty());
}

TEST_F(Document, ResultCanBecomeAPhotoAndThumbnailsAreMade)
{
    AddPhotos(2, 180, 90);
    EXPECT_FALSE(doc.AddResultAsPhoto());  // nothing shown yet
    ASSERT_TRUE(doc.SelectPhoto(1));
    auto t = Template("SolidTestFilter");
    doc.SetCurrentTemplate(t.get());
    doc.SetView({0, 0, 90, 90}, 0);
    doc.Render();
    ASSERT_TRUE(doc.AddResultAsPhoto());
    EXPECT_EQ(doc.PhotoCount(), 3);
    EXPECT_TRUE(doc.PhotoAt(0).path.empty());
    EXPECT_EQ(doc.PhotoAt(0).image.size(), cv::Size(90, 45));
    EXPECT_EQ(doc.SelectionIndices(), std::vector<int>{2});
    EXPECT_EQ(doc.PhotoThumbnail(1).size(), cv::Size(90, 45));
    EXPECT_EQ(doc.PhotoThumbnail(0).size(), cv::Size(90, 45));
    EXPECT_TRUE(doc.PhotoThumbnail(7).empty());

    const cv::Mat thumb = doc.TemplateThumbnail(t.get());
    EXPECT_LE(thumb.cols, 129);
    EXPECT_LE(thumb.rows, 86);
    EXPECT_TRUE(thumb.cols == 129 || thumb.rows == 86);
}

TEST_F(Document, PointerEventsReRenderOnlyDirectTemplates)
{
    AddPhotos(1);
    ASSERT_TRUE(doc.SelectPhoto(0));
    doc.SetView({0, 0, 100, 100}, 42);
    auto direct = Template("SolidTestFilter");
    doc.SetCurrentTemplate(direct.get());
    doc.Render();
    CF_SolidTest::processed = 0;
    doc.PointerDown(5, 6);
    doc.PointerMove(7, 8);
    EXPECT_EQ(CF_SolidTest::processed, 2);
    EXPECT_EQ(direct->pointerX, 7);
    EXPECT_EQ(direct->prevPointerX, 5);
    EXPECT_EQ(direct->buttonDown, 1);
    EXPECT_FALSE(direct->pointerMoved);
    EXPECT_EQ(sink.CountPosted(platform::msg::ResultReady), 1);  // the move tells the window

    auto deferred = Template("SolidTestFilter", "1");
    doc.SetCurrentTemplate(deferred.get());
    CF_SolidTest::processed = 0;
    doc.PointerDown(1, 1);
    doc.PointerMove(2, 2);
    EXPECT_EQ(CF_SolidTest::processed, 0);
    EXPECT_EQ(deferred->pointerX, 0);
}

TEST_F(Document, AResultMadeElsewhereJoinsTheHistoryAsAnExportDoes)
{
    doc.AddResultToHistory(cv::Mat());
    EXPECT_EQ(doc.HistorySize(), 0) << "nothing is no result";
    const cv::Mat shot(4, 4, CV_8UC3, cv::Scalar(7, 8, 9));
    doc.AddResultToHistory(shot);
    ASSERT_EQ(doc.HistorySize(), 1);
    EXPECT_EQ(doc.HistoryPosition(), 0);
    EXPECT_EQ(doc.ShownResult().at<cv::Vec3b>(1, 1), cv::Vec3b(7, 8, 9));
    const cv::Mat second(4, 4, CV_8UC3, cv::Scalar(1, 2, 3));
    doc.AddResultToHistory(second);
    doc.StepHistory(-1);
    EXPECT_EQ(doc.ShownResult().at<cv::Vec3b>(0, 0), cv::Vec3b(7, 8, 9));
    EXPECT_EQ(doc.HistoryAt(1).at<cv::Vec3b>(0, 0), cv::Vec3b(1, 2, 3));
}
