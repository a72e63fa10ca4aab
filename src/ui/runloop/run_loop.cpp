#include "ui/runloop/run_loop.h"

#include <ui/runloop/main_thread.h>
#include <ui/runloop/timer.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

namespace ui {

namespace {

constexpr unsigned kDefaultBit = 1U;
constexpr unsigned kTrackingBit = 2U;

unsigned modeBits(RunLoopMode mode) {
    switch (mode) {
    case RunLoopMode::Default:
        return kDefaultBit;
    case RunLoopMode::Tracking:
        return kTrackingBit;
    case RunLoopMode::Common:
        return kDefaultBit | kTrackingBit;
    }
    return 0;
}

constexpr int kNotRunning = -1;

} // namespace

struct RunLoop::State {
    struct Posted {
        std::uint64_t sequence;
        Block block;
    };
    struct ScheduledTimer {
        std::shared_ptr<Timer> timer;
        unsigned modes;
        std::uint64_t order; // breaks ties between equal fire dates: first added fires first
    };

    mutable std::mutex mutex;
    std::shared_ptr<Clock> clock = std::make_shared<SteadyClock>();
    std::deque<Posted> queue;
    // Blocks waiting for their time; a multimap keeps equal times in posting order.
    std::multimap<Clock::time_point, Block> delayed;
    std::uint64_t nextSequence = 0;
    std::vector<ScheduledTimer> timers;
    std::uint64_t nextTimerOrder = 0;

    Wakeup wakeup;
    std::atomic<int> mode{kNotRunning};
};

// Sets the loop's current mode for the length of a run and restores the enclosing run's mode afterwards.
class RunLoop::ModeScope {
public:
    ModeScope(State& state, RunLoopMode mode)
        : state_(state), previous_(state.mode.exchange(static_cast<int>(mode))) {}
    ~ModeScope() { state_.mode.store(previous_); }
    ModeScope(const ModeScope&) = delete;
    ModeScope& operator=(const ModeScope&) = delete;

private:
    State& state_;
    int previous_;
};

RunLoop::RunLoop() : thread_(std::this_thread::get_id()), state_(std::make_unique<State>()) {}

RunLoop::~RunLoop() {
    // A timer outliving its loop could never fire again; say so through isValid().
    for (auto& scheduled : state_->timers) {
        scheduled.timer->invalidate();
    }
}

RunLoop& RunLoop::main() {
    // Deliberately never destroyed: threads may still post to it while the process exits.
    static RunLoop* const loop = new RunLoop();
    return *loop;
}

namespace {
// Binds the main loop during static initialisation, i.e. to the thread that will run main().
[[maybe_unused]] const bool kMainLoopBound = (static_cast<void>(RunLoop::main()), true);
} // namespace

bool RunLoop::isCurrentThread() const noexcept {
    return std::this_thread::get_id() == thread_;
}

void RunLoop::setClock(std::shared_ptr<Clock> clock) {
    if (!clock) {
        clock = std::make_shared<SteadyClock>();
    }
    {
        std::lock_guard lock(state_->mutex);
        state_->clock.swap(clock);
    }
    // A run sleeping on the old clock must start over on the new one.
    state_->wakeup.signal();
}

std::shared_ptr<Clock> RunLoop::clock() const {
    std::lock_guard lock(state_->mutex);
    return state_->clock;
}

void RunLoop::perform(Block block) {
    if (!block) {
        return;
    }
    std::lock_guard lock(state_->mutex);
    state_->queue.push_back({state_->nextSequence++, std::move(block)});
    // Signalled under the lock: once the loop can take the block, this call no longer touches the loop, so
    // the loop's thread may destroy it as soon as the block has run.
    state_->wakeup.signal();
}

void RunLoop::performAt(Clock::time_point when, Block block) {
    if (!block) {
        return;
    }
    std::lock_guard lock(state_->mutex);
    state_->delayed.emplace(when, std::move(block));
    state_->wakeup.signal();
}

void RunLoop::performAfter(Clock::duration delay, Block block) {
    performAt(clock()->after(delay), std::move(block));
}

void RunLoop::wakeUp() {
    state_->wakeup.signal();
}

bool RunLoop::addTimer(const std::shared_ptr<Timer>& timer, RunLoopMode mode) {
    if (!timer) {
        return false;
    }
    KIVO_RUNLOOP_ASSERT(isCurrentThread(), "timers must be added on their run loop's thread");
    const Clock::time_point now = clock()->now();
    {
        std::lock_guard lock(state_->mutex);
        if (!timer->attach(this, now)) {
            return false;
        }
        auto& timers = state_->timers;
        auto found = std::find_if(timers.begin(), timers.end(), [&](const State::ScheduledTimer& scheduled) {
            return scheduled.timer == timer;
        });
        if (found != timers.end()) {
            found->modes |= modeBits(mode);
        } else {
            timers.push_back({timer, modeBits(mode), state_->nextTimerOrder++});
        }
    }
    // A sleeping run may now have an earlier date to wake up for.
    state_->wakeup.signal();
    return true;
}

bool RunLoop::runOnce(RunLoopMode mode) {
    if (!isCurrentThread() || mode == RunLoopMode::Common) {
        return false;
    }
    ModeScope scope(*state_, mode);
    return runPass(mode);
}

RunLoop::RunOutcome RunLoop::run(const std::function<bool()>& done, Clock::time_point deadline,
                                 RunLoopMode mode, RealClock::duration realTimeLimit) {
    if (!isCurrentThread() || mode == RunLoopMode::Common) {
        return RunOutcome::Refused;
    }
    const RealClock::time_point realLimit = addSaturating(RealClock::now(), realTimeLimit);
    ModeScope scope(*state_, mode);
    for (;;) {
        if (done && done()) {
            return RunOutcome::Satisfied;
        }
        const std::shared_ptr<Clock> clock = this->clock();
        const bool deadlineReached = clock->now() >= deadline;
        const bool outOfRealTime = RealClock::now() >= realLimit;
        const bool ran = runPass(mode);
        if (deadlineReached || outOfRealTime) {
            if (done && done()) {
                return RunOutcome::Satisfied;
            }
            return deadlineReached ? RunOutcome::DeadlineReached : RunOutcome::RealTimeLimitReached;
        }
        if (!ran) {
            // Anything posted or any clock move after the pass signals the wakeup, so nothing is missed
            // between the pass and this sleep.
            clock->sleepUntil(state_->wakeup, std::min(nextWakeDate(mode), deadline), realLimit);
        }
    }
}

bool RunLoop::runUntil(const std::function<bool()>& done, Clock::time_point deadline, RunLoopMode mode,
                       RealClock::duration realTimeLimit) {
    return run(done, deadline, mode, realTimeLimit) == RunOutcome::Satisfied;
}

bool RunLoop::runFor(Clock::duration duration, RunLoopMode mode, RealClock::duration realTimeLimit) {
    return run(nullptr, clock()->after(duration), mode, realTimeLimit) == RunOutcome::DeadlineReached;
}

std::optional<RunLoopMode> RunLoop::currentMode() const noexcept {
    const int mode = state_->mode.load();
    if (mode == kNotRunning) {
        return std::nullopt;
    }
    return static_cast<RunLoopMode>(mode);
}

std::size_t RunLoop::pendingBlockCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->queue.size() + state_->delayed.size();
}

