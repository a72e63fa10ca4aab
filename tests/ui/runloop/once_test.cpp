#include <ui/runloop/once.h>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

TEST(Once, RunsExactlyOnceAcrossThreadsAndPublishesItsEffects) {
    ui::Once once;
    int value = 0; // written by the one call, read by all: must be published by call()
    std::atomic<int> runs{0};
    std::atomic<int> winners{0};
    std::atomic<int> sawValue{0};
    std::vector<std::thread> threads;
    threads.reserve(8);
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            if (once.call([&] {
                    ++runs;
                    value = 42;
                })) {
                ++winners;
            }
            if (value == 42) {
                ++sawValue;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(runs.load(), 1);
    EXPECT_EQ(winners.load(), 1);
    EXPECT_EQ(sawValue.load(), 8);
    EXPECT_TRUE(once.isDone());
    EXPECT_FALSE(once.call([&] { ++runs; }));
    EXPECT_EQ(runs.load(), 1);
}

TEST(Once, ThrowingCallDoesNotCountAndTheNextOneRetries) {
    ui::Once once;
    int attempts = 0;
    EXPECT_THROW(once.call([&] {
        ++attempts;
        throw std::runtime_error("not yet");
    }),
                 std::runtime_error);
    EXPECT_FALSE(once.isDone());
    EXPECT_TRUE(once.call([&] { ++attempts; }));
    EXPECT_EQ(attempts, 2);
    EXPECT_TRUE(once.isDone());
}

TEST(Once, ReentrantCallReturnsInsteadOfDeadlocking) {
    ui::Once once;
    int runs = 0;
    bool innerResult = true;
    EXPECT_TRUE(once.call([&] {
        ++runs;
        innerResult = once.call([&] { ++runs; });
    }));
    EXPECT_FALSE(innerResult);
    EXPECT_EQ(runs, 1);
}

} // namespace
