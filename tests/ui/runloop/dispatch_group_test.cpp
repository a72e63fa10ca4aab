#include "ui/runloop/hang_guard.h"

#include <ui/runloop/dispatch_group.h>
#include <ui/runloop/dispatch_queue.h>
#include <ui/runloop/main_thread.h>
#include <ui/runloop/run_loop.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace ui {
namespace {

using testing::kHangGuard;
using testing::runMainUntil;

TEST(DispatchGroup, NotifyOnAnEmptyGroupIsStillAsynchronous) {
    DispatchGroup group;
    bool notified = false;
    group.notify(DispatchQueue::main(), [&] { notified = true; });
    EXPECT_FALSE(notified); // not run inside notify()
    ASSERT_TRUE(runMainUntil([&] { return notified; }));

    // On the global queue it runs on a pool thread, not on the caller's.
    DispatchGroup done;
    done.enter();
    std::thread::id ranOn;
    bool onPool = false;
    group.notify(DispatchQueue::global(), [&] {
        ranOn = std::this_thread::get_id();
        onPool = DispatchQueue::global().isCurrent();
        done.leave();
    });
    ASSERT_TRUE(done.wait(kHangGuard));
    EXPECT_NE(ranOn, std::this_thread::get_id());
    EXPECT_TRUE(onPool);
}

TEST(DispatchGroup, NotifySeesTheResultsOfEveryTask) {
    constexpr int kTasks = 500;
    std::vector<int> results(kTasks, -1); // one slot per task: no two tasks share memory
    DispatchGroup group;
    for (int i = 0; i < kTasks; ++i) {
        group.async(DispatchQueue::global(), [&results, i] { results[static_cast<std::size_t>(i)] = i * 2; });
    }
    bool allSeen = false;
    bool notified = false;
    group.notify(DispatchQueue::main(), [&] {
        allSeen = true;
        for (int i = 0; i < kTasks; ++i) {
            allSeen = allSeen && results[static_cast<std::size_t>(i)] == i * 2;
        }
        notified = true;
    });
    ASSERT_TRUE(runMainUntil([&] { return notified; }));
    EXPECT_TRUE(allSeen);
    EXPECT_EQ(group.pendingCount(), 0U);
}

TEST(DispatchGroup, NotificationsRunOnceInTheOrderTheyWereRequested) {
    DispatchGroup group;
    std::vector<std::string> log;
    group.enter();
    group.notify(DispatchQueue::main(), [&] { log.push_back("first"); });
    group.notify(DispatchQueue::main(), [&] { log.push_back("second"); });
    RunLoop::main().runOnce();
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(group.leave());
    ASSERT_TRUE(runMainUntil([&] { return log.size() == 2; }));
    EXPECT_EQ(log, (std::vector<std::string>{"first", "second"}));

    // The group is reusable, and old notifications do not fire again.
    group.enter();
    group.notify(DispatchQueue::main(), [&] { log.push_back("third"); });
    group.leave();
    ASSERT_TRUE(runMainUntil([&] { return log.size() == 3; }));
    RunLoop::main().runOnce();
    EXPECT_EQ(log, (std::vector<std::string>{"first", "second", "third"}));
}

TEST(DispatchGroup, WaitReportsWhetherTheGroupEmptied) {
    DispatchGroup group;
    EXPECT_TRUE(group.wait(0s));
    group.enter();
    EXPECT_FALSE(group.wait(0s));
    EXPECT_FALSE(group.wait(1ms));
    EXPECT_EQ(group.pendingCount(), 1U);
    EXPECT_TRUE(group.leave());
    EXPECT_TRUE(group.wait(0s));
    EXPECT_TRUE(group.wait(ui::RealClock::duration::max()));
}

TEST(DispatchGroup, WaitReturnsWhenWorkersFinish) {
    DispatchGroup group;
    std::atomic<int> done{0};
    for (int i = 0; i < 100; ++i) {
        group.async(DispatchQueue::global(), [&] { ++done; });
    }
    ASSERT_TRUE(group.wait(kHangGuard));
    EXPECT_EQ(done.load(), 100);
}

TEST(DispatchGroup, UnbalancedLeaveIsRefused) {
    DispatchGroup group;
    if (ui::debugAssertionsEnabled()) {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        EXPECT_DEATH(group.leave(), "without a matching enter");
        return;
    }
    EXPECT_FALSE(group.leave());
    EXPECT_EQ(group.pendingCount(), 0U);
    // The count was not corrupted: the group still balances.
    group.enter();
    EXPECT_EQ(group.pendingCount(), 1U);
    EXPECT_FALSE(group.wait(0s));
    EXPECT_TRUE(group.leave());
    EXPECT_TRUE(group.wait(0s));
}

TEST(DispatchGroup, CopiesShareOneGroup) {
    DispatchGroup group;
    DispatchGroup copy = group;
    copy.enter();
    EXPECT_EQ(group.pendingCount(), 1U);
    EXPECT_TRUE(group.leave());
    EXPECT_EQ(copy.pendingCount(), 0U);
}

TEST(DispatchGroup, ThrowingTaskStillLeavesTheGroup) {
    DispatchGroup group;
    group.async(DispatchQueue::global(), [] { throw std::runtime_error("test: thrown on purpose"); });
    EXPECT_TRUE(group.wait(kHangGuard));

    group.async(DispatchQueue::main(), [] { throw std::runtime_error("test: thrown on purpose"); });
    EXPECT_EQ(group.pendingCount(), 1U);
    EXPECT_THROW(RunLoop::main().runOnce(), std::runtime_error);
    EXPECT_EQ(group.pendingCount(), 0U);
}

TEST(DispatchGroup, OutlivesItsLastHandleWhileTasksArePending) {
    bool notified = false;
    std::atomic<int> ran{0};
    {
        DispatchGroup group;
        for (int i = 0; i < 10; ++i) {
            group.async(DispatchQueue::global(), [&] { ++ran; });
        }
        group.notify(DispatchQueue::main(), [&] { notified = true; });
    }
    ASSERT_TRUE(runMainUntil([&] { return notified; }));
    EXPECT_EQ(ran.load(), 10);
}

} // namespace
} // namespace ui
