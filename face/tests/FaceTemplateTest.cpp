#include "engine/ImageIO.h"
#include "engine/OptionPanel.h"
#include "engine/PhotoDocument.h"
#include "engine/Registry.h"
#include "engine/TemplateFile.h"
#include "face/CT_Face.h"
#include "face/FaceDetector.h"
#include "face/FacePaneLink.h"
#include "face/RegionShape.h"
#include "face/tests/FaceTestUtil.h"
#include "platform/Files.h"
#include "platform/Folders.h"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

using namespace engine;
using namespace face;

using namespace facetest;

namespace {

constexpr platform::WindowId kView = 77;

std::string WriteFaceTemplate(const testenv::TempDir& dir, const std::string& name, const std::string& attributes,
                              const std::string& param = "")
{
    const std::string folder = dir / name;
    platform::MakeFolders(folder);
    const std::string xml = "<effect><template name=\"" + name + "\"/><filter name=\"FaceTemplate\" " + attributes + ">" +
                            param + "<filter name=\"FaceFilter\"><param image=\"pic.png\" config=\"pic.cfg\"/></filter>" +
                            "</filter></effect>";
    platform::WriteFileAtomically(folder + "/" + name + ".tmpl", xml);
    SaveImage(folder + "/pic.png", cv::Mat(300, 400, CV_8UC3, cv::Scalar(30, 60, 90)));
    return folder;
}

RefPtr<CT_Face> Open(const std::string& folder, CPhotoDocument* doc)
{
    RegisterOnce();
    std::string error;
    RefPtr<CEffectTemplate> t = OpenTemplate(folder, doc, &error);
    EXPECT_TRUE(t) << error;
    return RefPtr<CT_Face>::Share(dynamic_cast<CT_Face*>(t.get()));
}

/** A face pane without a window: what the template tells it. */
class FakeFacePane : public COptionPanel, public CFacePaneLink {
public:
    explicit FakeFacePane(const char* name) { className = name; }
    void SetButtonText(int control, const std::string& text) override { texts.emplace_back(control, text); }
    void OnFaceSearchStarted() override { ++searches; }

    std::vector<std::pair<int, std::string>> texts;
    int searches = 0;
};

class FaceTemplateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::InstallSink(&sink);
        FaceDetector::Instance().ResetFaceSearch();
    }
    void TearDown() override { platform::InstallSink(nullptr); }

    /**
     * doc showing image in a view of that size that notifies kView, under the face template
     * written as name with those attributes and rendered once; empty (and a failure) when the
     * template does not open.
     */
    RefPtr<CT_Face> ShowUnderFaceTemplate(CPhotoDocument& doc, const cv::Mat& image, cv::Size view,
                                          const std::string& name, const std::string& attributes)
    {
        const std::string path = dir / ("photo" + std::to_string(photos++) + ".png");
        EXPECT_TRUE(SaveImage(path, image));
        PhotoRecord r;
        r.path = path;
        doc.InsertPhoto(-1, r);
        EXPECT_TRUE(doc.SelectPhoto(0));
        doc.SetView({0, 0, view.width, view.height}, kView);
        RefPtr<CT_Face> t = Open(WriteFaceTemplate(dir, name, attributes), &doc);
        if (!t) return t;
        doc.SetCurrentTemplate(t.get());
        doc.Render();
        return t;
    }

    testenv::RecordingSink sink;
    testenv::TempDir dir;
    int photos = 0;
};

}  // namespace

TEST_F(FaceTemplateTest, ReadsTheKindAndDefaultsFromTheDefinition)
{
    auto plain = Open(WriteFaceTemplate(dir, "plain", "", "<param scale=\"0\" blend_edge=\"0\"/>"), nullptr);
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->IsExpression());
    EXPECT_EQ(plain->Params().kind, KindChangeFace);
    EXPECT_FLOAT_EQ(plain->Params().scale, 1.0f);
    EXPECT_FLOAT_EQ(plain->Params().blendEdge, 0.2f);
    EXPECT_TRUE(plain->IsDeferred() == false);
    EXPECT_TRUE(plain->HasOverlay(ViewOriginal));
    EXPECT_FALSE(plain->HasOverlay(ViewPreview));

    auto expr = Open(WriteFaceTemplate(dir, "expr", "type=\"expression\"", "<param scale=\"1.2\" blend_edge=\"0.1\"/>"), nullptr);
    ASSERT_TRUE(expr);
    EXPECT_TRUE(expr->IsExpression());
    EXPECT_FLOAT_EQ(expr->Params().scale, 1.2f);
    EXPECT_FLOAT_EQ(expr->Params().blendEdge, 0.1f);

    std::vector<ToolButton> buttons{ToolButton{}, ToolButton{}};
    expr->GetToolButtons(buttons);
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(buttons[0].text, "Search Face");
    EXPECT_EQ(buttons[0].tooltip, "Press to find another face, if possible");
    EXPECT_EQ(buttons[0].command, face_cmd::ToolbarSearchFace);
}

