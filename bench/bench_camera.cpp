// SPDX-License-Identifier: MIT
// Live camera, end to end: a frame from GStreamer's test source through the camera thread and
// its mailbox, rendered through a template at the frame's size. One iteration is one frame;
// "fps" is frames per second of wall time, "latency_ms" the time from a frame's arrival in the
// mailbox to its finished rendering. Process CPU time includes the camera thread and OpenCV's
// workers. Every 2D template in media/Templates is measured, then "Postcard", "Knight" and
// "Teapot"; "Knight/face" plays a still photo with a face as the camera, so that the face is
// found, cut out and pasted on every frame (the test source has no face to find).
#include "camera/CameraSource.h"
#include "camera/LiveRenderer.h"
#include "app/Builtins.h"
#include "engine/ImageIO.h"
#include "engine/TemplateFile.h"

#include <benchmark/benchmark.h>
#include <opencv2/imgproc.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>

using engine::CEffectTemplate;
using engine::LoadPhoto;
using engine::OpenTemplate;
using engine::RefPtr;

namespace {

const std::string kTemplates = std::string(GRIMAZE_SOURCE_DIR) + "/media/Templates/";

std::string Pipeline(int w, int h)
{
    // sync=false: the source runs as fast as frames are taken, so the template sets the pace.
    return "videotestsrc pattern=smpte ! video/x-raw,width=" + std::to_string(w) + ",height=" + std::to_string(h) +
           " ! videoconvert ! appsink sync=false";
}

/** A camera that shows one still photo, as a person sitting still in front of it. */
class StillReader final : public camera::FrameReader {
public:
    explicit StillReader(cv::Mat photo) : photo_(std::move(photo)) {}
    bool Open() override { return !photo_.empty() || Fail(camera::ReadFailure::CannotStart, "no photo"); }
    bool Read(cv::Mat& frame) override
    {
        photo_.copyTo(frame);
        return true;
    }

private:
    cv::Mat photo_;
};

void Live(benchmark::State& state, const std::string& name, bool facePhoto)
{
    app::RegisterBuiltinClasses();
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    std::string error;
    RefPtr<CEffectTemplate> t = OpenTemplate(kTemplates + name, nullptr, &error);
    if (!t) return state.SkipWithError(error.c_str());
    camera::LiveRenderer live(t);
    std::unique_ptr<camera::CameraSource> source;
    if (facePhoto) {
        cv::Mat photo = LoadPhoto(std::string(GRIMAZE_SOURCE_DIR) + "/media/Images/default/Default1.jpg", &error);
        if (photo.empty()) return state.SkipWithError(error.c_str());
        cv::resize(photo, photo, {w, h}, 0, 0, cv::INTER_AREA);
        source = std::make_unique<camera::CameraSource>([photo] { return std::make_unique<StillReader>(photo); });
    } else {
        source = std::make_unique<camera::CameraSource>(Pipeline(w, h));
    }
    source->SetKeepEveryFrame(true);
    source->Start();
    camera::CameraFrame frame;
    // The first frame opens the pipeline and warms the template's caches: not timed.
    if (!source->WaitFrame(frame, std::chrono::seconds(20))) return state.SkipWithError(source->Message().c_str());
    live.Render(frame.image);
    double latency = 0;
    for (auto _ : state) {
        if (!source->WaitFrame(frame, std::chrono::seconds(20))) return state.SkipWithError("the camera stopped");
        cv::Mat result = live.Render(frame.image);
        latency += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - frame.captured).count();
        benchmark::DoNotOptimize(result.data);
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["latency_ms"] = latency / static_cast<double>(std::max<benchmark::IterationCount>(1, state.iterations()));
    state.counters["deferred"] = t->IsDeferred() ? 1 : 0;
    source->Close();
}

std::vector<std::string> SimpleTemplates()
{
    std::vector<std::string> names;
    for (const auto& dir : std::filesystem::directory_iterator(kTemplates)) {
        if (!dir.is_directory()) continue;
        for (const auto& f : std::filesystem::directory_iterator(dir.path())) {
            if (f.path().extension() != ".tmpl") continue;
            std::ifstream in(f.path());
            std::stringstream text;
            text << in.rdbuf();
            if (text.str().find("\"SimpleTemplate\"") != std::string::npos) names.push_back(dir.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

void Register(const std::string& label, const std::string& name, bool facePhoto)
{
    benchmark::RegisterBenchmark(("BM_Live/" + label).c_str(),
                                 [name, facePhoto](benchmark::State& s) { Live(s, name, facePhoto); })
        ->Args({640, 480})
        ->Args({1280, 720})
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->MeasureProcessCPUTime()
        ->MinTime(1.0);
}

}  // namespace

int main(int argc, char** argv)
{
    for (const std::string& name : SimpleTemplates()) Register(name, name, false);
    Register("Postcard", "Postcard", false);
    Register("Knight", "Knight", false);
    Register("Knight/face", "Knight", true);
    Register("Teapot", "Teapot", false);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
