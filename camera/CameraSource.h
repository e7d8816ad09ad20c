// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file CameraSource.h
 * @brief A live picture source: frames from a camera, a GStreamer pipeline or a video file,
 * read on a thread of their own into a single-slot mailbox.
 *
 * Threads and locks:
 * - The camera thread opens the source, reads frames and puts each into the slot, replacing
 *   one nobody took (the newest frame wins: a slow consumer skips frames instead of falling
 *   behind). It alone touches the FrameReader.
 * - Any other thread may take frames, read the state and close. mutex_ (inside the shared
 *   block) guards the slot, the state, the message, the counters and the frame callback.
 * - Close never waits for a read that blocks (a stalled device, a pipeline without data): it
 *   waits up to kCloseWait for the thread, then leaves it behind. The thread owns a share of
 *   the block it writes to and ends by itself once its read returns.
 */
#include "camera/FrameReader.h"

#include <opencv2/core.hpp>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace camera {

enum class CameraState {
    Closed,       ///< not started, or closed
    Opening,      ///< the thread is opening the source
    Running,      ///< frames arrive
    NoCamera,     ///< nothing by that name
    Busy,         ///< the device exists but another program holds it
    NotACamera,   ///< the name leads to something that is not a video source (/dev/null)
    Failed,       ///< the source would not start (a bad pipeline, an unreadable or damaged file)
    Disappeared,  ///< the device went away while running
    EndOfStream,  ///< a pipeline or a file ended normally
};

/** A short English name of the state ("running", "no camera"), for logs and the CLI. */
const char* StateName(CameraState state);
/** True for the states in which no more frames will come. */
bool IsFinal(CameraState state);

struct CameraFrame {
    cv::Mat image;              ///< BGR, 8 bits, owned by the frame
    std::uint64_t number = 0;   ///< 1 for the first frame the source delivered
    std::chrono::steady_clock::time_point captured;  ///< when the read returned it
};

struct CameraStats {
    std::uint64_t delivered = 0;  ///< frames read from the source
    std::uint64_t taken = 0;      ///< frames a consumer took
    std::uint64_t dropped = 0;    ///< frames replaced in the slot before anyone took them
};

class CameraSource {
public:
    using ReaderFactory = std::function<std::unique_ptr<FrameReader>()>;
    /** The longest Close waits for the camera thread. */
    static constexpr std::chrono::milliseconds kCloseWait{700};

    /** A source named as ParseSourceName reads it, opened with OpenCV's VideoCapture. */
    explicit CameraSource(const std::string& source);
    /** A source whose reader the factory makes (on the camera thread); for tests. */
    explicit CameraSource(ReaderFactory factory);
    ~CameraSource();
    CameraSource(const CameraSource&) = delete;
    CameraSource& operator=(const CameraSource&) = delete;

    /**
     * @brief Called on the camera thread after each new frame is in the slot, with the lock held:
     * it must only signal (post a notification), never call back into this source. Set before Start.
     */
    void SetFrameCallback(std::function<void()> callback);

    /**
     * @brief Makes the camera thread wait until the frame in the slot is taken before reading
     * the next, so nothing is dropped: for a file or a finite pipeline read as fast as the
     * consumer renders. A live camera should drop instead. Set before Start.
     */
    void SetKeepEveryFrame(bool keep) { keepEveryFrame_ = keep; }

    /**
     * @brief Plays a recording (a video file) at the rate it was made at instead of as fast as
     * it decodes, as a live view should show it. Live sources keep their own pace. Set before Start.
     */
    void SetPaced(bool paced) { paced_ = paced; }

    /** Starts the camera thread (once); the state becomes Opening. */
    void Start();
    /** Stops the thread; from any thread, never longer than kCloseWait. The state becomes Closed. */
    void Close();

    CameraState State() const;
    /** Why the source stopped or failed, in words for the user; empty while all is well. */
    std::string Message() const;
    CameraStats Stats() const;

    /** The newest frame not taken yet; false when there is none. Never blocks. */
    bool TakeFrame(CameraFrame& out);
    /**
     * @brief Waits for a frame not taken yet. False when the time-out passes, or the source
     * ended (or was closed) with no frame left.
     */
    bool WaitFrame(CameraFrame& out, std::chrono::milliseconds timeout);

private:
    struct Shared;
    static void ThreadMain(std::shared_ptr<Shared> shared, ReaderFactory factory, bool keepEveryFrame, bool paced);

    ReaderFactory factory_;
    std::shared_ptr<Shared> shared_;
    bool started_ = false;
    bool keepEveryFrame_ = false;
    bool paced_ = false;
};

}  // namespace camera
