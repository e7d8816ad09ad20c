// SPDX-License-Identifier: MIT
#include "camera/CameraSource.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace camera {

const char* StateName(CameraState state)
{
    switch (state) {
    case CameraState::Closed: return "closed";
    case CameraState::Opening: return "opening";
    case CameraState::Running: return "running";
    case CameraState::NoCamera: return "no camera";
    case CameraState::Busy: return "busy";
    case CameraState::NotACamera: return "not a camera";
    case CameraState::Failed: return "failed";
    case CameraState::Disappeared: return "disappeared";
    case CameraState::EndOfStream: return "end of stream";
    }
    return "?";
}

bool IsFinal(CameraState state) { return state != CameraState::Opening && state != CameraState::Running; }

struct CameraSource::Shared {
    mutable std::mutex mutex;
    std::condition_variable changed;  // a frame arrived, the state changed, or the thread ended
    std::atomic<bool> stop{false};
    CameraState state = CameraState::Closed;
    std::string message;
    cv::Mat slot;
    std::uint64_t slotNumber = 0;  // 0: the slot is empty or taken
    std::chrono::steady_clock::time_point slotTime;
    CameraStats stats;
    std::function<void()> callback;
    bool threadDone = false;
};

namespace {

CameraState StateFor(ReadFailure f)
{
    switch (f) {
    case ReadFailure::NotFound: return CameraState::NoCamera;
    case ReadFailure::NotACamera: return CameraState::NotACamera;
    case ReadFailure::Busy: return CameraState::Busy;
    case ReadFailure::Disappeared: return CameraState::Disappeared;
    case ReadFailure::EndOfStream: return CameraState::EndOfStream;
    case ReadFailure::None:
    case ReadFailure::CannotStart:
    case ReadFailure::Damaged: return CameraState::Failed;
    }
    return CameraState::Failed;
}

}  // namespace

CameraSource::CameraSource(const std::string& source)
    : CameraSource(ReaderFactory([source] { return MakeVideoCaptureReader(source); }))
{
}

CameraSource::CameraSource(ReaderFactory factory) : factory_(std::move(factory)), shared_(std::make_shared<Shared>()) {}

CameraSource::~CameraSource() { Close(); }

void CameraSource::SetFrameCallback(std::function<void()> callback)
{
    std::lock_guard lock(shared_->mutex);
    shared_->callback = std::move(callback);
}

void CameraSource::Start()
{
    if (started_) return;
    started_ = true;
    {
        std::lock_guard lock(shared_->mutex);
        shared_->state = CameraState::Opening;
    }
    std::thread(ThreadMain, shared_, factory_, keepEveryFrame_, paced_).detach();
}

void CameraSource::ThreadMain(std::shared_ptr<Shared> shared, ReaderFactory factory, bool keepEveryFrame, bool paced)
{
    std::unique_ptr<FrameReader> reader;
    auto finish = [&](CameraState state, std::string message) {
        // Closing the source (a pipeline's teardown) counts into what Close waits for.
        reader.reset();
        std::lock_guard lock(shared->mutex);
        // A Close that came first has the last word: the user asked for it.
        if (!shared->stop.load()) {
            shared->state = state;
            shared->message = std::move(message);
        }
        shared->threadDone = true;
        shared->changed.notify_all();
    };
    if (factory) reader = factory();
    if (!reader) return finish(CameraState::Failed, "no camera source");
    if (!reader->Open()) return finish(StateFor(reader->failure()), std::string(reader->message()));
    {
        std::lock_guard lock(shared->mutex);
        if (!shared->stop.load()) shared->state = CameraState::Running;
        shared->changed.notify_all();
    }
    // A recording's frames are due at its own rate from the first one on.
    const double fps = paced ? reader->FramesPerSecond() : 0.0;
    const bool pacing = fps > 0.5 && fps <= 1000.0;
    std::chrono::steady_clock::time_point firstDue;
    std::uint64_t read = 0;
    cv::Mat frame;
    while (!shared->stop.load()) {
        if (!reader->Read(frame)) return finish(StateFor(reader->failure()), std::string(reader->message()));
        if (shared->stop.load()) break;
        std::unique_lock lock(shared->mutex);
        if (pacing) {
            if (read == 0) firstDue = std::chrono::steady_clock::now();
            const auto due = firstDue + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                            std::chrono::duration<double>(static_cast<double>(read) / fps));
            ++read;
            // Waiting on the condition lets Close end the wait at once.
            shared->changed.wait_until(lock, due, [&] { return shared->stop.load(); });
            if (shared->stop.load()) break;
        }
        if (keepEveryFrame) {
            shared->changed.wait(lock, [&] { return shared->slotNumber == 0 || shared->stop.load(); });
            if (shared->stop.load()) break;
        }
        if (shared->slotNumber != 0) ++shared->stats.dropped;
        // The reader may reuse its buffer for the next read: the slot gets its own pixels.
        shared->slot = frame.clone();
        shared->slotNumber = ++shared->stats.delivered;
        shared->slotTime = std::chrono::steady_clock::now();
        if (shared->callback) shared->callback();
        shared->changed.notify_all();
    }
    finish(CameraState::Closed, {});
}

void CameraSource::Close()
{
    std::unique_lock lock(shared_->mutex);
    shared_->stop = true;
    shared_->callback = nullptr;
    if (!IsFinal(shared_->state)) shared_->state = CameraState::Closed;
    shared_->changed.notify_all();
    if (!started_) return;
    // A read that blocks is left to end by itself; the thread holds its share of shared_.
    shared_->changed.wait_for(lock, kCloseWait, [&] { return shared_->threadDone; });
}

CameraState CameraSource::State() const
{
    std::lock_guard lock(shared_->mutex);
    return shared_->state;
}

std::string CameraSource::Message() const
{
    std::lock_guard lock(shared_->mutex);
    return shared_->message;
}

CameraStats CameraSource::Stats() const
{
    std::lock_guard lock(shared_->mutex);
    return shared_->stats;
}

bool CameraSource::TakeFrame(CameraFrame& out)
{
    std::lock_guard lock(shared_->mutex);
    if (shared_->slotNumber == 0) return false;
    out.image = std::move(shared_->slot);
    shared_->slot = cv::Mat();
    out.number = shared_->slotNumber;
    out.captured = shared_->slotTime;
    shared_->slotNumber = 0;
    ++shared_->stats.taken;
    shared_->changed.notify_all();
    return true;
}

bool CameraSource::WaitFrame(CameraFrame& out, std::chrono::milliseconds timeout)
{
    {
        std::unique_lock lock(shared_->mutex);
        shared_->changed.wait_for(lock, timeout, [&] {
            return shared_->slotNumber != 0 || IsFinal(shared_->state) || shared_->stop.load();
        });
    }
    return TakeFrame(out);
}

}  // namespace camera
