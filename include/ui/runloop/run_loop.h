#pragma once

#include <ui/runloop/clock.h>
#include <ui/runloop/run_loop_mode.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

namespace ui {

class Timer;

// An event loop bound to one thread: it runs blocks posted from any thread, in FIFO order and in every
// mode, and fires its timers while its thread runs it in the timers' mode.
//
// A pass (runOnce, and each step of runUntil) first runs every block that was posted, or whose performAt
// time came, before the pass started, in posting order; blocks posted by those blocks wait for the next pass.
// It then fires, in fire-date order, every timer of the running mode that is due at the clock's time. Passes
// may nest: a block may run the loop again (say in Tracking mode); the inner run continues with the same
// FIFO queue, so posting order is kept across nesting levels.
//
// Time comes from the loop's Clock (SteadyClock unless setClock installs another). Timer dates, performAt
// times and run deadlines are all on that clock's scale. With a ManualClock the loop never waits in real
// time for manual time to pass: it sleeps until a block is posted or the clock is moved. The run functions
// also take a real-time limit, so a test can bound a run whose manual deadline nobody reaches.
//
// Thread safety: perform, performAt, performAfter, wakeUp, setClock, clock and currentMode may be called
// from any thread. Running the loop is only allowed on its own thread (other threads are refused). Timers are
// added on the loop's thread; doing it elsewhere trips a debug assertion but is still safe.
class RunLoop {
public:
    using Block = std::function<void()>;

    // No real-time limit: the run ends only by its predicate or its deadline.
    static constexpr RealClock::duration kNoRealTimeLimit = RealClock::duration::max();

    // Why a run returned.
    enum class RunOutcome {
        Satisfied,            // the predicate became true
        DeadlineReached,      // the loop's clock reached the deadline
        RealTimeLimitReached, // the real-time limit passed first
        Refused,              // wrong thread, or asked to run in RunLoopMode::Common
    };

    // A loop bound to the calling thread. The process's main loop is RunLoop::main(); other loops are for
    // worker threads or for tests.
    RunLoop();
    ~RunLoop();
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    // The main run loop, bound to the main thread: the first thread that calls main(). The library calls it
    // during static initialisation, which makes that the thread running main(). It is never destroyed, so
    // posting to it stays safe during process exit.
    static RunLoop& main();

    // Whether the calling thread is this loop's thread.
    bool isCurrentThread() const noexcept;
    std::thread::id thread() const noexcept { return thread_; }

    // Replaces the time source; nullptr restores a SteadyClock. Existing timer dates and performAt times are
    // kept as they are and read on the new clock's scale, so swap clocks while nothing is scheduled.
    void setClock(std::shared_ptr<Clock> clock);
    std::shared_ptr<Clock> clock() const;

    // Posts `block` to run on the loop's thread in a later pass, in any mode. Empty blocks are ignored.
    void perform(Block block);
    // Posts `block` to run once the loop's clock reaches `when` (ties run in posting order), in any mode.
    void performAt(Clock::time_point when, Block block);
    // performAt(clock()->now() + delay).
    void performAfter(Clock::duration delay, Block block);

    // Makes a sleeping run return to check its predicate, e.g. after another thread changed what the
    // predicate reads without posting a block.
    void wakeUp();

    // Schedules `timer` for `mode` (Common: both modes). Adding a timer already in this loop adds the mode to
    // those it fires in. A timer made without a fire date gets now + interval on the loop's clock. Returns
    // false, changing nothing, for a null or invalidated timer or one already scheduled in another loop.
    bool addTimer(const std::shared_ptr<Timer>& timer, RunLoopMode mode = RunLoopMode::Default);

    // One pass in `mode`, without blocking. Returns whether any block ran or any timer fired; false also when
    // refused (wrong thread, or mode Common).
    bool runOnce(RunLoopMode mode = RunLoopMode::Default);

    // Runs passes in `mode`, sleeping while there is nothing to do, until `done()` is true or the clock
    // reaches `deadline` or `realTimeLimit` of real time passes. `done` is checked before the first pass and
    // after every pass and every wake-up; an empty `done` never becomes true. When the deadline or the limit
    // is reached the loop still makes one last pass, so work due exactly at the deadline runs. A deadline
    // already past makes this a single pass.
    RunOutcome run(const std::function<bool()>& done, Clock::time_point deadline,
                   RunLoopMode mode = RunLoopMode::Default,
                   RealClock::duration realTimeLimit = kNoRealTimeLimit);

    // run(...) == RunOutcome::Satisfied.
    bool runUntil(const std::function<bool()>& done, Clock::time_point deadline,
                  RunLoopMode mode = RunLoopMode::Default,
                  RealClock::duration realTimeLimit = kNoRealTimeLimit);

    // Runs for `duration` of the loop's clock. Returns true when that time was reached, false if refused or
    // stopped by the real-time limit.
    bool runFor(Clock::duration duration, RunLoopMode mode = RunLoopMode::Default,
                RealClock::duration realTimeLimit = kNoRealTimeLimit);

    // The mode of the innermost run in progress on this loop, or nothing when the loop is not running.
    std::optional<RunLoopMode> currentMode() const noexcept;

    // Blocks posted (including performAt blocks not yet due) and not run yet.
    std::size_t pendingBlockCount() const;
    // Valid timers scheduled in this loop.
    std::size_t timerCount() const;

private:
    struct State;
    class ModeScope;

    bool runPass(RunLoopMode mode);
    bool runDueBlocks(Clock& clock);
    bool fireDueTimers(Clock& clock, RunLoopMode mode);
    Clock::time_point nextWakeDate(RunLoopMode mode) const;

    const std::thread::id thread_;
    std::unique_ptr<State> state_;
};

} // namespace ui
