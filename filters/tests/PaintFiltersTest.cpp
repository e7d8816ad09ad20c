// The six filter classes: registration, parameters, seeds, missing inputs and textures.
#include "filters/FilterClasses.h"
#include "filters/MultiSrcFilter.h"
#include "filters/PainterlyFilters.h"
#include "filters/WatercolourFilters.h"

#include "engine/Registry.h"
#include "engine/SimpleTemplate.h"
#include "platform/Clock.h"
#include "platform/testing/TestEnv.h"
#include "platform/testing/Images.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <memory>

using namespace engine;
using namespace filters;

using testenv::Same;

namespace {

cv::Mat Photo(int w, int h)
{
    cv::Mat m(h, w, CV_8UC3);
    cv::RNG rng(42);
    rng.fill(m, cv::RNG::UNIFORM, 0, 256);
    cv::GaussianBlur(m, m, cv::Size(0, 0), 3);
    cv::circle(m, {w / 2, h / 2}, std::min(w, h) / 3, cv::Scalar(30, 90, 220), -1);
    return m;
}

/** A filter as a template would set it up, from a "filter" element. */
template <class F>
std::unique_ptr<F> MakeFilter(tinyxml2::XMLDocument& doc, const char* xml, const std::string& folder = {})
{
    EXPECT_EQ(doc.Parse(xml), tinyxml2::XML_SUCCESS);
    auto f = std::make_unique<F>();
    f->SetDefinition(doc.RootElement());
    f->SetTemplateFolder(folder);
    f->Init();
    return f;
}

template <class F>
cv::Mat Render(F& f, const cv::Mat& photo, const SimpleParams* params, cv::Size view = {800, 600}, bool start = true)
{
    f.SetSource(std::span<const cv::Mat>(&photo, 1));
    f.SetOutputSize(&view);
    f.SetParams(params);
    if (start) f.Start();
    f.Process();
    return f.GetResult().clone();
}

class SeedGuard {
public:
    explicit SeedGuard(std::uint32_t s) { platform::SetFixedSeed(s); }
    ~SeedGuard() { platform::SetFixedSeed(std::nullopt); }
};

}  // namespace

TEST(PaintFilters, AllRegisteredUnderTheirNames)
{
    RegisterFilterClasses();
    const std::pair<const char*, const char*> names[] = {
        {"OilPaintFilter", "OilPaintFilter"},     {"WaxPenFilter", "WaxPenFilter"},
        {"HardPastelFilter", "HardPastelFilter"}, {"MultiSrcFilter", "MultiSrcFilter"},
        {"WaterPaintFilter", "WaterPaintFilter"}, {"WoodPrintFilter", "WoodPrintFilter"}};
    for (const auto& [name, cls] : names) {
        const auto obj = CreateByName(name);
        ASSERT_TRUE(obj) << name;
        EXPECT_EQ(obj->kind, KindFilter);
        EXPECT_STREQ(obj->className, cls);
    }
}

TEST(PaintFilters, SameSeedSamePictureNewSeedNewStrokes)
{
    const cv::Mat photo = Photo(640, 480);
    tinyxml2::XMLDocument d1, d2, d3;
    auto oil = MakeFilter<CF_OilPaint>(d1, "<filter/>");
    auto wax = MakeFilter<CF_WaxPen>(d2, "<filter/>");
    auto pastel = MakeFilter<CF_HardPastel>(d3, "<filter/>");
    CF_SimpleFilter* filters[] = {oil.get(), wax.get(), pastel.get()};
    for (CF_SimpleFilter* f : filters) {
        cv::Mat first, again, rerender, other;
        {
            SeedGuard seed(1000);
            first = Render(*f, photo, nullptr);
            again = Render(*f, photo, nullptr);
            // A re-rendering without Start keeps the seed.
            rerender = Render(*f, photo, nullptr, {800, 600}, false);
        }
        {
            SeedGuard seed(1001);
            other = Render(*f, photo, nullptr);
        }
        EXPECT_TRUE(Same(first, again)) << f->className;
        EXPECT_TRUE(Same(first, rerender)) << f->className;
        EXPECT_FALSE(Same(first, other)) << f->className;
        EXPECT_EQ(first.size(), cv::Size(640, 480));
        EXPECT_GT(cv::norm(first, photo, cv::NORM_L1) / photo.total(), 1.0) << f->className << " changed nothing";
    }
}

