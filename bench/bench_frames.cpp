// Frame rendering and GIF writing. Inputs are built outside the timed loops.
//
//   bench_frames                      all
//   bench_frames --benchmark_filter=Gif
#include "app/Builtins.h"
#include "engine/PhotoDocument.h"
#include "engine/TemplateFile.h"
#include "frames/CT_Frame.h"
#include "frames/FrameCompose.h"
#include "frames/GifWriter.h"
#include "platform/Files.h"

#include <benchmark/benchmark.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

using engine::CEffectTemplate;
using engine::CPhotoDocument;
using engine::OpenTemplate;
using engine::RefPtr;
using frames::DitherToColourCube;
using frames::FrameBlend;
using frames::FrameWindow;
using frames::MapPhotoIntoWindow;
using frames::WriteGifAnimation;

namespace {

const cv::Size kBackground(1600, 1200);
const cv::Size kPhoto(4000, 3000);  // 12 MP

// Two windows as a frame picture has them: a large one in perspective and a smaller inset.
const FrameWindow kMain{{cv::Point(180, 140), {1180, 210}, {140, 900}, {1220, 860}}};
const FrameWindow kInset{{cv::Point(1150, 920), {1520, 900}, {1170, 1160}, {1540, 1150}}};

cv::Mat SmoothPicture(cv::Size size, unsigned seed)
{
    // A photo-like picture: smooth colour fields with fine detail, not noise alone.
    cv::Mat small(size.height / 50 + 2, size.width / 50 + 2, CV_8UC3), big, detail(size, CV_8UC3);
    cv::RNG rng(seed);
    rng.fill(small, cv::RNG::UNIFORM, 0, 256);
    cv::resize(small, big, size, 0, 0, cv::INTER_CUBIC);
    rng.fill(detail, cv::RNG::NORMAL, 0, 12);
    return big + detail;
}

std::string Scratch()
{
    static const std::string dir = [] {
        std::string d = "/tmp/grimaze-bench-frames-" + std::to_string(getpid());
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

const cv::Mat& Photo()
{
    static const cv::Mat photo = SmoothPicture(kPhoto, 1);
    return photo;
}

const cv::Mat& Background()
{
    static const cv::Mat bg = SmoothPicture(kBackground, 2);
    return bg;
}

std::string Corner(const char* name, cv::Point p)
{
    return "<" + std::string(name) + " x=\"" + std::to_string(p.x) + "\" y=\"" + std::to_string(p.y) + "\"/>";
}

std::string WindowXml(const FrameWindow& w)
{
    return Corner("point00", w.corner[0]) + Corner("point01", w.corner[1]) + Corner("point10", w.corner[2]) +
           Corner("point11", w.corner[3]);
}

/** A frame template with the two windows, loaded from a definition written to a scratch folder. */
RefPtr<CEffectTemplate> MakeTemplate(CPhotoDocument& doc, float edge)
{
    app::RegisterBuiltinClasses();
    cv::imwrite(Scratch() + "/bg.png", Background());
    const std::string def = "<effect><template name=\"Bench\"/><filter name=\"FrameTemplate\">"
                            "<filter name=\"FrameFilter\"><param background=\".\\bg.png\"/></filter>"
                            "<param edge=\"" + std::to_string(edge) + "\">" + WindowXml(kMain) + "<extra0>" +
                            WindowXml(kInset) + "</extra0></param></filter></effect>";
    platform::WriteFileAtomically(Scratch() + "/bench.tmpl", def);
    return OpenTemplate(Scratch() + "/bench.tmpl", &doc);
}

// The frame filter as export runs it, with the photo already handed over (its reduced copies
// are kept between renderings, as while the user drags a corner).
void BM_FrameRender(benchmark::State& state)
{
    CPhotoDocument doc;
    auto t = MakeTemplate(doc, static_cast<float>(state.range(0)) / 100);
    const cv::Mat photos[] = {Photo()};
    t->SetSource(photos);
    t->ApplyParams();
    t->Process();
    const int threads = cv::getNumThreads();
    if (state.range(1)) cv::setNumThreads(int(state.range(1)));
    for (auto _ : state) {
        t->Process();
        benchmark::DoNotOptimize(t->GetResult().data);
    }
    cv::setNumThreads(threads);
    state.SetLabel("1600x1200, 12 MP photo, two windows, edge " + std::to_string(state.range(0)) + "%" +
                   (state.range(1) ? ", " + std::to_string(state.range(1)) + " thread" : ""));
}
// Second argument: threads (0 = OpenCV's default, every core).
BENCHMARK(BM_FrameRender)->Args({0, 0})->Args({5, 0})->Args({5, 1})->Unit(benchmark::kMillisecond)->UseRealTime();

// The same with a new photo every time: copy of the 12 MP input and its reduced copies included.
void BM_FrameRenderNewPhoto(benchmark::State& state)
{
    CPhotoDocument doc;
    auto t = MakeTemplate(doc, 0.05f);
    const cv::Mat photos[] = {Photo()};
    for (auto _ : state) {
        t->SetSource(photos);
        t->ApplyParams();
        t->Process();
        benchmark::DoNotOptimize(t->GetResult().data);
    }
}
BENCHMARK(BM_FrameRenderNewPhoto)->Unit(benchmark::kMillisecond)->UseRealTime();

// The windows sampled straight from the 12 MP photo, without the reduced copies.
void BM_MapWindowsFullPhoto(benchmark::State& state)
{
    cv::Mat result;
    FrameBlend blend;
    blend.edge = 0.05f;
    for (auto _ : state) {
        Background().copyTo(result);
        MapPhotoIntoWindow(Photo(), Background(), cv::Mat(), kMain, blend, result);
        MapPhotoIntoWindow(Photo(), Background(), cv::Mat(), kInset, blend, result);
        benchmark::DoNotOptimize(result.data);
    }
}
BENCHMARK(BM_MapWindowsFullPhoto)->Unit(benchmark::kMillisecond)->UseRealTime();

// For comparison: OpenCV's warpPerspective of the 12 MP photo into each window, then a masked
// blend (no feather).
void BM_WarpPerspectiveBlend(benchmark::State& state)
{
    const cv::Point2f src[4] = {{0, 0}, {float(kPhoto.width), 0}, {0, float(kPhoto.height)},
                                {float(kPhoto.width), float(kPhoto.height)}};
    cv::Mat warped, mask, result;
    for (auto _ : state) {
        Background().copyTo(result);
        for (const FrameWindow* w : {&kMain, &kInset}) {
            cv::Point2f dst[4];
            for (int i = 0; i < 4; ++i) dst[i] = w->corner[i];
            const cv::Mat H = cv::getPerspectiveTransform(src, dst);
            cv::warpPerspective(Photo(), warped, H, kBackground, cv::INTER_LINEAR, cv::BORDER_CONSTANT);
            mask = cv::Mat::zeros(kBackground, CV_8UC1);
            const cv::Point poly[4] = {w->corner[0], w->corner[1], w->corner[3], w->corner[2]};
            cv::fillConvexPoly(mask, poly, 4, cv::Scalar(255));
            cv::addWeighted(warped, 0.9, result, 0.1, 0, warped);
            warped.copyTo(result, mask);
        }
        benchmark::DoNotOptimize(result.data);
    }
}
BENCHMARK(BM_WarpPerspectiveBlend)->Unit(benchmark::kMillisecond)->UseRealTime();

std::vector<cv::Mat> GifFrames()
{
    std::vector<cv::Mat> frames;
    const cv::Mat base = SmoothPicture(cv::Size(200, 200), 3);
    for (int i = 0; i < 20; ++i) {
        cv::Mat f;
        const cv::Mat rot = cv::getRotationMatrix2D(cv::Point2f(100, 100), i * 3.0, 1.0 + i * 0.01);
        cv::warpAffine(base, f, rot, base.size(), cv::INTER_LINEAR, cv::BORDER_REFLECT);
        frames.push_back(f);
    }
    return frames;
}

void BM_GifWrite20x200(benchmark::State& state)
{
    const std::vector<cv::Mat> frames = GifFrames();
    const std::string path = Scratch() + "/anim.gif";
    for (auto _ : state) {
        if (!WriteGifAnimation(path, cv::Size(200, 200), frames)) state.SkipWithError("write failed");
    }
    state.SetLabel(std::to_string(std::filesystem::file_size(path)) + " bytes");
}
BENCHMARK(BM_GifWrite20x200)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GifDither20x200(benchmark::State& state)
{
    const std::vector<cv::Mat> frames = GifFrames();
    std::vector<std::uint8_t> idx(200 * 200);
    for (auto _ : state)
        for (const cv::Mat& f : frames) {
            DitherToColourCube(f, idx.data());
            benchmark::DoNotOptimize(idx.data());
        }
}
BENCHMARK(BM_GifDither20x200)->Unit(benchmark::kMillisecond)->UseRealTime();

// For comparison: ImageMagick writing the same 20 frames as a looping GIF, dithered
// (Floyd-Steinberg) onto the same palette, from PNG files (process start included).
void BM_ImageMagickGif20x200(benchmark::State& state)
{
    const char* convert = "/usr/bin/convert";
    if (access(convert, X_OK) != 0) {
        state.SkipWithError("ImageMagick's convert is not installed");
        return;
    }
    const std::vector<cv::Mat> frames = GifFrames();
    std::string inputs;
    for (size_t i = 0; i < frames.size(); ++i) {
        const std::string f = Scratch() + "/im" + std::to_string(i) + ".png";
        cv::imwrite(f, frames[i]);
        inputs += " " + f;
    }
    cv::Mat pal(1, 216, CV_8UC3);
    for (int i = 0; i < 216; ++i) pal.at<cv::Vec3b>(0, i) = cv::Vec3b(uchar(51 * (i % 6)), uchar(51 * (i / 6 % 6)), uchar(51 * (i / 36)));
    cv::imwrite(Scratch() + "/cube.png", pal);
    const std::string cmd = std::string(convert) + " -loop 0" + inputs + " -dither FloydSteinberg -remap " + Scratch() +
                            "/cube.png " + Scratch() + "/im.gif";
    for (auto _ : state) {
        if (std::system(cmd.c_str()) != 0) state.SkipWithError("convert failed");
    }
}
BENCHMARK(BM_ImageMagickGif20x200)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    std::filesystem::remove_all(Scratch(), ec);
    return 0;
}
