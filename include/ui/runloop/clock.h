#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace ui {

// Real (monotonic) time. Hang guards, DispatchGroup::wait and the global queue's delays are measured in it.
using RealClock = std::chrono::steady_clock;

// A one-bit, self-clearing signal a sleeping thread waits on. signal() may be called from any thread; a
// signal given before the sleeper starts waiting is not lost, it makes the next wait return at once.
class Wakeup {
public:
    Wakeup() = default;
    Wakeup(const Wakeup&) = delete;
    Wakeup& operator=(const Wakeup&) = delete;

    void signal();

    // Waits until signalled or until `realLimit`, and clears the signal. Returns whether it was signalled.
    // May also return early (false) after a long wait; callers re-check their own state and wait again.
    bool wait(RealClock::time_point realLimit);

private:
    std::mutex mutex_;
    std::condition_variable condition_;
    bool signalled_ = false;
};

// The time source of a run loop. Time points and durations are steady_clock's types, so code reads the same
// whether the loop runs on real time (SteadyClock) or on test time (ManualClock).
class Clock {
public:
    using duration = std::chrono::steady_clock::duration;
    using time_point = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;

    virtual time_point now() const = 0;

    // now() + d, clamped to the representable range instead of overflowing.
    time_point after(duration d) const;

    // Blocks the calling thread until `wakeup` is signalled, until this clock reaches `until`, or until the
    // real time `realLimit` passes, whichever comes first. Spurious early returns are allowed: the caller
    // re-checks what it waits for. A run loop calls this with its own Wakeup, which perform() signals.
    virtual void sleepUntil(Wakeup& wakeup, time_point until, RealClock::time_point realLimit) = 0;
};

// Real time: now() is std::chrono::steady_clock::now().
class SteadyClock final : public Clock {
public:
    time_point now() const override;
    void sleepUntil(Wakeup& wakeup, time_point until, RealClock::time_point realLimit) override;
};

// Test time: it stands still until advance() or setNow() moves it. A thread sleeping on a ManualClock waits
// (without spinning) for its Wakeup, for another thread to move the clock, or for its real-time limit; moving
// the clock wakes every sleeper so that work that became due runs. Time never goes backwards.
class ManualClock final : public Clock {
public:
    explicit ManualClock(time_point start = time_point{});

    time_point now() const override;

    // Moves time forward by `by` (clamped at the end of the representable range) and wakes every sleeper.
    // A negative `by` is refused: returns false and changes nothing.
    bool advance(duration by);

    // Sets the time to `to` and wakes every sleeper. Moving backwards is refused: returns false.
    bool setNow(time_point to);

    void sleepUntil(Wakeup& wakeup, time_point until, RealClock::time_point realLimit) override;

private:
    void wakeSleepersLocked();

    mutable std::mutex mutex_;
    time_point now_;
    std::vector<Wakeup*> sleepers_;
};

// t + d clamped to [time_point::min(), time_point::max()].
Clock::time_point addSaturating(Clock::time_point t, Clock::duration d) noexcept;

} // namespace ui
