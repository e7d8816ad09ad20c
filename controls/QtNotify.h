#pragma once
/**
 * @file QtNotify.h
 * @brief The numbered notifications of the platform layer, delivered to Qt widgets.
 *
 * Every window that takes notifications derives from NotifyTarget, which gives it a WindowId
 * for as long as it lives. QtNotificationSink is the platform::NotificationSink of the
 * desktop program: Post from any thread queues the notification on the interface thread,
 * where it is handed to the target if that still exists (a notification for a window that
 * has gone is dropped, as the window system drops messages to destroyed windows). Ids are
 * never reused, so a late notification cannot reach a different window.
 *
 * Threads: Post, Send, SetTimer, KillTimer, SetCursor and Invalidate may come from any
 * thread; the id map is touched on the interface thread only.
 */
#include "platform/Notify.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <utility>

class QWidget;
class QTimer;

namespace controls {

class NotifyTarget {
public:
    explicit NotifyTarget(QWidget* self);
    virtual ~NotifyTarget();
    NotifyTarget(const NotifyTarget&) = delete;
    NotifyTarget& operator=(const NotifyTarget&) = delete;

    platform::WindowId WindowId() const { return id_; }
    QWidget* Widget() const { return self_; }

    /** A notification arrived (posted or sent); the answer goes back to Send. */
    virtual std::intptr_t OnNotify(int code, std::intptr_t a, std::intptr_t b)
    {
        (void)code, (void)a, (void)b;
        return 0;
    }
    /** A timer set with platform::SetTimer fired. */
    virtual void OnTimer(int id) { (void)id; }

private:
    QWidget* self_;
    platform::WindowId id_;
};

class QtNotificationSink final : public QObject, public platform::NotificationSink {
public:
    QtNotificationSink();
    ~QtNotificationSink() override;

    /** The sink of this process (created on first use on the interface thread). */
    static QtNotificationSink& Instance();
    /** Creates the sink and installs it as the platform's sink. */
    static void Install();

    void Post(platform::WindowId window, int code, std::intptr_t a, std::intptr_t b) override;
    std::intptr_t Send(platform::WindowId window, int code, std::intptr_t a, std::intptr_t b) override;
    void SetTimer(platform::WindowId window, int id, int milliseconds) override;
    void KillTimer(platform::WindowId window, int id) override;
    void SetCursor(platform::CursorShape shape) override;
    void Invalidate(platform::WindowId window) override;

    /** The widget whose pointer shape SetCursor changes (the view handing input to a template). */
    void SetCursorWidget(QWidget* widget) { cursorWidget_ = widget; }

    NotifyTarget* Find(platform::WindowId window) const;
    /** How many notifications were posted and not yet delivered (tests wait for 0). */
    int Pending() const;

    // Used by NotifyTarget.
    platform::WindowId Register(NotifyTarget* target);
    void Unregister(platform::WindowId window);

protected:
    bool event(QEvent* e) override;

private:
    void RunOnInterfaceThread(std::function<void()> job);

    std::map<platform::WindowId, NotifyTarget*> targets_;
    std::map<std::pair<platform::WindowId, int>, QTimer*> timers_;
    platform::WindowId nextId_ = 1;
    QPointer<QWidget> cursorWidget_;
    std::atomic<int> pending_{0};
};

/** Qt cursor for a platform shape. */
Qt::CursorShape ToQtCursor(platform::CursorShape shape);

}  // namespace controls
