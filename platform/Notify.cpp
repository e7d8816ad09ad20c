#include "platform/Notify.h"

#include <atomic>

namespace platform {
namespace {

class DroppingSink final : public NotificationSink {
public:
    void Post(WindowId, int, std::intptr_t, std::intptr_t) override {}
    std::intptr_t Send(WindowId, int, std::intptr_t, std::intptr_t) override { return 0; }
    void SetTimer(WindowId, int, int) override {}
    void KillTimer(WindowId, int) override {}
    void SetCursor(CursorShape) override {}
    void Invalidate(WindowId) override {}
};

DroppingSink g_dropping;
std::atomic<NotificationSink*> g_sink{&g_dropping};

}  // namespace

void InstallSink(NotificationSink* sink) { g_sink.store(sink ? sink : &g_dropping); }
NotificationSink* CurrentSink() { return g_sink.load(); }

void Post(WindowId window, int code, std::intptr_t a, std::intptr_t b)
{
    if (window) g_sink.load()->Post(window, code, a, b);
}
std::intptr_t Send(WindowId window, int code, std::intptr_t a, std::intptr_t b)
{
    return window ? g_sink.load()->Send(window, code, a, b) : 0;
}
void SetTimer(WindowId window, int id, int milliseconds) { g_sink.load()->SetTimer(window, id, milliseconds); }
void KillTimer(WindowId window, int id) { g_sink.load()->KillTimer(window, id); }
void SetCursor(CursorShape shape) { g_sink.load()->SetCursor(shape); }
void Invalidate(WindowId window)
{
    if (window) g_sink.load()->Invalidate(window);
}

}  // namespace platform
