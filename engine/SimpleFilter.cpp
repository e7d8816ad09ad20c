#include "engine/SimpleFilter.h"

#include "engine/SimpleTemplate.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace engine {

CF_SimpleFilter::CF_SimpleFilter() { className = "SimpleFilter"; }
CF_SimpleFilter::~CF_SimpleFilter() = default;

void CF_SimpleFilter::SetSource(std::span<const cv::Mat> images)
{
    source_.release();
    extra_.clear();
    if (images.empty() || images.front().empty()) return;
    for (size_t i = 0; i < images.size(); ++i) {
        const cv::Mat& in = images[i];
        cv::Mat copy;
        if (!in.empty()) {
            // Inputs are 8-bit BGR by convention; anything else is converted once here so
            // that every algorithm can rely on CV_8UC3.
            if (in.type() == CV_8UC3) copy = in.clone();
            else if (in.channels() == 1) cv::cvtColor(in, copy, cv::COLOR_GRAY2BGR);
            else if (in.channels() == 4) cv::cvtColor(in, copy, cv::COLOR_BGRA2BGR);
            if (!copy.empty() && copy.depth() != CV_8U) copy.convertTo(copy, CV_8U);
        }
        if (i == 0) source_ = copy;
        else extra_.push_back(copy);
    }
}

void CF_SimpleFilter::Init() { result_ = cv::Mat::zeros(600, 800, CV_8UC3); }

void CF_SimpleFilter::SetOutputSize(const cv::Size* size)
{
    cv::Size want(800, 600);
    if (size && !source_.empty()) {
        const double scale = std::min({double(size->height) / source_.rows, double(size->width) / source_.cols, 1.0});
        want = cv::Size(static_cast<int>(std::lround(source_.cols * scale)),
                        static_cast<int>(std::lround(source_.rows * scale)));
    } else if (size) {
        want = *size;
    } else if (!source_.empty()) {
        want = source_.size();
    }
    // A view can be narrower than a pixel per photo column; keep at least one pixel.
    want.width = std::max(want.width, 1);
    want.height = std::max(want.height, 1);
    if (result_.size() != want || result_.type() != CV_8UC3) result_.create(want, CV_8UC3);
    result_.setTo(cv::Scalar::all(0));
}

}  // namespace engine
