#pragma once
/**
 * @file MultiSrcFilter.h
 * @brief "MultiSrcFilter": the base of filters that need every input at once (the 3D
 * cylinder keeps one photo per face). It keeps a private copy of each input and an output
 * canvas; its own Process leaves the canvas as it is.
 *
 * Threads: as every filter (ImageFilter.h); the copies and the canvas are touched only
 * under the document's rendering lock.
 */
#include "engine/ImageFilter.h"

#include <vector>

namespace filters {

class CF_MultiSrc : public engine::CImageFilter {
public:
    CF_MultiSrc();
    ~CF_MultiSrc() override;

    /**
     * @brief Replaces every kept copy with a copy of each input's region, in input order.
     * Inputs that are not 8-bit BGR are converted; an empty input keeps an empty slot, so
     * indices still match the inputs.
     */
    void SetSource(std::span<const cv::Mat> images) override;
    /** Creates the 800 x 600 canvas. */
    void Init() override;
    /** Reads no parameters, so any template may drive it. */
    engine::ParamBlock ParamsNeeded() const override { return engine::ParamBlock::None; }
    void Process() override {}
    cv::Mat GetResult() override { return output_; }
    /**
     * @brief With a size, a new canvas of that size (at least 1 x 1); without one, an
     * 800 x 600 canvas, keeping the current one when it already has that size. A new canvas
     * starts black; callers fetch it again through GetResult.
     */
    void SetOutputSize(const cv::Size* size) override;
    void GetOutputSize(cv::Size& size) override { size = output_.size(); }

    int InputCount() const { return static_cast<int>(inputs_.size()); }
    const std::vector<cv::Mat>& Inputs() const { return inputs_; }

protected:
    /** Subclasses draw into it in Process. */
    cv::Mat output_;
    /** One private CV_8UC3 copy per input (empty for an empty input). */
    std::vector<cv::Mat> inputs_;
};

/** Registers "MultiSrcFilter". */
void RegisterMultiSrcFilterClass();

}  // namespace filters
