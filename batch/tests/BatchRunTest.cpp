// The batch core shared by grimaze-cli and the window: failures that do not stop the rest,
// cancelling, the listener's calls never overlapping, the written size.
#include "batch/BatchRun.h"
#include "app/Builtins.h"
#include "engine/ImageFilter.h"
#include "engine/Registry.h"
#include "engine/SimpleFilter.h"

#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/testing/TestEnv.h"

#include <opencv2/imgcodecs.hpp>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

using namespace batch;
using namespace engine;

namespace {

void WritePhoto(const std::string& path, int w, int h, int seed)
{
    cv::Mat m(h, w, CV_8UC3);
    cv::RNG(seed).fill(m, cv::RNG::UNIFORM, 0, 256);
    ASSERT_TRUE(cv::imwrite(path, m));
}

RenderJob OilPaintJob()
{
    app::RegisterBuiltinClasses();
    RenderJob job;
    job.templateFile = testenv::SourceDir() + "/media/Templates/OilPaint";
    return job;
}

/** Counts what it is told and fails the test when two calls overlap. */
class Recorder : public BatchListener {
public:
    void Written(const BatchItem& item) override { Enter(), written.insert(item.photo), Leave(); }
    void Failed(const BatchItem& item, const std::string& why) override
    {
        Enter();
        failed.insert(item.photo);
        reasons.push_back(why);
        if (cancelAfterFirst) cancel = true;
        Leave();
    }
    void Enter()
    {
        EXPECT_FALSE(inside.exchange(true)) << "two listener calls at once";
        std::this_thread::yield();
    }
    void Leave() { inside = false; }

    std::atomic<bool> inside{false}, cancel{false};
    bool cancelAfterFirst = false;
    std::set<std::string> written, failed;
    std::vector<std::string> reasons;
};

// Waits in its rendering until the test has stopped "the window's" rendering, then paints
// white when it was not told to stop, black when it was (a photo cut short).
std::atomic<int> g_probesEntered{0};
std::atomic<bool> g_windowStopped{false};

class CF_StopProbe : public CF_SimpleFilter {
public:
    void Process() override
    {
        ++g_probesEntered;
        for (int i = 0; i < 2000 && !g_windowStopped; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        result_.setTo(cv::Scalar::all(StopRequested() ? 0 : 255));
    }
};

}  // namespace

TEST(BatchRun, StoppingTheWindowsRenderingDoesNotCutABatchPhotoShort)
{
    app::RegisterBuiltinClasses();
    RegisterCreator("StopProbeFilter", []() -> CImageDataObject* { return new CF_StopProbe; });
    testenv::TempDir in, out;
    std::filesystem::create_directories(in / "Probe");
    std::ofstream(in / "Probe/Probe.tmpl") << "<effect><template name=\"Probe\"/><filter name=\"SimpleTemplate\" delay=\"0\">"
                                              "<filter name=\"StopProbeFilter\"/></filter></effect>";
    std::vector<std::string> photos;
    for (int i = 0; i < 2; ++i) {
        photos.push_back(in / ("p" + std::to_string(i) + ".png"));
        WritePhoto(photos.back(), 40, 30, i);
    }
    RenderJob job;
    job.templateFile = in / "Probe";
    Recorder rec;
    BatchOutcome o;
    std::thread batch([&] { o = RunBatch(PlanBatchOutputs(photos, out.path(), "png"), job, SaveOptions{}, 2, rec); });
    for (int i = 0; i < 2000 && g_probesEntered < 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    // What the window's Stop does from the interface thread while both photos render.
    CImageFilter::RequestStop();
    g_windowStopped = true;
    batch.join();
    EXPECT_TRUE(CImageFilter::StopRequested());  // the window's own rendering still stops
    CImageFilter::ClearStop();
    EXPECT_EQ(o.written, 2u);
    for (int i = 0; i < 2; ++i) {
        const cv::Mat m = cv::imread(out / ("p" + std::to_string(i) + ".png"));
        ASSERT_FALSE(m.empty());
        EXPECT_GT(cv::mean(m)[0], 254.5) << "photo " << i << " was cut short";  // black when cut
    }
}

TEST(BatchRun, AFailedPhotoDoesNotStopTheRest)
{
    testenv::TempDir in, out;
    std::vector<std::string> photos;
    for (int i = 0; i < 5; ++i) {
        photos.push_back(in / ("p" + std::to_string(i) + ".png"));
        WritePhoto(photos.back(), 48, 36, i);
    }
    ASSERT_TRUE(platform::WriteFileAtomically(in / "p2.png", std::string("not a picture")));
    const auto plan = PlanBatchOutputs(photos, out.path(), "jpg");

    Recorder rec;
    const BatchOutcome o = RunBatch(plan, OilPaintJob(), SaveOptions{}, 3, rec);
    EXPECT_EQ(o.written, 4u);
    EXPECT_EQ(o.failed, 1u);
    EXPECT_EQ(rec.failed, std::set<std::string>{photos[2]});
    ASSERT_EQ(rec.reasons.size(), 1u);
    EXPECT_EQ(rec.reasons[0].rfind("cannot read it: ", 0), 0u) << rec.reasons[0];
    for (int i : {0, 1, 3, 4}) EXPECT_FALSE(cv::imread(out / ("p" + std::to_string(i) + ".jpg")).empty()) << i;
    EXPECT_FALSE(platform::FileExists(out / "p2.jpg"));
}

TEST(BatchRun, CancelStartsNoFurtherPhoto)
{
    testenv::TempDir in, out;
    std::vector<std::string> photos{in / "broken.png"};
    ASSERT_TRUE(platform::WriteFileAtomically(photos[0], std::string("not a picture")));
    for (int i = 0; i < 3; ++i) {
        photos.push_back(in / ("p" + std::to_string(i) + ".png"));
        WritePhoto(photos.back(), 32, 32, i);
    }
    Recorder rec;
    rec.cancelAfterFirst = true;
    const BatchOutcome o = RunBatch(PlanBatchOutputs(photos, out.path(), "png"), OilPaintJob(), SaveOptions{}, 1, rec,
                                    &rec.cancel);
    EXPECT_EQ(o.failed, 1u);
    EXPECT_EQ(o.written, 0u);
    EXPECT_EQ(o.cancelled, 3u);
    EXPECT_FALSE(platform::FileExists(out / "p0.png"));
}

TEST(BatchRun, LongSideScalesTheWrittenPicture)
{
    EXPECT_EQ(SavedSize({4000, 3000}, SaveOptions{92, 0}), cv::Size(4000, 3000));
    EXPECT_EQ(SavedSize({4000, 3000}, SaveOptions{92, 1000}), cv::Size(1000, 750));
    EXPECT_EQ(SavedSize({300, 600}, SaveOptions{92, 1200}), cv::Size(600, 1200));
    EXPECT_EQ(SavedSize({5000, 2}, SaveOptions{92, 100}), cv::Size(100, 1)) << "never below one pixel";

    testenv::TempDir dir;
    cv::Mat m(300, 400, CV_8UC3, cv::Scalar(10, 200, 30));
    std::string error;
    ASSERT_TRUE(SaveResult(dir / "a.png", m, SaveOptions{92, 100}, &error)) << error;
    const cv::Mat back = cv::imread(dir / "a.png");
    EXPECT_EQ(back.size(), cv::Size(100, 75));
    EXPECT_EQ(back.at<cv::Vec3b>(10, 10), cv::Vec3b(10, 200, 30));
}
