#include "ui/runloop/hang_guard.h"

#include <ui/runloop/dispatch_group.h>
#include <ui/runloop/dispatch_queue.h>
#include <ui/runloop/run_loop.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

using namespace std::chrono_literals;

namespace ui {
namespace {

using testing::kHangGuard;
using testing::runMainUntil;

TEST(GlobalQueue, RunsBlocksInParallel) {
    DispatchQueue& global = DispatchQueue::global();
    EXPECT_GE(global.width(), 2U);
    // Each block waits for the other to arrive: with a single thread the first would wait in vain.
    std::mutex mutex;
    std::condition_variable arrivedChanged;
    int arrived = 0;
    bool met[2] = {false, false};
    DispatchGroup group;
    for (int i = 0; i < 2; ++i) {
        group.async(global, [&, i] {
            std::unique_lock lock(mutex);
            ++arrived;
            arrivedChanged.notify_all();
            met[i] = arrivedChanged.wait_for(lock, kHangGuard, [&] { return arrived == 2; });
        });
    }
    ASSERT_TRUE(group.wait(2 * kHangGuard));
    EXPECT_TRUE(met[0]);
    EXPECT_TRUE(met[1]);
}

TEST(GlobalQueue, KnowsItsOwnThreads) {
    DispatchQueue& global = DispatchQueue::global();
    EXPECT_FALSE(global.isCurrent());
    EXPECT_EQ(global.label(), "ui.global");
    bool onPool = false;
    bool onMain = true;
    std::thread::id thread;
    DispatchGroup group;
    group.async(global, [&] {
        onPool = DispatchQueue::global().isCurrent();
        onMain = DispatchQueue::main().isCurrent();
        thread = std::this_thread::get_id();
    });
    ASSERT_TRUE(group.wait(kHangGuard));
    EXPECT_TRUE(onPool);
    EXPECT_FALSE(onMain);
    EXPECT_NE(thread, std::this_thread::get_id());
}

TEST(GlobalQueue, AsyncAfterRunsLater) {
    DispatchGroup group;
    std::atomic<int> ran{0};
    for (auto delay : {20ms, 0ms, -5ms, 5ms}) {
        group.enter();
        DispatchQueue::global().asyncAfter(delay, [&] {
            ++ran;
            group.leave();
        });
    }
    ASSERT_TRUE(group.wait(kHangGuard));
    EXPECT_EQ(ran.load(), 4);
}

TEST(GlobalQueue, ThrowingBlockDoesNotStopThePool) {
    DispatchQueue& global = DispatchQueue::global();
    for (std::size_t i = 0; i < 2 * global.width(); ++i) {
        global.async([] { throw std::runtime_error("test: thrown on purpose"); });
    }
    DispatchGroup group;
    std::atomic<int> ran{0};
    for (int i = 0; i < 20; ++i) {
        group.async(global, [&] { ++ran; });
    }
    ASSERT_TRUE(group.wait(kHangGuard));
    EXPECT_EQ(ran.load(), 20);
}

TEST(GlobalQueue, EmptyBlocksAreIgnored) {
    DispatchQueue::global().async(nullptr);
    DispatchQueue::global().asyncAfter(1ms, nullptr);
    DispatchGroup group;
    group.async(DispatchQueue::global(), nullptr);
    EXPECT_EQ(group.pendingCount(), 0U);
    EXPECT_TRUE(group.wait(0s));
}

// Process exit must neither hang on a worker that never finishes nor crash on the blocks still queued.
TEST(GlobalQueueDeathTest, ExitDoesNotWaitForeverForAStuckWorker) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // Never fulfilled: exit() does not unwind this frame, so the block stays stuck.
            std::promise<void> never;
            std::shared_future<void> stuck = never.get_future().share();
            DispatchQueue::global().async([stuck] { stuck.wait(); });
            for (int i = 0; i < 1000; ++i) {
                DispatchQueue::global().async([] {});
                DispatchQueue::global().asyncAfter(1h, [] {});
            }
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

class MainQueueTest : public ::testing::Test {
protected:
    MainQueueTest() { RunLoop::main().setClock(clock); }
    ~MainQueueTest() override { RunLoop::main().setClock(nullptr); }

    std::shared_ptr<ui::ManualClock> clock = std::make_shared<ui::ManualClock>(Clock::time_point(50s));
};

TEST_F(MainQueueTest, RunsOnlyWhenTheMainLoopRunsKeepingEachThreadsOrder) {
    DispatchQueue& main = DispatchQueue::main();
    EXPECT_TRUE(main.isCurrent());
    EXPECT_EQ(main.width(), 1U);
    EXPECT_EQ(main.label(), "ui.main");

    constexpr int kThreads = 3;
    constexpr int kPerThread = 200;
    std::vector<std::pair<int, int>> seen; // touched only on the main thread
    std::vector<std::thread> posters;
    posters.reserve(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                DispatchQueue::main().async([&seen, t, i] { seen.emplace_back(t, i); });
            }
        });
    }
    for (auto& poster : posters) {
        poster.join();
    }
    EXPECT_TRUE(seen.empty()); // nothing runs until the main thread runs its loop

    ASSERT_TRUE(runMainUntil([&] { return seen.size() == std::size_t{kThreads} * kPerThread; }));
    std::vector<int> next(kThreads, 0);
    for (const auto& [thread, index] : seen) {
        ASSERT_EQ(index, next[thread]) << "thread " << thread;
        next[thread] = index + 1;
    }
}

TEST_F(MainQueueTest, RunsInTrackingModeToo) {
    bool ran = false;
    DispatchQueue::main().async([&] { ran = true; });
    EXPECT_TRUE(RunLoop::main().runOnce(RunLoopMode::Tracking));
    EXPECT_TRUE(ran);
}

TEST_F(MainQueueTest, AsyncAfterCountsOnTheMainLoopsClock) {
    std::vector<int> order;
    DispatchQueue::main().asyncAfter(5s, [&] { order.push_back(5); });
    DispatchQueue::main().asyncAfter(2s, [&] { order.push_back(2); });
    RunLoop::main().runOnce();
    EXPECT_TRUE(order.empty());
    clock->advance(2s);
    RunLoop::main().runOnce(RunLoopMode::Tracking);
    EXPECT_EQ(order, (std::vector<int>{2}));
    clock->advance(3s);
    RunLoop::main().runOnce();
    EXPECT_EQ(order, (std::vector<int>{2, 5}));
}

TEST_F(MainQueueTest, AsyncAfterFromAWorkerThreadIsDatedWhenSubmitted) {
    bool ran = false;
    DispatchGroup submitted;
    submitted.async(DispatchQueue::global(),
                    [&] { DispatchQueue::main().asyncAfter(3s, [&] { ran = true; }); });
    ASSERT_TRUE(submitted.wait(kHangGuard));
    clock->advance(3s);
    RunLoop::main().runOnce();
    EXPECT_TRUE(ran);
}

} // namespace
} // namespace ui
