#include "controls/QtNotify.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace controls {
namespace {

const QEvent::Type kNotifyEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
const QEvent::Type kJobEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

struct NotifyEvent final : QEvent {
    NotifyEvent(platform::WindowId w, int c, std::intptr_t pa, std::intptr_t pb)
        : QEvent(kNotifyEvent), window(w), code(c), a(pa), b(pb)
    {
    }
    platform::WindowId window;
    int code;
    std::intptr_t a, b;
};

struct JobEvent final : QEvent {
    explicit JobEvent(std::function<void()> j) : QEvent(kJobEvent), job(std::move(j)) {}
    std::function<void()> job;
};

// Codes below zero are for the sink itself; they never collide with the program's numbers.
constexpr int kInvalidateCode = -1;

QtNotificationSink* g_instance = nullptr;

bool OnInterfaceThread()
{
    return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
}

}  // namespace

NotifyTarget::NotifyTarget(QWidget* self) : self_(self), id_(QtNotificationSink::Instance().Register(this)) {}

NotifyTarget::~NotifyTarget() { QtNotificationSink::Instance().Unregister(id_); }

QtNotificationSink::QtNotificationSink() = default;

QtNotificationSink::~QtNotificationSink()
{
    if (platform::CurrentSink() == this) platform::InstallSink(nullptr);
    if (g_instance == this) g_instance = nullptr;
}

QtNotificationSink& QtNotificationSink::Instance()
{
    if (!g_instance) {
        // Lives as long as the application object; parented so it goes with it.
        g_instance = new QtNotificationSink;
        if (QCoreApplication::instance()) g_instance->setParent(QCoreApplication::instance());
    }
    return *g_instance;
}

void QtNotificationSink::Install() { platform::InstallSink(&Instance()); }

platform::WindowId QtNotificationSink::Register(NotifyTarget* target)
{
    const platform::WindowId id = nextId_++;
    targets_[id] = target;
    return id;
}

void QtNotificationSink::Unregister(platform::WindowId window)
{
    targets_.erase(window);
    for (auto it = timers_.begin(); it != timers_.end();) {
        if (it->first.first == window) {
            it->second->deleteLater();
            it = timers_.erase(it);
        } else {
            ++it;
        }
    }
}

NotifyTarget* QtNotificationSink::Find(platform::WindowId window) const
{
    auto it = targets_.find(window);
    return it == targets_.end() ? nullptr : it->second;
}

int QtNotificationSink::Pending() const { return pending_.load(); }

void QtNotificationSink::Post(platform::WindowId window, int code, std::intptr_t a, std::intptr_t b)
{
    if (!window) return;
    ++pending_;
    QCoreApplication::postEvent(this, new NotifyEvent(window, code, a, b));
}

std::intptr_t QtNotificationSink::Send(platform::WindowId window, int code, std::intptr_t a, std::intptr_t b)
{
    if (!OnInterfaceThread()) {
        // A worker must never wait for the interface thread, which may be waiting for it.
        Post(window, code, a, b);
        return 0;
    }
    NotifyTarget* target = Find(window);
    return target ? target->OnNotify(code, a, b) : 0;
}

void QtNotificationSink::RunOnInterfaceThread(std::function<void()> job)
{
    if (OnInterfaceThread()) job();
    else QCoreApplication::postEvent(this, new JobEvent(std::move(job)));
}

void QtNotificationSink::SetTimer(platform::WindowId window, int id, int milliseconds)
{
    RunOnInterfaceThread([this, window, id, milliseconds] {
        if (!Find(window)) return;
        QTimer*& timer = timers_[{window, id}];
        if (!timer) {
            timer = new QTimer(this);
            QObject::connect(timer, &QTimer::timeout, this, [this, window, id] {
                if (NotifyTarget* t = Find(window)) t->OnTimer(id);
            });
        }
        timer->start(std::max(1, milliseconds));
    });
}

void QtNotificationSink::KillTimer(platform::WindowId window, int id)
{
    RunOnInterfaceThread([this, window, id] {
        auto it = timers_.find({window, id});
        if (it == timers_.end()) return;
        it->second->stop();
        it->second->deleteLater();
        timers_.erase(it);
    });
}

void QtNotificationSink::SetCursor(platform::CursorShape shape)
{
    RunOnInterfaceThread([this, shape] {
        if (cursorWidget_) cursorWidget_->setCursor(ToQtCursor(shape));
    });
}

void QtNotificationSink::Invalidate(platform::WindowId window) { Post(window, kInvalidateCode, 0, 0); }

bool QtNotificationSink::event(QEvent* e)
{
    if (e->type() == kNotifyEvent) {
        auto* n = static_cast<NotifyEvent*>(e);
        if (NotifyTarget* target = Find(n->window)) {
            if (n->code == kInvalidateCode) target->Widget()->update();
            else target->OnNotify(n->code, n->a, n->b);
        }
        --pending_;
        return true;
    }
    if (e->type() == kJobEvent) {
        static_cast<JobEvent*>(e)->job();
        return true;
    }
    return QObject::event(e);
}

Qt::CursorShape ToQtCursor(platform::CursorShape shape)
{
    switch (shape) {
    case platform::CursorShape::Arrow: return Qt::ArrowCursor;
    case platform::CursorShape::SizeAll: return Qt::SizeAllCursor;
    case platform::CursorShape::SizeNESW: return Qt::SizeBDiagCursor;
    case platform::CursorShape::SizeNWSE: return Qt::SizeFDiagCursor;
    case platform::CursorShape::SizeNS: return Qt::SizeVerCursor;
    case platform::CursorShape::SizeWE: return Qt::SizeHorCursor;
    case platform::CursorShape::Hand: return Qt::PointingHandCursor;
    case platform::CursorShape::Wait: return Qt::WaitCursor;
    }
    return Qt::ArrowCursor;
}

}  // namespace controls
