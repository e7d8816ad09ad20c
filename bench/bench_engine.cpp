// The effect engine's own costs: loading and preparing photos, the view model, and rendering
// through the photo document with the plain "SimpleFilter".
#include "cli/Builtins.h"
#include "engine/ImageIO.h"
#include "engine/PhotoDocument.h"
#include "engine/TemplateFile.h"
#include "engine/ViewGeometry.h"

#include <benchmark/benchmark.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

// Built once per process, outside every timed loop.
struct Fixture {
    std::string dir;
    std::string photo12mp;
    std::string templ;
    Fixture()
    {
        char pattern[] = "/tmp/grimaze-bench-XXXXXX";
        dir = mkdtemp(pattern);
        cv::Mat sample = cv::imread(std::string(GRIMAZE_SOURCE_DIR) + "/media/Images/default/Default2.jpg");
        cv::Mat big;
        cv::resize(sample, big, cv::Size(4000, 3000), 0, 0, cv::INTER_CUBIC);
        photo12mp = dir + "/photo12mp.jpg";
        cv::imwrite(photo12mp, big, {cv::IMWRITE_JPEG_QUALITY, 90});
        std::filesystem::create_directories(dir + "/Plain");
        templ = dir + "/Plain";
        std::ofstream(templ + "/Plain.tmpl") << "<effect><template name=\"Plain\"/><filter name=\"SimpleTemplate\">"
                                                "<filter name=\"SimpleFilter\"/></filter></effect>";
        RegisterBuiltinClasses();
    }
    ~Fixture() { std::filesystem::remove_all(dir); }
};

Fixture& Data()
{
    static Fixture f;
    return f;
}

void BM_LoadAndPrepare12MP(benchmark::State& state)
{
    for (auto _ : state) {
        PhotoRecord r;
        r.path = Data().photo12mp;
        r.rotation = static_cast<int>(state.range(0));
        const bool ok = PreparePhoto(r);
        benchmark::DoNotOptimize(ok);
    }
}
BENCHMARK(BM_LoadAndPrepare12MP)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ComputeVisibleRegion(benchmark::State& state)
{
    float zoom = 0.3f;
    float pan[2] = {0.2f, 0.4f};
    for (auto _ : state) {
        float z = zoom;
        float p[2] = {pan[0], pan[1]};
        benchmark::DoNotOptimize(ComputeVisibleRegion(4000, 3000, p, z, {0, 0, 800, 600}));
    }
}
BENCHMARK(BM_ComputeVisibleRegion);

struct Loaded {
    CPhotoDocument doc;
    RefPtr<CEffectTemplate> templ;
    Loaded()
    {
        PhotoRecord r;
        r.path = Data().photo12mp;
        doc.InsertPhoto(-1, r);
        doc.SelectPhoto(0);
        templ = OpenTemplate(Data().templ, &doc);
        doc.SetCurrentTemplate(templ.get());
        doc.SetView({0, 0, 800, 600}, 0);
    }
};

void BM_RenderPreview800x600(benchmark::State& state)
{
    Loaded l;
    for (auto _ : state) l.doc.Render();
}
BENCHMARK(BM_RenderPreview800x600)->Unit(benchmark::kMillisecond);

void BM_RenderFull12MP(benchmark::State& state)
{
    Loaded l;
    for (auto _ : state) l.doc.RenderFull();
}
BENCHMARK(BM_RenderFull12MP)->Unit(benchmark::kMillisecond);

void BM_TemplateThumbnail(benchmark::State& state)
{
    Loaded l;
    for (auto _ : state) benchmark::DoNotOptimize(l.doc.TemplateThumbnail(l.templ.get()));
}
BENCHMARK(BM_TemplateThumbnail)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
