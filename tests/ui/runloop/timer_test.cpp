#include "ui/runloop/hang_guard.h"

#include <ui/runloop/run_loop.h>
#include <ui/runloop/timer.h>

#include <gtest/gtest.h>

#include <any>
#include <chrono>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

using ui::Clock;
using ui::RunLoop;
using ui::RunLoopMode;
using ui::Timer;

using ui::testing::kHangGuard;
constexpr Clock::time_point kStart = Clock::time_point(1000s);

class TimerTest : public ::testing::Test {
protected:
    TimerTest() { loop.setClock(clock); }

    std::shared_ptr<ui::ManualClock> clock = std::make_shared<ui::ManualClock>(kStart);
    RunLoop loop;
};

TEST_F(TimerTest, OneShotFiresOnceAtItsDateAndNotBefore) {
    int fired = 0;
    auto timer = Timer::create(1s, false, [&](Timer&) { ++fired; });
    EXPECT_FALSE(timer->fireDate().has_value()); // dated when added
    ASSERT_TRUE(loop.addTimer(timer));
    EXPECT_EQ(timer->fireDate(), kStart + 1s);
    EXPECT_EQ(loop.timerCount(), 1U);

    EXPECT_FALSE(loop.runOnce());
    clock->advance(999ms);
    EXPECT_FALSE(loop.runOnce());
    EXPECT_EQ(fired, 0);

    clock->advance(1ms);
    EXPECT_TRUE(loop.runOnce());
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(timer->isValid());
    EXPECT_EQ(loop.timerCount(), 0U);

    clock->advance(10s);
    EXPECT_FALSE(loop.runOnce());
    EXPECT_EQ(fired, 1);
}

TEST_F(TimerTest, RepeatingFiresAtEveryInterval) {
    std::vector<Clock::time_point> firedAt;
    auto timer = Timer::create(2s, true, [&](Timer&) { firedAt.push_back(clock->now()); });
    ASSERT_TRUE(loop.addTimer(timer));
    for (int i = 0; i < 3; ++i) {
        clock->advance(1s);
        loop.runOnce();
        clock->advance(1s);
        loop.runOnce();
    }
    EXPECT_EQ(firedAt, (std::vector<Clock::time_point>{kStart + 2s, kStart + 4s, kStart + 6s}));
    EXPECT_TRUE(timer->isValid());
    EXPECT_EQ(timer->fireDate(), kStart + 8s);
    EXPECT_TRUE(timer->repeats());
    EXPECT_EQ(timer->interval(), 2s);
    timer->invalidate();
}

TEST_F(TimerTest, MissedIntervalsCoalesceIntoOneLateFiring) {
    int fired = 0;
    auto timer = Timer::create(1s, true, [&](Timer&) { ++fired; });
    ASSERT_TRUE(loop.addTimer(timer));
    clock->advance(3500ms);
    EXPECT_TRUE(loop.runOnce());
    EXPECT_EQ(fired, 1);
    // Next date is the first one after now on the original schedule.
    EXPECT_EQ(timer->fireDate(), kStart + 4s);
    EXPECT_FALSE(loop.runOnce());
    clock->advance(500ms);
    EXPECT_TRUE(loop.runOnce());
    EXPECT_EQ(fired, 2);
    timer->invalidate();
}

TEST_F(TimerTest, InvalidateFromInsideTheBlockStopsARepeatingTimerAndReleasesTheBlock) {
    auto token = std::make_shared<int>(7);
    std::weak_ptr<int> watch = token;
    int fired = 0;
    auto timer = Timer::create(1s, true, [&fired, token = std::move(token)](Timer& self) {
        ++fired;
        if (fired == 2) {
            self.invalidate();
            EXPECT_FALSE(self.isValid());
            EXPECT_EQ(*token, 7); // the running block stays alive until it returns
        }
    });
    token.reset();
    std::weak_ptr<Timer> watchTimer = timer;
    ASSERT_TRUE(loop.addTimer(timer));
    timer.reset(); // the loop keeps its timers alive

    for (int i = 0; i < 5; ++i) {
        clock->advance(1s);
        loop.runOnce();
    }
    EXPECT_EQ(fired, 2);
    EXPECT_TRUE(watch.expired());
    EXPECT_TRUE(watchTimer.expired()); // and lets go of them once invalid
}

