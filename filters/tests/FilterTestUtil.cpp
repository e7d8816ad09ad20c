#include "filters/tests/FilterTestUtil.h"

#include "engine/Registry.h"
#include "filters/FilterClasses.h"

#include <opencv2/core.hpp>

#include <mutex>
#include <span>

namespace filtertest {

void RegisterFilterModule()
{
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterEngineClasses();
        RegisterFilterClasses();
    });
}

cv::Mat RandomImage(int width, int height, int seed)
{
    cv::Mat m(height, width, CV_8UC3);
    cv::RNG rng(static_cast<std::uint64_t>(seed));
    rng.fill(m, cv::RNG::UNIFORM, 0, 256);
    return m;
}

std::unique_ptr<CImageFilter> MakeFilter(const std::string& name)
{
    RegisterFilterModule();
    std::unique_ptr<CImageDataObject> obj = CreateByName(name);
    auto* f = dynamic_cast<CImageFilter*>(obj.get());
    if (!f) return nullptr;
    obj.release();
    std::unique_ptr<CImageFilter> filter(f);
    filter->Init();
    return filter;
}

cv::Mat Run(CImageFilter& filter, const cv::Mat& source, const SimpleParams* params, const cv::Size* size)
{
    if (source.empty()) filter.SetSource({});
    else filter.SetSource(std::span<const cv::Mat>(&source, 1));
    filter.SetOutputSize(size);
    filter.SetParams(params);
    filter.Start();
    filter.Process();
    return filter.GetResult().clone();
}

int DifferentPixels(const cv::Mat& a, const cv::Mat& b)
{
    if (a.size() != b.size() || a.type() != b.type()) return -1;
    cv::Mat diff;
    cv::absdiff(a, b, diff);
    if (diff.channels() > 1) {
        cv::Mat flat = diff.reshape(1, static_cast<int>(diff.total()));
        cv::reduce(flat, flat, 1, cv::REDUCE_MAX);
        diff = flat;
    }
    return cv::countNonZero(diff);
}

}  // namespace filtertest
