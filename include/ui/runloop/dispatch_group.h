#pragma once

#include <ui/runloop/clock.h>
#include <ui/runloop/dispatch_queue.h>

#include <cstddef>
#include <memory>

namespace ui {

// Tracks a set of pending tasks: enter() when one starts, leave() when it ends. notify() blocks run once the
// count is back to zero; wait() blocks the calling thread until then.
//
// A DispatchGroup is a handle: copies share one group, and the group lives as long as any copy or any task
// submitted through async(). All members may be called from any thread.
class DispatchGroup {
public:
    DispatchGroup();

    void enter();

    // Ends a task. A leave() without a matching enter() is a programming error: it is reported by a debug
    // assertion and otherwise ignored, returning false (the count never goes below zero).
    bool leave();

    // enter(), then runs `block` on `queue` and leave()s after it. The group is left even when the block
    // throws or the queue discards it (a queue shutting down at exit), so waiters are never stranded.
    void async(DispatchQueue& queue, DispatchQueue::Block block);

    // Submits `block` to `queue` when the count reaches zero, once. If it is zero already, the block is
    // submitted right away; it still runs asynchronously, never inside notify(). The queue must outlive the
    // group's pending tasks (the built-in queues live forever).
    void notify(DispatchQueue& queue, DispatchQueue::Block block);

    // Blocks until the count is zero or `timeout` of real time passed. Returns whether the count reached
    // zero. Waiting on the main thread for tasks that need the main queue only ends at the timeout.
    bool wait(RealClock::duration timeout);

    // Tasks entered and not left yet.
    std::size_t pendingCount() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace ui