TEST_F(TimerTest, OneShotIsStillValidInsideItsBlockAndInvalidAfter) {
    std::optional<bool> validInside;
    auto timer = Timer::create(kStart, 1s, false, [&](Timer& self) { validInside = self.isValid(); });
    ASSERT_TRUE(loop.addTimer(timer));
    EXPECT_TRUE(loop.runOnce()); // its date is now
    EXPECT_EQ(validInside, true);
    EXPECT_FALSE(timer->isValid());
}

TEST_F(TimerTest, DefaultTimerWaitsOutATrackingRunThenFiresOnce) {
    int fired = 0;
    auto timer = Timer::create(1s, true, [&](Timer&) { ++fired; }, {});
    ASSERT_TRUE(loop.addTimer(timer, RunLoopMode::Default));

    std::optional<int> firedWhileTracking;
    loop.perform([&] {
        // A gesture: the loop runs in Tracking while time passes.
        for (int i = 0; i < 5; ++i) {
            clock->advance(1s);
            loop.runOnce(RunLoopMode::Tracking);
        }
        firedWhileTracking = fired;
    });
    // The block runs the gesture; back in Default, the same pass fires the timer: once, late.
    EXPECT_TRUE(loop.runOnce(RunLoopMode::Default));
    EXPECT_EQ(firedWhileTracking, 0);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(timer->fireDate(), kStart + 6s);
    EXPECT_FALSE(loop.runOnce(RunLoopMode::Default));
    timer->invalidate();
}

TEST_F(TimerTest, CommonTimerFiresInBothModes) {
    int fired = 0;
    auto timer = Timer::create(1s, true, [&](Timer&) { ++fired; });
    ASSERT_TRUE(loop.addTimer(timer, RunLoopMode::Common));
    clock->advance(1s);
    EXPECT_TRUE(loop.runOnce(RunLoopMode::Tracking));
    clock->advance(1s);
    EXPECT_TRUE(loop.runOnce(RunLoopMode::Default));
    EXPECT_EQ(fired, 2);
    timer->invalidate();
}

TEST_F(TimerTest, AddingATimerForAnotherModeExtendsItsModes) {
    int fired = 0;
    auto timer = Timer::create(1s, true, [&](Timer&) { ++fired; });
    ASSERT_TRUE(loop.addTimer(timer, RunLoopMode::Tracking));
    clock->advance(1s);
    EXPECT_FALSE(loop.runOnce(RunLoopMode::Default));
    ASSERT_TRUE(loop.addTimer(timer, RunLoopMode::Default));
    EXPECT_EQ(timer->fireDate(), kStart + 1s); // re-adding keeps the date
    EXPECT_EQ(loop.timerCount(), 1U);
    EXPECT_TRUE(loop.runOnce(RunLoopMode::Default));
    clock->advance(1s);
    EXPECT_TRUE(loop.runOnce(RunLoopMode::Tracking));
    EXPECT_EQ(fired, 2);
    timer->invalidate();
}

TEST_F(TimerTest, UserInfoReachesTheBlock) {
    std::string received;
    auto timer = Timer::create(
        1s, false, [&](Timer& self) { received = std::any_cast<std::string>(self.userInfo()); },
        std::string("flyer-42"));
    ASSERT_TRUE(loop.addTimer(timer));
    clock->advance(1s);
    loop.runOnce();
    EXPECT_EQ(received, "flyer-42");
    EXPECT_EQ(std::any_cast<std::string>(timer->userInfo()), "flyer-42");
}

TEST_F(TimerTest, DueTimersFireInDateOrder) {
    std::vector<std::string> log;
    auto late = Timer::create(kStart + 3s, 1s, false, [&](Timer&) { log.push_back("late"); });
    auto early = Timer::create(kStart + 1s, 1s, false, [&](Timer&) { log.push_back("early"); });
    auto tieA = Timer::create(kStart + 2s, 1s, false, [&](Timer&) { log.push_back("tie a"); });
    auto tieB = Timer::create(kStart + 2s, 1s, false, [&](Timer&) { log.push_back("tie b"); });
    for (const auto& timer : {late, early, tieA, tieB}) {
        ASSERT_TRUE(loop.addTimer(timer));
    }
    clock->advance(5s);
    EXPECT_TRUE(loop.runOnce());
    EXPECT_EQ(log, (std::vector<std::string>{"early", "tie a", "tie b", "late"}));
}