TEST(PaintFilters, ParametersAreReadFromTheBlock)
{
    const cv::Mat photo = Photo(300, 200);
    SeedGuard seed(5);
    tinyxml2::XMLDocument doc;
    auto oil = MakeFilter<CF_OilPaint>(doc, "<filter/>");
    SimpleParams p;
    p.var[0] = 5.9f;  // truncated to 5, the default
    const cv::Mat byDefault = Render(*oil, photo, nullptr);
    EXPECT_TRUE(Same(Render(*oil, photo, &p), byDefault));
    p.var[0] = 9;
    EXPECT_FALSE(Same(Render(*oil, photo, &p), byDefault));
    // A radius below 0 paints nothing: the photo comes back through the two scalings.
    p.var[0] = -4;
    const cv::Mat plain = Render(*oil, photo, &p);
    tinyxml2::XMLDocument doc2;
    auto pastel = MakeFilter<CF_HardPastel>(doc2, "<filter/>");
    p.var[1] = 0.5f;
    p.var[2] = 3;
    EXPECT_TRUE(Same(Render(*pastel, photo, &p), plain));
    p.var[0] = 5;
    p.var[1] = -1;  // nothing kept
    p.var[2] = 0;
    EXPECT_TRUE(Same(Render(*pastel, photo, &p), plain));
    // Nothing a slider could send crashes or hangs: huge and non-numeric values.
    for (const float v : {1e30f, -1e30f, NAN, INFINITY}) {
        p.var[0] = p.var[1] = p.var[2] = v;
        Render(*pastel, photo, &p, {60, 40});
        tinyxml2::XMLDocument d;
        auto wax = MakeFilter<CF_WaxPen>(d, "<filter/>");
        Render(*wax, photo, &p, {60, 40});
    }
}

TEST(PaintFilters, NoSourceLeavesTheOutputAlone)
{
    tinyxml2::XMLDocument d1, d2, d3, d4, d5;
    std::unique_ptr<CF_SimpleFilter> filters[] = {
        MakeFilter<CF_OilPaint>(d1, "<filter/>"), MakeFilter<CF_WaxPen>(d2, "<filter/>"),
        MakeFilter<CF_HardPastel>(d3, "<filter/>"), MakeFilter<CF_WaterPaint>(d4, "<filter/>"),
        MakeFilter<CF_WoodPrint>(d5, "<filter/>")};
    for (auto& f : filters) {
        f->SetSource({});
        const cv::Size view(120, 90);
        f->SetOutputSize(&view);
        f->GetResult().setTo(cv::Scalar(9, 8, 7));
        f->Start();
        f->Process();
        EXPECT_TRUE(Same(f->GetResult(), cv::Mat(90, 120, CV_8UC3, cv::Scalar(9, 8, 7)))) << f->className;
    }
}

TEST(PaintFilters, DelayOnlyWhenParamSaysOne)
{
    tinyxml2::XMLDocument d1, d2, d3, d4;
    EXPECT_TRUE(MakeFilter<CF_WaxPen>(d1, "<filter><param delay=\"1\"/></filter>")->IsDeferred());
    EXPECT_FALSE(MakeFilter<CF_WaxPen>(d2, "<filter><param delay=\"2\"/></filter>")->IsDeferred());
    EXPECT_TRUE(MakeFilter<CF_WaterPaint>(d3, "<filter><param delay=\"1\"/></filter>")->IsDeferred());
    EXPECT_FALSE(MakeFilter<CF_WaterPaint>(d4, "<filter delay=\"1\"/>")->IsDeferred());
}

TEST(PaintFilters, WaxStopShowsTheUnfinishedPainting)
{
    const cv::Mat photo(400, 400, CV_8UC3, cv::Scalar(0, 0, 0));
    tinyxml2::XMLDocument doc;
    auto wax = MakeFilter<CF_WaxPen>(doc, "<filter/>");
    wax->Stop();
    const cv::Mat out = Render(*wax, photo, nullptr, {400, 400});
    CImageFilter::ClearStop();
    // One stamp on a black photo, the rest white.
    EXPECT_GT(cv::mean(out)[0], 240);
}

TEST(PaintFilters, WaterPaintKeepsTheOutputWhenStopped)
{
    const cv::Mat photo = Photo(900, 600);
    tinyxml2::XMLDocument doc;
    auto water = MakeFilter<CF_WaterPaint>(doc, "<filter/>");
    const cv::Mat washed = Render(*water, photo, nullptr);
    EXPECT_EQ(washed.size(), cv::Size(800, 533));
    water->GetResult().setTo(cv::Scalar(1, 2, 3));
    water->Stop();
    water->Process();
    CImageFilter::ClearStop();
    EXPECT_TRUE(Same(water->GetResult(), cv::Mat(533, 800, CV_8UC3, cv::Scalar(1, 2, 3))));
}

TEST(PaintFilters, WoodPrintLoadsAndHalvesItsTextures)
{
    testenv::TempDir dir;
    cv::imwrite(dir / "fore.png", cv::Mat(30, 40, CV_8UC3, cv::Scalar(200, 180, 160)));
    cv::imwrite(dir / "back.png", cv::Mat(30, 40, CV_8UC3, cv::Scalar(201, 100, 60)));
    tinyxml2::XMLDocument doc;
    auto wood = MakeFilter<CF_WoodPrint>(doc, R"(<filter><param foreground=".\fore.png" background=".\back.png"/></filter>)",
                                         dir.path());
    ASSERT_FALSE(wood->Foreground().empty());
    EXPECT_EQ(wood->Foreground().at<cv::Vec3b>(0, 0), cv::Vec3b(200, 180, 160));
    // 201 / 2 rounds to even.
    EXPECT_EQ(wood->Background().at<cv::Vec3b>(0, 0), cv::Vec3b(100, 50, 30));
    const cv::Mat out = Render(*wood, Photo(320, 240), nullptr);
    EXPECT_EQ(out.size(), cv::Size(320, 240));
}

