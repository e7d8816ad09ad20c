// Watercolour and wood print: Process from a decoded 12 MP photo into an 800 x 600 preview
// and at full size, beside the nearest OpenCV operations doing the same task.
#include "bench/FilterBench.h"
#include "filters/WatercolourFilters.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/photo.hpp>

using filters::CF_WaterPaint;
using filters::CF_WoodPrint;

namespace {

const cv::Size kFull = filterbench::kFullSize, kPreview = filterbench::kPreviewSize;
// Without a template folder, names starting with "." are found in the program folder.
const char* kWoodDefinition = "<filter><param foreground=\".\\media\\Templates\\WoodPrint\\WoodLight.jpg\" "
                              "background=\".\\media\\Templates\\WoodPrint\\WoodDark.jpg\"/></filter>";

template <class F>
void RunFilter(benchmark::State& state, cv::Size out, const char* definition, float a, float b = 0)
{
    filterbench::TimeFilter<F>(state, "Default3.jpg", out, definition, filterbench::Params(a, b));
}

void BM_Watercolor_Preview(benchmark::State& s) { RunFilter<CF_WaterPaint>(s, kPreview, "<filter/>", 1.0f); }
void BM_Watercolor_Full(benchmark::State& s) { RunFilter<CF_WaterPaint>(s, kFull, "<filter/>", 1.0f); }
void BM_WoodPrint_Preview(benchmark::State& s) { RunFilter<CF_WoodPrint>(s, kPreview, kWoodDefinition, 5, 0.05f); }
void BM_WoodPrint_Full(benchmark::State& s) { RunFilter<CF_WoodPrint>(s, kFull, kWoodDefinition, 5, 0.05f); }

template <class Op>
void RunPeer(benchmark::State& state, cv::Size out, Op op)
{
    filterbench::TimePeer(state, "Default3.jpg", out, op);
}

// Watercolour against the photo module's stylization (its watercolour-like look).
void Stylize(const cv::Mat& in, cv::Mat& out) { cv::stylization(in, out, 60, 0.45f); }
void BM_Peer_stylization_Preview(benchmark::State& s) { RunPeer(s, kPreview, Stylize); }
void BM_Peer_stylization_Full(benchmark::State& s) { RunPeer(s, kFull, Stylize); }

// Wood print against the same amount of plain OpenCV work: grey, both textures scaled to the
// picture and mixed by a per-pixel weight.
struct TextureMix {
    cv::Mat fore = cv::imread(GRIMAZE_SOURCE_DIR "/media/Templates/WoodPrint/WoodLight.jpg");
    cv::Mat back = cv::imread(GRIMAZE_SOURCE_DIR "/media/Templates/WoodPrint/WoodDark.jpg");
    void operator()(const cv::Mat& in, cv::Mat& out) const
    {
        cv::Mat grey, f, k, w1, w2;
        cv::cvtColor(in, grey, cv::COLOR_BGR2GRAY);
        cv::resize(fore, f, in.size(), 0, 0, cv::INTER_LINEAR);
        cv::resize(back, k, in.size(), 0, 0, cv::INTER_LINEAR);
        grey.convertTo(w1, CV_32F, 1 / 255.0);
        cv::subtract(cv::Scalar::all(1.0), w1, w2);
        cv::blendLinear(f, k, w1, w2, out);
    }
};
void BM_Peer_textureBlend_Preview(benchmark::State& s) { RunPeer(s, kPreview, TextureMix{}); }
void BM_Peer_textureBlend_Full(benchmark::State& s) { RunPeer(s, kFull, TextureMix{}); }

}  // namespace

BENCHMARK(BM_Watercolor_Preview)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Watercolor_Full)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Peer_stylization_Preview)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Peer_stylization_Full)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_WoodPrint_Preview)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WoodPrint_Full)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Peer_textureBlend_Preview)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Peer_textureBlend_Full)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
