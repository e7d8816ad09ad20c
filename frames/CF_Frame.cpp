#include "frames/CF_Frame.h"

#include "engine/ImageIO.h"
#include "frames/FrameCompose.h"

#include <opencv2/imgproc.hpp>

#include <cmath>

using engine::CF_SimpleFilter;
using engine::LoadPhoto;

namespace frames {

namespace {

double Distance(const cv::Point& a, const cv::Point& b) { return std::hypot(double(a.x) - b.x, double(a.y) - b.y); }

}  // namespace

CF_Frame::CF_Frame() { className = "FrameFilter"; }
CF_Frame::~CF_Frame() = default;

void CF_Frame::SetSource(std::span<const cv::Mat> images)
{
    CF_SimpleFilter::SetSource(images);
    levels_.clear();
}

void CF_Frame::Init()
{
    background_.release();
    background2_.release();
    if (const std::string name = ParamText("background"); !name.empty()) background_ = LoadPhoto(ResolveFileName(name));
    result_ = background_.empty() ? cv::Mat(600, 800, CV_8UC3, cv::Scalar::all(0))
                                  : cv::Mat(background_.size(), CV_8UC3, cv::Scalar::all(0));
    if (const std::string name = ParamText("background2"); !name.empty()) {
        background2_ = LoadPhoto(ResolveFileName(name));
        // The blend reads both pictures at the same pixel; a second picture of another size is
        // stretched over the first rather than read out of bounds.
        if (!background2_.empty() && !background_.empty() && background2_.size() != background_.size())
            cv::resize(background2_, background2_, background_.size(), 0, 0, cv::INTER_LINEAR);
    }
}

const cv::Mat& CF_Frame::PhotoFor(const FrameWindow& window)
{
    const auto& c = window.corner;
    const double spanX = std::max(Distance(c[0], c[1]), Distance(c[2], c[3]));
    const double spanY = std::max(Distance(c[0], c[2]), Distance(c[1], c[3]));
    if (levels_.empty()) levels_.push_back(source_);
    size_t level = 0;
    for (;;) {
        const cv::Mat& cur = levels_[level];
        const int nw = (cur.cols + 1) / 2, nh = (cur.rows + 1) / 2;
        if (cur.cols < 2 || cur.rows < 2 || nw < spanX || nh < spanY) break;
        if (level + 1 == levels_.size()) {
            cv::Mat half;
            cv::resize(cur, half, cv::Size(nw, nh), 0, 0, cv::INTER_AREA);
            levels_.push_back(half);
        }
        ++level;
    }
    return levels_[level];
}

void CF_Frame::Process()
{
    if (background_.empty()) {
        result_.setTo(cv::Scalar::all(0));
        return;
    }
    background_.copyTo(result_);
    const FrameParams* frame = Frame();
    if (!frame || source_.empty()) return;
    FrameBlend blend;
    blend.gray = frame->gray != 0;
    blend.edge = frame->edge;
    blend.alpha = frame->alpha;
    MapPhotoIntoWindow(PhotoFor(frame->main), background_, background2_, frame->main, blend, result_);
    for (const FrameWindow& w : frame->extra)
        MapPhotoIntoWindow(PhotoFor(w), background_, background2_, w, blend, result_);
}

}  // namespace frames
