#include "app/Builtins.h"
#include "engine/ImageIO.h"
#include "engine/PhotoDocument.h"
#include "engine/TemplateFile.h"
#include "frames/CF_Frame.h"
#include "frames/CT_Frame.h"
#include "frames/Homography.h"
#include "platform/Files.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <filesystem>
#include <fstream>
#include <set>

using namespace engine;
using namespace frames;

namespace {

class FrameTemplateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        app::RegisterBuiltinClasses();
        bg_ = cv::Mat(300, 400, CV_8UC3, cv::Scalar(40, 90, 160));
        cv::rectangle(bg_, cv::Rect(10, 10, 50, 50), cv::Scalar(250, 250, 250), cv::FILLED);
        ASSERT_TRUE(cv::imwrite(dir_ / "frame.png", bg_));
        photo_ = cv::Mat(60, 80, CV_8UC3);
        cv::randu(photo_, 0, 256);
        ASSERT_TRUE(cv::imwrite(dir_ / "photo.png", photo_));
    }

    /** Writes a definition file whose template "param" element holds params. */
    std::string Definition(const std::string& params, const std::string& filterParams = "background=\".\\frame.png\"",
                           const std::string& templ = "FrameTemplate", const std::string& filter = "FrameFilter")
    {
        const std::string text = "<effect><template name=\"Test\"/><filter name=\"" + templ + "\"><filter name=\"" +
                                 filter + "\"><param " + filterParams + "/></filter>" + params + "</filter></effect>";
        const std::string path = dir_ / "test.tmpl";
        EXPECT_TRUE(platform::WriteFileAtomically(path, text));
        return path;
    }

    static std::string Window(const char* name, int x0, int y0, int x1, int y1, int x2, int y2, int x3, int y3)
    {
        auto p = [](const char* n, int x, int y) {
            return "<" + std::string(n) + " x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\"/>";
        };
        const std::string inner = p("point00", x0, y0) + p("point01", x1, y1) + p("point10", x2, y2) + p("point11", x3, y3);
        return name ? "<" + std::string(name) + ">" + inner + "</" + name + ">" : inner;
    }

    testenv::TempDir dir_;
    cv::Mat bg_, photo_;
    CPhotoDocument doc_;
};

CT_Frame* AsFrame(const RefPtr<CEffectTemplate>& t) { return dynamic_cast<CT_Frame*>(t.get()); }

}  // namespace

TEST_F(FrameTemplateTest, ReadsTheWindowsAndStopsAtTheFirstMissingExtra)
{
    const std::string params = "<param gray=\"5\" edge=\"0.125\">" + Window(nullptr, 1, 2, 3, 4, 5, 6, 7, 8) +
                               Window("extra0", 10, 11, 12, 13, 14, 15, 16, 17) +
                               Window("extra1", 20, 21, 22, 23, 24, 25, 26, 27) +
                               Window("extra3", 30, 31, 32, 33, 34, 35, 36, 37) + "</param>";
    std::string error;
    const auto t = OpenTemplate(Definition(params), &doc_, &error);
    ASSERT_TRUE(t) << error;
    ASSERT_TRUE(AsFrame(t));
    const FrameParams& f = AsFrame(t)->Frame();
    EXPECT_EQ(f.main.corner[0], cv::Point(1, 2));
    EXPECT_EQ(f.main.corner[3], cv::Point(7, 8));
    ASSERT_EQ(f.extra.size(), 2u);
    EXPECT_EQ(f.extra[0].corner[1], cv::Point(12, 13));
    EXPECT_EQ(f.extra[1].corner[2], cv::Point(24, 25));
    EXPECT_EQ(f.gray, 1);
    EXPECT_FLOAT_EQ(f.edge, 0.125f);
    EXPECT_FLOAT_EQ(f.alpha, 1.f);  // missing: opaque
    EXPECT_EQ(f.activeCorner, -1);
}

