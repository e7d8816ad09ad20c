#include "filters/MultiSrcFilter.h"

#include "engine/Registry.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <new>

using engine::CImageDataObject;
using engine::RegisterCreator;

namespace filters {

namespace {

cv::Mat CopyAsBgr(const cv::Mat& in)
{
    cv::Mat copy;
    if (in.empty()) return copy;
    if (in.type() == CV_8UC3) return in.clone();
    cv::Mat eight = in;
    if (in.depth() != CV_8U) in.convertTo(eight, CV_8U);
    if (eight.channels() == 1) cv::cvtColor(eight, copy, cv::COLOR_GRAY2BGR);
    else if (eight.channels() == 4) cv::cvtColor(eight, copy, cv::COLOR_BGRA2BGR);
    else if (eight.channels() == 3) copy = eight.clone();
    return copy;
}

cv::Mat BlackCanvas(cv::Size size)
{
    // Fresh canvases are cleared: an uncleared one would show whatever the heap held.
    return cv::Mat(std::max(size.height, 1), std::max(size.width, 1), CV_8UC3, cv::Scalar::all(0));
}

}  // namespace

CF_MultiSrc::CF_MultiSrc() { className = "MultiSrcFilter"; }
CF_MultiSrc::~CF_MultiSrc() = default;

void CF_MultiSrc::SetSource(std::span<const cv::Mat> images)
{
    inputs_.clear();
    inputs_.reserve(images.size());
    for (const cv::Mat& in : images) inputs_.push_back(CopyAsBgr(in));
}

void CF_MultiSrc::Init() { output_ = BlackCanvas({800, 600}); }

void CF_MultiSrc::SetOutputSize(const cv::Size* size)
{
    if (size) {
        output_ = BlackCanvas(*size);
        return;
    }
    if (output_.cols == 800 && output_.rows == 600 && output_.type() == CV_8UC3) return;
    output_ = BlackCanvas({800, 600});
}

void RegisterMultiSrcFilterClass()
{
    RegisterCreator("MultiSrcFilter", []() -> CImageDataObject* { return new (std::nothrow) CF_MultiSrc; });
}

}  // namespace filters
