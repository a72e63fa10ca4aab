#include <ui/runloop/object_lock.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

// A class guarding its state with an embedded lock, the way toolkit classes will.
class Counter {
public:
    void add(int n) {
        ui::synchronized(lock_, [&] {
            const int inside = ++inside_;
            maxInside_ = std::max(maxInside_, inside);
            value_ += n;
            --inside_;
        });
    }
    // Takes the lock again while holding it.
    void addTwiceNested(int n) {
        ui::synchronized(lock_, [&] {
            add(n);
            add(n);
        });
    }
    int value() {
        return ui::synchronized(lock_, [&] { return value_; });
    }
    int maxInside() {
        return ui::synchronized(lock_, [&] { return maxInside_; });
    }
    ui::ObjectLock& lock() { return lock_; }

private:
    ui::ObjectLock lock_;
    int value_ = 0;
    int inside_ = 0;
    int maxInside_ = 0;
};

template <class Work>
void onThreads(int count, Work work) {
    std::vector<std::thread> threads;
    threads.reserve(static_cast<std::size_t>(count));
    for (int t = 0; t < count; ++t) {
        threads.emplace_back(work);
    }
    for (auto& thread : threads) {
        thread.join();
    }
}

TEST(ObjectLock, IsRecursiveAndExcludesOtherThreads) {
    Counter counter;
    onThreads(6, [&] {
        for (int i = 0; i < 2000; ++i) {
            counter.addTwiceNested(1);
        }
    });
    EXPECT_EQ(counter.value(), 6 * 2000 * 2);
    EXPECT_EQ(counter.maxInside(), 1);
}

TEST(ObjectLock, ReleasedWhenTheBlockThrows) {
    Counter counter;
    EXPECT_THROW(ui::synchronized(counter.lock(), [] { throw std::runtime_error("boom"); }),
                 std::runtime_error);
    bool otherGotIt = false;
    std::thread other([&] {
        otherGotIt = counter.lock().try_lock();
        if (otherGotIt) {
            counter.lock().unlock();
        }
    });
    other.join();
    EXPECT_TRUE(otherGotIt);
}

TEST(ObjectLock, PassesResultsAndReferencesThrough) {
    ui::ObjectLock lock;
    std::string text = "shelf";
    std::string& ref = ui::synchronized(lock, [&]() -> std::string& { return text; });
    EXPECT_EQ(&ref, &text);
    EXPECT_EQ(ui::synchronized(lock, [] { return 7; }), 7);
    std::scoped_lock asLockable(lock); // Lockable, for the standard helpers
}

TEST(ObjectLock, CopiesGetAFreshLock) {
    Counter original;
    std::lock_guard held(original.lock());
    Counter copy = original;
    bool copyFree = false;
    std::thread other([&] {
        copyFree = copy.lock().try_lock();
        if (copyFree) {
            copy.lock().unlock();
        }
    });
    other.join();
    EXPECT_TRUE(copyFree);
}

TEST(SynchronizedByAddress, IsRecursiveAndExcludesOtherThreads) {
    struct Plain {
        int value = 0;
    } object;
    std::atomic<int> inside{0};
    std::atomic<int> maxInside{0};
    onThreads(6, [&] {
        for (int i = 0; i < 1000; ++i) {
            ui::synchronized(&object, [&] {
                ui::synchronized(&object, [&] {
                    const int now = ++inside;
                    int seen = maxInside.load();
                    while (now > seen && !maxInside.compare_exchange_weak(seen, now)) {
                    }
                    ++object.value;
                    --inside;
                });
            });
        }
    });
    EXPECT_EQ(object.value, 6000);
    EXPECT_EQ(maxInside.load(), 1);
}

TEST(SynchronizedByAddress, DistinctObjectsDoNotBlockEachOther) {
    int a = 0;
    int b = 0;
    bool otherRan = false;
    ui::synchronized(&a, [&] {
        // Holding a's lock; another thread can still take b's.
        std::thread other([&] { ui::synchronized(&b, [&] { otherRan = true; }); });
        other.join();
    });
    EXPECT_TRUE(otherRan);
}

TEST(SynchronizedByAddress, ReleasedWhenTheBlockThrowsAndNullLocksNothing) {
    int object = 0;
    EXPECT_THROW(ui::synchronized(&object, [] { throw std::runtime_error("boom"); }), std::runtime_error);
    bool otherRan = false;
    std::thread other([&] { ui::synchronized(&object, [&] { otherRan = true; }); });
    other.join();
    EXPECT_TRUE(otherRan);

    EXPECT_EQ(ui::synchronized(static_cast<const void*>(nullptr), [] { return 5; }), 5);
}

} // namespace
