// Loops that run under cv::parallel_for_ must give what one thread gives, bit for bit.
#include "filters/TonalAlgorithms.h"
#include "filters/WeatherAlgorithms.h"
#include "filters/tests/FilterTestUtil.h"
#include "filters/tests/GoldenInput.h"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <functional>

using namespace filters;

using testenv::DifferentPixels;

namespace {

/** Runs `work` with one thread and with four, and returns both results. */
std::pair<cv::Mat, cv::Mat> OneAndMany(const std::function<cv::Mat()>& work)
{
    const int before = cv::getNumThreads();
    cv::setNumThreads(1);
    cv::Mat one = work();
    cv::setNumThreads(4);
    cv::Mat many = work();
    cv::setNumThreads(before);
    return {one, many};
}

}  // namespace

TEST(ParallelLoops, AlgorithmsMatchOneThread)
{
    const cv::Mat src = testenv::RandomImage(1003, 701, 21);
    const cv::Rect2f region(0.3f, 0.2f, 0.1f, 0.2f);
    const std::vector<std::pair<const char*, std::function<cv::Mat()>>> cases = {
        {"FocusBlur", [&] { cv::Mat d; FocusBlur(src, &region, d); return d; }},
        {"EmbossGrid", [&] { cv::Mat d = src.clone(); EmbossGrid(d, 7, 25); return d; }},
        {"PixelateRegion", [&] { cv::Mat d = src.clone(); PixelateRegion(region, d, 0.1f); return d; }},
        {"DrawEdgeLines", [&] { cv::Mat d = src.clone(); DrawEdgeLines(d, 3.0f, 10); return d; }},
        {"RenderMistDroplets", [&] { platform::Rand15 r(5); cv::Mat d; RenderMistDroplets(20, d, src, r); return d; }},
        {"RenderRipple", [&] { cv::Mat d; RenderRipple(d, src, 0.146f, 0.02f, 0.75f, {0.25f, 0.25f, 1}); return d; }},
    };
    for (const auto& [name, work] : cases) {
        const auto [one, many] = OneAndMany(work);
        ASSERT_FALSE(one.empty()) << name;
        EXPECT_EQ(DifferentPixels(one, many), 0) << name;
    }
}

class ParallelTemplates : public testing::TestWithParam<std::string> {};

// Every golden case, on a larger version of the golden input so that rows really are split.
TEST_P(ParallelTemplates, MatchOneThread)
{
    cv::Mat input;
    cv::resize(golden::MakeGoldenInput(), input, cv::Size(480, 360), 0, 0, cv::INTER_CUBIC);
    std::string error;
    const auto [one, many] = OneAndMany([&] { return golden::RenderCase(golden::CaseFile(GetParam()), input, &error); });
    ASSERT_FALSE(one.empty()) << error;
    EXPECT_EQ(DifferentPixels(one, many), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, ParallelTemplates, testing::ValuesIn(golden::CaseNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string s;
                             for (char c : info.param) s += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return s;
                         });
