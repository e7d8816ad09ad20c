#pragma once
/**
 * @file ReleasableLock.h
 * @brief A lock that a thread other than its taker may release.
 *
 * The photo document takes its rendering lock on the interface thread and the rendering
 * thread releases it when a background rendering ends, which a mutex forbids. A binary
 * semaphore allows it. Meets Lockable, so std::unique_lock works with it.
 */
#include <chrono>
#include <semaphore>

namespace platform {

class ReleasableLock {
public:
    void lock() { sem_.acquire(); }
    bool try_lock() { return sem_.try_acquire(); }
    template <class Rep, class Period>
    bool try_lock_for(const std::chrono::duration<Rep, Period>& d) { return sem_.try_acquire_for(d); }
    void unlock() { sem_.release(); }

private:
    std::binary_semaphore sem_{1};
};

}  // namespace platform
