#pragma once
/**
 * @file WatercolourFilters.h
 * @brief "WaterPaintFilter" (washes by colour diffusion) and "WoodPrintFilter" (a stripe
 * print mixing two wood textures). Algorithms in WatercolourAlgorithms.h.
 *
 * Threads: as every filter (ImageFilter.h). The water painter's Stop only sets the
 * process-wide flag that the diffusion polls; the wood textures are read once in Init and
 * only read afterwards.
 */
#include "engine/SimpleFilter.h"

namespace filters {

/**
 * "var1": resolution factor s, default 1 (below 1 coarsens the washes). "delay" 1 in
 * "param" makes it deferred.
 */
class CF_WaterPaint : public engine::CF_SimpleFilter {
public:
    CF_WaterPaint();
    void Stop() override;
    void Process() override;
    bool IsDeferred() override;
};

/**
 * "var1": stripe period divisor p, default 5; "var2": stripe amplitude b, default 0.05.
 * "param" attributes "foreground" and "background" name the two textures (".\name" is
 * relative to the template folder). A texture that cannot be loaded is left out (plain
 * paper or plain ink) and reported once on stderr, so the print still renders.
 */
class CF_WoodPrint : public engine::CF_SimpleFilter {
public:
    CF_WoodPrint();
    ~CF_WoodPrint() override;
    void Init() override;
    std::vector<const char*> FileSettings() const override { return {"foreground", "background"}; }
    void Process() override;

    const cv::Mat& Foreground() const { return foreground_; }
    /** Already halved, as it is printed. */
    const cv::Mat& Background() const { return background_; }

private:
    cv::Mat foreground_;
    cv::Mat background_;
};

/** Registers the watercolour and wood-print filters. */
void RegisterWatercolourFilterClasses();

}  // namespace filters