TEST_F(FrameTemplateTest, OpacityZeroMeansOpaqueAndMissingPointsAreZero)
{
    for (const char* alpha : {"0", "nonsense"}) {  // "inf": NumbersOutOfRangeAreRefusedNamingTheAttribute
        const auto t = OpenTemplate(Definition(std::string("<param alpha=\"") + alpha + "\"><point11 x=\"9\"/></param>"), &doc_);
        ASSERT_TRUE(t);
        EXPECT_FLOAT_EQ(AsFrame(t)->Frame().alpha, 1.f) << alpha;
        EXPECT_EQ(AsFrame(t)->Frame().main.corner[0], cv::Point(0, 0));
        EXPECT_EQ(AsFrame(t)->Frame().main.corner[3], cv::Point(9, 0));
    }
    const auto half = OpenTemplate(Definition("<param alpha=\"0.5\"/>"), &doc_);
    EXPECT_FLOAT_EQ(AsFrame(half)->Frame().alpha, 0.5f);
    // No "param" at all: nothing to draw, but a valid template.
    const auto bare = OpenTemplate(Definition(""), &doc_);
    ASSERT_TRUE(bare);
    EXPECT_TRUE(AsFrame(bare)->Frame().extra.empty());
}

TEST_F(FrameTemplateTest, RendersAtTheBackgroundsSizeWithThePhotoInTheWindow)
{
    const auto t = OpenTemplate(Definition("<param>" + Window(nullptr, 100, 50, 300, 50, 100, 250, 300, 250) + "</param>"), &doc_);
    ASSERT_TRUE(t);
    // No photo yet: the background alone.
    const cv::Size view(200, 100);
    t->SetOutputSize(&view);
    t->ApplyParams();
    t->Process();
    ASSERT_EQ(t->GetResult().size(), bg_.size());
    EXPECT_EQ(cv::norm(t->GetResult(), bg_, cv::NORM_INF), 0);

    const cv::Mat photos[] = {photo_};
    t->SetSource(photos);
    t->SetOutputSize(&view);  // ignored: the result keeps the background's size
    t->ApplyParams();
    t->Start();
    t->Process();
    const cv::Mat r = t->GetResult();
    ASSERT_EQ(r.size(), bg_.size());
    // Outside the window: the background; inside: the photo, enlarged 2.5 times.
    EXPECT_EQ(cv::norm(r(cv::Rect(0, 0, 100, 300)), bg_(cv::Rect(0, 0, 100, 300)), cv::NORM_INF), 0);
    EXPECT_EQ(cv::norm(r(cv::Rect(300, 0, 100, 300)), bg_(cv::Rect(300, 0, 100, 300)), cv::NORM_INF), 0);
    cv::Mat expect;
    cv::resize(photo_, expect, cv::Size(200, 200), 0, 0, cv::INTER_LINEAR);
    EXPECT_LE(cv::norm(r(cv::Rect(100, 50, 200, 200)), expect, cv::NORM_INF), 1);
}

TEST_F(FrameTemplateTest, BackgroundsThatCannotBeLoaded)
{
    const auto t = OpenTemplate(Definition("<param>" + Window(nullptr, 0, 0, 10, 0, 0, 10, 10, 10) + "</param>",
                                           "background=\".\\missing.png\""),
                                &doc_);
    ASSERT_TRUE(t);
    const cv::Mat photos[] = {photo_};
    t->SetSource(photos);
    t->Process();
    ASSERT_EQ(t->GetResult().size(), cv::Size(800, 600));
    EXPECT_EQ(cv::countNonZero(t->GetResult().reshape(1)), 0);

    // A second background of another size is stretched over the first.
    cv::imwrite(dir_ / "second.png", cv::Mat(30, 40, CV_8UC3, cv::Scalar(1, 2, 3)));
    const auto t2 = OpenTemplate(Definition("<param/>", "background=\".\\frame.png\" background2=\".\\second.png\""), &doc_);
    ASSERT_TRUE(t2);
    auto* f = dynamic_cast<CF_Frame*>(t2->Filter());
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Background2().size(), bg_.size());
}

TEST_F(FrameTemplateTest, FrameTemplateAndFrameFilterOnlyWorkTogether)
{
    std::string error;
    EXPECT_FALSE(OpenTemplate(Definition("<param/>", "", "FrameTemplate", "SimpleFilter"), &doc_, &error));
    EXPECT_NE(error.find("\"FrameTemplate\""), std::string::npos) << error;
    EXPECT_NE(error.find("\"SimpleFilter\""), std::string::npos) << error;

    // A simple template would hand the frame filter its own block, which the filter cannot
    // read as a frame block.
    EXPECT_FALSE(OpenTemplate(Definition("", "background=\".\\frame.png\"", "SimpleTemplate", "FrameFilter"), &doc_, &error));
    EXPECT_NE(error.find("\"SimpleTemplate\""), std::string::npos) << error;
    EXPECT_NE(error.find("\"FrameFilter\""), std::string::npos) << error;
}

