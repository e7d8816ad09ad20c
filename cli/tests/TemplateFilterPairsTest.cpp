// SPDX-License-Identifier: MIT
// A definition may pair any template class with any filter class. A filter reads the
// template's parameter block as its own kind; a pair whose blocks differ must be refused when
// the template is created, naming both classes, and every pair that loads must render.
#include "app/Builtins.h"
#include "cli/tests/CliRunner.h"
#include "engine/EffectTemplate.h"
#include "engine/Registry.h"
#include "engine/TemplateFile.h"
#include "platform/Folders.h"
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

using namespace engine;

namespace {

// The template classes each filter works with, by hand: every filter not listed here is a
// stylization filter that reads the simple template's variables and region.
const std::map<std::string, std::set<std::string>> kSpecialFilters = {
    {"FaceFilter", {"FaceTemplate"}},
    {"TeapotFilter", {"3DMeshTemplate"}},
    {"CylinderFilterMS", {"3DMeshTemplate"}},
    {"FrameFilter", {"FrameTemplate"}},
    {"MultiSrcFilter", {"SimpleTemplate", "3DMeshTemplate"}},  // reads no parameters at all
};
const std::set<std::string> kTemplateClasses = {"SimpleTemplate", "FrameTemplate", "FaceTemplate", "3DMeshTemplate"};

bool ShouldFit(const std::string& templ, const std::string& filter)
{
    const auto special = kSpecialFilters.find(filter);
    return special == kSpecialFilters.end() ? templ == "SimpleTemplate" : special->second.count(templ) > 0;
}

std::string Definition(const std::string& templ, const std::string& filter)
{
    return "<effect><template name=\"pair\"/><filter name=\"" + templ + "\"><filter name=\"" + filter +
           "\"><param mesh=\".\\cube.mesh\" background=\".\\frame.png\" image=\"face.png\"/></filter>"
           "<variables><var1 min=\"0\" max=\"10\" default=\"3\"/><var2 min=\"0\" max=\"1\" default=\"0.5\"/></variables>"
           "<roi/><param><point00 x=\"4\" y=\"4\"/><point01 x=\"40\" y=\"4\"/><point10 x=\"4\" y=\"30\"/>"
           "<point11 x=\"40\" y=\"30\"/></param></filter></effect>";
}

}  // namespace

TEST(TemplateFilterPairs, EveryTemplateClassLoadsExactlyTheFiltersItCanDrive)
{
    app::RegisterBuiltinClasses();
    testenv::TempDir dir;
    std::set<std::string> templates;
    std::vector<std::string> filters;
    for (const std::string& name : RegisteredNames()) {
        const auto object = CreateByName(name);
        if (object->kind == KindTemplate) templates.insert(name);
        if (object->kind == KindFilter) filters.push_back(name);
    }
    // A new template class needs its row in the table above.
    ASSERT_EQ(templates, kTemplateClasses);
    ASSERT_GE(filters.size(), 15u);

    const std::string source = testenv::SourceDir() + "/media/Templates/PhotoCube/cube.mesh";
    const cv::Mat photo(48, 64, CV_8UC3, cv::Scalar(40, 120, 200));
    int loaded = 0, refused = 0;
    for (const std::string& templ : templates) {
        for (const std::string& filter : filters) {
            SCOPED_TRACE(templ + " + " + filter);
            const std::string folder = dir / (templ + "_" + filter);
            platform::MakeFolders(folder);
            std::filesystem::copy_file(source, folder + "/cube.mesh");
            cv::imwrite(folder + "/frame.png", cv::Mat(40, 50, CV_8UC3, cv::Scalar(200, 10, 10)));
            cv::imwrite(folder + "/face.png", photo);
            std::ofstream(folder + "/pair.tmpl") << Definition(templ, filter);

            std::string error;
            RefPtr<CEffectTemplate> t = OpenTemplate(folder, nullptr, &error);
            if (!ShouldFit(templ, filter)) {
                ++refused;
                EXPECT_FALSE(t);
                EXPECT_NE(error.find("\"" + templ + "\""), std::string::npos) << error;
                EXPECT_NE(error.find("\"" + filter + "\""), std::string::npos) << error;
                continue;
            }
            ++loaded;
            ASSERT_TRUE(t) << error;
            // Whatever the pair, rendering reads only what its blocks hold (ASan watches).
            const cv::Size size(64, 48);
            t->SetSource(std::span<const cv::Mat>(&photo, 1));
            t->SetOutputSize(&size);
            t->ApplyParams();
            t->Start();
            t->Process();
            const cv::Mat result = t->GetResult();
            EXPECT_TRUE(result.empty() || result.type() == CV_8UC3);
        }
    }
    EXPECT_EQ(loaded + refused, static_cast<int>(templates.size() * filters.size()));
    EXPECT_GT(refused, loaded);
}

TEST(TemplateFilterPairs, TheReviewersPairsAreRefusedByRenderInOneLine)
{
    testenv::TempDir dir;
    const std::string photo = testenv::ProgramDir() + "/media/Images/default/Default1.jpg";
    const std::string data = std::string(GRIMAZE_SOURCE_DIR) + "/cli/tests/data/type_confusion/";
    const std::pair<const char*, const char*> cases[] = {
        {"SimpleTemplate__FaceFilter", "FaceFilter"},
        {"SimpleTemplate__TeapotFilter", "TeapotFilter"},
        {"SimpleTemplate__CylinderFilterMS", "CylinderFilterMS"},
    };
    for (const auto& [name, filter] : cases) {
        SCOPED_TRACE(name);
        const std::string out = dir / (std::string(name) + ".png");
        const clitest::CliRun r = clitest::Cli({"render", "--template", data + name + "/x.tmpl", "--photo", photo, "--out", out});
        EXPECT_EQ(r.code, 1) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find("\"SimpleTemplate\""), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(std::string("\"") + filter + "\""), std::string::npos) << r.err;
        EXPECT_FALSE(platform::FileExists(out));
    }
}
