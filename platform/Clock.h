#pragma once
/**
 * @file Clock.h
 * @brief The injectable clock random effects seed from.
 *
 * Random filters reseed from the time when a rendering starts. Scripts and tests fix the seed
 * instead, so a picture can be repeated exactly.
 */
#include <cstdint>
#include <optional>

namespace platform {

/** Seconds since the epoch, or the fixed seed when one is set. */
std::uint32_t SeedTime();

/** Fixes what SeedTime() returns (std::nullopt returns to the real clock). Process-wide. */
void SetFixedSeed(std::optional<std::uint32_t> seed);

/** Milliseconds on a monotonic clock, for time-outs and animation. */
std::int64_t MonotonicMs();

}  // namespace platform
