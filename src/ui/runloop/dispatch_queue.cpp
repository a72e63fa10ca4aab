#include "ui/runloop/dispatch_queue.h"

#include <ui/runloop/main_thread.h>
#include <ui/runloop/run_loop.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace ui {

namespace {

class MainQueue final : public DispatchQueue {
public:
    void async(Block block) override { RunLoop::main().perform(std::move(block)); }
    void asyncAfter(Clock::duration delay, Block block) override {
        RunLoop::main().performAfter(delay, std::move(block));
    }
    bool isCurrent() const noexcept override { return isMainThread(); }
    std::size_t width() const noexcept override { return 1; }
    std::string_view label() const noexcept override { return "ui.main"; }
};

// Set on the pool's threads, for isCurrent().
thread_local bool tlIsPoolThread = false;

// How long process exit waits for blocks that are still running before leaving their threads behind.
constexpr auto kShutdownGrace = std::chrono::seconds(1);

// Real-time waits are cut into slices so that no deadline near the end of the representable range reaches
// the standard library.
constexpr auto kLongestSingleWait = std::chrono::hours(1);

class GlobalPool final : public DispatchQueue {
public:
    explicit GlobalPool(std::size_t threadCount) : state_(std::make_shared<State>()) {
        threads_.reserve(threadCount);
        for (std::size_t i = 0; i < threadCount; ++i) {
            try {
                // Counted before the thread starts, so shutdown never misses a worker that is starting up.
                {
                    std::lock_guard lock(state_->mutex);
                    ++state_->liveWorkers;
                }
                threads_.emplace_back(&GlobalPool::work, state_);
            } catch (const std::system_error& error) {
                {
                    std::lock_guard lock(state_->mutex);
                    --state_->liveWorkers;
                }
                std::fprintf(stderr, "ui::DispatchQueue::global(): could not start worker %zu: %s\n", i,
                             error.what());
                break;
            }
        }
        width_ = std::max<std::size_t>(threads_.size(), 1);
    }

    void async(Block block) override { submit(RealClock::time_point::min(), std::move(block)); }

    void asyncAfter(Clock::duration delay, Block block) override {
        submit(addSaturating(RealClock::now(), delay), std::move(block));
    }

    bool isCurrent() const noexcept override { return tlIsPoolThread; }
    std::size_t width() const noexcept override { return width_; }
    std::string_view label() const noexcept override { return "ui.global"; }

    // Stops the workers: drops blocks not started yet, waits a bounded time for running ones and joins the
    // threads that finished. A worker still busy after that is detached; it only touches the shared state,
    // which it co-owns, so it stays safe while the process winds down.
    void shutdown() {
        std::deque<Block> droppedReady;
        std::multimap<RealClock::time_point, Block> droppedDelayed;
        {
            std::lock_guard lock(state_->mutex);
            if (state_->stopping) {
                return;
            }
            state_->stopping = true;
            droppedReady.swap(state_->ready);
            droppedDelayed.swap(state_->delayed);
        }
        state_->workAvailable.notify_all();
        // Destroyed outside the lock: their captures may submit more work (which is now refused).
        droppedReady.clear();
        droppedDelayed.clear();

        bool allStopped = false;
        {
            std::unique_lock lock(state_->mutex);
            allStopped = state_->workersStopped.wait_for(lock, kShutdownGrace, [this] {
                // A worker calling exit() can never stop itself; do not wait for it.
                return state_->liveWorkers == (tlIsPoolThread ? 1U : 0U);
            });
        }
        for (std::thread& thread : threads_) {
            if (allStopped && thread.get_id() != std::this_thread::get_id()) {
                thread.join();
            } else {
                thread.detach();
            }
        }
        threads_.clear();
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable workAvailable;
        std::condition_variable workersStopped;
        std::deque<Block> ready;
        std::multimap<RealClock::time_point, Block> delayed; // equal times keep submission order
        bool stopping = false;
        std::size_t liveWorkers = 0;
    };

    void submit(RealClock::time_point when, Block block) {
        if (!block) {
            return;
        }
        {
            std::unique_lock lock(state_->mutex);
            if (state_->stopping) {
                lock.unlock();
                // Discarded after unlocking, as its captures may call back into the pool.
                block = nullptr;
                return;
            }
            if (when <= RealClock::now()) {
                state_->ready.push_back(std::move(block));
            } else {
                state_->delayed.emplace(when, std::move(block));
            }
        }
        // One waiter is enough: whoever wakes up recomputes the earliest delayed time for everyone.
        state_->workAvailable.notify_one();
    }

    static void runGuarded(Block& block) noexcept {
        try {
            block();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "ui::DispatchQueue::global(): a block threw an exception (ignored): %s\n",
                         error.what());
        } catch (...) {
            std::fprintf(stderr, "ui::DispatchQueue::global(): a block threw an exception (ignored)\n");
        }
    }

    static void work(const std::shared_ptr<State>& state) {
        tlIsPoolThread = true;
        std::unique_lock lock(state->mutex);
        while (!state->stopping) {
            const RealClock::time_point now = RealClock::now();
            auto& delayed = state->delayed;
            while (!delayed.empty() && delayed.begin()->first <= now) {
                state->ready.push_back(std::move(delayed.begin()->second));
                delayed.erase(delayed.begin());
            }
            if (!state->ready.empty()) {
                Block block = std::move(state->ready.front());
                state->ready.pop_front();
                const bool more = !state->ready.empty();
                lock.unlock();
                if (more) {
                    state->workAvailable.notify_one();
                }
                runGuarded(block);
                block = nullptr; // captures are released before the next block, outside the lock
                lock.lock();
                continue;
            }
            const RealClock::time_point sliceEnd = now + kLongestSingleWait;
            const RealClock::time_point wakeAt =
                delayed.empty() ? sliceEnd : std::min(delayed.begin()->first, sliceEnd);
            state->workAvailable.wait_until(lock, wakeAt);
        }
        --state->liveWorkers;
        state->workersStopped.notify_all();
    }

    std::shared_ptr<State> state_;
    std::vector<std::thread> threads_;
    std::size_t width_ = 1;
};

// Stops the pool when static objects are destroyed at exit. The pool object itself is never destroyed, so a
// late caller of DispatchQueue::global() still finds a live queue (one that discards new work).
struct PoolStopper {
    GlobalPool* pool;
    ~PoolStopper() { pool->shutdown(); }
};

std::size_t poolSize() {
    const unsigned hardware = std::thread::hardware_concurrency();
    return std::max<std::size_t>(2, hardware);
}

} // namespace

DispatchQueue& DispatchQueue::main() {
    static MainQueue* const queue = new MainQueue();
    return *queue;
}

DispatchQueue& DispatchQueue::global() {
    static GlobalPool* const pool = new GlobalPool(poolSize());
    static PoolStopper stopper{pool};
    return *pool;
}

} // namespace ui
