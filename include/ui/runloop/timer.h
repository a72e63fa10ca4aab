#pragma once

#include <ui/runloop/clock.h>
#include <ui/runloop/run_loop_mode.h>

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace ui {

class RunLoop;

// A one-shot or repeating timer fired by a RunLoop. Timers are shared objects; the loop keeps a reference
// to each of its timers until the timer is invalidated, so a scheduled timer needs no other owner.
//
// A one-shot timer fires once at its fire date and is then invalidated. A repeating timer fires at its fire
// date and every interval after it. A loop that could not fire a repeating timer for a while (it was running
// in another mode, or busy) fires it once, late, and moves its next fire date to the first multiple of the
// interval after now on the original schedule: missed firings are dropped, not queued.
//
// Timers belong to their loop's thread (the main thread for Timer::scheduled): create, add, fire and
// invalidate them there. Calls from other threads trip a debug assertion, yet still do no harm: the
// state is guarded by a lock.
class Timer : public std::enable_shared_from_this<Timer> {
public:
    using Block = std::function<void(Timer&)>;

    // Intervals are at least this long; shorter or negative ones are raised to it, so that a repeating timer
    // can never make a run loop spin.
    static constexpr Clock::duration kMinimumInterval = std::chrono::microseconds(100);

    // A timer whose first fire date is `interval` after it is added to a run loop (on that loop's clock).
    // An empty block is allowed and does nothing when fired.
    static std::shared_ptr<Timer> create(Clock::duration interval, bool repeats, Block block,
                                         std::any userInfo = {});
    // A timer that first fires at `fireDate` (on the clock of the loop it is added to).
    static std::shared_ptr<Timer> create(Clock::time_point fireDate, Clock::duration interval, bool repeats,
                                         Block block, std::any userInfo = {});

    // Creates a timer and adds it to the main run loop for `mode`. Main thread only.
    static std::shared_ptr<Timer> scheduled(Clock::duration interval, bool repeats, Block block,
                                            RunLoopMode mode = RunLoopMode::Default, std::any userInfo = {});

    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // Runs the block now, whatever the fire date, without changing a repeating timer's schedule. A one-shot
    // timer is invalidated afterwards. Does nothing on an invalidated timer.
    void fire();

    // Stops the timer for good and releases its block (a block running right now finishes normally). Safe
    // to call from inside the timer's own block; a repeating timer invalidated there does not fire again.
    void invalidate();
    bool isValid() const;

    // The next fire date; nothing for a timer created without a date that has not been added to a loop yet.
    std::optional<Clock::time_point> fireDate() const;
    // Moves the next fire date (e.g. from inside the block to delay a repeating timer). Ignored once
    // invalidated.
    void setFireDate(Clock::time_point date);

    Clock::duration interval() const noexcept { return interval_; }
    bool repeats() const noexcept { return repeats_; }
    const std::any& userInfo() const noexcept { return userInfo_; }

private:
    friend class RunLoop;

    Timer(std::optional<Clock::time_point> fireDate, Clock::duration interval, bool repeats, Block block,
          std::any userInfo);

    // Called by the loop with its own lock held: binds the timer to `loop` and gives a dateless timer its
    // first date. False when the timer is invalid or already bound to another loop.
    bool attach(const RunLoop* loop, Clock::time_point now);
    // The fire date if the timer is valid and due at `now`.
    std::optional<Clock::time_point> dueDate(Clock::time_point now) const;
    // The fire date if the timer is valid.
    std::optional<Clock::time_point> pendingDate() const;
    // Fires the timer if it is still valid and due at `now`; returns whether it fired.
    bool fireIfDue(Clock::time_point now);
    void runBlock(const std::shared_ptr<const Block>& block, bool oneShot);

    const Clock::duration interval_;
    const bool repeats_;
    const std::any userInfo_;

    mutable std::mutex mutex_;
    std::optional<Clock::time_point> fireDate_;
    std::shared_ptr<const Block> block_;
    bool valid_ = true;
    const RunLoop* loop_ = nullptr;
};

} // namespace ui
