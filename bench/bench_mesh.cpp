// The 3D templates: one rendering of the shipped teapot and cylinder at preview and export
// sizes, one tick of the turn timer through the photo document, and a turn-table GIF.
#include "app/Builtins.h"
#include "engine/PhotoDocument.h"
#include "engine/TemplateFile.h"
#include "mesh3d/CF_Teapot.h"
#include "mesh3d/CT_3DMesh.h"
#include "mesh3d/RenderMesh.h"

#include <benchmark/benchmark.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdlib>
#include <filesystem>

using engine::CEffectTemplate;
using engine::CPhotoDocument;
using engine::OpenTemplate;
using engine::PhotoRecord;
using engine::RefPtr;
using mesh3d::CF_Teapot;
using mesh3d::CT_3DMesh;
using mesh3d::Mesh;
using mesh3d::RenderMesh;
namespace mesh_cmd = mesh3d::mesh_cmd;

namespace {

const std::string kSource = GRIMAZE_SOURCE_DIR;

cv::Mat Sample(int i, cv::Size size)
{
    const cv::Mat s = cv::imread(kSource + "/media/Images/default/Default" + std::to_string(i) + ".jpg");
    cv::Mat out;
    cv::resize(s, out, size, 0, 0, cv::INTER_CUBIC);
    return out;
}

/** A shipped template, opened once per benchmark outside the timed loop. */
struct Opened {
    CPhotoDocument doc;
    RefPtr<CEffectTemplate> t;
    explicit Opened(const std::string& folder)
    {
        app::RegisterBuiltinClasses();
        std::string error;
        t = OpenTemplate(kSource + "/media/Templates/" + folder, &doc, &error);
        if (!t) std::abort();
        t->ApplyParams();
    }
};

/** One rendering of a prepared template: what every preview refresh and turn tick costs. */
void RenderOnce(benchmark::State& state, const std::string& folder, const std::vector<cv::Mat>& photos, const cv::Size* size)
{
    Opened o(folder);
    o.t->SetSource(photos);
    o.t->SetOutputSize(size);
    o.t->ApplyParams();
    o.t->Process();  // the first run makes the scaled textures
    auto& mesh = dynamic_cast<CT_3DMesh&>(*o.t);
    for (auto _ : state) {
        mesh.StepTurn();
        o.t->Process();
        benchmark::DoNotOptimize(o.t->GetResult().data);
    }
    state.counters["triangles"] = 0;
    if (auto* teapot = dynamic_cast<CF_Teapot*>(o.t->Filter())) state.counters["triangles"] = teapot->GetMesh().triangleCount;
    const cv::Mat r = o.t->GetResult();
    state.SetLabel(std::to_string(r.cols) + "x" + std::to_string(r.rows));
}

void BM_Teapot_800x600(benchmark::State& state)
{
    const cv::Size size(800, 600);
    RenderOnce(state, "Teapot", {Sample(1, {1600, 1200})}, &size);
}
BENCHMARK(BM_Teapot_800x600)->Unit(benchmark::kMillisecond);

void BM_ChromeTeapot_800x600(benchmark::State& state)
{
    const cv::Size size(800, 600);
    RenderOnce(state, "ChromeTeapot", {Sample(1, {1600, 1200})}, &size);
}
BENCHMARK(BM_ChromeTeapot_800x600)->Unit(benchmark::kMillisecond);

void BM_Teapot_4000x3000(benchmark::State& state)
{
    RenderOnce(state, "Teapot", {Sample(1, {4000, 3000})}, nullptr);  // full size: the photo's
}
BENCHMARK(BM_Teapot_4000x3000)->Unit(benchmark::kMillisecond);

void BM_Cylinder3Photos_800x600(benchmark::State& state)
{
    const cv::Size size(800, 600);
    RenderOnce(state, "PhotoCylinder", {Sample(1, {1600, 1200}), Sample(2, {1600, 1200}), Sample(3, {1600, 1200})}, &size);
}
BENCHMARK(BM_Cylinder3Photos_800x600)->Unit(benchmark::kMillisecond);

/** The renderer alone on the teapot mesh, textured, without the filter's background work. */
void BM_RenderMeshOnly_800x600(benchmark::State& state)
{
    Opened o("Teapot");
    o.t->SetSource(std::vector<cv::Mat>{Sample(1, {800, 600})});
    const cv::Size size(800, 600);
    o.t->SetOutputSize(&size);
    o.t->Process();
    Mesh mesh = dynamic_cast<CF_Teapot&>(*o.t->Filter()).GetMesh();
    mesh.parallel = state.range(0) != 0;
    cv::Mat target(600, 800, CV_8UC3), depth(600, 800, CV_32FC1);
    for (auto _ : state) {
        depth.setTo(0);
        benchmark::DoNotOptimize(RenderMesh(mesh, target, &depth));
    }
}
BENCHMARK(BM_RenderMeshOnly_800x600)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

/**
 * A tick of the turn timer as the desktop runs it: turn, render through the document, notify.
 * The argument is the supersampling: 1 draws hard edges, 2 the 2 x 2 samples the program uses.
 */
void BM_TurnTimerTick_800x600(benchmark::State& state)
{
    char pattern[] = "/tmp/grimaze-bench-XXXXXX";
    const std::string dir = mkdtemp(pattern);
    cv::imwrite(dir + "/photo.jpg", Sample(1, {4000, 3000}));
    Opened o("Teapot");
    PhotoRecord r;
    r.path = dir + "/photo.jpg";
    o.doc.InsertPhoto(-1, r);
    o.doc.SelectPhoto(0);
    o.doc.SetView({0, 0, 800, 600}, 0);
    o.doc.SetCurrentTemplate(o.t.get());
    if (auto* teapot = dynamic_cast<CF_Teapot*>(o.t->Filter())) teapot->SetSupersampling(static_cast<int>(state.range(0)));
    o.t->ParamCommand(mesh_cmd::StartTurning, 0, 0, nullptr);
    o.doc.Render();
    for (auto _ : state) CT_3DMesh::OnTurnTimer(0, mesh_cmd::TurnTimer);
    o.t->ParamCommand(mesh_cmd::StopTurning, 0, 0, nullptr);
    o.doc.SetCurrentTemplate(nullptr);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_TurnTimerTick_800x600)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_TurnGif_36x300(benchmark::State& state)
{
    char pattern[] = "/tmp/grimaze-bench-XXXXXX";
    const std::string dir = mkdtemp(pattern);
    Opened o("Teapot");
    o.t->SetSource(std::vector<cv::Mat>{Sample(1, {512, 512})});
    auto& mesh = dynamic_cast<CT_3DMesh&>(*o.t);
    for (auto _ : state) {
        if (!mesh.ExportTurnTable(dir + "/turn.gif", 36, 300, 300)) state.SkipWithError("export failed");
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_TurnGif_36x300)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