TEST(PaintFilters, WoodPrintWithoutTexturesSaysSoOnceAndStillPrints)
{
    testenv::TempDir dir;
    const char* xml = R"(<filter><param foreground=".\gone.jpg" background=".\gone-too.jpg"/></filter>)";
    testing::internal::CaptureStderr();
    tinyxml2::XMLDocument d1, d2;
    auto first = MakeFilter<CF_WoodPrint>(d1, xml, dir.path());
    auto second = MakeFilter<CF_WoodPrint>(d2, xml, dir.path());
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("foreground texture " + dir.path() + "/gone.jpg"), std::string::npos) << said;
    EXPECT_NE(said.find("gone-too.jpg"), std::string::npos) << said;
    EXPECT_EQ(said.find("gone.jpg"), said.rfind("gone.jpg")) << "said more than once: " << said;
    const cv::Mat out = Render(*second, Photo(320, 240), nullptr);
    EXPECT_GT(cv::norm(out, cv::NORM_L1), 0);
}

TEST(MultiSrcFilter, KeepsACopyOfEveryInput)
{
    CF_MultiSrc f;
    f.Init();
    cv::Mat big(100, 200, CV_8UC3, cv::Scalar(1, 2, 3));
    const cv::Mat inputs[] = {big(cv::Rect(10, 20, 30, 40)), cv::Mat(5, 6, CV_8UC1, cv::Scalar(77)), cv::Mat()};
    f.SetSource(inputs);
    ASSERT_EQ(f.InputCount(), 3);
    EXPECT_EQ(f.Inputs()[0].size(), cv::Size(30, 40));
    EXPECT_EQ(f.Inputs()[1].type(), CV_8UC3);
    EXPECT_EQ(f.Inputs()[1].at<cv::Vec3b>(0, 0), cv::Vec3b(77, 77, 77));
    EXPECT_TRUE(f.Inputs()[2].empty());
    big.setTo(cv::Scalar::all(0));
    EXPECT_EQ(f.Inputs()[0].at<cv::Vec3b>(0, 0), cv::Vec3b(1, 2, 3)) << "a copy, not a view";
    f.SetSource({});
    EXPECT_EQ(f.InputCount(), 0);
}

TEST(MultiSrcFilter, OutputCanvas)
{
    CF_MultiSrc f;
    EXPECT_TRUE(f.GetResult().empty());
    f.Init();
    cv::Mat out = f.GetResult();
    ASSERT_EQ(out.size(), cv::Size(800, 600));
    EXPECT_EQ(cv::countNonZero(out.reshape(1)), 0);
    out.setTo(cv::Scalar(5, 6, 7));
    f.SetOutputSize(nullptr);
    EXPECT_EQ(f.GetResult().data, out.data) << "an 800 x 600 canvas is kept";
    f.Process();
    EXPECT_TRUE(Same(f.GetResult(), cv::Mat(600, 800, CV_8UC3, cv::Scalar(5, 6, 7))));
    const cv::Size size(320, 200);
    f.SetOutputSize(&size);
    EXPECT_EQ(f.GetResult().size(), size);
    EXPECT_NE(f.GetResult().data, out.data);
    f.SetOutputSize(nullptr);
    EXPECT_EQ(f.GetResult().size(), cv::Size(800, 600));
    const cv::Size empty(0, 0);
    f.SetOutputSize(&empty);
    EXPECT_EQ(f.GetResult().size(), cv::Size(1, 1));
}

TEST(PaintFilters, TheWoodPrintTemplateFindsItsTextures)
{
    const std::string folder = testenv::SourceDir() + "/media/Templates/WoodPrint";
    tinyxml2::XMLDocument doc;
    ASSERT_EQ(doc.LoadFile((folder + "/WoodPrint.tmpl").c_str()), tinyxml2::XML_SUCCESS);
    tinyxml2::XMLElement* inner = doc.RootElement()->FirstChildElement("filter")->FirstChildElement("filter");
    CF_WoodPrint wood;
    wood.SetDefinition(inner);
    wood.SetTemplateFolder(folder);
    testing::internal::CaptureStderr();
    wood.Init();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(wood.Foreground().empty());
    ASSERT_FALSE(wood.Background().empty());
    double darkest = 0;
    cv::minMaxLoc(wood.Background().reshape(1), nullptr, &darkest);
    EXPECT_LE(darkest, 128) << "the background is printed at half strength";
}
