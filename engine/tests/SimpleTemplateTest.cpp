#include "engine/SimpleFilter.h"
#include "engine/SimpleTemplate.h"
#include "engine/TemplateFile.h"
#include "engine/tests/EngineTestUtil.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace engine;

using namespace enginetest;

namespace {

RefPtr<CT_SimpleTempl> Open(const testenv::TempDir& dir, const std::string& extra, const std::string& delay = "")
{
    RegisterOnce();
    static int n = 0;
    const std::string folder = WriteTemplate(dir, "t" + std::to_string(n++), SimpleDefinition("SimpleFilter", extra, delay));
    std::string error;
    RefPtr<CEffectTemplate> t = OpenTemplate(folder, nullptr, &error);
    EXPECT_TRUE(t) << error;
    return RefPtr<CT_SimpleTempl>::Share(dynamic_cast<CT_SimpleTempl*>(t.get()));
}

const char* kVariables =
    "<variables><var1 name=\"Brush size\" min=\"0\" max=\"10\" default=\"5\" resolution=\"0.5\"/>"
    "<var2 name=\"Zero res\" min=\"-3\" max=\"3\" default=\"1\" resolution=\"0\"/></variables>";

}  // namespace

TEST(SimpleTemplate, ReadsVariablesAndAnswersTheSliderCommands)
{
    testenv::TempDir dir;
    auto t = Open(dir, kVariables);
    ASSERT_TRUE(t);
    EXPECT_FLOAT_EQ(t->Params().var[0], 5);
    EXPECT_FLOAT_EQ(t->Variable(1).resolution, 1);  // 0 reads as 1
    EXPECT_FLOAT_EQ(t->Variable(2).max, 0);          // missing variable: all 0

    int range[3] = {};
    t->ParamCommand(param_cmd::VariableRange, 0, 0, range);
    EXPECT_EQ(range[0], 0);
    EXPECT_EQ(range[1], 20);
    EXPECT_EQ(range[2], 10);
    int pos = 7;
    t->ParamCommand(param_cmd::SetVariable, 0, 0, &pos);
    EXPECT_FLOAT_EQ(t->Params().var[0], 3.5f);

    char name[param_cmd::NameBufferSize];
    t->ParamCommand(param_cmd::VariableName, 0, 0, name);
    EXPECT_STREQ(name, "Brush size");
    t->ParamCommand(param_cmd::VariableName, 0, 2, name);
    EXPECT_STREQ(name, "");
    t->ParamCommand(param_cmd::VariableName, 0, 7, name);  // index out of range
    EXPECT_STREQ(name, "");
    t->ParamCommand(param_cmd::SetVariable, 0, -1, &pos);  // ignored
    t->ParamCommand(999, 0, 0, nullptr);                   // unknown: nothing changes
    EXPECT_FLOAT_EQ(t->Params().var[0], 3.5f);
}

TEST(SimpleTemplate, LongLabelsAreCutInsideTheBuffer)
{
    testenv::TempDir dir;
    const std::string label(300, 'a');
    auto t = Open(dir, "<variables><var1 name=\"" + label + "\"/></variables>");
    char buffer[param_cmd::NameBufferSize + 16];
    std::memset(buffer, 'Z', sizeof buffer);
    t->ParamCommand(param_cmd::VariableName, 0, 0, buffer);
    EXPECT_EQ(std::strlen(buffer), size_t(param_cmd::NameBufferSize - 1));
    for (size_t i = param_cmd::NameBufferSize; i < sizeof buffer; ++i) ASSERT_EQ(buffer[i], 'Z');
}

