#include "ui/runloop/timer.h"

#include <ui/runloop/main_thread.h>
#include <ui/runloop/run_loop.h>

#include <algorithm>

namespace ui {

namespace {

Clock::duration clampInterval(Clock::duration interval) {
    return std::max(interval, Timer::kMinimumInterval);
}

// The first date after `now` on the schedule previous + k * interval (k >= 1). Falls back to now + interval
// when the arithmetic would overflow; returns a date not after `now` only when time itself is saturated.
Clock::time_point nextFireDate(Clock::time_point previous, Clock::duration interval, Clock::time_point now) {
    const Clock::time_point next = addSaturating(previous, interval);
    if (next > now) {
        return next;
    }
    using rep = Clock::duration::rep;
    rep elapsed = 0;
    rep offset = 0;
    if (__builtin_sub_overflow(now.time_since_epoch().count(), previous.time_since_epoch().count(),
                               &elapsed)) {
        return addSaturating(now, interval);
    }
    const rep periods = elapsed / interval.count() + 1;
    if (__builtin_mul_overflow(periods, interval.count(), &offset)) {
        return addSaturating(now, interval);
    }
    return addSaturating(previous, Clock::duration(offset));
}

} // namespace

Timer::Timer(std::optional<Clock::time_point> fireDate, Clock::duration interval, bool repeats, Block block,
             std::any userInfo)
    : interval_(clampInterval(interval)), repeats_(repeats), userInfo_(std::move(userInfo)),
      fireDate_(fireDate), block_(std::make_shared<const Block>(std::move(block))) {}

std::shared_ptr<Timer> Timer::create(Clock::duration interval, bool repeats, Block block, std::any userInfo) {
    return std::shared_ptr<Timer>(
        new Timer(std::nullopt, interval, repeats, std::move(block), std::move(userInfo)));
}

std::shared_ptr<Timer> Timer::create(Clock::time_point fireDate, Clock::duration interval, bool repeats,
                                     Block block, std::any userInfo) {
    return std::shared_ptr<Timer>(
        new Timer(fireDate, interval, repeats, std::move(block), std::move(userInfo)));
}

std::shared_ptr<Timer> Timer::scheduled(Clock::duration interval, bool repeats, Block block, RunLoopMode mode,
                                        std::any userInfo) {
    KIVO_ASSERT_MAIN_THREAD();
    auto timer = create(interval, repeats, std::move(block), std::move(userInfo));
    RunLoop::main().addTimer(timer, mode);
    return timer;
}

void Timer::fire() {
    // Keeps the timer alive even if its block drops the caller's last reference to it.
    const std::shared_ptr<Timer> self = weak_from_this().lock();
    std::shared_ptr<const Block> block;
    {
        std::lock_guard lock(mutex_);
        if (!valid_) {
            return;
        }
        block = block_;
    }
    runBlock(block, !repeats_);
}

void Timer::invalidate() {
    std::shared_ptr<const Block> released;
    {
        std::lock_guard lock(mutex_);
        valid_ = false;
        // Destroyed outside the lock: the block's captures may own anything, even this timer.
        released = std::move(block_);
    }
}

bool Timer::isValid() const {
    std::lock_guard lock(mutex_);
    return valid_;
}

std::optional<Clock::time_point> Timer::fireDate() const {
    std::lock_guard lock(mutex_);
    return fireDate_;
}

void Timer::setFireDate(Clock::time_point date) {
    std::lock_guard lock(mutex_);
    if (valid_) {
        fireDate_ = date;
    }
}

bool Timer::attach(const RunLoop* loop, Clock::time_point now) {
    std::lock_guard lock(mutex_);
    if (!valid_ || (loop_ != nullptr && loop_ != loop)) {
        return false;
    }
    loop_ = loop;
    if (!fireDate_) {
        fireDate_ = addSaturating(now, interval_);
    }
    return true;
}

std::optional<Clock::time_point> Timer::dueDate(Clock::time_point now) const {
    std::lock_guard lock(mutex_);
    if (valid_ && fireDate_ && *fireDate_ <= now) {
        return fireDate_;
    }
    return std::nullopt;
}

std::optional<Clock::time_point> Timer::pendingDate() const {
    std::lock_guard lock(mutex_);
    if (valid_) {
        return fireDate_;
    }
    return std::nullopt;
}

bool Timer::fireIfDue(Clock::time_point now) {
    std::shared_ptr<const Block> block;
    bool exhausted = !repeats_;
    {
        std::lock_guard lock(mutex_);
        if (!valid_ || !fireDate_ || *fireDate_ > now) {
            return false;
        }
        block = block_;
        if (repeats_) {
            // Rescheduled before the block runs, so that a setFireDate() made by the block wins.
            fireDate_ = nextFireDate(*fireDate_, interval_, now);
            // Only when time has reached the end of its range; the timer could never stop being due.
            exhausted = *fireDate_ <= now;
        }
    }
    runBlock(block, exhausted);
    return true;
}

void Timer::runBlock(const std::shared_ptr<const Block>& block, bool oneShot) {
    // A one-shot timer is invalidated after its block, even when the block throws.
    struct InvalidateAfter {
        Timer* timer;
        ~InvalidateAfter() {
            if (timer != nullptr) {
                timer->invalidate();
            }
        }
    } invalidateAfter{oneShot ? this : nullptr};
    // `block` is a counted reference, so the block survives an invalidate() made from inside it.
    if (block && *block) {
        (*block)(*this);
    }
}

} // namespace ui
