// SPDX-License-Identifier: MIT
// The camera source: its mailbox and states on a scripted reader, then the real readers on
// GStreamer's test source, video files and device nodes. No test waits without a time-out.
#include "camera/CameraSource.h"

#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>
#include <opencv2/videoio.hpp>

#include <sys/stat.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <future>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;
using camera::CameraFrame;
using camera::CameraSource;
using camera::CameraState;
using camera::ReadFailure;

namespace {

/** Waits until the source's state is final (or the time-out); returns the state. */
CameraState WaitForEnd(const CameraSource& source, std::chrono::milliseconds timeout = 10s)
{
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!camera::IsFinal(source.State()) && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(5ms);
    return source.State();
}

/** A gate a test opens once; waiting on it is bounded. */
class Gate {
public:
    void Open()
    {
        std::lock_guard lock(m_);
        open_ = true;
        cv_.notify_all();
    }
    bool Wait(std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(m_);
        return cv_.wait_for(lock, timeout, [&] { return open_; });
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool open_ = false;
};

/**
 * A reader that plays frames numbered 1..count (pixel (0,0) holds the number), then ends with
 * the given failure. blockAfter > 0 makes the read after that many frames block until release
 * opens; destroyed tells when the camera thread let the reader go.
 */
struct Script {
    int count = 0;
    ReadFailure openFailure = ReadFailure::None;
    ReadFailure endFailure = ReadFailure::EndOfStream;
    int blockAfter = 0;
    Gate release;
    Gate destroyed;
    Gate consumerReady;  // the frames are played only once the consumer says so
    bool waitForConsumer = false;
    double fps = 0;  // a recording's rate; 0 for a live source
};

class ScriptedReader final : public camera::FrameReader {
public:
    explicit ScriptedReader(std::shared_ptr<Script> s) : s_(std::move(s)) {}
    ~ScriptedReader() override { s_->destroyed.Open(); }
    bool Open() override
    {
        if (s_->openFailure != ReadFailure::None) return Fail(s_->openFailure, "scripted open failure");
        return true;
    }
    bool Read(cv::Mat& frame) override
    {
        if (s_->waitForConsumer && n_ == 0) s_->consumerReady.Wait(10s);
        if (s_->blockAfter > 0 && n_ == s_->blockAfter) s_->release.Wait(60s);
        if (n_ >= s_->count) return Fail(s_->endFailure, "scripted end");
        ++n_;
        frame = cv::Mat(4, 6, CV_8UC3, cv::Scalar(n_ % 256, 0, 0));
        return true;
    }
    double FramesPerSecond() const override { return s_->fps; }

private:
    std::shared_ptr<Script> s_;
    int n_ = 0;
};

CameraSource::ReaderFactory Play(std::shared_ptr<Script> s)
{
    return [s] { return std::make_unique<ScriptedReader>(s); };
}

}  // namespace

TEST(CameraMailbox, NewestFrameWinsAndTheRestCountAsDropped)
{
    auto script = std::make_shared<Script>();
    script->count = 50;
    script->waitForConsumer = true;
    CameraSource source(Play(script));
    source.Start();
    script->consumerReady.Open();
    // A consumer too slow for any frame but the last: it looks only after the end.
    ASSERT_EQ(WaitForEnd(source), CameraState::EndOfStream);
    CameraFrame frame;
    ASSERT_TRUE(source.TakeFrame(frame));
    EXPECT_EQ(frame.number, 50u);
    EXPECT_EQ(frame.image.at<cv::Vec3b>(0, 0)[0], 50);
    EXPECT_EQ(frame.image.size(), cv::Size(6, 4));
    EXPECT_FALSE(source.TakeFrame(frame)) << "a frame is taken once";
    const camera::CameraStats stats = source.Stats();
    EXPECT_EQ(stats.delivered, 50u);
    EXPECT_EQ(stats.taken, 1u);
    EXPECT_EQ(stats.dropped, 49u);
    EXPECT_EQ(source.Message(), "scripted end");
    EXPECT_TRUE(script->destroyed.Wait(5s));
}

TEST(CameraMailbox, AWaitingConsumerGetsFramesInOrderAndFalseAtTheEnd)
{
    auto script = std::make_shared<Script>();
    script->count = 20;
    CameraSource source(Play(script));
    source.Start();
    std::uint64_t last = 0;
    CameraFrame frame;
    int got = 0;
    while (source.WaitFrame(frame, 5s)) {
        EXPECT_GT(frame.number, last);
        EXPECT_EQ(frame.image.at<cv::Vec3b>(0, 0)[0], frame.number);
        last = frame.number;
        ++got;
    }
    EXPECT_EQ(source.State(), CameraState::EndOfStream);
    const camera::CameraStats stats = source.Stats();
    EXPECT_EQ(stats.delivered, 20u);
    EXPECT_EQ(stats.taken + stats.dropped, 20u);
    EXPECT_EQ(static_cast<std::uint64_t>(got), stats.taken);
    EXPECT_EQ(last, 20u) << "the last frame is never lost";
}

TEST(CameraMailbox, KeepingEveryFrameHandsASlowConsumerAllOfThem)
{
    auto script = std::make_shared<Script>();
    script->count = 15;
    CameraSource source(Play(script));
    source.SetKeepEveryFrame(true);
    source.Start();
    CameraFrame frame;
    std::uint64_t expected = 1;
    while (source.WaitFrame(frame, 5s)) {
        EXPECT_EQ(frame.number, expected++);
        std::this_thread::sleep_for(3ms);
    }
    EXPECT_EQ(expected, 16u);
    EXPECT_EQ(source.State(), CameraState::EndOfStream);
    EXPECT_EQ(source.Stats().dropped, 0u);
}

TEST(CameraMailbox, EachReaderFailureEndsInItsState)
{
    const std::pair<ReadFailure, CameraState> opens[] = {
        {ReadFailure::NotFound, CameraState::NoCamera},      {ReadFailure::NotACamera, CameraState::NotACamera},
        {ReadFailure::Busy, CameraState::Busy},              {ReadFailure::CannotStart, CameraState::Failed},
        {ReadFailure::Damaged, CameraState::Failed},
    };
    for (const auto& [failure, state] : opens) {
        auto script = std::make_shared<Script>();
        script->openFailure = failure;
        CameraSource source(Play(script));
        source.Start();
        EXPECT_EQ(WaitForEnd(source), state) << camera::StateName(state);
        EXPECT_EQ(source.Message(), "scripted open failure");
        CameraFrame frame;
        EXPECT_FALSE(source.WaitFrame(frame, 5s));
    }
    auto script = std::make_shared<Script>();
    script->count = 3;
    script->endFailure = ReadFailure::Disappeared;
    CameraSource source(Play(script));
    source.Start();
    EXPECT_EQ(WaitForEnd(source), CameraState::Disappeared);
}

TEST(CameraMailbox, CloseDoesNotWaitForAReadThatBlocks)
{
    auto script = std::make_shared<Script>();
    script->count = 100;
    script->blockAfter = 2;
    auto source = std::make_unique<CameraSource>(Play(script));
    source->Start();
    CameraFrame frame;
    ASSERT_TRUE(source->WaitFrame(frame, 10s));
    // The third read now blocks, as a stalled device does; Close comes from another thread.
    const auto start = std::chrono::steady_clock::now();
    std::thread closer([&] { source->Close(); });
    closer.join();
    const auto took = std::chrono::steady_clock::now() - start;
    // The close waits kCloseWait at most; the margin is for a loaded machine, not a hang.
    EXPECT_LT(took, CameraSource::kCloseWait + 1s);
    EXPECT_EQ(source->State(), CameraState::Closed);
    source.reset();
    // The thread left behind ends as soon as its read returns, and lets the reader go.
    script->release.Open();
    EXPECT_TRUE(script->destroyed.Wait(10s));

    // A thread waiting for its frame to be taken is let go by a close as well.
    auto waiting = std::make_shared<Script>();
    waiting->count = 100;
    CameraSource keeping(Play(waiting));
    keeping.SetKeepEveryFrame(true);
    keeping.Start();
    ASSERT_TRUE(keeping.WaitFrame(frame, 10s));
    std::this_thread::sleep_for(20ms);
    keeping.Close();
    EXPECT_TRUE(waiting->destroyed.Wait(10s));
}

TEST(CameraMailbox, CloseWakesAWaitingConsumer)
{
    auto script = std::make_shared<Script>();
    script->count = 1;
    script->blockAfter = 1;
    CameraSource source(Play(script));
    source.Start();
    CameraFrame frame;
    ASSERT_TRUE(source.WaitFrame(frame, 10s));
    auto waiting = std::async(std::launch::async, [&] { return source.WaitFrame(frame, 30s); });
    std::this_thread::sleep_for(50ms);
    source.Close();
    ASSERT_EQ(waiting.wait_for(5s), std::future_status::ready);
    EXPECT_FALSE(waiting.get());
    script->release.Open();
    EXPECT_TRUE(script->destroyed.Wait(10s));
}

TEST(CameraMailbox, APacedRecordingPlaysAtItsOwnRateAndStillClosesAtOnce)
{
    {
        auto s = std::make_shared<Script>();
        s->count = 10;
        s->fps = 20;
        CameraSource source(Play(s));
        source.SetKeepEveryFrame(true);
        source.SetPaced(true);
        source.Start();
        CameraFrame frame;
        ASSERT_TRUE(source.WaitFrame(frame, 10s));
        const auto first = std::chrono::steady_clock::now();
        int got = 1;
        while (source.WaitFrame(frame, 10s)) ++got;
        EXPECT_EQ(got, 10);
        // Nine intervals of 50 ms at the least: not as fast as the reader can go.
        EXPECT_GE(std::chrono::steady_clock::now() - first, 400ms);
    }
    {
        auto s = std::make_shared<Script>();
        s->count = 10;
        s->fps = 0.6;  // the second frame is due after 1.7 s
        CameraSource source(Play(s));
        source.SetPaced(true);
        source.Start();
        CameraFrame frame;
        ASSERT_TRUE(source.WaitFrame(frame, 10s));
        const auto start = std::chrono::steady_clock::now();
        source.Close();
        EXPECT_LT(std::chrono::steady_clock::now() - start, CameraSource::kCloseWait);
        EXPECT_TRUE(s->destroyed.Wait(2s)) << "the thread left its wait and let the reader go";
    }
}

// --- The real readers ----------------------------------------------------------------------

namespace {

const char* kRedPipeline =
    "videotestsrc num-buffers=12 pattern=red ! video/x-raw,width=160,height=120 ! videoconvert ! appsink";

}  // namespace

TEST(CameraGStreamer, DeliversEveryFrameOfTheTestSourceAndEnds)
{
    CameraSource source(kRedPipeline);
    source.Start();
    CameraFrame frame;
    int got = 0;
    while (source.WaitFrame(frame, 10s)) {
        ASSERT_EQ(frame.image.size(), cv::Size(160, 120));
        ASSERT_EQ(frame.image.type(), CV_8UC3);
        const cv::Vec3b px = frame.image.at<cv::Vec3b>(60, 80);
        EXPECT_EQ(px, cv::Vec3b(0, 0, 255)) << "pattern=red is pure red in BGR";
        ++got;
    }
    ASSERT_EQ(source.State(), CameraState::EndOfStream) << source.Message();
    const camera::CameraStats stats = source.Stats();
    EXPECT_EQ(stats.delivered, 12u);
    EXPECT_EQ(stats.taken + stats.dropped, 12u);
    EXPECT_GE(got, 1);
}

TEST(CameraGStreamer, ASlowConsumerSeesOnlyTheNewestFrame)
{
    // The ball pattern moves, so each frame differs; a consumer that looks only at the end
    // must see the last one.
    CameraSource source("videotestsrc num-buffers=30 pattern=ball ! video/x-raw,width=64,height=48 ! videoconvert ! appsink");
    source.Start();
    ASSERT_EQ(WaitForEnd(source), CameraState::EndOfStream) << source.Message();
    CameraFrame frame;
    ASSERT_TRUE(source.TakeFrame(frame));
    EXPECT_EQ(frame.number, 30u);
    EXPECT_EQ(source.Stats().dropped, 29u);
}

TEST(CameraGStreamer, AnEndlessSourceStopsFromAnotherThread)
{
    CameraSource source("videotestsrc is-live=true ! video/x-raw,width=64,height=48,framerate=30/1 ! videoconvert ! appsink");
    source.Start();
    CameraFrame frame;
    ASSERT_TRUE(source.WaitFrame(frame, 10s)) << source.Message();
    EXPECT_EQ(source.State(), CameraState::Running);
    const auto start = std::chrono::steady_clock::now();
    std::thread([&] { source.Close(); }).join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, CameraSource::kCloseWait + 1s);
    EXPECT_EQ(source.State(), CameraState::Closed);
    EXPECT_FALSE(source.WaitFrame(frame, 1s)) << "nothing after the close";
}

