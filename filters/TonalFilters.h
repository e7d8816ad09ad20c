#pragma once
/**
 * @file TonalFilters.h
 * @brief Filters that keep the photo's colours but change its relief, outlines or detail:
 * "EmbossFilter", "EdgeFilter", "DimFilter", "GridFilter" and "MosaicFilter" (algorithms in
 * TonalAlgorithms.h).
 *
 * Threads: as every filter (engine/ImageFilter.h). Stop may come from any thread; it sets
 * the process-wide stop flag, which FocusBlur polls.
 */
#include "engine/SimpleFilter.h"

namespace filters {

/** Relief by an offset difference. var1: offset d (default 3); var2: bias (default 20). */
class CF_Emboss : public engine::CF_SimpleFilter {
public:
    CF_Emboss();
    void Process() override;
};

/** The photo with soft dark outlines. var1: kernel width (default 7); var2: threshold (0). */
class CF_Edge : public engine::CF_SimpleFilter {
public:
    CF_Edge();
    void Process() override;
};

/** Focus blur growing away from the region's centre. Always rendered in the background. */
class CF_DimEffect : public engine::CF_SimpleFilter {
public:
    CF_DimEffect();
    void Process() override;
    void Stop() override;
    bool IsDeferred() override { return true; }
};

/** An embossed tile grid. var1: cell size (default 5); var2: relief amplitude (default 3). */
class CF_Grid : public engine::CF_SimpleFilter {
public:
    CF_Grid();
    void Process() override;
};

/**
 * Average-colour squares inside the region. var1: cell size as a fraction of the region's
 * shorter side (no default: without a parameter block the photo is only resized).
 */
class CF_Mosaic : public engine::CF_SimpleFilter {
public:
    CF_Mosaic();
    void Process() override;
    void Stop() override;
    bool IsDeferred() override { return true; }
};

/** Registers the five filters above. */
void RegisterTonalFilters();

}  // namespace filters