TEST_F(FaceTemplateTest, ScalesAndEdgesThatAreNotFiniteOrOutOfRangeAreRefused)
{
    RegisterOnce();
    // The reviewers' scale="1e30" would send texture coordinates far past any pixel.
    std::string error;
    EXPECT_FALSE(OpenTemplate(std::string(GRIMAZE_SOURCE_DIR) + "/face/tests/data/Face_big", nullptr, &error));
    EXPECT_NE(error.find("scale=\"1e30\""), std::string::npos) << error;
    for (const char* param : {"<param scale=\"inf\"/>", "<param scale=\"-2\"/>", "<param blend_edge=\"nan\"/>",
                              "<param blend_edge=\"3\"/>"}) {
        EXPECT_FALSE(OpenTemplate(WriteFaceTemplate(dir, "odd", "", param), nullptr, &error)) << param;
        EXPECT_NE(error.find(param[7] == 's' ? "scale" : "blend_edge"), std::string::npos) << error;
    }
    // A face template names its pictures inside its folder only.
    const std::string folder = dir / "outside";
    platform::MakeFolders(folder);
    platform::WriteFileAtomically(folder + "/outside.tmpl",
                                  "<effect><template name=\"o\"/><filter name=\"FaceTemplate\"><filter name=\"FaceFilter\">"
                                  "<param image=\"..\\plain\\pic.png\"/></filter></filter></effect>");
    WriteFaceTemplate(dir, "plain", "");
    EXPECT_FALSE(OpenTemplate(folder, nullptr, &error));
    EXPECT_NE(error.find("outside the template's folder"), std::string::npos) << error;
}

TEST_F(FaceTemplateTest, BlendRadiusCommandsReadWriteAndIgnoreOtherIndices)
{
    auto t = Open(WriteFaceTemplate(dir, "radius", ""), nullptr);
    ASSERT_TRUE(t);
    float r = 0;
    t->ParamCommand(face_cmd::GetBlendRadius, 0, 1, &r);
    EXPECT_FLOAT_EQ(r, 1.25f);
    t->ParamCommand(face_cmd::SetBlendRadius, 0, 1, &r);
    EXPECT_FLOAT_EQ(t->Params().state.blendRadius[1], 1.25f);
    EXPECT_EQ(t->Params().state.dirty, 1);  // no document to save to: stays dirty

    t->Params().state.dirty = 0;
    float big = 9;
    t->ParamCommand(face_cmd::SetBlendRadius, 0, 3, &big);
    t->ParamCommand(face_cmd::SetBlendRadius, 0, -1, &big);
    for (float v : t->Params().state.blendRadius) EXPECT_FLOAT_EQ(v, 1.25f);
    EXPECT_EQ(t->Params().state.dirty, 1);
    float untouched = -4;
    t->ParamCommand(face_cmd::GetBlendRadius, 0, 3, &untouched);
    EXPECT_FLOAT_EQ(untouched, -4);
    t->ParamCommand(face_cmd::GetBlendRadius, 0, 0, nullptr);  // no buffer: nothing happens

    float half = 0.5f;
    t->ParamCommand(face_cmd::SetBlendRadius, 0, 2, &half);
    t->ParamCommand(face_cmd::GetBlendRadius, 0, 2, &r);
    EXPECT_FLOAT_EQ(r, 0.5f);

    const std::int32_t angry[3] = {1, -1, -1};
    t->ParamCommand(face_cmd::SetExpression, 0, 0, const_cast<std::int32_t*>(angry));
    EXPECT_EQ(t->Params().state.expression[1], -1);
    t->ParamCommand(face_cmd::AlignFace, 0, 1, nullptr);
    t->ParamCommand(face_cmd::EnhancedColour, 0, 1, nullptr);
    EXPECT_EQ(t->Params().state.alignFace, 1);
    EXPECT_EQ(t->Params().state.enhancedColour, 1);
    t->ParamCommand(face_cmd::SetSearch, 0, 1, nullptr);
    EXPECT_EQ(t->Params().searchRequest, 1);
    t->ParamCommand(face_cmd::ResetSearch, 0, 1, nullptr);
    EXPECT_EQ(t->Params().resetRequest, 1);
}