TEST(CameraGStreamer, APipelineThatCannotStartFails)
{
    for (const char* pipeline : {"nosuchgrimazeelement ! appsink", "videotestsrc ! video/x-raw,width=0 ! appsink"}) {
        CameraSource source(pipeline);
        source.Start();
        EXPECT_EQ(WaitForEnd(source), CameraState::Failed) << pipeline;
        EXPECT_NE(source.Message().find("pipeline"), std::string::npos) << source.Message();
    }
}

TEST(CameraDevices, AMissingDeviceIsNoCameraAndDevNullIsNotACamera)
{
    std::string missing = "/dev/video97";
    struct stat st {};
    ASSERT_NE(::stat(missing.c_str(), &st), 0) << "this machine has a " << missing;
    for (const std::string& name : {missing, std::string("97")}) {
        CameraSource source(name);
        source.Start();
        EXPECT_EQ(WaitForEnd(source), CameraState::NoCamera);
        EXPECT_NE(source.Message().find("no camera found"), std::string::npos) << source.Message();
    }
    CameraSource null("/dev/null");
    null.Start();
    EXPECT_EQ(WaitForEnd(null), CameraState::NotACamera);
    EXPECT_EQ(null.Message(), "/dev/null is not a camera");
}

TEST(CameraFiles, AWholeFilePlaysToTheEndACutOneFailsAsDamaged)
{
    testenv::TempDir dir;
    const std::string whole = dir / "clip.mkv";
    {
        cv::VideoWriter writer(whole, cv::CAP_FFMPEG, cv::VideoWriter::fourcc('M', 'J', 'P', 'G'), 10, cv::Size(64, 48));
        ASSERT_TRUE(writer.isOpened());
        for (int i = 0; i < 30; ++i) writer.write(cv::Mat(48, 64, CV_8UC3, cv::Scalar(i * 8, 40, 200)));
    }
    const auto size = std::filesystem::file_size(whole);

    auto play = [](const std::string& path, CameraState expected, const char* words) {
        CameraSource source(path);
        source.Start();
        CameraFrame frame;
        while (source.WaitFrame(frame, 10s)) EXPECT_EQ(frame.image.size(), cv::Size(64, 48));
        EXPECT_EQ(source.State(), expected) << path << ": " << source.Message();
        EXPECT_NE(source.Message().find(words), std::string::npos) << source.Message();
        return source.Stats().delivered;
    };
    EXPECT_EQ(play(whole, CameraState::EndOfStream, "ended after 30 frames"), 30u);

    const std::string half = dir / "half.mkv";
    std::filesystem::copy_file(whole, half);
    std::filesystem::resize_file(half, size / 2);
    const auto played = play(half, CameraState::Failed, "the file is damaged");
    EXPECT_GT(played, 0u);
    EXPECT_LT(played, 29u);

    const std::string stub = dir / "stub.mkv";
    std::filesystem::copy_file(whole, stub);
    std::filesystem::resize_file(stub, 200);
    play(stub, CameraState::Failed, "cannot be read as a video");

    play(dir / "absent.mkv", CameraState::NoCamera, "no camera found");
    play(dir.path(), CameraState::Failed, "is not a video file");
}
