#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <utility>

namespace ui {

// One-time initialisation, the equivalent of dispatch_once: `once.call(f)` runs `f` the first time and
// never again. Function-local statics are the simplest tool when the result is a value; Once is for
// initialising something that is not (registering, filling a table, starting a service).
//
// - Concurrent callers wait for the call that is running `f`; when they return, its effects are visible.
// - If `f` throws, the exception reaches its caller and nothing counts as done: the next call tries again.
// - A call made from inside `f` on the same thread (directly or not) returns false at once instead of
//   deadlocking, which is what std::call_once would do; that is why this is not a std::call_once wrapper.
class Once {
public:
    Once() = default;
    Once(const Once&) = delete;
    Once& operator=(const Once&) = delete;

    // Runs `f` unless a call already completed it. Returns true for the call that ran `f` to completion.
    template <class F>
    bool call(F&& f);

    // Whether a call has completed.
    bool isDone() const noexcept { return done_.load(std::memory_order_acquire); }

private:
    std::atomic<bool> done_{false};
    std::recursive_mutex mutex_;
    bool running_ = false; // guarded by mutex_; true while `f` runs
};

template <class F>
bool Once::call(F&& f) {
    if (done_.load(std::memory_order_acquire)) {
        return false;
    }
    std::lock_guard lock(mutex_);
    // running_ can only be seen true here by the thread that is inside f: any other thread waits on the lock.
    if (done_.load(std::memory_order_relaxed) || running_) {
        return false;
    }
    running_ = true;
    struct ClearRunning {
        bool& running;
        ~ClearRunning() { running = false; }
    } clearRunning{running_};
    std::invoke(std::forward<F>(f));
    done_.store(true, std::memory_order_release);
    return true;
}

} // namespace ui
