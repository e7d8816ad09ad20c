#include "filters/PainterlyFilters.h"

#include "engine/Registry.h"
#include "engine/SimpleTemplate.h"
#include "filters/PaintStrokes.h"
#include "filters/VariableValues.h"
#include "filters/WorkingResolution.h"

#include <opencv2/imgproc.hpp>

#include <new>

using engine::CImageDataObject;
using engine::RegisterCreator;

namespace filters {

namespace {

/**
 * The shared frame of the three painters: paint at the working size, scale to the output.
 * paint(first, second, rng) fills second from first.
 */
template <class Paint>
void PaintAtWorkingSize(const cv::Mat& source, cv::Mat& result, std::uint32_t seed, Paint paint)
{
    platform::Rand15 rng(seed);
    const cv::Size work = WorkingResolution(source.size());
    cv::Mat first, second(work, CV_8UC3);
    cv::resize(source, first, work, 0, 0, cv::INTER_LINEAR);
    paint(first, second, rng);
    cv::resize(second, result, result.size(), 0, 0, cv::INTER_LINEAR);
}

}  // namespace

CF_OilPaint::CF_OilPaint() { className = "OilPaintFilter"; }

void CF_OilPaint::Start() { SeedForRun(); }

void CF_OilPaint::Process()
{
    if (source_.empty() || result_.empty()) return;
    result_.setTo(cv::Scalar::all(0));
    const int radius = VarInt(Params(), 0, 5);
    PaintAtWorkingSize(source_, result_, RunSeed(), [&](const cv::Mat& in, cv::Mat& out, platform::Rand15& rng) {
        PaintOilStrokes(in, out, radius, rng);
    });
}

CF_WaxPen::CF_WaxPen() { className = "WaxPenFilter"; }

void CF_WaxPen::Start() { SeedForRun(); }

void CF_WaxPen::Stop() { RequestStop(); }

bool CF_WaxPen::IsDeferred() { return ParamInt("delay", 0) == 1; }

void CF_WaxPen::Process()
{
    if (source_.empty() || result_.empty()) return;
    const int halfLength = VarInt(Params(), 0, 10);
    const float kept = VarFloat(Params(), 1, 0.5f);
    // A stopped painting is still scaled into the output: the caller decides whether to show it.
    PaintAtWorkingSize(source_, result_, RunSeed(), [&](const cv::Mat& in, cv::Mat& out, platform::Rand15& rng) {
        PaintWaxStrokes(in, out, halfLength, kept, rng);
    });
}

CF_HardPastel::CF_HardPastel() { className = "HardPastelFilter"; }

void CF_HardPastel::Start() { SeedForRun(); }

void CF_HardPastel::Process()
{
    if (source_.empty() || result_.empty()) return;
    result_.setTo(cv::Scalar::all(0));
    const int radius = VarInt(Params(), 0, 5);
    const float kept = VarFloat(Params(), 1, 0.5f);
    const int accents = VarInt(Params(), 2, 3);
    PaintAtWorkingSize(source_, result_, RunSeed(), [&](const cv::Mat& in, cv::Mat& out, platform::Rand15& rng) {
        PaintPastelStrokes(in, out, radius, kept, accents, rng);
    });
}

void RegisterPainterlyFilterClasses()
{
    RegisterCreator("OilPaintFilter", []() -> CImageDataObject* { return new (std::nothrow) CF_OilPaint; });
    RegisterCreator("WaxPenFilter", []() -> CImageDataObject* { return new (std::nothrow) CF_WaxPen; });
    RegisterCreator("HardPastelFilter", []() -> CImageDataObject* { return new (std::nothrow) CF_HardPastel; });
}

}  // namespace filters
