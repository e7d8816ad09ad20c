// SPDX-License-Identifier: MIT
// The live rendering loop on GStreamer's test source: frames through a template on the loop's
// thread, the newest frame winning over a slow renderer, template switches while running and
// stopping from another thread. No test waits without a time-out.
#include "camera/LiveLoop.h"

#include "camera/tests/CameraTestUtil.h"
#include "engine/TemplateFile.h"
#include "platform/testing/TestEnv.h"
#include "platform/testing/Images.h"

#include <gtest/gtest.h>
#include <opencv2/core/utility.hpp>

#include <atomic>
#include <future>
#include <thread>

using namespace engine;

using namespace std::chrono_literals;
using camera::CameraSource;
using camera::LiveLoop;

using testenv::Same;

using camtest::OpenBundled;

namespace {

const char* kEndless =
    "videotestsrc is-live=true pattern=smpte ! video/x-raw,width=160,height=120,framerate=30/1 ! videoconvert ! appsink";

/** Takes results until pred holds for one (true) or the time-out passes (false). */
template <class Pred>
bool WaitResult(LiveLoop& loop, Pred pred, LiveLoop::Result& out, std::chrono::milliseconds timeout = 10s)
{
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < until) {
        if (loop.TakeResult(out) && pred(out)) return true;
        std::this_thread::sleep_for(5ms);
    }
    return false;
}

/**
 * OpenCV's own worker threads (TBB) synchronise inside a library ThreadSanitizer does not see,
 * so it would report their hand-overs as races; these tests are about the loop's threads, and
 * run OpenCV's loops on the calling thread.
 */
class LiveLoopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        threads_ = cv::getNumThreads();
        cv::setNumThreads(0);
    }
    void TearDown() override { cv::setNumThreads(threads_); }

private:
    int threads_ = 0;
};

}  // namespace

TEST_F(LiveLoopTest, RendersEveryFrameOfAFiniteSourceAndEachShotAtFullSize)
{
    CameraSource source("videotestsrc num-buffers=12 pattern=smpte ! video/x-raw,width=160,height=120 ! videoconvert ! appsink");
    source.SetKeepEveryFrame(true);
    std::atomic<int> notified{0};
    LiveLoop loop(source, [&] { ++notified; });
    loop.SetTemplate(OpenBundled("Emboss"));
    loop.SetView({160, 120});
    source.Start();
    loop.Start();
    LiveLoop::Result r;
    ASSERT_TRUE(WaitResult(loop, [](const LiveLoop::Result& x) { return x.number == 12; }, r))
        << camera::StateName(source.State()) << ": " << source.Message();
    EXPECT_EQ(loop.Rendered(), 12u);
    EXPECT_GE(notified.load(), 1);
    ASSERT_FALSE(r.image.empty());
    EXPECT_EQ(r.frame.size(), cv::Size(160, 120));
    EXPECT_FALSE(Same(r.image, camera::Mirrored(r.frame))) << "the frame went through the template";

    const cv::Mat big(240, 320, CV_8UC3, cv::Scalar(10, 200, 30));
    loop.RenderShot({"/tmp/x.jpg", big, {}});
    std::deque<LiveLoop::Shot> shots;
    for (auto until = std::chrono::steady_clock::now() + 10s; shots.empty() && std::chrono::steady_clock::now() < until;) {
        shots = loop.TakeShots();
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_EQ(shots.size(), 1u);
    EXPECT_EQ(shots[0].path, "/tmp/x.jpg");
    EXPECT_EQ(shots[0].result.size(), big.size()) << "a shot renders at the frame's size, not the view's";
    EXPECT_FALSE(Same(shots[0].result, big));
}

TEST_F(LiveLoopTest, ASlowRendererSkipsToTheNewestFrame)
{
    CameraSource source(kEndless);
    std::atomic<int> renders{0};
    LiveLoop loop(source, {}, [&](camera::LiveRenderer& r, const cv::Mat& frame, cv::Size view) {
        ++renders;
        std::this_thread::sleep_for(120ms);
        return r.Render(frame, view);
    });
    loop.SetTemplate(OpenBundled("Emboss"));
    source.Start();
    loop.Start();
    std::vector<std::uint64_t> numbers;
    LiveLoop::Result r;
    while (numbers.size() < 5 && WaitResult(loop, [](const LiveLoop::Result&) { return true; }, r)) numbers.push_back(r.number);
    loop.Stop();
    source.Close();
    ASSERT_EQ(numbers.size(), 5u);
    int gaps = 0;
    for (std::size_t i = 1; i < numbers.size(); ++i) {
        EXPECT_GT(numbers[i], numbers[i - 1]);
        if (numbers[i] > numbers[i - 1] + 1) ++gaps;
    }
    // At 30 frames a second about 3 arrive while one renders: all but the newest are skipped.
    EXPECT_GE(gaps, 3);
    EXPECT_GT(source.Stats().dropped, 0u);
    EXPECT_LT(static_cast<std::uint64_t>(renders.load()), source.Stats().delivered);
}

TEST_F(LiveLoopTest, ATemplateSwitchWhileRunningTakesEffectAndMirrorFollows)
{
    CameraSource source(kEndless);
    LiveLoop loop(source, {});
    loop.SetView({160, 120});
    loop.SetMirror(false);
    source.Start();
    loop.Start();
    auto plain = [](const LiveLoop::Result& x) { return Same(x.image, x.frame); };
    auto mirrored = [](const LiveLoop::Result& x) { return Same(x.image, camera::Mirrored(x.frame)); };
    auto effected = [](const LiveLoop::Result& x) {
        return !x.image.empty() && !Same(x.image, x.frame) && !Same(x.image, camera::Mirrored(x.frame));
    };
    LiveLoop::Result r;
    ASSERT_TRUE(WaitResult(loop, plain, r)) << "no template: the frames as they come";
    loop.SetMirror(true);
    ASSERT_TRUE(WaitResult(loop, mirrored, r));
    for (const char* name : {"Emboss", "Postcard", "Teapot"}) {
        SCOPED_TRACE(name);
        loop.SetTemplate(OpenBundled(name));
        ASSERT_TRUE(WaitResult(loop, effected, r));
    }
    loop.SetTemplate({});
    ASSERT_TRUE(WaitResult(loop, mirrored, r)) << "back to the plain frames";
}

TEST_F(LiveLoopTest, StopsFromAnotherThreadWithoutHanging)
{
    for (bool closeFirst : {true, false}) {
        SCOPED_TRACE(closeFirst ? "source closed first" : "source still running");
        CameraSource source(kEndless);
        LiveLoop loop(source, {});
        loop.SetTemplate(OpenBundled("Emboss"));
        source.Start();
        loop.Start();
        LiveLoop::Result r;
        ASSERT_TRUE(WaitResult(loop, [](const LiveLoop::Result&) { return true; }, r)) << source.Message();
        auto stopped = std::async(std::launch::async, [&] {
            if (closeFirst) source.Close();
            loop.Stop();
        });
        ASSERT_EQ(stopped.wait_for(5s), std::future_status::ready) << "the loop hangs";
        const std::uint64_t after = loop.Rendered();
        std::this_thread::sleep_for(100ms);
        EXPECT_EQ(loop.Rendered(), after) << "nothing renders after the stop";
        source.Close();
    }
}