TEST_F(TimerTest, ATimerCanInvalidateAnotherDueInTheSamePass) {
    int secondFired = 0;
    auto second = Timer::create(kStart + 2s, 1s, false, [&](Timer&) { ++secondFired; });
    auto first = Timer::create(kStart + 1s, 1s, false, [&](Timer&) { second->invalidate(); });
    ASSERT_TRUE(loop.addTimer(second));
    ASSERT_TRUE(loop.addTimer(first));
    clock->advance(2s);
    EXPECT_TRUE(loop.runOnce());
    EXPECT_EQ(secondFired, 0);
}

TEST_F(TimerTest, ManualFireRunsTheBlockWithoutTouchingTheSchedule) {
    int fired = 0;
    auto repeating = Timer::create(1s, true, [&](Timer&) { ++fired; });
    ASSERT_TRUE(loop.addTimer(repeating));
    repeating->fire();
    EXPECT_EQ(fired, 1);
    EXPECT_TRUE(repeating->isValid());
    EXPECT_EQ(repeating->fireDate(), kStart + 1s);

    auto oneShot = Timer::create(1s, false, [&](Timer&) { ++fired; });
    oneShot->fire(); // not even scheduled
    EXPECT_EQ(fired, 2);
    EXPECT_FALSE(oneShot->isValid());
    oneShot->fire(); // invalid: nothing
    EXPECT_EQ(fired, 2);
    repeating->invalidate();
    repeating->fire();
    EXPECT_EQ(fired, 2);
}

TEST_F(TimerTest, SetFireDateFromTheBlockPostponesARepeatingTimer) {
    int fired = 0;
    auto timer = Timer::create(1s, true, [&](Timer& self) {
        ++fired;
        self.setFireDate(clock->now() + 10s);
    });
    ASSERT_TRUE(loop.addTimer(timer));
    clock->advance(1s);
    EXPECT_TRUE(loop.runOnce());
    EXPECT_EQ(timer->fireDate(), kStart + 11s);
    clock->advance(5s);
    EXPECT_FALSE(loop.runOnce());
    clock->advance(5s);
    EXPECT_TRUE(loop.runOnce());
    EXPECT_EQ(fired, 2);
    timer->invalidate();
    timer->setFireDate(kStart);
    EXPECT_EQ(timer->fireDate(), kStart + 21s); // ignored once invalid
}

TEST_F(TimerTest, AddTimerRefusesWhatItCannotSchedule) {
    EXPECT_FALSE(loop.addTimer(nullptr));

    auto invalid = Timer::create(1s, false, nullptr);
    invalid->invalidate();
    EXPECT_FALSE(loop.addTimer(invalid));

    auto elsewhere = Timer::create(1s, false, nullptr);
    RunLoop other;
    ASSERT_TRUE(other.addTimer(elsewhere));
    EXPECT_FALSE(loop.addTimer(elsewhere));
    EXPECT_EQ(loop.timerCount(), 0U);
}

TEST_F(TimerTest, TinyIntervalsAreRaisedSoARepeatingTimerCannotSpin) {
    int fired = 0;
    auto timer = Timer::create(0s, true, [&](Timer&) { ++fired; });
    EXPECT_EQ(timer->interval(), Timer::kMinimumInterval);
    EXPECT_EQ(Timer::create(-5s, true, nullptr)->interval(), Timer::kMinimumInterval);
    ASSERT_TRUE(loop.addTimer(timer));
    clock->advance(Timer::kMinimumInterval);
    // A run with a manual deadline that nobody reaches must come to rest instead of firing in a loop.
    loop.run([] { return false; }, clock->after(1h), RunLoopMode::Default, 50ms);
    EXPECT_EQ(fired, 1);
    timer->invalidate();
}

TEST_F(TimerTest, EmptyBlockIsHarmless) {
    auto timer = Timer::create(1s, false, nullptr);
    ASSERT_TRUE(loop.addTimer(timer));
    clock->advance(1s);
    EXPECT_TRUE(loop.runOnce());
    EXPECT_FALSE(timer->isValid());
}

