#pragma once

#include <ui/runloop/clock.h>

#include <cstddef>
#include <functional>
#include <string_view>

namespace ui {

// Where blocks run asynchronously. There are two queues, both living for the whole process:
//
// - main(): a serial queue on the main run loop. Blocks run in submission order on the main thread, in every
//   run-loop mode, but only while the main thread runs RunLoop::main(). asyncAfter counts its delay on the
//   main loop's clock (so a ManualClock in tests controls it).
// - global(): a concurrent pool of max(2, hardware_concurrency) threads. Blocks start in submission order and
//   run in parallel. asyncAfter counts its delay in real time. A block that throws has the exception
//   reported on stderr and dropped; the worker carries on. At process exit the pool stops: blocks not started
//   yet are discarded, running ones are waited for (up to a second, then left to finish on their own).
//
// All members may be called from any thread. Empty blocks are ignored.
class DispatchQueue {
public:
    using Block = std::function<void()>;

    static DispatchQueue& main();
    static DispatchQueue& global();

    DispatchQueue(const DispatchQueue&) = delete;
    DispatchQueue& operator=(const DispatchQueue&) = delete;

    // Runs `block` later, never before async returns.
    virtual void async(Block block) = 0;
    // Runs `block` once `delay` has passed (a zero or negative delay: as soon as possible).
    virtual void asyncAfter(Clock::duration delay, Block block) = 0;

    // Whether the calling thread is one this queue runs its blocks on: the main thread for main(), a pool
    // thread for global().
    virtual bool isCurrent() const noexcept = 0;
    // How many blocks the queue may run at once: 1 for main(), the pool size for global().
    virtual std::size_t width() const noexcept = 0;
    virtual std::string_view label() const noexcept = 0;

protected:
    DispatchQueue() = default;
    ~DispatchQueue() = default;
};

} // namespace ui