TEST(SimpleTemplate, RegionDefaultsAndFlags)
{
    testenv::TempDir dir;
    auto none = Open(dir, "");
    unsigned char has = 9;
    none->ParamCommand(param_cmd::HasRegion, 0, 0, &has);
    EXPECT_EQ(has, 0);
    EXPECT_FALSE(none->HasOverlay(ViewPreview));

    auto zeros = Open(dir, "<roi/>");
    zeros->ParamCommand(param_cmd::HasRegion, 0, 0, &has);
    EXPECT_EQ(has, 1);
    EXPECT_FLOAT_EQ(zeros->Params().x, 0.25f);
    EXPECT_FLOAT_EQ(zeros->Params().w, 0.5f);
    EXPECT_TRUE(zeros->HasOverlay(ViewPreview));
    EXPECT_FALSE(zeros->HasOverlay(ViewOriginal));

    auto set = Open(dir, "<roi defaultx=\"0.1\" defaulty=\"0\" defaultw=\"0.3\" defaulth=\"0.4\"/>");
    EXPECT_FLOAT_EQ(set->Params().x, 0.1f);
    EXPECT_FLOAT_EQ(set->Params().y, 0);
    EXPECT_FLOAT_EQ(set->Params().h, 0.4f);
    set->ParamCommand(param_cmd::ShowRegion, 0, 0, nullptr);
    EXPECT_FALSE(set->ShowRegion());
    set->ParamCommand(param_cmd::ShowRegion, 0, 5, nullptr);
    EXPECT_TRUE(set->ShowRegion());
}

TEST(SimpleTemplate, DeferredOnlyForDelayOne)
{
    testenv::TempDir dir;
    EXPECT_TRUE(Open(dir, "", "1")->IsDeferred());
    EXPECT_FALSE(Open(dir, "", "2")->IsDeferred());
    EXPECT_FALSE(Open(dir, "", "x")->IsDeferred());
    EXPECT_FALSE(Open(dir, "")->IsDeferred());
}

TEST(SimpleFilter, OutputSizeFollowsSourceAndViewNeverEnlarging)
{
    CF_SimpleFilter f;
    f.Init();
    EXPECT_EQ(f.GetResult().size(), cv::Size(800, 600));
    const cv::Mat src(500, 1000, CV_8UC3, cv::Scalar(9, 9, 9));
    f.SetSource(std::span<const cv::Mat>(&src, 1));
    cv::Size s(400, 400);
    f.SetOutputSize(&s);
    EXPECT_EQ(f.GetResult().size(), cv::Size(400, 200));
    s = cv::Size(2000, 2000);
    f.SetOutputSize(&s);
    EXPECT_EQ(f.GetResult().size(), cv::Size(1000, 500));
    f.SetOutputSize(nullptr);
    EXPECT_EQ(f.GetResult().size(), cv::Size(1000, 500));
    EXPECT_EQ(cv::countNonZero(f.GetResult().reshape(1)), 0);  // black canvas

    f.SetSource({});
    f.SetOutputSize(nullptr);
    EXPECT_EQ(f.GetResult().size(), cv::Size(800, 600));
    s = cv::Size(123, 45);
    f.SetOutputSize(&s);
    EXPECT_EQ(f.GetResult().size(), cv::Size(123, 45));
}

TEST(SimpleFilter, CopiesOnlyTheRegionOfInterestOfEveryInput)
{
    cv::Mat big(100, 100, CV_8UC3, cv::Scalar(0, 0, 0));
    big(cv::Rect(10, 20, 30, 40)).setTo(cv::Scalar(1, 2, 3));
    const cv::Mat grey(5, 6, CV_8UC1, cv::Scalar(50));
    const cv::Mat inputs[] = {big(cv::Rect(10, 20, 30, 40)), grey};
    CF_SimpleFilter f;
    f.SetSource(inputs);
    ASSERT_EQ(f.Source().size(), cv::Size(30, 40));
    EXPECT_EQ(f.Source().at<cv::Vec3b>(0, 0), cv::Vec3b(1, 2, 3));
    big.setTo(cv::Scalar(7, 7, 7));  // a copy, not a view
    EXPECT_EQ(f.Source().at<cv::Vec3b>(0, 0), cv::Vec3b(1, 2, 3));
    ASSERT_EQ(f.ExtraSources().size(), 1u);
    EXPECT_EQ(f.ExtraSources()[0].type(), CV_8UC3);
    const cv::Mat empty[] = {cv::Mat(), big};
    f.SetSource(empty);
    EXPECT_TRUE(f.Source().empty());
    EXPECT_TRUE(f.ExtraSources().empty());
}

