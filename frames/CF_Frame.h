#pragma once
/**
 * @file CF_Frame.h
 * @brief "FrameFilter": puts the photo into the windows of a frame picture.
 *
 * Settings ("param" child of the filter element): "background" (the frame picture) and the
 * optional "background2" (a second picture the relief and the blend draw from). The result
 * always has the background's size; without a background it is 800 x 600 and black.
 *
 * Threads: as every filter (ImageFilter.h). Process splits window rows across threads; the
 * result does not depend on how.
 */
#include "engine/SimpleFilter.h"
#include "frames/FrameParams.h"

#include <vector>

namespace frames {

class CF_Frame : public engine::CF_SimpleFilter {
public:
    CF_Frame();
    ~CF_Frame() override;

    void SetSource(std::span<const cv::Mat> images) override;
    void Init() override;
    engine::ParamBlock ParamsNeeded() const override { return engine::ParamBlock::Frame; }
    std::vector<const char*> FileSettings() const override { return {"background", "background2"}; }
    void Process() override;
    /** The result always has the background's size. */
    void SetOutputSize(const cv::Size* size) override { (void)size; }
    void GetOutputSize(cv::Size& size) override { size = result_.size(); }

    const cv::Mat& Background() const { return background_; }
    const cv::Mat& Background2() const { return background2_; }

private:
    /** The frame block, or null when none (or a block of another kind) was given. */
    const FrameParams* Frame() const { return ParamsAs<FrameParams>(); }
    /**
     * @brief The photo at the resolution the window needs: the full photo, or a halved copy
     * while the halved one still has at least as many pixels as the window spans. Bilinear
     * sampling of a much larger photo would skip most of its pixels and shimmer.
     */
    const cv::Mat& PhotoFor(const FrameWindow& window);

    cv::Mat background_;
    cv::Mat background2_;
    std::vector<cv::Mat> levels_;  ///< the source halved 1, 2, ... times, made when first needed
};

}  // namespace frames
