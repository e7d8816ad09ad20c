#include "filters/WeatherFilters.h"

#include "engine/Registry.h"
#include "filters/VariableValues.h"
#include "filters/WeatherAlgorithms.h"
#include "filters/WorkingResolution.h"
#include "platform/Rand15.h"

#include <opencv2/imgproc.hpp>

#include <cmath>
#include <new>

using engine::CImageDataObject;
using engine::RegisterCreator;

namespace filters {

namespace {

/** Bilinear resize into the size `to` already has (the source's size if it has none yet). */
void ResizeInto(const cv::Mat& from, cv::Mat& to)
{
    if (to.empty()) to.create(from.size(), CV_8UC3);
    cv::resize(from, to, to.size(), 0, 0, cv::INTER_LINEAR);
}

}  // namespace

CF_RandomFilter::CF_RandomFilter()
{
    SeedForRun();
    seed_ = RunSeed();
}

void CF_RandomFilter::Start()
{
    SeedForRun();
    seed_ = RunSeed();
}

CF_Rain::CF_Rain() { className = "RainFilter"; }

void CF_Rain::Process()
{
    if (source_.empty()) return;
    result_.setTo(cv::Scalar::all(0));
    platform::Rand15 rng(seed_);
    // Streaks are drawn at a fixed working size, so 10000 of them cover a thumbnail and a
    // 12 MP photo equally densely.
    const cv::Size work = WorkingResolution(source_.size());
    cv::Mat scaled(work, CV_8UC3), rained(work, CV_8UC3);
    ResizeInto(source_, scaled);
    DrawRainStreaks(scaled, VarInt(Params(), 2, 10000), rained, VarFloat(Params(), 0, 15.0f),
                    VarFloat(Params(), 1, 30.0f), rng);
    ResizeInto(rained, result_);
}

CF_Snow::CF_Snow() { className = "SnowFilter"; }

void CF_Snow::Process()
{
    if (source_.empty()) return;
    platform::Rand15 rng(seed_);
    cv::Mat scaled(result_.size(), CV_8UC3);
    ResizeInto(source_, scaled);
    ResizeInto(scaled, result_);
    // Large soft flakes first, small sharp ones on top.
    DrawSnowflakes(result_, VarInt(Params(), 0, 300), 1.0f / std::sqrt(5.0f), rng);
    DrawSnowflakes(result_, VarInt(Params(), 1, 150), 1.0f / std::sqrt(10.0f), rng);
    DrawSnowflakes(result_, VarInt(Params(), 2, 600), 1.0f / std::sqrt(50.0f), rng);
}

CF_Mist::CF_Mist() { className = "MistFilter"; }

void CF_Mist::Process()
{
    if (source_.empty()) return;
    platform::Rand15 rng(seed_);
    cv::Mat scaled(result_.size(), CV_8UC3);
    ResizeInto(source_, scaled);
    RenderMistDroplets(VarInt(Params(), 0, 25), result_, scaled, rng);
}

void CF_Mist::Stop() { RequestStop(); }

bool CF_Mist::IsDeferred() { return ParamInt("delay", 0) == 1; }

CF_Wave::CF_Wave() { className = "WaveFilter"; }

void CF_Wave::Process()
{
    if (source_.empty()) return;
    result_.setTo(cv::Scalar::all(0));
    cv::Mat scaled(result_.size(), CV_8UC3);
    ResizeInto(source_, scaled);
    RenderRipple(result_, scaled, VarFloat(Params(), 0, 0.146f), VarFloat(Params(), 1, 0.02f),
                 VarFloat(Params(), 2, 0.75f), cv::Vec3f(0.25f, 0.25f, 1.0f));
}

void RegisterWeatherFilters()
{
    RegisterCreator("RainFilter", []() -> CImageDataObject* { return new (std::nothrow) CF_Rain; });
    RegisterCreator("SnowFilter", []() -> CImageDataObject* { return new (std::nothrow) CF_Snow; });
    RegisterCreator("MistFilter", []() -> CImageDataObject* { return new (std::nothrow) CF_Mist; });
    RegisterCreator("WaveFilter", []() -> CImageDataObject* { return new (std::nothrow) CF_Wave; });
}

}  // namespace filters