TEST_F(FaceTemplateTest, APhotoWithoutAFaceGetsTheDefaultRegionAndOneNoticePerSearch)
{
    CPhotoDocument doc;
    cv::Mat plain(800, 1000, CV_8UC3);
    cv::randu(plain, 0, 30);  // no face anywhere
    auto t = ShowUnderFaceTemplate(doc, plain, {400, 300}, "noface", "");
    ASSERT_TRUE(t);
    doc.WaitForRendering();
    EXPECT_EQ(sink.CountPosted(platform::msg::NoFaceFound), 1);
    const FaceQuad face = t->Params().state.regions[FaceRegion];
    EXPECT_FLOAT_EQ(face.x0, 300);
    EXPECT_FLOAT_EQ(face.y0, 120);
    EXPECT_FLOAT_EQ(face.x2, 700);
    EXPECT_FLOAT_EQ(face.y2, 520);
    // Saved with the photo: the next rendering keeps the region and searches no more.
    const FacePhotoState saved = doc.PhotoAt(0).face;
    EXPECT_EQ(saved.faceSearched, 1);
    EXPECT_EQ(saved.regionValid[FaceRegion], 1);
    EXPECT_EQ(saved.dirty, 0);
    doc.Render();
    EXPECT_EQ(sink.CountPosted(platform::msg::NoFaceFound), 1);
    EXPECT_FALSE(doc.ShownResult().empty());

    t->ParamCommand(face_cmd::SearchFace, kView, 0, nullptr);
    doc.Render();
    EXPECT_EQ(sink.CountPosted(platform::msg::NoFaceFound), 2);

    // A gallery thumbnail is quiet and leaves the photo's state alone.
    t->ParamCommand(face_cmd::SearchFace, kView, 0, nullptr);
    const cv::Mat thumb = doc.TemplateThumbnail(t.get());
    EXPECT_FALSE(thumb.empty());
    EXPECT_EQ(sink.CountPosted(platform::msg::NoFaceFound), 2);
    EXPECT_EQ(t->Params().searchRequest, 1);
    EXPECT_EQ(t->Params().quiet, 0);
}

TEST_F(FaceTemplateTest, TheExpressionTimerRunsWhileAnimating)
{
    CPhotoDocument doc;
    auto t = ShowUnderFaceTemplate(doc, Astronaut(), {400, 300}, "anim", "type=\"expression\"");
    ASSERT_TRUE(t);

    t->ParamCommand(face_cmd::Button, kView, face_cmd::ButtonAnimate, nullptr);
    EXPECT_TRUE(t->IsDeferred());
    EXPECT_FALSE(t->TimerEnabled());
    EXPECT_EQ(t->Params().alignRequest, 1);
    ASSERT_EQ(sink.Timers().size(), 1u);
    EXPECT_EQ(sink.Timers()[0], std::make_pair(kExpressionTimerId, kExpressionTimerMs));
    // Ticks during the alignment do nothing.
    sink.Clear();
    CT_Face::OnTimer(kExpressionTimerId);
    EXPECT_EQ(sink.CountPosted(platform::msg::ResultReady), 0);

    doc.Render();  // deferred: aligns on the rendering thread
    doc.WaitForRendering();
    EXPECT_FALSE(t->IsDeferred());
    EXPECT_TRUE(t->TimerEnabled());
    EXPECT_EQ(doc.PhotoAt(0).face.aligned, 1);
    EXPECT_EQ(doc.PhotoAt(0).face.regionValid[0], 1);

    sink.Clear();
    const cv::Mat before = doc.ShownResult().clone();
    for (int i = 0; i < 4; ++i) CT_Face::OnTimer(kExpressionTimerId);
    CT_Face::OnTimer(43);  // another timer: not ours
    EXPECT_EQ(sink.CountPosted(platform::msg::ResultReady), 4);
    EXPECT_GT(t->FaceFilter()->Engine().expressionAmount, 0);
    EXPECT_GT(cv::norm(before, doc.ShownResult(), cv::NORM_L1), 0);

    t->ParamCommand(face_cmd::StopAlign, kView, 0, nullptr);
    EXPECT_TRUE(sink.Timers().empty());
    EXPECT_EQ(t->Params().animating, 0);
    sink.Clear();
    CT_Face::OnTimer(kExpressionTimerId);
    EXPECT_EQ(sink.CountPosted(platform::msg::ResultReady), 0);
}

