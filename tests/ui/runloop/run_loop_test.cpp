#include "ui/runloop/hang_guard.h"

#include <ui/runloop/dispatch_group.h>
#include <ui/runloop/dispatch_queue.h>
#include <ui/runloop/main_thread.h>
#include <ui/runloop/run_loop.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace std::chrono_literals;

namespace {

using ui::Clock;
using ui::RunLoop;
using ui::RunLoopMode;
using Outcome = RunLoop::RunOutcome;

using ui::testing::kHangGuard;

// A run loop of the test's own thread on manual time.
class RunLoopTest : public ::testing::Test {
protected:
    RunLoopTest() { loop.setClock(clock); }

    std::shared_ptr<ui::ManualClock> clock = std::make_shared<ui::ManualClock>(Clock::time_point(100s));
    RunLoop loop;
};

TEST_F(RunLoopTest, RunOnceRunsPostedBlocksInOrderAndReportsWhetherAnythingRan) {
    EXPECT_FALSE(loop.runOnce());
    std::vector<int> order;
    for (int i = 0; i < 5; ++i) {
        loop.perform([&order, i] { order.push_back(i); });
    }
    loop.perform(nullptr); // ignored
    EXPECT_EQ(loop.pendingBlockCount(), 5U);
    EXPECT_TRUE(loop.runOnce());
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(loop.pendingBlockCount(), 0U);
    EXPECT_FALSE(loop.runOnce());
}

TEST_F(RunLoopTest, BlocksPostedByABlockRunInTheNextPass) {
    std::vector<std::string> log;
    loop.perform([&] {
        log.push_back("first");
        loop.perform([&] { log.push_back("posted by first"); });
    });
    loop.perform([&] { log.push_back("second"); });

    EXPECT_TRUE(loop.runOnce());
    EXPECT_EQ(log, (std::vector<std::string>{"first", "second"}));
    EXPECT_TRUE(loop.runOnce());
    EXPECT_EQ(log, (std::vector<std::string>{"first", "second", "posted by first"}));
}

TEST_F(RunLoopTest, BlocksRunInEveryMode) {
    int ran = 0;
    loop.perform([&] { ++ran; });
    EXPECT_TRUE(loop.runOnce(RunLoopMode::Tracking));
    loop.perform([&] { ++ran; });
    EXPECT_TRUE(loop.runOnce(RunLoopMode::Default));
    EXPECT_EQ(ran, 2);
}

TEST_F(RunLoopTest, PostingFromManyThreadsKeepsEachThreadsOrder) {
    constexpr int kThreads = 4;
    constexpr int kPerThread = 500;
    std::vector<std::pair<int, int>> seen; // touched only on the loop's thread
    std::vector<std::thread> posters;
    posters.reserve(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                loop.perform([&seen, t, i] { seen.emplace_back(t, i); });
            }
        });
    }
    const bool all = loop.runUntil([&] { return seen.size() == std::size_t{kThreads} * kPerThread; },
                                   Clock::time_point::max(), RunLoopMode::Default, kHangGuard);
    for (auto& poster : posters) {
        poster.join();
    }
    ASSERT_TRUE(all);
    std::vector<int> next(kThreads, 0);
    for (const auto& [thread, index] : seen) {
        EXPECT_EQ(index, next[thread]) << "thread " << thread;
        next[thread] = index + 1;
    }
}

TEST_F(RunLoopTest, RunningIsRefusedOnAnotherThreadAndInCommonMode) {
    int ran = 0;
    loop.perform([&] { ++ran; });
    bool otherOnce = true;
    Outcome otherRun = Outcome::Satisfied;
    std::thread other([&] {
        otherOnce = loop.runOnce();
        otherRun = loop.run([] { return true; }, Clock::time_point::max());
    });
    other.join();
    EXPECT_FALSE(otherOnce);
    EXPECT_EQ(otherRun, Outcome::Refused);

    EXPECT_FALSE(loop.runOnce(RunLoopMode::Common));
    EXPECT_EQ(loop.run([] { return true; }, Clock::time_point::max(), RunLoopMode::Common), Outcome::Refused);
    EXPECT_FALSE(loop.runFor(1s, RunLoopMode::Common));
    EXPECT_EQ(ran, 0);
    EXPECT_FALSE(loop.currentMode().has_value());
}