std::size_t RunLoop::timerCount() const {
    std::lock_guard lock(state_->mutex);
    return static_cast<std::size_t>(
        std::count_if(state_->timers.begin(), state_->timers.end(),
                      [](const State::ScheduledTimer& scheduled) { return scheduled.timer->isValid(); }));
}

bool RunLoop::runPass(RunLoopMode mode) {
    const std::shared_ptr<Clock> clock = this->clock();
    const bool ranBlocks = runDueBlocks(*clock);
    const bool firedTimers = fireDueTimers(*clock, mode);
    return ranBlocks || firedTimers;
}

bool RunLoop::runDueBlocks(Clock& clock) {
    const Clock::time_point now = clock.now();
    std::uint64_t end = 0;
    {
        std::lock_guard lock(state_->mutex);
        auto& delayed = state_->delayed;
        while (!delayed.empty() && delayed.begin()->first <= now) {
            state_->queue.push_back({state_->nextSequence++, std::move(delayed.begin()->second)});
            delayed.erase(delayed.begin());
        }
        end = state_->nextSequence;
    }
    // Blocks are taken one at a time rather than as a batch, so that a nested run started by one of them
    // continues with the next ones in order instead of overtaking them.
    bool ran = false;
    for (;;) {
        Block block;
        {
            std::lock_guard lock(state_->mutex);
            auto& queue = state_->queue;
            if (queue.empty() || queue.front().sequence >= end) {
                break;
            }
            block = std::move(queue.front().block);
            queue.pop_front();
        }
        ran = true;
        block();
    }
    return ran;
}

bool RunLoop::fireDueTimers(Clock& clock, RunLoopMode mode) {
    struct Due {
        Clock::time_point date;
        std::uint64_t order;
        std::shared_ptr<Timer> timer;
    };
    const Clock::time_point now = clock.now();
    const unsigned bits = modeBits(mode);
    std::vector<Due> due;
    std::vector<State::ScheduledTimer> released; // destroyed after unlocking: userInfo may own anything
    {
        std::lock_guard lock(state_->mutex);
        auto& timers = state_->timers;
        auto invalid = std::stable_partition(
            timers.begin(), timers.end(), [](const State::ScheduledTimer& s) { return s.timer->isValid(); });
        released.assign(std::make_move_iterator(invalid), std::make_move_iterator(timers.end()));
        timers.erase(invalid, timers.end());
        for (const auto& scheduled : timers) {
            if ((scheduled.modes & bits) == 0) {
                continue;
            }
            if (auto date = scheduled.timer->dueDate(now)) {
                due.push_back({*date, scheduled.order, scheduled.timer});
            }
        }
    }
    std::sort(due.begin(), due.end(), [](const Due& a, const Due& b) {
        return a.date != b.date ? a.date < b.date : a.order < b.order;
    });
    bool fired = false;
    for (const Due& entry : due) {
        // Re-checked at firing time: an earlier timer's block may have invalidated or moved this one, or
        // fired it from a nested run.
        if (entry.timer->fireIfDue(now)) {
            fired = true;
        }
    }
    return fired;
}

Clock::time_point RunLoop::nextWakeDate(RunLoopMode mode) const {
    const unsigned bits = modeBits(mode);
    std::lock_guard lock(state_->mutex);
    if (!state_->queue.empty()) {
        return Clock::time_point::min();
    }
    Clock::time_point next = Clock::time_point::max();
    if (!state_->delayed.empty()) {
        next = state_->delayed.begin()->first;
    }
    for (const auto& scheduled : state_->timers) {
        if ((scheduled.modes & bits) == 0) {
            continue;
        }
        if (auto date = scheduled.timer->pendingDate()) {
            next = std::min(next, *date);
        }
    }
    return next;
}

} // namespace ui
