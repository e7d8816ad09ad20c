#include "filters/tests/FilterTestUtil.h"

#include "engine/Registry.h"
#include "filters/FilterClasses.h"

#include <opencv2/core.hpp>

#include <mutex>
#include <span>

using namespace engine;
using namespace filters;

namespace filtertest {

void RegisterFilterModule()
{
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterEngineClasses();
        RegisterFilterClasses();
    });
}

std::unique_ptr<CImageFilter> MakeFilter(const std::string& name)
{
    RegisterFilterModule();
    std::unique_ptr<CImageFilter> filter = CreateFilterByName(name);
    if (filter) filter->Init();
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

}  // namespace filtertest
