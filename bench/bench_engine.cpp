// The effect engine's own costs: loading and preparing photos, the view model, and rendering
// through the photo document with the plain "SimpleFilter".
#include "app/Builtins.h"
#include "engine/ImageIO.h"
#include "engine/PhotoDocument.h"
#include "engine/TemplateFile.h"
#include "engine/ViewGeometry.h"
#include "engine/XmlText.h"

#include <benchmark/benchmark.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <tinyxml2.h>

using engine::CEffectTemplate;
using engine::CPhotoDocument;
using engine::ComputeVisibleRegion;
using engine::OpenTemplate;
using engine::ParseXml;
using engine::PhotoRecord;
using engine::PreparePhoto;
using engine::RefPtr;
using engine::kMaxXmlAttributes;

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
        app::RegisterBuiltinClasses();
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

// A definition of about `bytes` bytes whose <param> elements carry perElement attributes each
// (kMaxXmlAttributes: the most a definition may hold; more: one element as in the review's
// file, which is refused).
std::string AttributeHeavyDefinition(std::size_t bytes, int perElement)
{
    std::string xml = "<effect><template name=\"t\"/><filter name=\"SimpleTemplate\"><filter name=\"EmbossFilter\">";
    int inElement = perElement;
    for (int i = 0; xml.size() < bytes; ++i) {
        if (inElement == perElement) {
            xml += i ? "/><param" : "<param";
            inElement = 0;
        }
        xml += " a" + std::to_string(i) + "=\"1\"";
        ++inElement;
    }
    return xml + "/></filter></filter></effect>";
}

double ThreadSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

void ParseDefinition(benchmark::State& state, int perElement)
{
    const std::string xml = AttributeHeavyDefinition(static_cast<std::size_t>(state.range(0)), perElement);
    for (auto _ : state) {
        tinyxml2::XMLDocument doc;
        benchmark::DoNotOptimize(ParseXml(doc, xml));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * xml.size()));
    state.SetComplexityN(state.range(0));
}

void BM_ParseDefinitionFullElements(benchmark::State& state) { ParseDefinition(state, kMaxXmlAttributes); }
BENCHMARK(BM_ParseDefinitionFullElements)->RangeMultiplier(4)->Range(16 << 10, 4 << 20)->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

void BM_ParseDefinitionOneHugeElement(benchmark::State& state) { ParseDefinition(state, 1 << 30); }
BENCHMARK(BM_ParseDefinitionOneHugeElement)->RangeMultiplier(4)->Range(16 << 10, 4 << 20)->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

// The bound: parsing 8 times the text may take at most 3 x 8 times as long (linear is 8,
// quadratic 64). Each side is the best of several runs in this thread's CPU time, so a busy
// machine does not trip it.
void BM_ParseDefinitionGrowth(benchmark::State& state)
{
    const int perElement = static_cast<int>(state.range(0));
    const std::string small = AttributeHeavyDefinition(110 << 10, perElement);
    const std::string large = AttributeHeavyDefinition(880 << 10, perElement);
    auto best = [](const std::string& xml) {
        double fastest = 1e30;
        for (int run = 0; run < 5; ++run) {
            const double t0 = ThreadSeconds();
            tinyxml2::XMLDocument doc;
            benchmark::DoNotOptimize(ParseXml(doc, xml));
            fastest = std::min(fastest, ThreadSeconds() - t0);
        }
        return fastest;
    };
    double growth = 0;
    for (auto _ : state) growth = best(large) / best(small);
    state.counters["growth_8x"] = growth;
    if (growth > 24) state.SkipWithError("parsing grows faster than linearly with the definition's size");
}
BENCHMARK(BM_ParseDefinitionGrowth)->Arg(kMaxXmlAttributes)->Arg(1 << 30)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