TEST_F(FrameTemplateTest, PicturesOutsideTheTemplateFolderAreNeverRead)
{
    // The reviewers' definitions: "..\..\" out of the folder, and an absolute path.
    for (const char* name : {"frame_dotdot", "frame_abs"}) {
        const std::string file = std::string(GRIMAZE_SOURCE_DIR) + "/frames/tests/data/" + name + "/" + name + ".tmpl";
        std::string error;
        EXPECT_FALSE(OpenTemplate(file, &doc_, &error)) << name;
        EXPECT_NE(error.find("background"), std::string::npos) << error;
        EXPECT_NE(error.find("outside the template's folder"), std::string::npos) << error;
    }
    // The same with a real picture beside the folder, which would otherwise load.
    std::filesystem::create_directory(dir_ / "T");
    const std::string outside = dir_ / "frame.png";
    for (const std::string& name : {std::string(".\\..\\frame.png"), std::string("..\\frame.png"), outside}) {
        std::ofstream(dir_ / "T/T.tmpl") << "<effect><template name=\"T\"/><filter name=\"FrameTemplate\">"
                                            "<filter name=\"FrameFilter\"><param background=\"" + name +
                                                "\"/></filter><param/></filter></effect>";
        std::string error;
        EXPECT_FALSE(OpenTemplate(dir_ / "T", &doc_, &error)) << name;
        EXPECT_NE(error.find(name), std::string::npos) << error;
    }
}

TEST_F(FrameTemplateTest, NumbersOutOfRangeAreRefusedNamingTheAttribute)
{
    const std::string window = Window(nullptr, 0, 0, 10, 0, 0, 10, 10, 10);
    const std::pair<std::string, const char*> cases[] = {
        {"<param alpha=\"1e30\">" + window + "</param>", "alpha"},
        {"<param alpha=\"inf\">" + window + "</param>", "alpha"},
        {"<param edge=\"nan\">" + window + "</param>", "edge"},
        {"<param edge=\"-0.5\">" + window + "</param>", "edge"},
        {"<param><point00 x=\"1e30\" y=\"0\"/></param>", "x=\"1e30\""},
        {"<param>" + window + Window("extra0", 0, 0, 10, 0, 0, 2000000, 10, 10) + "</param>", "y=\"2000000\""},
    };
    for (const auto& [params, named] : cases) {
        std::string error;
        EXPECT_FALSE(OpenTemplate(Definition(params), &doc_, &error)) << params;
        EXPECT_NE(error.find(named), std::string::npos) << params << ": " << error;
    }
    EXPECT_TRUE(OpenTemplate(Definition("<param alpha=\"0.94\" edge=\"0.07\">" + window + "</param>"), &doc_));
}

TEST_F(FrameTemplateTest, DraggingACornerFollowsThePointer)
{
    const auto t = OpenTemplate(Definition("<param>" + Window(nullptr, 100, 50, 300, 50, 100, 250, 300, 250) + "</param>"), &doc_);
    ASSERT_TRUE(t);
    CT_Frame* frame = AsFrame(t);
    PhotoRecord rec;
    rec.path = dir_ / "photo.png";
    doc_.InsertPhoto(-1, rec);
    ASSERT_TRUE(doc_.SelectPhoto(0));
    // A 600 x 450 view shows the 400 x 300 picture at 1.5 times, centred on (300, 225).
    doc_.SetView({0, 0, 600, 450}, 0);
    doc_.SetCurrentTemplate(t.get());
    doc_.Render();
    const FrameWindow start = frame->Frame().main;

    // Corner 01 at (300, 50) shows at (450, 75); a press within 8 view pixels picks it up.
    EXPECT_EQ(frame->GripRadius(), CT_Frame::kCornerGrip);
    EXPECT_EQ(frame->CornerAt(458, 75), 1);
    doc_.PointerDown(459, 75);  // 9 pixels off: out of reach
    EXPECT_EQ(frame->Frame().activeCorner, -1);
    doc_.PointerMove(500, 100);
    doc_.PointerUp(500, 100);
    EXPECT_EQ(frame->Frame().main, start);
    // A twice as dense screen: the window asks for twice the reach in view pixels.
    frame->SetGripRadius(2 * CT_Frame::kCornerGrip);
    EXPECT_EQ(frame->CornerAt(459, 75), 1);
    EXPECT_EQ(frame->CornerAt(467, 75), -1);
    frame->SetGripRadius(CT_Frame::kCornerGrip);

    doc_.PointerDown(445, 70);  // 7 pixels up and left
    EXPECT_EQ(frame->Frame().activeCorner, 1);
    EXPECT_EQ(frame->Frame().main, start);  // pressing alone moves nothing
    doc_.PointerMove(480, 120);
    EXPECT_EQ(frame->Frame().main.corner[1], cv::Point(320, 80));  // 200 + 180 / 1.5, 150 - 105 / 1.5
    doc_.PointerMove(150, 420);
    EXPECT_EQ(frame->Frame().main.corner[1], cv::Point(100, 280));
    doc_.PointerUp(150, 420);
    EXPECT_EQ(frame->Frame().activeCorner, -1);
    EXPECT_EQ(frame->Frame().main.corner[0], start.corner[0]);
    EXPECT_EQ(frame->Frame().main.corner[2], start.corner[2]);
    EXPECT_EQ(frame->Frame().main.corner[3], start.corner[3]);
    // The moved corner is what the next rendering shows: the photo now reaches (100, 280)'s
    // neighbourhood, which was background before.
    EXPECT_NE(doc_.ShownResult().empty(), true);

    // A small view is not magnified past twice: a 2000 x 2000 view still uses 2.
    doc_.SetView({0, 0, 2000, 2000}, 0);
    const cv::Point c3 = frame->Frame().main.corner[3];  // (300, 250) shows at (1200, 1200)
    doc_.PointerDown(1200, 1200);
    EXPECT_EQ(frame->Frame().activeCorner, 3);
    doc_.PointerMove(1210, 1190);
    EXPECT_EQ(frame->Frame().main.corner[3], c3 + cv::Point(5, -5));
    doc_.PointerUp(1210, 1190);
    doc_.SetCurrentTemplate(nullptr);
}

