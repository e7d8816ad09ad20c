#include "filters/tests/GoldenInput.h"

#include "engine/EffectTemplate.h"
#include "engine/TemplateFile.h"
#include "engine/TemplatePaths.h"
#include "filters/tests/FilterTestUtil.h"
#include "platform/Clock.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <filesystem>
#include <span>

using namespace engine;

namespace golden {

cv::Mat MakeGoldenInput()
{
    cv::Mat m(kHeight, kWidth, CV_8UC3);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            m.at<cv::Vec3b>(y, x) = cv::Vec3b(static_cast<uchar>(40 + x * 200 / (kWidth - 1)),
                                              static_cast<uchar>(30 + y * 180 / (kHeight - 1)),
                                              static_cast<uchar>(90 + (x + y) % 17));
    // Diagonal stripes, four pixels wide, in the lower right.
    for (int y = 40; y < 64; ++y)
        for (int x = 56; x < kWidth; ++x)
            if (((x + y) / 4) % 2 == 0) m.at<cv::Vec3b>(y, x) = cv::Vec3b(230, 230, 240);
    // A grey ramp along the bottom edge.
    for (int y = 64; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) m.at<cv::Vec3b>(y, x) = cv::Vec3b::all(static_cast<uchar>(x * 255 / (kWidth - 1)));
    cv::circle(m, cv::Point(74, 18), 12, cv::Scalar(40, 50, 220), cv::FILLED, cv::LINE_8);
    // The face: skin, two eyes, a mouth.
    cv::ellipse(m, cv::Point(30, 32), cv::Size(15, 19), 0, 0, 360, cv::Scalar(150, 180, 225), cv::FILLED, cv::LINE_8);
    cv::circle(m, cv::Point(24, 27), 3, cv::Scalar(40, 30, 30), cv::FILLED, cv::LINE_8);
    cv::circle(m, cv::Point(36, 27), 3, cv::Scalar(40, 30, 30), cv::FILLED, cv::LINE_8);
    cv::ellipse(m, cv::Point(30, 40), cv::Size(7, 3), 0, 0, 180, cv::Scalar(60, 50, 150), 2, cv::LINE_8);
    return m;
}

}  // namespace golden

namespace golden {

cv::Mat RenderCase(const std::string& file, const cv::Mat& input, std::string* error)
{
    filtertest::RegisterFilterModule();
    platform::SetFixedSeed(kSeed);
    // The cases share the shipped textures of the source tree, as shipped templates share
    // those of the media folder.
    SetSharedTemplateFolder(GRIMAZE_SOURCE_DIR);
    RefPtr<CEffectTemplate> t = OpenTemplate(file, nullptr, error);
    SetSharedTemplateFolder("");
    cv::Mat result;
    if (t) {
        t->SetSource(std::span<const cv::Mat>(&input, 1));
        t->SetOutputSize(nullptr);
        t->ApplyParams();
        t->Start();
        t->Process();
        result = t->GetResult().clone();
    }
    platform::SetFixedSeed(std::nullopt);
    return result;
}

std::string GoldenDir() { return std::string(GRIMAZE_SOURCE_DIR) + "/filters/tests/golden"; }

std::vector<std::string> CaseNames()
{
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(GoldenDir(), ec), end; !ec && it != end; it.increment(ec))
        if (it->path().extension() == ".tmpl") names.push_back(it->path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string CaseFile(const std::string& name) { return GoldenDir() + "/" + name + ".tmpl"; }

}  // namespace golden
