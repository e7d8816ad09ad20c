#pragma once
/**
 * @file PainterlyFilters.h
 * @brief "OilPaintFilter", "WaxPenFilter" and "HardPastelFilter": the photo repainted with
 * oil strokes, wax crayon or pastel dabs (algorithms in PaintStrokes.h).
 *
 * Each paints at the working resolution (WorkingResolution.h: about 500 x 500 whatever the
 * photo's pixel count, so brush sizes look the same in the preview and the export) and
 * scales the painting to the output.
 *
 * Threads: as every filter (ImageFilter.h). The random generator belongs to one Process
 * call and is seeded from the seed Start took, so re-renderings after a slider move keep the
 * arrangement of strokes and two threads never share a sequence. Stop only sets the
 * process-wide flag, which the wax painter polls after every stamp.
 */
#include "engine/SimpleFilter.h"

namespace filters {

/** Oil strokes that blend where they overlap. "var1": brush radius R (working pixels), default 5. */
class CF_OilPaint : public engine::CF_SimpleFilter {
public:
    CF_OilPaint();
    void Start() override;
    void Process() override;
};

/**
 * Short diagonal crayon strokes. "var1": half-length L, default 10; "var2": kept fraction k
 * of each stroke's pixels, default 0.5. "delay" 1 in "param" makes it deferred.
 */
class CF_WaxPen : public engine::CF_SimpleFilter {
public:
    CF_WaxPen();
    void Start() override;
    void Stop() override;
    void Process() override;
    bool IsDeferred() override;
};

/**
 * Round dabs with a few saturated accent dots. "var1": dab radius R, default 5; "var2": kept
 * fraction k, default 0.5; "var3": accent count A, default 3.
 */
class CF_HardPastel : public engine::CF_SimpleFilter {
public:
    CF_HardPastel();
    void Start() override;
    void Process() override;
};

/** Registers the three painterly filters. */
void RegisterPainterlyFilterClasses();

}  // namespace filters