TEST_F(RunLoopTest, CurrentModeFollowsNestedRuns) {
    EXPECT_FALSE(loop.currentMode().has_value());
    std::optional<RunLoopMode> outer;
    std::optional<RunLoopMode> inner;
    std::optional<RunLoopMode> afterInner;
    loop.perform([&] {
        outer = loop.currentMode();
        loop.perform([&] { inner = loop.currentMode(); });
        loop.runOnce(RunLoopMode::Tracking);
        afterInner = loop.currentMode();
    });
    loop.runOnce(RunLoopMode::Default);
    EXPECT_EQ(outer, RunLoopMode::Default);
    EXPECT_EQ(inner, RunLoopMode::Tracking);
    EXPECT_EQ(afterInner, RunLoopMode::Default);
    EXPECT_FALSE(loop.currentMode().has_value());
}

TEST_F(RunLoopTest, NestedRunContinuesTheQueueInPostingOrder) {
    std::vector<std::string> log;
    loop.perform([&] {
        log.push_back("A begins");
        loop.perform([&] { log.push_back("D"); });
        loop.runOnce(RunLoopMode::Tracking);
        log.push_back("A ends");
    });
    loop.perform([&] { log.push_back("B"); });
    loop.perform([&] { log.push_back("C"); });
    EXPECT_TRUE(loop.runOnce());
    EXPECT_EQ(log, (std::vector<std::string>{"A begins", "B", "C", "D", "A ends"}));
    EXPECT_FALSE(loop.runOnce());
}

TEST_F(RunLoopTest, RunUntilStopsWhenThePredicateHoldsAfterAPass) {
    int counter = 0;
    for (int i = 0; i < 3; ++i) {
        loop.perform([&] { ++counter; });
    }
    EXPECT_EQ(loop.run([&] { return counter == 3; }, clock->after(10s)), Outcome::Satisfied);
    EXPECT_EQ(counter, 3);
    EXPECT_EQ(clock->now(), Clock::time_point(100s)); // manual time did not move by itself

    // Already true: returns before running anything.
    loop.perform([&] { ++counter; });
    EXPECT_TRUE(loop.runUntil([] { return true; }, clock->after(10s)));
    EXPECT_EQ(counter, 3);
    EXPECT_TRUE(loop.runOnce());
}

TEST_F(RunLoopTest, PastDeadlineMeansOnePass) {
    int ran = 0;
    loop.perform([&] { ++ran; });
    EXPECT_EQ(loop.run([] { return false; }, clock->now()), Outcome::DeadlineReached);
    EXPECT_EQ(ran, 1);
    // The last pass can still satisfy the predicate.
    loop.perform([&] { ++ran; });
    EXPECT_EQ(loop.run([&] { return ran == 2; }, clock->now() - 1s), Outcome::Satisfied);
}

TEST_F(RunLoopTest, ManualDeadlineIsReachedWhenAnotherThreadAdvancesTheClock) {
    const Clock::time_point deadline = clock->after(10s);
    std::thread mover([&] {
        for (int i = 0; i < 10; ++i) {
            clock->advance(1s);
        }
    });
    // The deadline is in manual time; the real-time limit is only a hang guard, and reaching it would give
    // RealTimeLimitReached instead.
    const Outcome outcome = loop.run([] { return false; }, deadline, RunLoopMode::Default, kHangGuard);
    mover.join();
    EXPECT_EQ(outcome, Outcome::DeadlineReached);
    EXPECT_EQ(clock->now(), deadline);
}

TEST_F(RunLoopTest, RunForMeasuresManualTime) {
    // The clock is moved only once the run is under way, i.e. after it has fixed its deadline.
    std::thread mover;
    loop.perform([&] { mover = std::thread([&] { clock->advance(3s); }); });
    EXPECT_TRUE(loop.runFor(3s, RunLoopMode::Default, kHangGuard));
    mover.join();
    EXPECT_EQ(clock->now(), Clock::time_point(103s));
}

TEST_F(RunLoopTest, RealTimeLimitEndsARunWhoseManualDeadlineNobodyReaches) {
    int ran = 0;
    loop.perform([&] { ++ran; });
    EXPECT_EQ(loop.run([] { return false; }, Clock::time_point::max(), RunLoopMode::Default, 0s),
              Outcome::RealTimeLimitReached);
    EXPECT_EQ(ran, 1); // the last pass still ran
    EXPECT_EQ(loop.run([] { return false; }, Clock::time_point::max(), RunLoopMode::Default, 1ms),
              Outcome::RealTimeLimitReached);
}

TEST_F(RunLoopTest, PredicateMadeTrueByABlockPostedFromTheGlobalQueue) {
    bool done = false; // touched only on the loop's thread
    ui::DispatchQueue::global().async([&] { loop.perform([&] { done = true; }); });
    EXPECT_EQ(loop.run([&] { return done; }, Clock::time_point::max(), RunLoopMode::Default, kHangGuard),
              Outcome::Satisfied);
}