// --- The region overlay and its handles ------------------------------------------------

class RegionDrag : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::InstallSink(&sink);
        t = Open(dir, "<roi defaultx=\"0.25\" defaulty=\"0.25\" defaultw=\"0.5\" defaulth=\"0.5\"/>");
    }
    void TearDown() override { platform::InstallSink(nullptr); }
    // A 400 x 400 image in a 400 x 400 view at zoom 1: fractions map to pixels times 400,
    // so the region is (100, 100) to (300, 300).
    bool Mouse(int x, int y, bool down)
    {
        float pan[2] = {0, 0};
        float zoom = 1;
        return t->OnMouse(ViewPreview, image, {0, 0, 400, 400}, pan, zoom, true, down, 0, x, y);
    }
    testenv::TempDir dir;
    testenv::RecordingSink sink;
    RefPtr<CT_SimpleTempl> t;
    cv::Mat image = cv::Mat(400, 400, CV_8UC3);
};

TEST_F(RegionDrag, DrawsADashedOutlineWhereTheRegionIs)
{
    testenv::RecordingDrawContext dc;
    t->DrawOverlay(ViewPreview, image, dc, {0, 0, 400, 400}, 0, 0, 1);
    ASSERT_EQ(dc.calls.size(), 3u);
    EXPECT_EQ(dc.calls[0], "pen 241,84,230 1 dash");
    EXPECT_EQ(dc.calls[1], "brush hollow");
    EXPECT_EQ(dc.calls[2], "rect 100 100 300 300");
    t->ParamCommand(param_cmd::ShowRegion, 0, 0, nullptr);
    dc.calls.clear();
    t->DrawOverlay(ViewPreview, image, dc, {0, 0, 400, 400}, 0, 0, 1);
    EXPECT_TRUE(dc.calls.empty());
}

TEST_F(RegionDrag, HandlesAreHitInOrderAndSetTheCursor)
{
    EXPECT_TRUE(Mouse(200, 200, false));
    EXPECT_EQ(t->ActiveHandle(), 1);
    EXPECT_EQ(sink.LastCursor(), platform::CursorShape::SizeAll);
    Mouse(305, 200, false);
    EXPECT_EQ(t->ActiveHandle(), 2);
    EXPECT_EQ(sink.LastCursor(), platform::CursorShape::SizeWE);
    Mouse(300, 100, false);
    EXPECT_EQ(t->ActiveHandle(), 3);
    EXPECT_EQ(sink.LastCursor(), platform::CursorShape::SizeNESW);
    Mouse(95, 95, false);
    EXPECT_EQ(t->ActiveHandle(), 5);
    EXPECT_EQ(sink.LastCursor(), platform::CursorShape::SizeNWSE);
    Mouse(200, 305, false);
    EXPECT_EQ(t->ActiveHandle(), 8);
    EXPECT_FALSE(Mouse(10, 10, false));
    EXPECT_EQ(t->ActiveHandle(), 0);
    EXPECT_EQ(sink.LastCursor(), platform::CursorShape::Arrow);
}

TEST_F(RegionDrag, RightEdgeStopsFortyPixelsFromTheLeft)
{
    Mouse(300, 200, false);  // over the right edge
    Mouse(300, 200, true);   // press: only records the position
    EXPECT_FLOAT_EQ(t->Params().w, 0.5f);
    Mouse(20, 200, true);  // drag far to the left
    EXPECT_NEAR(t->Params().x, 0.25f, 1e-6);
    EXPECT_NEAR(t->Params().w, 40.f / 400, 1e-6);
    Mouse(1000, 200, true);  // and past the photo's right edge
    EXPECT_NEAR(t->Params().x + t->Params().w, 1.0f, 1e-6);
}