TEST_F(FaceTemplateTest, AClickOnAnotherDetectedFaceMakesItTheFaceUsed)
{
    CPhotoDocument doc;
    auto t = ShowUnderFaceTemplate(doc, Collage(), {600, 260}, "click", "");
    ASSERT_TRUE(t);
    const std::vector<FaceQuad> faces = t->DetectedFaces();
    ASSERT_EQ(faces.size(), 3u);
    const FaceQuad first = t->Params().state.regions[FaceRegion];
    EXPECT_NEAR(first.x0, faces[0].x0, 1);

    // The original-image view shows the 1200 x 520 collage at half size in a 600 x 260 view.
    const cv::Mat shown = Collage();
    float pan[2] = {0, 0}, zoom = 1;
    const ViewRect rect{0, 0, 600, 260};
    const int cx = static_cast<int>((faces[2].x0 + faces[2].x2) / 4), cy = static_cast<int>((faces[2].y0 + faces[2].y2) / 4);
    t->OnMouse(ViewOriginal, shown, rect, pan, zoom, true, false, 0, cx, cy);
    EXPECT_TRUE(t->OnMouse(ViewOriginal, shown, rect, pan, zoom, false, true, 0, cx, cy));
    t->OnMouse(ViewOriginal, shown, rect, pan, zoom, false, false, 0, cx, cy);
    EXPECT_NEAR(t->Params().state.regions[FaceRegion].x0, faces[2].x0, 1e-3);
    EXPECT_EQ(doc.PhotoAt(0).face.regions[FaceRegion].x0, t->Params().state.regions[FaceRegion].x0);
    EXPECT_FALSE(t->ChooseFace(3));

    doc.Render();  // the chosen face stays chosen
    EXPECT_NEAR(t->Params().state.regions[FaceRegion].x0, faces[2].x0, 1e-3);
    const FaceRect used = t->FaceFilter()->Engine().faceRect;
    EXPECT_GT(used.x, 800 * 600 / 1200 - 10);
}

TEST_F(FaceTemplateTest, DraggingEditsTheEllipsesAndDrawsThem)
{
    CPhotoDocument doc;
    auto t = ShowUnderFaceTemplate(doc, Astronaut(), {400, 300}, "drag", "");
    ASSERT_TRUE(t);

    const cv::Mat shown = Astronaut();  // shown 1:1 in a 512 x 512 view
    float pan[2] = {0, 0}, zoom = 1;
    const ViewRect rect{0, 0, 512, 512};
    testenv::RecordingDrawContext dc;
    t->DrawOverlay(ViewOriginal, shown, dc, rect, 0, 0, 1);
    ASSERT_FALSE(dc.calls.empty());
    EXPECT_EQ(std::count_if(dc.calls.begin(), dc.calls.end(), [](const std::string& c) { return c.rfind("polygon", 0) == 0; }), 1);

    const RegionShape face = t->Shape(FaceRegion);
    const cv::Point2f end = ShapeHandlePoint(face, HandlePlusA);
    const int ex = static_cast<int>(std::lround(end.x)), ey = static_cast<int>(std::lround(end.y));
    EXPECT_TRUE(t->OnMouse(ViewOriginal, shown, rect, pan, zoom, true, false, 0, ex, ey));
    EXPECT_NE(sink.LastCursor(), platform::CursorShape::Arrow);
    t->OnMouse(ViewOriginal, shown, rect, pan, zoom, false, true, 0, ex, ey);
    // Drag the +a end 20 pixels further out along its axis.
    const float c = std::cos(face.angle), s = std::sin(face.angle);
    t->OnMouse(ViewOriginal, shown, rect, pan, zoom, true, true, 0, int(std::lround(end.x + 20 * c)),
               int(std::lround(end.y + 20 * s)));
    EXPECT_NEAR(t->Shape(FaceRegion).a, face.a + 20, 1.5);
    t->OnMouse(ViewOriginal, shown, rect, pan, zoom, false, false, 0, 0, 0);
    EXPECT_EQ(doc.PhotoAt(0).face.aligned, 0);
    const FaceQuad saved = doc.PhotoAt(0).face.regions[FaceRegion];
    EXPECT_NEAR((saved.x1 + saved.x2) / 2 - (saved.x0 + saved.x3) / 2, 2 * std::max(face.a + 20, face.b) * 1.0, 60);

    // Moving the inside shifts the centre by the pointer's movement.
    const RegionShape before = t->Shape(FaceRegion);
    const int mx = static_cast<int>(before.cx), my = static_cast<int>(before.cy);
    t->OnMouse(ViewOriginal, shown, rect, pan, zoom, true, false, 0, mx, my);
    EXPECT_EQ(sink.LastCursor(), platform::CursorShape::SizeAll);
    t->OnMouse(ViewOriginal, shown, rect, pan, zoom, false, true, 0, mx, my);
    t->OnMouse(ViewOriginal, shown, rect, pan, zoom, true, true, 0, mx + 7, my - 4);
    EXPECT_NEAR(t->Shape(FaceRegion).cx, before.cx + 7, 1e-3);
    EXPECT_NEAR(t->Shape(FaceRegion).cy, before.cy - 4, 1e-3);
    t->OnMouse(ViewOriginal, shown, rect, pan, zoom, false, false, 0, mx + 7, my - 4);
    EXPECT_FALSE(t->OnMouse(ViewOriginal, shown, rect, pan, zoom, true, false, 0, 2, 2));
    EXPECT_FALSE(t->OnMouse(ViewPreview, shown, rect, pan, zoom, true, false, 0, mx, my));
}

