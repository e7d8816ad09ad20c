// Every filter the module registers, on degenerate sources and with extreme variable values,
// must return without crashing (and without hanging).
#include "engine/Registry.h"
#include "engine/SimpleTemplate.h"
#include "filters/tests/FilterTestUtil.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdio>

using namespace engine;

namespace {

std::vector<std::string> FilterNames()
{
    filtertest::RegisterFilterModule();
    std::vector<std::string> names;
    for (const std::string& name : RegisteredNames()) {
        const auto obj = CreateByName(name);
        if (obj && obj->kind == KindFilter) names.push_back(name);
    }
    return names;
}

SimpleParams Block(float v1, float v2, float v3, float x, float y, float w, float h)
{
    SimpleParams p;
    p.var[0] = v1, p.var[1] = v2, p.var[2] = v3;
    p.x = x, p.y = y, p.w = w, p.h = h;
    return p;
}

}  // namespace

class CrashSweep : public testing::TestWithParam<std::string> {};

TEST_P(CrashSweep, OddSourcesAndExtremeValues)
{
    const std::string name = GetParam();
    const std::vector<cv::Mat> sources = {
        cv::Mat(),
        testenv::RandomImage(1, 1),
        testenv::RandomImage(1, 9),
        testenv::RandomImage(9, 1),
        testenv::RandomImage(5000, 10),
        cv::Mat(7, 7, CV_8UC3, cv::Scalar::all(128)),
    };
    const float big = 1e9f, huge = FLT_MAX;
    const std::vector<SimpleParams> blocks = {
        Block(0, 0, 0, 0, 0, 0, 0),
        Block(1, 1, 1, 0.25f, 0.25f, 0.5f, 0.5f),
        Block(big, big, big, 0, 0, 1, 1),
        Block(-big, -big, -big, -big, -big, big, big),
        Block(big, -big, 0, big, big, big, big),
        Block(huge, -huge, huge, 0.5f, 0.5f, 0, 0),
        Block(-huge, huge, -huge, -huge, huge, -huge, huge),
        Block(0.5f, 0.5f, 0.5f, 1, 1, 0, 0),
    };
    const cv::Size preview(64, 48), pixel(1, 1);

    for (const cv::Mat& source : sources) {
        auto filter = filtertest::MakeFilter(name);
        ASSERT_TRUE(filter) << name;
        // Every block at full size; the output sizes with a few of them.
        for (const SimpleParams& block : blocks) {
            const cv::Mat out = filtertest::Run(*filter, source, &block, nullptr);
            if (!out.empty()) {
                EXPECT_EQ(out.depth(), CV_8U);
                // The multi-source canvas is 800 x 600 when no size is asked for, whatever its inputs.
                if (!source.empty() && name != "MultiSrcFilter") {
                    EXPECT_EQ(out.size(), source.size());
                }
            }
        }
        for (const cv::Size* size : {&preview, &pixel})
            for (size_t b : {size_t(1), size_t(2), size_t(6)}) filtertest::Run(*filter, source, &blocks[b], size);
        // And without any parameter block.
        filtertest::Run(*filter, source, nullptr, nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(Filters, CrashSweep, testing::ValuesIn(FilterNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string s;
                             for (char c : info.param) s += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return s;
                         });
