#include "platform/Clock.h"

#include <atomic>
#include <chrono>
#include <ctime>

namespace platform {
namespace {
std::atomic<bool> g_fixed{false};
std::atomic<std::uint32_t> g_seed{0};
}  // namespace

std::uint32_t SeedTime()
{
    if (g_fixed.load()) return g_seed.load();
    return static_cast<std::uint32_t>(std::time(nullptr));
}

void SetFixedSeed(std::optional<std::uint32_t> seed)
{
    g_seed.store(seed.value_or(0));
    g_fixed.store(seed.has_value());
}

std::int64_t MonotonicMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace platform
