#pragma once
/**
 * @file WeatherFilters.h
 * @brief Weather and water over a photo: "RainFilter", "SnowFilter", "MistFilter" and
 * "WaveFilter" (algorithms in WeatherAlgorithms.h).
 *
 * Rain, snow and mist are random. Start takes a new seed (the clock, or the fixed seed of
 * scripts); every Process draws from its own generator seeded with it, so a picture stays the
 * same through re-renderings until the next Start. Threads: as every filter
 * (engine/ImageFilter.h); the generator is local to Process, so nothing is shared.
 */
#include "engine/SimpleFilter.h"

#include <cstdint>

namespace filters {

/** Common part of the random filters: the seed Start takes and Process uses. */
class CF_RandomFilter : public engine::CF_SimpleFilter {
public:
    CF_RandomFilter();
    void Start() override;
    std::uint32_t Seed() const { return seed_; }

protected:
    // Taken at construction too: a full-size rendering that never saw a Start (an export
    // straight after loading, a script) still honours a fixed seed.
    std::uint32_t seed_ = 0;
};

/**
 * Slanted bright streaks. var1: shortest half-length (default 15), var2: longest (30), both in
 * working pixels of the ~500 x 500 working image; var3: number of streaks (10000).
 */
class CF_Rain : public CF_RandomFilter {
public:
    CF_Rain();
    void Process() override;
};

/** Soft white flakes. var1..var3: numbers of large (300), medium (150) and small (600) flakes. */
class CF_Snow : public CF_RandomFilter {
public:
    CF_Snow();
    void Process() override;
};

/**
 * Condensation droplets. var1: noise density, about the number of droplet sites down the
 * photo (default 25). Deferred when its "param" element has delay="1".
 */
class CF_Mist : public CF_RandomFilter {
public:
    CF_Mist();
    void Process() override;
    void Stop() override;
    bool IsDeferred() override;
};

/**
 * A circular ripple centred on the photo. var1: ripple scale a (0.146), var2: amplitude b
 * (0.02), var3: refraction ratio c (0.75).
 */
class CF_Wave : public engine::CF_SimpleFilter {
public:
    CF_Wave();
    void Process() override;
};

/** Registers the four filters above. */
void RegisterWeatherFilters();

}  // namespace filters
