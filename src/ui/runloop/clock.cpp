#include "ui/runloop/clock.h"

#include <algorithm>

namespace ui {

namespace {

// Condition-variable waits are cut into slices of at most this length. It keeps every deadline handed to the
// standard library far from the end of the representable range; the callers loop anyway.
constexpr auto kLongestSingleWait = std::chrono::hours(1);

} // namespace

Clock::time_point addSaturating(Clock::time_point t, Clock::duration d) noexcept {
    using rep = Clock::duration::rep;
    rep sum = 0;
    if (__builtin_add_overflow(t.time_since_epoch().count(), d.count(), &sum)) {
        return d.count() > 0 ? Clock::time_point::max() : Clock::time_point::min();
    }
    return Clock::time_point(Clock::duration(sum));
}

Clock::time_point Clock::after(duration d) const {
    return addSaturating(now(), d);
}

void Wakeup::signal() {
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    condition_.notify_all();
}

bool Wakeup::wait(RealClock::time_point realLimit) {
    std::unique_lock lock(mutex_);
    if (!signalled_) {
        const auto now = RealClock::now();
        if (realLimit > now) {
            const auto sliceEnd = now + kLongestSingleWait;
            condition_.wait_until(lock, std::min(realLimit, sliceEnd), [this] { return signalled_; });
        }
    }
    const bool wasSignalled = signalled_;
    signalled_ = false;
    return wasSignalled;
}

Clock::time_point SteadyClock::now() const {
    return std::chrono::steady_clock::now();
}

void SteadyClock::sleepUntil(Wakeup& wakeup, time_point until, RealClock::time_point realLimit) {
    // This clock is real time, so `until` and `realLimit` are on the same scale.
    wakeup.wait(std::min(until, realLimit));
}

ManualClock::ManualClock(time_point start) : now_(start) {}

Clock::time_point ManualClock::now() const {
    std::lock_guard lock(mutex_);
    return now_;
}

bool ManualClock::advance(duration by) {
    if (by < duration::zero()) {
        return false;
    }
    std::lock_guard lock(mutex_);
    now_ = addSaturating(now_, by);
    wakeSleepersLocked();
    return true;
}

bool ManualClock::setNow(time_point to) {
    std::lock_guard lock(mutex_);
    if (to < now_) {
        return false;
    }
    now_ = to;
    wakeSleepersLocked();
    return true;
}

void ManualClock::wakeSleepersLocked() {
    // Lock order is clock, then wakeup: a sleeper never holds its wakeup's mutex while taking ours, and it
    // stays registered (so its Wakeup stays alive) until it has taken our mutex to unregister.
    for (Wakeup* sleeper : sleepers_) {
        sleeper->signal();
    }
}

void ManualClock::sleepUntil(Wakeup& wakeup, time_point until, RealClock::time_point realLimit) {
    {
        std::lock_guard lock(mutex_);
        // Checked under the same lock that advance() takes, so an advance cannot slip in between the check
        // and the registration unnoticed.
        if (now_ >= until) {
            return;
        }
        sleepers_.push_back(&wakeup);
    }
    // Unregisters even if the wait throws, so that no dangling pointer stays behind.
    struct Unregister {
        ManualClock& clock;
        Wakeup& wakeup;
        ~Unregister() {
            std::lock_guard lock(clock.mutex_);
            auto& sleepers = clock.sleepers_;
            sleepers.erase(std::find(sleepers.begin(), sleepers.end(), &wakeup));
        }
    } unregister{*this, wakeup};
    // Manual time only moves through advance()/setNow(), which signal `wakeup`; meanwhile only the real-time
    // limit bounds the wait.
    wakeup.wait(realLimit);
}

} // namespace ui
