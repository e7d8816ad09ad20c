// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file LiveLoop.h
 * @brief The live view's rendering thread: it takes the newest camera frame, renders it
 * through its own copy of the template and hands the result over; shots are rendered at full
 * size on the same thread.
 *
 * Threads and locks:
 * - The loop thread alone renders: the template handed to SetTemplate becomes its own and is
 *   touched by no other thread from then on.
 * - Any other thread sets the template, the view size and the mirror flag, queues shots, takes
 *   results and stops the loop. mutex_ guards all of that.
 * - The camera source's mailbox already drops a frame that waits while one renders, so the
 *   result is never more than a frame behind.
 * - The notification runs on the loop thread, without the lock, once per Take: whoever owns the
 *   loop is told there is something new and takes the newest when it gets to it.
 */
#include "camera/CameraSource.h"
#include "camera/LiveRenderer.h"
#include "engine/EffectTemplate.h"
#include "engine/RefPtr.h"

#include <opencv2/core.hpp>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace camera {

class LiveLoop {
public:
    /** Renders a frame (already mirrored if asked) for view; the default is renderer.Render. */
    using RenderFn = std::function<cv::Mat(LiveRenderer& renderer, const cv::Mat& frame, cv::Size view)>;

    struct Result {
        cv::Mat image;  ///< the rendering (the plain frame when there is no template)
        cv::Mat frame;  ///< its camera frame, full size, not mirrored
        std::uint64_t number = 0;  ///< the camera's frame number
        std::chrono::steady_clock::time_point captured;
    };
    struct Shot {
        std::string path;
        cv::Mat frame;
        cv::Mat result;  ///< filled by the loop: the frame rendered at full size
    };

    /** The source must outlive the loop (or its Stop). notify may be empty. */
    LiveLoop(CameraSource& source, std::function<void()> notify, RenderFn render = {});
    ~LiveLoop();
    LiveLoop(const LiveLoop&) = delete;
    LiveLoop& operator=(const LiveLoop&) = delete;

    void Start();
    /**
     * @brief Ends the thread after the frame it renders; from any thread but the loop's own.
     * Close the source first when it may block, so a thread waiting for a frame goes at once.
     */
    void Stop();

    /** The next frames render through templ (null: the plain frames). The loop keeps it. */
    void SetTemplate(engine::RefPtr<engine::CEffectTemplate> templ);
    void SetView(cv::Size view);
    void SetMirror(bool on);
    /** Renders shot.frame at full size on the loop thread; it comes back through TakeShots. */
    void RenderShot(Shot shot);

    /** The newest result not taken yet; false when none came since the last Take. */
    bool TakeResult(Result& out);
    /** Shots rendered since the last call, in order. */
    std::deque<Shot> TakeShots();
    /** Frames rendered since Start. */
    std::uint64_t Rendered() const;

private:
    void Run();
    void Notify();

    CameraSource& source_;
    std::function<void()> notify_;
    RenderFn render_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> notified_{false};

    mutable std::mutex mutex_;
    engine::RefPtr<engine::CEffectTemplate> nextTemplate_;
    bool templateChanged_ = false;
    cv::Size view_{640, 480};
    bool mirror_ = true;
    Result result_;
    bool haveResult_ = false;
    std::uint64_t rendered_ = 0;
    std::deque<Shot> toRender_, renderedShots_;
};

}  // namespace camera
