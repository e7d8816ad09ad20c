// The templates that ship with the filters of this module: each loads, its
// sliders start on their defaults, and it changes a photo at preview and at full size.
#include "engine/EffectTemplate.h"
#include "engine/ImageIO.h"
#include "engine/SimpleTemplate.h"
#include "engine/TemplateFile.h"
#include "filters/tests/FilterTestUtil.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>
#include <tinyxml2.h>

#include <cmath>
#include <ostream>
#include <span>

using namespace engine;

namespace {

struct Shipped {
    const char* folder;
    const char* displayName;
    const char* filter;
    bool deferred;
    bool region;
};

const Shipped kTemplates[] = {
    {"Emboss", "Emboss", "EmbossFilter", false, false},
    {"Sketch", "Sketch", "EdgeFilter", false, false},
    {"FocusBlur", "Focus Blur", "DimFilter", true, true},
    {"TileGrid", "Tile Grid", "GridFilter", false, false},
    {"Mosaic", "Mosaic", "MosaicFilter", true, true},
    {"Rain", "Rain", "RainFilter", false, false},
    {"Snow", "Snow", "SnowFilter", false, false},
    {"Mist", "Mist", "MistFilter", true, false},
    {"Ripple", "Ripple", "WaveFilter", false, false},
    {"OilPaint", "Oil Paint", "OilPaintFilter", false, false},
    {"Watercolor", "Watercolor", "WaterPaintFilter", true, false},
    {"WaxCrayon", "Wax Crayon", "WaxPenFilter", false, false},
    {"HardPastel", "Hard Pastel", "HardPastelFilter", false, false},
    {"WoodPrint", "Wood Print", "WoodPrintFilter", false, false},
};

void PrintTo(const Shipped& s, std::ostream* os) { *os << s.folder; }

std::string Folder(const Shipped& t) { return std::string(GRIMAZE_SOURCE_DIR) + "/media/Templates/" + t.folder; }

cv::Mat Photo()
{
    static const cv::Mat photo = LoadPhoto(std::string(GRIMAZE_SOURCE_DIR) + "/media/Images/default/Default2.jpg");
    return photo;
}

cv::Mat Render(CEffectTemplate& t, const cv::Size* view)
{
    const cv::Mat photo = Photo();
    t.SetSource(std::span<const cv::Mat>(&photo, 1));
    t.SetOutputSize(view);
    t.ApplyParams();
    t.Start();
    t.Process();
    return t.GetResult().clone();
}

}  // namespace

class ShippedTemplates : public testing::TestWithParam<Shipped> {};

TEST_P(ShippedTemplates, LoadWithTheirNamesFiltersAndFlags)
{
    filtertest::RegisterFilterModule();
    const Shipped& s = GetParam();
    const std::string file = FindDefinitionFile(Folder(s));
    ASSERT_FALSE(file.empty()) << s.folder;
    tinyxml2::XMLDocument doc;
    ASSERT_EQ(doc.LoadFile(file.c_str()), tinyxml2::XML_SUCCESS);
    const auto* root = doc.RootElement();
    EXPECT_STREQ(root->FirstChildElement("template")->Attribute("name"), s.displayName);
    const auto* outer = root->FirstChildElement("filter");
    EXPECT_STREQ(outer->Attribute("name"), "SimpleTemplate");
    EXPECT_STREQ(outer->FirstChildElement("filter")->Attribute("name"), s.filter);

    std::string error;
    RefPtr<CEffectTemplate> t = OpenTemplate(Folder(s), nullptr, &error);
    ASSERT_TRUE(t) << error;
    auto* simple = dynamic_cast<CT_SimpleTempl*>(t.get());
    ASSERT_TRUE(simple);
    EXPECT_EQ(simple->IsDeferred(), s.deferred);
    EXPECT_EQ(simple->HasRegion(), s.region);

    // Every labelled variable: a range, and slider steps that land on min, max and default
    // (the pane truncates value / resolution).
    const auto* vars = outer->FirstChildElement("variables");
    for (int i = 0; i < 3; ++i) {
        const std::string key = "var" + std::to_string(i + 1);
        const auto* v = vars ? vars->FirstChildElement(key.c_str()) : nullptr;
        if (!v) continue;
        ASSERT_TRUE(v->Attribute("name")) << s.folder << " " << key;
        const auto& spec = simple->Variable(i);
        EXPECT_LT(spec.min, spec.max) << s.folder << " " << key;
        EXPECT_GE(spec.def, spec.min);
        EXPECT_LE(spec.def, spec.max);
        int range[3] = {};
        t->ParamCommand(param_cmd::VariableRange, 0, i, range);
        EXPECT_NEAR(range[0] * spec.resolution, spec.min, 1e-4) << s.folder << " " << key;
        EXPECT_NEAR(range[1] * spec.resolution, spec.max, 1e-4) << s.folder << " " << key;
        EXPECT_NEAR(range[2] * spec.resolution, spec.def, 1e-4) << s.folder << " " << key;
    }
}

TEST_P(ShippedTemplates, ChangeThePhotoAtPreviewAndFullSize)
{
    filtertest::RegisterFilterModule();
    const Shipped& s = GetParam();
    ASSERT_FALSE(Photo().empty());
    std::string error;
    RefPtr<CEffectTemplate> t = OpenTemplate(Folder(s), nullptr, &error);
    ASSERT_TRUE(t) << error;
    platform::SetFixedSeed(5);
    const cv::Size view(300, 300);
    const cv::Mat preview = Render(*t, &view);
    const cv::Mat full = Render(*t, nullptr);
    platform::SetFixedSeed(std::nullopt);

    ASSERT_EQ(preview.size(), cv::Size(300, 200));
    ASSERT_EQ(full.size(), Photo().size());
    cv::Mat small;
    cv::resize(Photo(), small, preview.size(), 0, 0, cv::INTER_LINEAR);
    EXPECT_GT(testenv::DifferentPixels(preview, small), int(preview.total() / 50)) << s.folder;
    EXPECT_GT(testenv::DifferentPixels(full, Photo()), int(full.total() / 50)) << s.folder;
}

INSTANTIATE_TEST_SUITE_P(Media, ShippedTemplates, testing::ValuesIn(kTemplates),
                         [](const testing::TestParamInfo<Shipped>& info) { return std::string(info.param.folder); });