TEST_F(RunLoopTest, WakeUpMakesASleepingRunRecheckItsPredicate) {
    std::atomic<bool> flag{false};
    std::thread setter([&] {
        flag = true;
        loop.wakeUp();
    });
    EXPECT_EQ(
        loop.run([&] { return flag.load(); }, Clock::time_point::max(), RunLoopMode::Default, kHangGuard),
        Outcome::Satisfied);
    setter.join();
}

TEST_F(RunLoopTest, PerformAtWaitsForItsTimeOnTheLoopsClockInAnyMode) {
    std::vector<std::string> log;
    loop.performAt(clock->after(2s), [&] { log.push_back("at 2s, first"); });
    loop.performAfter(1s, [&] { log.push_back("after 1s"); });
    loop.performAt(clock->after(2s), [&] { log.push_back("at 2s, second"); });
    loop.perform([&] { log.push_back("now"); });

    EXPECT_TRUE(loop.runOnce());
    EXPECT_EQ(log, (std::vector<std::string>{"now"}));
    clock->advance(999ms);
    EXPECT_FALSE(loop.runOnce(RunLoopMode::Tracking));
    clock->advance(1ms);
    EXPECT_TRUE(loop.runOnce(RunLoopMode::Tracking));
    EXPECT_EQ(log.back(), "after 1s");
    clock->advance(5s);
    EXPECT_TRUE(loop.runOnce());
    EXPECT_EQ(log, (std::vector<std::string>{"now", "after 1s", "at 2s, first", "at 2s, second"}));
    EXPECT_EQ(loop.pendingBlockCount(), 0U);
}

TEST_F(RunLoopTest, SleepingRunWakesForPerformAtWhenTheClockGetsThere) {
    bool ran = false;
    loop.performAfter(5s, [&] { ran = true; });
    std::thread mover([&] { clock->advance(5s); });
    EXPECT_EQ(loop.run([&] { return ran; }, Clock::time_point::max(), RunLoopMode::Tracking, kHangGuard),
              Outcome::Satisfied);
    mover.join();
}

TEST_F(RunLoopTest, ExceptionFromABlockReachesTheCallerAndLeavesTheLoopUsable) {
    std::vector<int> order;
    loop.perform([&] {
        EXPECT_THROW(loop.runOnce(RunLoopMode::Tracking), std::runtime_error);
        EXPECT_EQ(loop.currentMode(), RunLoopMode::Default);
    });
    loop.perform([&] { order.push_back(1); });
    loop.perform([] { throw std::runtime_error("boom"); });
    loop.perform([&] { order.push_back(3); });
    EXPECT_TRUE(loop.runOnce());
    // The nested run threw after block 1; block 3 ran in the outer pass afterwards.
    EXPECT_EQ(order, (std::vector<int>{1, 3}));
    EXPECT_FALSE(loop.currentMode().has_value());

    loop.perform([] { throw std::logic_error("again"); });
    loop.perform([&] { order.push_back(4); });
    EXPECT_THROW(loop.runOnce(), std::logic_error);
    EXPECT_FALSE(loop.currentMode().has_value());
    EXPECT_TRUE(loop.runOnce());
    EXPECT_EQ(order, (std::vector<int>{1, 3, 4}));
}

TEST_F(RunLoopTest, SetClockNullRestoresRealTime) {
    EXPECT_EQ(loop.clock(), clock);
    loop.setClock(nullptr);
    ASSERT_NE(loop.clock(), nullptr);
    EXPECT_NE(dynamic_cast<ui::SteadyClock*>(loop.clock().get()), nullptr);
}

TEST(MainRunLoop, IsBoundToTheMainThread) {
    EXPECT_TRUE(ui::isMainThread());
    EXPECT_TRUE(RunLoop::main().isCurrentThread());
    EXPECT_EQ(&RunLoop::main(), &RunLoop::main());
    bool otherIsMain = true;
    bool otherIsCurrent = true;
    std::thread other([&] {
        otherIsMain = ui::isMainThread();
        otherIsCurrent = RunLoop::main().isCurrentThread();
    });
    other.join();
    EXPECT_FALSE(otherIsMain);
    EXPECT_FALSE(otherIsCurrent);

    RunLoop local;
    EXPECT_TRUE(local.isCurrentThread());
    EXPECT_EQ(local.thread(), std::this_thread::get_id());
}

} // namespace
