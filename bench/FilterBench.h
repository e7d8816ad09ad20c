#pragma once
// Shared set-up of the filter benchmarks: a decoded 12 MP photo, filters created by name and
// fed as the photo document feeds them, so each iteration times Process alone.
//
// Reported: wall time, and the CPU time of the whole process (all threads). On a machine
// shared with other work the wall time grows; CPU time / cores is what an idle machine
// would show for loops that run in parallel.
#include "engine/ImageFilter.h"
#include "engine/ImageIO.h"
#include "engine/Registry.h"
#include "engine/SimpleTemplate.h"
#include "filters/FilterClasses.h"
#include "platform/Clock.h"

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <tinyxml2.h>

#include <map>
#include <memory>
#include <span>
#include <string>

namespace filterbench {

inline const cv::Size kFullSize(4000, 3000);
inline const cv::Size kPreviewSize(800, 600);

/** A sample photo (media/Images/default) enlarged to 4000 x 3000, decoded once. */
inline const cv::Mat& Photo12MP(const std::string& sample = "Default2.jpg")
{
    static std::map<std::string, cv::Mat> photos;
    cv::Mat& photo = photos[sample];
    if (photo.empty()) {
        cv::Mat p = engine::LoadPhoto(std::string(GRIMAZE_SOURCE_DIR) + "/media/Images/default/" + sample);
        if (p.empty()) p = cv::Mat(600, 800, CV_8UC3, cv::Scalar(90, 120, 160));
        cv::resize(p, photo, kFullSize, 0, 0, cv::INTER_CUBIC);
    }
    return photo;
}

/**
 * @brief Times Process of a filter class made directly (not through the registry) from a
 * definition element, on a sample photo, into an output of the given size.
 */
template <class F>
void TimeFilter(benchmark::State& state, const std::string& sample, cv::Size out, const char* definition,
                engine::SimpleParams params)
{
    platform::SetFixedSeed(1);
    tinyxml2::XMLDocument doc;
    doc.Parse(definition);
    F filter;
    filter.SetDefinition(doc.RootElement());
    filter.Init();
    const cv::Mat& src = Photo12MP(sample);
    filter.SetSource(std::span<const cv::Mat>(&src, 1));
    filter.SetOutputSize(&out);
    filter.SetParams(&params);
    filter.Start();
    for (auto _ : state) {
        filter.Process();
        benchmark::DoNotOptimize(filter.GetResult().data);
    }
}

/** Times a peer operation doing the same task: the sample photo fitted to out, then op. */
template <class Op>
void TimePeer(benchmark::State& state, const std::string& sample, cv::Size out, Op op)
{
    const cv::Mat& src = Photo12MP(sample);
    cv::Mat in, dst;
    for (auto _ : state) {
        if (out == src.size())
            in = src;
        else
            cv::resize(src, in, out, 0, 0, cv::INTER_LINEAR);
        op(in, dst);
        benchmark::DoNotOptimize(dst.data);
    }
}

/** A filter by name with its source set and its output sized: preview (800 x 600 view) or full. */
inline std::unique_ptr<engine::CImageFilter> Prepared(const std::string& name, const engine::SimpleParams& params, bool preview)
{
    static const bool registered = [] {
        engine::RegisterEngineClasses();
        filters::RegisterFilterClasses();
        return true;
    }();
    (void)registered;
    std::unique_ptr<engine::CImageFilter> filter = engine::CreateFilterByName(name);
    if (!filter) return nullptr;
    filter->Init();
    filter->SetSource(std::span<const cv::Mat>(&Photo12MP(), 1));
    filter->SetOutputSize(preview ? &kPreviewSize : nullptr);
    filter->SetParams(&params);
    filter->Start();
    return filter;
}

/** Times Process of a prepared filter. The params must outlive the benchmark. */
inline void RegisterFilter(const std::string& label, const std::string& name, const engine::SimpleParams* params)
{
    for (const bool preview : {true, false}) {
        benchmark::RegisterBenchmark((label + (preview ? "/Preview" : "/Full")).c_str(),
                                     [name, params, preview](benchmark::State& state) {
                                         auto filter = Prepared(name, *params, preview);
                                         if (!filter) {
                                             state.SkipWithError("filter not registered");
                                             return;
                                         }
                                         for (auto _ : state) {
                                             filter->Process();
                                             benchmark::DoNotOptimize(filter->GetResult().data);
                                         }
                                     })
            ->Unit(benchmark::kMillisecond)
            ->MeasureProcessCPUTime()
            ->UseRealTime();
    }
}

/** Times an OpenCV peer operation on the same photo, for preview and full size. */
template <class Work>
inline void RegisterPeer(const std::string& label, Work work)
{
    for (const bool preview : {true, false}) {
        benchmark::RegisterBenchmark((label + (preview ? "/Preview" : "/Full")).c_str(),
                                     [work, preview](benchmark::State& state) {
                                         const cv::Mat& src = Photo12MP();
                                         cv::Mat out;
                                         for (auto _ : state) {
                                             work(src, preview ? kPreviewSize : kFullSize, out);
                                             benchmark::DoNotOptimize(out.data);
                                         }
                                     })
            ->Unit(benchmark::kMillisecond)
            ->MeasureProcessCPUTime()
            ->UseRealTime();
    }
}

/** What the photo document does first: the source resized to the output (no copy at 1:1). */
inline cv::Mat Fitted(const cv::Mat& src, cv::Size size)
{
    if (src.size() == size) return src;
    cv::Mat out;
    cv::resize(src, out, size, 0, 0, cv::INTER_LINEAR);
    return out;
}

inline engine::SimpleParams Params(float v1, float v2 = 0, float v3 = 0)
{
    engine::SimpleParams p;
    p.var[0] = v1, p.var[1] = v2, p.var[2] = v3;
    return p;
}

}  // namespace filterbench
