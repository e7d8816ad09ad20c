// The face templates' costs: finding (and confirming) and aligning a face on the 800 x 600
// working photo, its landmarks, one change-face rendering at the largest picture size, one
// expression frame and the GIF export.
#include "engine/ImageIO.h"
#include "face/CF_Face.h"
#include "face/FaceDetector.h"
#include "face/FaceEngine.h"

#include <benchmark/benchmark.h>
#include <opencv2/imgproc.hpp>

#include <cstdlib>
#include <filesystem>
#include <string>

using engine::LoadPhoto;
using engine::SaveImage;
using face::CF_Face;
using face::FaceDetector;
using face::FaceEngine;
using face::FaceParams;
using face::FaceRect;
using face::KindExpression;

namespace {

// The astronaut on an 800 x 600 canvas: the working photo is the photo itself.
cv::Mat WorkingSizedPhoto()
{
    const cv::Mat astronaut = LoadPhoto(std::string(GRIMAZE_SOURCE_DIR) + "/media/Images/default/Default1.jpg");
    cv::Mat photo(600, 800, CV_8UC3, cv::Scalar(200, 190, 180));
    cv::Mat face;
    cv::resize(astronaut, face, cv::Size(580, 580), 0, 0, cv::INTER_CUBIC);
    face.copyTo(photo(cv::Rect(110, 10, 580, 580)));
    return photo;
}

// An engine with the face found and its features located.
void Prepare(FaceEngine& e, const cv::Mat& photo)
{
    e.Init();
    e.SetPhoto(photo);
    FaceDetector::Instance().ResetFaceSearch();
    e.SearchFace();
    e.AlignFeatures();
}

void BM_FaceSearch(benchmark::State& state)
{
    FaceEngine e;
    e.Init();
    e.SetPhoto(WorkingSizedPhoto());
    for (auto _ : state) {
        FaceDetector::Instance().ResetFaceSearch();
        e.SearchFace();
        benchmark::DoNotOptimize(e.faceRect);
    }
}
BENCHMARK(BM_FaceSearch)->Unit(benchmark::kMillisecond);

// What "Search Face" costs on a working photo now: the cascade, the HOG finder confirming its
// face and searching the photo on its own, and the 68 landmarks of the face (the model read
// beforehand, as it is once per process).
void BM_FaceSearchVerifyLandmarks(benchmark::State& state)
{
    const cv::Mat photo = WorkingSizedPhoto();
    FaceDetector& d = FaceDetector::Instance();
    d.LoadCascade();
    if (!d.LandmarksAvailable()) {
        state.SkipWithError("no landmark model (package libdlib-data)");
        return;
    }
    for (auto _ : state) {
        d.ResetFaceSearch();
        const FaceRect face = d.DetectNextFace(photo);
        benchmark::DoNotOptimize(d.FindLandmarks(photo, face));
    }
}
BENCHMARK(BM_FaceSearchVerifyLandmarks)->Unit(benchmark::kMillisecond);

// The same on a photo without a face (the coffee cup at 800 x 600): every cascade candidate is
// checked and the HOG finder searches the whole photo.
void BM_FaceSearchNoFace(benchmark::State& state)
{
    cv::Mat photo;
    cv::resize(LoadPhoto(std::string(GRIMAZE_SOURCE_DIR) + "/media/Images/default/Default2.jpg"), photo, cv::Size(800, 600), 0,
               0, cv::INTER_CUBIC);
    FaceDetector& d = FaceDetector::Instance();
    d.LoadCascade();
    for (auto _ : state) {
        d.ResetFaceSearch();
        benchmark::DoNotOptimize(d.DetectNextFace(photo));
    }
}
BENCHMARK(BM_FaceSearchNoFace)->Unit(benchmark::kMillisecond);

void BM_AlignFeatures(benchmark::State& state)
{
    FaceEngine e;
    Prepare(e, WorkingSizedPhoto());
    for (auto _ : state) {
        e.AlignFeatures();
        benchmark::DoNotOptimize(e.currentRegions);
    }
}
BENCHMARK(BM_AlignFeatures)->Unit(benchmark::kMillisecond);

void BM_FaceSearchAndAlign(benchmark::State& state)
{
    FaceEngine e;
    e.Init();
    e.SetPhoto(WorkingSizedPhoto());
    for (auto _ : state) {
        FaceDetector::Instance().ResetFaceSearch();
        e.SearchFace();
        e.AlignFeatures();
        benchmark::DoNotOptimize(e.currentRegions);
    }
}
BENCHMARK(BM_FaceSearchAndAlign)->Unit(benchmark::kMillisecond);

void BM_ChangeFaceRender(benchmark::State& state)
{
    // The shipped "Knight" picture scaled to the 1024 x 768 limit, with its own configuration.
    const std::string folder = std::string(GRIMAZE_SOURCE_DIR) + "/media/Templates/Knight";
    char pattern[] = "/tmp/grimaze-bench-XXXXXX";
    const std::string dir = mkdtemp(pattern);
    cv::Mat knight = LoadPhoto(folder + "/Knight.jpg");
    cv::resize(knight, knight, cv::Size(1024, 768), 0, 0, cv::INTER_CUBIC);
    SaveImage(dir + "/Knight.png", knight);
    FaceEngine e;
    Prepare(e, WorkingSizedPhoto());
    e.alignFace = state.range(0) != 0;
    e.enhancedColour = state.range(0) != 0;
    e.LoadFacePicture(dir + "/Knight.png", folder + "/Knight.cfg");
    for (auto _ : state) benchmark::DoNotOptimize(e.RenderChangedFace().data);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ChangeFaceRender)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ExpressionFrame(benchmark::State& state)
{
    FaceEngine e;
    Prepare(e, WorkingSizedPhoto());
    for (auto _ : state) benchmark::DoNotOptimize(e.AnimateExpression().data);
}
BENCHMARK(BM_ExpressionFrame)->Unit(benchmark::kMillisecond);

void BM_ExpressionGifExport(benchmark::State& state)
{
    char pattern[] = "/tmp/grimaze-bench-XXXXXX";
    const std::string dir = mkdtemp(pattern);
    CF_Face filter;
    filter.Init();
    FaceParams params;
    params.kind = KindExpression;
    filter.SetParams(&params);
    const cv::Mat photo[] = {WorkingSizedPhoto()};
    filter.SetSource(photo);
    FaceDetector::Instance().ResetFaceSearch();
    filter.Engine().SearchFace();
    filter.Engine().AlignFeatures();
    for (auto _ : state) benchmark::DoNotOptimize(filter.ExportAnimation(dir + "/a.gif", 200, 200));
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ExpressionGifExport)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
