// SPDX-License-Identifier: MIT
#include "camera/LiveLoop.h"

using engine::CEffectTemplate;
using engine::RefPtr;

namespace camera {

LiveLoop::LiveLoop(CameraSource& source, std::function<void()> notify, RenderFn render)
    : source_(source), notify_(std::move(notify)), render_(std::move(render))
{
    if (!render_) render_ = [](LiveRenderer& r, const cv::Mat& frame, cv::Size view) { return r.Render(frame, view); };
}

LiveLoop::~LiveLoop() { Stop(); }

void LiveLoop::Start()
{
    if (thread_.joinable()) return;
    stop_ = false;
    notified_ = false;
    {
        std::lock_guard lock(mutex_);
        haveResult_ = false;
        result_ = {};
        rendered_ = 0;
    }
    thread_ = std::thread(&LiveLoop::Run, this);
}

void LiveLoop::Stop()
{
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void LiveLoop::SetTemplate(RefPtr<CEffectTemplate> templ)
{
    std::lock_guard lock(mutex_);
    nextTemplate_ = std::move(templ);
    templateChanged_ = true;
}

void LiveLoop::SetView(cv::Size view)
{
    std::lock_guard lock(mutex_);
    view_ = cv::Size(std::max(1, view.width), std::max(1, view.height));
}

void LiveLoop::SetMirror(bool on)
{
    std::lock_guard lock(mutex_);
    mirror_ = on;
}

void LiveLoop::RenderShot(Shot shot)
{
    std::lock_guard lock(mutex_);
    toRender_.push_back(std::move(shot));
}

bool LiveLoop::TakeResult(Result& out)
{
    // Cleared before taking: a result that lands meanwhile notifies again rather than waiting unseen.
    notified_ = false;
    std::lock_guard lock(mutex_);
    if (!haveResult_) return false;
    out = std::move(result_);
    result_ = {};
    haveResult_ = false;
    return true;
}

std::deque<LiveLoop::Shot> LiveLoop::TakeShots()
{
    notified_ = false;
    std::lock_guard lock(mutex_);
    std::deque<Shot> done;
    done.swap(renderedShots_);
    return done;
}

std::uint64_t LiveLoop::Rendered() const
{
    std::lock_guard lock(mutex_);
    return rendered_;
}

void LiveLoop::Notify()
{
    if (notify_ && !notified_.exchange(true)) notify_();
}

void LiveLoop::Run()
{
    LiveRenderer live{RefPtr<CEffectTemplate>()};
    while (!stop_.load()) {
        cv::Size view;
        bool mirror = true;
        std::deque<Shot> shots;
        {
            std::lock_guard lock(mutex_);
            if (templateChanged_) {
                live = LiveRenderer(std::move(nextTemplate_));
                nextTemplate_ = {};
                templateChanged_ = false;
            }
            view = view_;
            mirror = mirror_;
            shots.swap(toRender_);
        }
        // A shot's result goes into the history as an export would make it: full size.
        for (Shot& shot : shots) {
            shot.result = live.Template() ? live.Render(shot.frame) : shot.frame.clone();
            std::lock_guard lock(mutex_);
            renderedShots_.push_back(std::move(shot));
        }
        if (!shots.empty()) Notify();
        CameraFrame frame;
        if (!source_.WaitFrame(frame, std::chrono::milliseconds(100))) {
            // An ended camera answers at once: do not spin on it.
            if (IsFinal(source_.State())) std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        const cv::Mat input = mirror ? Mirrored(frame.image) : frame.image;
        cv::Mat image = live.Template() ? render_(live, input, view) : input.clone();
        {
            std::lock_guard lock(mutex_);
            result_ = {std::move(image), frame.image, frame.number, frame.captured};
            haveResult_ = true;
            ++rendered_;
        }
        Notify();
    }
}

}  // namespace camera
