// One data-driven golden test over the filters: every golden/<case>.tmpl (a full template
// definition) is rendered at full size on the synthetic golden input with seed 1234 and
// compared with golden/<case>.png.
//
// Tolerance: a value differs when a channel is more than `threshold` away; the case passes
// when at most `share` of the pixels differ and no channel is more than `cap` away. A case
// may state its own in a <golden threshold="" share="" cap=""/> element of its definition.
//
// Goldens change only on purpose: GRIMAZE_UPDATE_GOLDENS=1 (scripts/update-goldens) writes
// the rendered pictures into the source tree instead of comparing. On failure the actual,
// expected and difference pictures go to <build>/golden-failures/.
#include "engine/EffectTemplate.h"
#include "engine/ImageIO.h"
#include "engine/Registry.h"
#include "engine/TemplateFile.h"
#include "filters/tests/FilterTestUtil.h"
#include "filters/tests/GoldenInput.h"
#include "platform/Clock.h"
#include "platform/Folders.h"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <tinyxml2.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <span>

using namespace engine;

namespace fs = std::filesystem;

namespace {

struct Tolerance {
    int threshold = 2;
    double share = 0.002;
    int cap = 40;
};

using golden::CaseFile;
using golden::CaseNames;
using golden::GoldenDir;

std::string FailureDir() { return std::string(GRIMAZE_BINARY_DIR) + "/golden-failures"; }

bool UpdateRequested()
{
    const char* v = std::getenv("GRIMAZE_UPDATE_GOLDENS");
    return v && std::string(v) == "1";
}

Tolerance ReadTolerance(const std::string& file)
{
    Tolerance t;
    tinyxml2::XMLDocument doc;
    if (doc.LoadFile(file.c_str()) != tinyxml2::XML_SUCCESS || !doc.RootElement()) return t;
    if (const auto* g = doc.RootElement()->FirstChildElement("golden")) {
        g->QueryIntAttribute("threshold", &t.threshold);
        g->QueryDoubleAttribute("share", &t.share);
        g->QueryIntAttribute("cap", &t.cap);
    }
    return t;
}

/** Every filter name used anywhere in a definition. */
void CollectFilterNames(const tinyxml2::XMLElement* e, std::set<std::string>& out)
{
    for (; e; e = e->NextSiblingElement()) {
        if (std::string(e->Name()) == "filter" && e->Attribute("name")) out.insert(e->Attribute("name"));
        CollectFilterNames(e->FirstChildElement(), out);
    }
}

}  // namespace


class Golden : public testing::TestWithParam<std::string> {};

TEST_P(Golden, MatchesTheStoredPicture)
{
    const std::string name = GetParam();
    const std::string file = CaseFile(name);
    const std::string png = GoldenDir() + "/" + name + ".png";
    std::string error;
    const cv::Mat actual = golden::RenderCase(file, golden::MakeGoldenInput(), &error);
    ASSERT_FALSE(actual.empty()) << name << ": " << error;
    ASSERT_EQ(actual.type(), CV_8UC3);

    if (UpdateRequested()) {
        ASSERT_TRUE(SaveImage(png, actual, &error)) << error;
        std::printf("updated %s\n", png.c_str());
        return;
    }
    const cv::Mat expected = cv::imread(png, cv::IMREAD_COLOR);
    ASSERT_FALSE(expected.empty()) << "no golden picture " << png
                                   << " (render it with scripts/update-goldens and look at it before committing)";

    const Tolerance tol = ReadTolerance(file);
    bool ok = expected.size() == actual.size();
    std::string why = ok ? "" : "size differs";
    cv::Mat diff;
    if (ok) {
        cv::absdiff(actual, expected, diff);
        double worst = 0;
        cv::minMaxLoc(diff.reshape(1), nullptr, &worst);
        cv::Mat over = diff.reshape(1, static_cast<int>(diff.total()));
        cv::reduce(over, over, 1, cv::REDUCE_MAX);
        const int differing = cv::countNonZero(over > tol.threshold);
        const double share = double(differing) / double(diff.total());
        if (worst > tol.cap || share > tol.share) {
            ok = false;
            why = std::to_string(differing) + " pixels (" + std::to_string(share * 100) + " %) differ by more than " +
                  std::to_string(tol.threshold) + ", largest difference " + std::to_string(int(worst));
        }
    }
    if (!ok) {
        platform::MakeFolders(FailureDir());
        SaveImage(FailureDir() + "/" + name + "-actual.png", actual);
        SaveImage(FailureDir() + "/" + name + "-expected.png", expected);
        if (!diff.empty()) {
            cv::Mat amplified;
            diff.convertTo(amplified, CV_8U, 8.0);
            SaveImage(FailureDir() + "/" + name + "-difference.png", amplified);
        }
        ADD_FAILURE() << name << ": " << why << "; pictures in " << FailureDir();
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Golden, testing::ValuesIn(CaseNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string s;
                             for (char c : info.param) s += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return s;
                         });

TEST(GoldenCoverage, EveryFilterOfTheModuleHasACase)
{
    filtertest::RegisterFilterModule();
    std::set<std::string> covered;
    for (const std::string& name : CaseNames()) {
        tinyxml2::XMLDocument doc;
        ASSERT_EQ(doc.LoadFile(CaseFile(name).c_str()), tinyxml2::XML_SUCCESS) << name;
        CollectFilterNames(doc.RootElement(), covered);
    }
    for (const std::string& name : RegisteredNames()) {
        const auto obj = CreateByName(name);
        if (!obj || obj->kind != KindFilter || name == "SimpleFilter") continue;
        EXPECT_TRUE(covered.count(name)) << "no golden case uses " << name;
    }
}

TEST(GoldenInput, IsFixed)
{
    const cv::Mat a = golden::MakeGoldenInput(), b = golden::MakeGoldenInput();
    ASSERT_EQ(a.size(), cv::Size(golden::kWidth, golden::kHeight));
    EXPECT_EQ(cv::norm(a, b, cv::NORM_INF), 0.0);
    // Not flat: the filters have edges, gradients and colours to work on.
    cv::Scalar mean, dev;
    cv::meanStdDev(a, mean, dev);
    for (int c = 0; c < 3; ++c) EXPECT_GT(dev[c], 20) << c;
}
