#pragma once
/**
 * @file Rand15.h
 * @brief The classic 15-bit linear congruential generator random effects draw from.
 *
 * One value per Process call, never process-wide: a seed gives the same picture on every
 * machine, and two renderings on two threads cannot disturb each other's sequence.
 */
#include <cstdint>

namespace platform {

class Rand15 {
public:
    static constexpr int Max = 32767;

    explicit Rand15(std::uint32_t seed = 1) : state_(seed) {}
    void Seed(std::uint32_t seed) { state_ = seed; }
    /** Next value in 0..32767. */
    int Next()
    {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFF);
    }
    int operator()() { return Next(); }

private:
    std::uint32_t state_;
};

}  // namespace platform
