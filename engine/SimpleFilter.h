#pragma once
/**
 * @file SimpleFilter.h
 * @brief "SimpleFilter": the base of the stylization filters. Keeps copies of the inputs'
 * regions and a result canvas sized to the view. Its own Process leaves the canvas black.
 */
#include "engine/ImageFilter.h"
#include "engine/SimpleTemplate.h"  // SimpleParams: ParamsAs needs the whole type

#include <vector>

namespace engine {

class CF_SimpleFilter : public CImageFilter {
public:
    CF_SimpleFilter();
    ~CF_SimpleFilter() override;

    void SetSource(std::span<const cv::Mat> images) override;
    void Init() override;
    ParamBlock ParamsNeeded() const override { return ParamBlock::Simple; }
    void Process() override {}
    cv::Mat GetResult() override { return result_; }
    /** Scales the source down (never up) to fit the size; no size means the source's size. */
    void SetOutputSize(const cv::Size* size) override;
    void GetOutputSize(cv::Size& size) override { size = result_.size(); }

    const cv::Mat& Source() const { return source_; }
    const std::vector<cv::Mat>& ExtraSources() const { return extra_; }

protected:
    /** The simple template's block, or null before the first SetParams (or for another kind). */
    const SimpleParams* Params() const { return ParamsAs<SimpleParams>(); }

    cv::Mat source_;
    cv::Mat result_;
    std::vector<cv::Mat> extra_;
};

}  // namespace engine
