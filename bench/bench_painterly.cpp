// Oil paint, wax crayon and hard pastel: Process from a decoded 12 MP photo into an 800 x 600
// preview and at full size, beside the nearest OpenCV operations doing the same task.
#include "engine/SimpleTemplate.h"
#include "filters/PainterlyFilters.h"
#include "platform/Clock.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/photo.hpp>
#include <opencv2/xphoto/oilpainting.hpp>

#include <benchmark/benchmark.h>
#include <tinyxml2.h>

#include <memory>

namespace {

const cv::Size kFull(4000, 3000), kPreview(800, 600);

/** A sample photo scaled up to 12 MP (the input is built outside every timed loop). */
const cv::Mat& TwelveMegapixels()
{
    static const cv::Mat photo = [] {
        cv::Mat m = cv::imread(GRIMAZE_SOURCE_DIR "/media/Images/default/Default2.jpg");
        if (m.empty()) m = cv::Mat(600, 800, CV_8UC3, cv::Scalar(40, 90, 160));
        cv::resize(m, m, kFull, 0, 0, cv::INTER_CUBIC);
        return m;
    }();
    return photo;
}

template <class F>
void RunFilter(benchmark::State& state, cv::Size out, SimpleParams params)
{
    platform::SetFixedSeed(1);
    tinyxml2::XMLDocument doc;
    doc.Parse("<filter/>");
    F filter;
    filter.SetDefinition(doc.RootElement());
    filter.Init();
    const cv::Mat& src = TwelveMegapixels();
    filter.SetSource(std::span<const cv::Mat>(&src, 1));
    filter.SetOutputSize(&out);
    filter.SetParams(&params);
    filter.Start();
    for (auto _ : state) {
        filter.Process();
        benchmark::DoNotOptimize(filter.GetResult().data);
    }
}

SimpleParams Params(float a, float b = 0, float c = 0)
{
    SimpleParams p;
    p.var[0] = a;
    p.var[1] = b;
    p.var[2] = c;
    return p;
}

void BM_OilPaint_Preview(benchmark::State& s) { RunFilter<CF_OilPaint>(s, kPreview, Params(5)); }
void BM_OilPaint_Full(benchmark::State& s) { RunFilter<CF_OilPaint>(s, kFull, Params(5)); }
void BM_WaxPen_Preview(benchmark::State& s) { RunFilter<CF_WaxPen>(s, kPreview, Params(10, 0.5f)); }
void BM_WaxPen_Full(benchmark::State& s) { RunFilter<CF_WaxPen>(s, kFull, Params(10, 0.5f)); }
void BM_HardPastel_Preview(benchmark::State& s) { RunFilter<CF_HardPastel>(s, kPreview, Params(5, 0.5f, 3)); }
void BM_HardPastel_Full(benchmark::State& s) { RunFilter<CF_HardPastel>(s, kFull, Params(5, 0.5f, 3)); }

/** The peer does the same task: from the 12 MP photo to a picture of the given size. */
template <class Op>
void RunPeer(benchmark::State& state, cv::Size out, Op op)
{
    const cv::Mat& src = TwelveMegapixels();
    cv::Mat in, dst;
    for (auto _ : state) {
        if (out == src.size()) in = src;
        else cv::resize(src, in, out, 0, 0, cv::INTER_LINEAR);
        op(in, dst);
        benchmark::DoNotOptimize(dst.data);
    }
}

// Oil paint and pastel against xphoto's oil painting (neighbourhood 5, dynamic ratio 1);
// wax crayon against the photo module's colour pencil sketch.
void Oil(const cv::Mat& in, cv::Mat& out) { cv::xphoto::oilPainting(in, out, 5, 1); }
void Pencil(const cv::Mat& in, cv::Mat& out)
{
    cv::Mat grey;
    cv::pencilSketch(in, grey, out, 60, 0.07f, 0.02f);
}
void BM_Peer_xphotoOilPainting_Preview(benchmark::State& s) { RunPeer(s, kPreview, Oil); }
void BM_Peer_xphotoOilPainting_Full(benchmark::State& s) { RunPeer(s, kFull, Oil); }
void BM_Peer_pencilSketch_Preview(benchmark::State& s) { RunPeer(s, kPreview, Pencil); }
void BM_Peer_pencilSketch_Full(benchmark::State& s) { RunPeer(s, kFull, Pencil); }

}  // namespace

BENCHMARK(BM_OilPaint_Preview)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OilPaint_Full)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HardPastel_Preview)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HardPastel_Full)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Peer_xphotoOilPainting_Preview)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Peer_xphotoOilPainting_Full)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_WaxPen_Preview)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WaxPen_Full)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Peer_pencilSketch_Preview)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Peer_pencilSketch_Full)->Unit(benchmark::kMillisecond)->Iterations(2);

BENCHMARK_MAIN();
