#include "ui/runloop/hang_guard.h"

#include <ui/runloop/clock.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace std::chrono_literals;

namespace {

using ui::Clock;

using ui::testing::kHangGuard;

TEST(ClockArithmetic, AddSaturatingClampsInsteadOfOverflowing) {
    const Clock::time_point t(5s);
    EXPECT_EQ(ui::addSaturating(t, 3s), Clock::time_point(8s));
    EXPECT_EQ(ui::addSaturating(t, -2s), Clock::time_point(3s));
    EXPECT_EQ(ui::addSaturating(t, Clock::duration::max()), Clock::time_point::max());
    EXPECT_EQ(ui::addSaturating(Clock::time_point::max(), 1ns), Clock::time_point::max());
    EXPECT_EQ(ui::addSaturating(Clock::time_point(-5s), Clock::duration::min()), Clock::time_point::min());
}

TEST(ManualClock, StandsStillUntilMovedAndNeverGoesBack) {
    ui::ManualClock clock(Clock::time_point(10s));
    EXPECT_EQ(clock.now(), Clock::time_point(10s));
    EXPECT_EQ(clock.now(), Clock::time_point(10s));

    EXPECT_TRUE(clock.advance(1500ms));
    EXPECT_EQ(clock.now(), Clock::time_point(11500ms));
    EXPECT_EQ(clock.after(500ms), Clock::time_point(12s));

    EXPECT_FALSE(clock.advance(-1ms));
    EXPECT_EQ(clock.now(), Clock::time_point(11500ms));

    EXPECT_FALSE(clock.setNow(Clock::time_point(11s)));
    EXPECT_EQ(clock.now(), Clock::time_point(11500ms));
    EXPECT_TRUE(clock.setNow(Clock::time_point(20s)));
    EXPECT_EQ(clock.now(), Clock::time_point(20s));

    EXPECT_TRUE(clock.advance(Clock::duration::max()));
    EXPECT_EQ(clock.now(), Clock::time_point::max());
}

TEST(ManualClock, DefaultStartIsTheEpoch) {
    ui::ManualClock clock;
    EXPECT_EQ(clock.now(), Clock::time_point{});
}

TEST(ManualClock, SleepReturnsAtOnceWhenTheTimeHasComeOrTheWakeupWasSignalled) {
    ui::ManualClock clock(Clock::time_point(1s));
    ui::Wakeup wakeup;
    const auto guard = ui::RealClock::now() + kHangGuard;

    clock.sleepUntil(wakeup, Clock::time_point(1s), guard); // already due: must not wait
    clock.sleepUntil(wakeup, Clock::time_point::min(), guard);

    wakeup.signal(); // given before the sleep: not lost
    clock.sleepUntil(wakeup, Clock::time_point(100s), guard);
    EXPECT_EQ(clock.now(), Clock::time_point(1s));
}

TEST(ManualClock, AdvancingFromAnotherThreadWakesASleeper) {
    ui::ManualClock clock;
    ui::Wakeup wakeup;
    const Clock::time_point target = Clock::time_point(5s);
    std::thread mover([&] {
        for (int i = 0; i < 5; ++i) {
            clock.advance(1s);
        }
    });
    const auto guard = ui::RealClock::now() + kHangGuard;
    while (clock.now() < target && ui::RealClock::now() < guard) {
        clock.sleepUntil(wakeup, target, guard);
    }
    mover.join();
    EXPECT_EQ(clock.now(), target);
}

TEST(Wakeup, SignalIsConsumedByOneWait) {
    ui::Wakeup wakeup;
    wakeup.signal();
    wakeup.signal(); // a single bit: two signals are one
    EXPECT_TRUE(wakeup.wait(ui::RealClock::now() + kHangGuard));
    EXPECT_FALSE(wakeup.wait(ui::RealClock::now() - 1s)); // past limit, nothing pending
}

TEST(Wakeup, SignalFromAnotherThreadEndsTheWait) {
    ui::Wakeup wakeup;
    std::thread signaller([&] { wakeup.signal(); });
    EXPECT_TRUE(wakeup.wait(ui::RealClock::now() + kHangGuard));
    signaller.join();
}

TEST(SteadyClock, FollowsRealTime) {
    ui::SteadyClock clock;
    const auto before = std::chrono::steady_clock::now();
    const auto reading = clock.now();
    EXPECT_GE(reading, before);
    EXPECT_LE(reading, std::chrono::steady_clock::now());

    ui::Wakeup wakeup;
    const auto guard = ui::RealClock::now() + kHangGuard;
    clock.sleepUntil(wakeup, reading - 1s, guard); // in the past: returns
    wakeup.signal();
    clock.sleepUntil(wakeup, Clock::time_point::max(), guard); // signalled: returns, consuming the signal
    EXPECT_FALSE(wakeup.wait(ui::RealClock::now() - 1s));
}

} // namespace