TEST_F(RegionDrag, MovingKeepsTheRegionInsideThePhoto)
{
    Mouse(200, 200, false);
    Mouse(200, 200, true);
    Mouse(900, -500, true);
    EXPECT_FLOAT_EQ(t->Params().x, 0.5f);
    EXPECT_FLOAT_EQ(t->Params().y, 0);
    EXPECT_FLOAT_EQ(t->Params().w, 0.5f);
    Mouse(900, -500, false);  // release
    Mouse(-900, 900, true);   // a new press only records
    EXPECT_FLOAT_EQ(t->Params().x, 0.5f);
}

TEST_F(RegionDrag, IgnoresOtherViewsAndMissingImages)
{
    float pan[2] = {0, 0};
    float zoom = 1;
    EXPECT_FALSE(t->OnMouse(ViewOriginal, image, {0, 0, 400, 400}, pan, zoom, true, false, 0, 200, 200));
    EXPECT_FALSE(t->OnMouse(ViewPreview, cv::Mat(), {0, 0, 400, 400}, pan, zoom, true, false, 0, 200, 200));
    EXPECT_FALSE(t->OnMouse(ViewPreview, image, {0, 0, 400, 400}, pan, zoom, false, false, 0, 200, 200));
}

TEST(SimpleTemplate, NumbersThatAreNotFiniteOrOutOfRangeRefuseTheDefinition)
{
    RegisterOnce();
    testenv::TempDir dir;
    struct Case {
        const char* extra;
        const char* named;  // what the message must name
    } cases[] = {
        {"<variables><var1 min=\"1e30\"/></variables>", "min=\"1e30\""},
        {"<variables><var2 default=\"nan\"/></variables>", "default=\"nan\""},
        {"<variables><var3 max=\"-inf\"/></variables>", "max=\"-inf\""},
        {"<variables><var1 min=\"0\" max=\"10\" resolution=\"1e-30\"/></variables>", "resolution=\"1e-30\""},
        {"<variables><var1 resolution=\"-2e6\"/></variables>", "resolution"},
        {"<roi defaultx=\"5\" defaulty=\"0\" defaultw=\"0.5\" defaulth=\"0.5\"/>", "defaultx=\"5\""},
        {"<roi defaultx=\"0\" defaulty=\"0\" defaultw=\"0.5\" defaulth=\"-0.5\"/>", "defaulth"},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string folder = WriteTemplate(dir, "bad" + std::to_string(n++), SimpleDefinition("SimpleFilter", c.extra));
        std::string error;
        EXPECT_FALSE(OpenTemplate(folder, nullptr, &error)) << c.extra;
        EXPECT_NE(error.find(c.named), std::string::npos) << c.extra << ": " << error;
    }

    // The extremes still allowed keep slider positions within the int range.
    auto t = Open(dir, "<variables><var1 min=\"-1e6\" max=\"1e6\" default=\"1e6\" resolution=\"0.001\"/></variables>");
    ASSERT_TRUE(t);
    int range[3] = {};
    t->ParamCommand(param_cmd::VariableRange, 0, 0, range);
    EXPECT_NEAR(range[0], -1e9, 100);
    EXPECT_NEAR(range[1], 1e9, 100);
}

namespace {
struct MeshLikeBlock {
    static constexpr ParamBlock kKind = ParamBlock::Mesh;
    double plenty[64] = {};
};
}  // namespace

TEST(ImageFilter, ReadsAParameterBlockOnlyAsItsOwnKind)
{
    // Any other block, even one of a layout the filter has never heard of, reads as none.
    MeshLikeBlock other;
    SimpleParams simple;
    simple.var[0] = 7;
    struct Probe : CF_SimpleFilter {
        const SimpleParams* Seen() const { return Params(); }
    } f;
    EXPECT_EQ(f.Seen(), nullptr);
    f.SetParams(&simple);
    ASSERT_EQ(f.Seen(), &simple);
    f.SetParams(&other);
    EXPECT_EQ(f.Seen(), nullptr);
    EXPECT_EQ(f.ParamsNeeded(), ParamBlock::Simple);
}