TEST_F(FaceTemplateTest, PanesFollowTheKindAndHearOfAnimationAndToolbarSearches)
{
    RegisterOnce();
    RegisterCreator("OptionPane_Expression", []() -> CImageDataObject* { return new FakeFacePane("OptionPane_Expression"); });
    RegisterCreator("OptionPane_ChangeFace", []() -> CImageDataObject* { return new FakeFacePane("OptionPane_ChangeFace"); });
    auto expression = Open(WriteFaceTemplate(dir, "smile", "type=\"expression\""), nullptr);
    auto paste = Open(WriteFaceTemplate(dir, "knight", ""), nullptr);
    ASSERT_TRUE(expression && paste);
    EXPECT_EQ(expression->CreatePane(2), nullptr);
    auto* a = dynamic_cast<FakeFacePane*>(expression->CreatePane(1));
    auto* gone = dynamic_cast<FakeFacePane*>(expression->CreatePane(1));
    auto* b = dynamic_cast<FakeFacePane*>(paste->CreatePane(1));
    ASSERT_TRUE(a && gone && b);
    EXPECT_STREQ(a->className, "OptionPane_Expression");
    EXPECT_STREQ(b->className, "OptionPane_ChangeFace");
    EXPECT_TRUE(a->ownedByTemplate);
    EXPECT_EQ(a->templ, expression.get());

    // Only an expression has an Animate button to relabel; a pane whose window went is swept.
    gone->alive = false;
    expression->ParamCommand(face_cmd::StartAnimation, kView, 0, nullptr);
    EXPECT_EQ(expression->Params().animating, 1);
    expression->ParamCommand(face_cmd::StopAnimation, kView, 0, nullptr);
    EXPECT_EQ(expression->Params().animating, 0);
    const std::vector<std::pair<int, std::string>> relabelled = {{face_cmd::ButtonAnimate, "Stop Animate"},
                                                                 {face_cmd::ButtonAnimate, "Animate"}};
    EXPECT_EQ(a->texts, relabelled);
    paste->ParamCommand(face_cmd::StartAnimation, kView, 0, nullptr);
    paste->ParamCommand(face_cmd::StopAnimation, kView, 0, nullptr);
    EXPECT_TRUE(b->texts.empty());
    EXPECT_TRUE(sink.Timers().empty());

    // The tool bar's search asks for a search, drops an alignment and tells the panes.
    paste->ParamCommand(face_cmd::Button, kView, face_cmd::ButtonFaceBlend, nullptr);
    EXPECT_EQ(paste->Params().alignRequest, 1);
    EXPECT_TRUE(paste->IsDeferred());
    paste->ParamCommand(face_cmd::ToolbarSearchFace, kView, 0, nullptr);
    EXPECT_EQ(paste->Params().searchRequest, 1);
    EXPECT_EQ(paste->Params().alignRequest, 0);
    EXPECT_EQ(b->searches, 1);
    EXPECT_EQ(a->searches, 0);

    // Per-photo options wait, marked changed, for a photo to be saved to.
    paste->ParamCommand(face_cmd::AlignFace, kView, 1, nullptr);
    paste->ParamCommand(face_cmd::EnhancedColour, kView, 2, nullptr);
    EXPECT_EQ(paste->Params().state.alignFace, 1);
    EXPECT_EQ(paste->Params().state.enhancedColour, 1);
    EXPECT_EQ(paste->Params().state.dirty, 1);

    RegisterCreator("OptionPane_Expression", []() -> CImageDataObject* { return nullptr; });
    RegisterCreator("OptionPane_ChangeFace", []() -> CImageDataObject* { return nullptr; });
    // Panes whose windows still live belong to those windows: close them as a window would.
    a->alive = false;
    b->alive = false;
}
