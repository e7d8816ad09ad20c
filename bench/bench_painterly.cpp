// Oil paint, wax crayon and hard pastel: Process from a decoded 12 MP photo into an 800 x 600
// preview and at full size, beside the nearest OpenCV operations doing the same task.
#include "bench/FilterBench.h"
#include "filters/PainterlyFilters.h"

#include <opencv2/photo.hpp>
#include <opencv2/xphoto/oilpainting.hpp>

using engine::SimpleParams;
using filters::CF_HardPastel;
using filters::CF_OilPaint;
using filters::CF_WaxPen;

namespace {

using filterbench::Params;
const cv::Size kFull = filterbench::kFullSize, kPreview = filterbench::kPreviewSize;

template <class F>
void RunFilter(benchmark::State& state, cv::Size out, SimpleParams params)
{
    filterbench::TimeFilter<F>(state, "Default2.jpg", out, "<filter/>", params);
}

void BM_OilPaint_Preview(benchmark::State& s) { RunFilter<CF_OilPaint>(s, kPreview, Params(5)); }
void BM_OilPaint_Full(benchmark::State& s) { RunFilter<CF_OilPaint>(s, kFull, Params(5)); }
void BM_WaxPen_Preview(benchmark::State& s) { RunFilter<CF_WaxPen>(s, kPreview, Params(10, 0.5f)); }
void BM_WaxPen_Full(benchmark::State& s) { RunFilter<CF_WaxPen>(s, kFull, Params(10, 0.5f)); }
void BM_HardPastel_Preview(benchmark::State& s) { RunFilter<CF_HardPastel>(s, kPreview, Params(5, 0.5f, 3)); }
void BM_HardPastel_Full(benchmark::State& s) { RunFilter<CF_HardPastel>(s, kFull, Params(5, 0.5f, 3)); }

template <class Op>
void RunPeer(benchmark::State& state, cv::Size out, Op op)
{
    filterbench::TimePeer(state, "Default2.jpg", out, op);
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