TEST_F(TimerTest, ThrowingBlockStillEndsAOneShotTimer) {
    auto timer = Timer::create(1s, false, [](Timer&) { throw std::runtime_error("boom"); });
    ASSERT_TRUE(loop.addTimer(timer));
    clock->advance(1s);
    EXPECT_THROW(loop.runOnce(), std::runtime_error);
    EXPECT_FALSE(timer->isValid());
    EXPECT_FALSE(loop.runOnce());
}

TEST_F(TimerTest, SleepingRunWakesWhenAnotherThreadAdvancesToTheTimer) {
    int fired = 0;
    auto timer = Timer::create(30s, false, [&](Timer&) { ++fired; });
    ASSERT_TRUE(loop.addTimer(timer));
    std::thread mover([&] {
        for (int i = 0; i < 30; ++i) {
            clock->advance(1s);
        }
    });
    EXPECT_EQ(
        loop.run([&] { return fired == 1; }, Clock::time_point::max(), RunLoopMode::Default, kHangGuard),
        RunLoop::RunOutcome::Satisfied);
    mover.join();
    EXPECT_EQ(clock->now(), kStart + 30s);
}

TEST_F(TimerTest, TimerBlockCanRunANestedTrackingLoop) {
    std::vector<std::string> log;
    auto common = Timer::create(kStart + 2s, 1s, false, [&](Timer&) { log.push_back("common"); });
    auto gesture = Timer::create(kStart + 1s, 1s, false, [&](Timer&) {
        log.push_back("gesture begins");
        clock->advance(1s);
        loop.runOnce(RunLoopMode::Tracking);
        log.push_back("gesture ends");
    });
    ASSERT_TRUE(loop.addTimer(common, RunLoopMode::Common));
    ASSERT_TRUE(loop.addTimer(gesture, RunLoopMode::Default));
    clock->advance(1s);
    EXPECT_TRUE(loop.runOnce());
    EXPECT_EQ(log, (std::vector<std::string>{"gesture begins", "common", "gesture ends"}));
    EXPECT_FALSE(loop.runOnce()); // the nested run already fired it
}

TEST_F(TimerTest, DestroyingTheLoopInvalidatesItsTimers) {
    auto timer = Timer::create(1s, true, nullptr);
    {
        RunLoop shortLived;
        ASSERT_TRUE(shortLived.addTimer(timer));
        EXPECT_TRUE(timer->isValid());
    }
    EXPECT_FALSE(timer->isValid());
}

// The main run loop, as used through Timer::scheduled. Each test installs its own manual clock and leaves
// nothing scheduled behind.
class MainLoopTimerTest : public ::testing::Test {
protected:
    MainLoopTimerTest() { RunLoop::main().setClock(clock); }
    ~MainLoopTimerTest() override { RunLoop::main().setClock(nullptr); }

    std::shared_ptr<ui::ManualClock> clock = std::make_shared<ui::ManualClock>(kStart);
};

TEST_F(MainLoopTimerTest, ScheduledTimerRunsOnTheMainLoop) {
    int fired = 0;
    auto timer = Timer::scheduled(
        5s, false, [&](Timer&) { ++fired; }, RunLoopMode::Default, 3);
    EXPECT_EQ(std::any_cast<int>(timer->userInfo()), 3);
    EXPECT_EQ(timer->fireDate(), kStart + 5s);
    std::thread mover([&] { clock->advance(5s); });
    EXPECT_TRUE(RunLoop::main().runUntil([&] { return fired == 1; }, Clock::time_point::max(),
                                         RunLoopMode::Default, kHangGuard));
    mover.join();
    EXPECT_FALSE(timer->isValid());
}

TEST_F(MainLoopTimerTest, ScheduledCommonTimerFiresDuringTracking) {
    int fired = 0;
    auto timer = Timer::scheduled(
        1s, true, [&](Timer&) { ++fired; }, RunLoopMode::Common);
    clock->advance(1s);
    EXPECT_TRUE(RunLoop::main().runOnce(RunLoopMode::Tracking));
    EXPECT_EQ(fired, 1);
    timer->invalidate();
    clock->advance(1s);
    EXPECT_FALSE(RunLoop::main().runOnce(RunLoopMode::Tracking));
    EXPECT_EQ(fired, 1);
}

} // namespace