TEST(ShippedFrames, EveryFrameTemplateLoadsAndShowsThePhotoInItsWindows)
{
    app::RegisterBuiltinClasses();
    CPhotoDocument doc;
    const std::string root = testenv::SourceDir() + "/media/Templates";
    const cv::Mat photo = LoadPhoto(testenv::SourceDir() + "/media/Images/default/Default2.jpg");
    ASSERT_FALSE(photo.empty());
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(root)) {
        if (!entry.is_directory()) continue;
        // Only the frame templates; the other effects have their own tests.
        std::string text;
        const std::string file = FindDefinitionFile(entry.path().string());
        if (file.empty() || !platform::ReadFile(file, text, 1 << 20) || text.find("\"FrameTemplate\"") == std::string::npos)
            continue;
        std::string error;
        const auto t = OpenTemplate(entry.path().string(), &doc, &error);
        ASSERT_TRUE(t) << entry.path() << ": " << error;
        names.insert(t->displayName);
        CT_Frame* frame = AsFrame(t);
        ASSERT_TRUE(frame) << entry.path();
        auto* filter = dynamic_cast<CF_Frame*>(t->Filter());
        ASSERT_TRUE(filter && !filter->Background().empty()) << entry.path();
        const cv::Mat bg = filter->Background();
        const cv::Rect picture(0, 0, bg.cols + 1, bg.rows + 1);
        std::vector<FrameWindow> windows{frame->Frame().main};
        windows.insert(windows.end(), frame->Frame().extra.begin(), frame->Frame().extra.end());
        const cv::Mat photos[] = {photo};
        t->SetSource(photos);
        t->ApplyParams();
        t->Start();
        t->Process();
        const cv::Mat r = t->GetResult();
        ASSERT_EQ(r.size(), bg.size());
        for (const FrameWindow& w : windows) {
            EXPECT_FALSE(IsDegenerateWindow(w)) << entry.path();
            cv::Point2f centre(0, 0);
            for (const cv::Point& c : w.corner) {
                EXPECT_TRUE(picture.contains(c)) << entry.path() << " corner " << c;
                centre += cv::Point2f(c) * 0.25f;
            }
            // Around the window's centre the photo shows, not the bare picture.
            const cv::Rect around = cv::Rect(cv::Point(centre) - cv::Point(10, 10), cv::Size(20, 20)) & cv::Rect(0, 0, r.cols, r.rows);
            EXPECT_GT(cv::norm(r(around), bg(around), cv::NORM_L1) / around.area(), 10.0) << entry.path();
        }
    }
    for (const char* name : {"Postcard", "Billboard", "Polaroid", "Old TV", "Magazine Cover", "Woodcut Relief"})
        EXPECT_TRUE(names.count(name)) << name;
}
