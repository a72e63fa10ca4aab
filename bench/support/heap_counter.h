#pragma once

// Counts the heap in use by replacing the global allocation operators, for benchmarks that report memory.
// Include it in exactly one source file of a benchmark program: the operators it defines replace the
// standard ones for the whole program.
//
// Counting is off unless a `Window` is open, so that timed code runs with the allocator as a host has
// it: no header on each block (which would make every object 16 bytes larger and the working set of a
// large layout with it) and no shared counter updated on every allocation. Measure memory in an untimed
// run inside a window, and time other runs.

#include <malloc.h>

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace heap_counter {

inline std::atomic<bool> counting{false};
// Bytes allocated and not yet freed while counting, and the most there were. Blocks are counted at the
// size the allocator gave them, which is what they occupy.
inline std::atomic<long long> liveBytes{0};
inline std::atomic<long long> peakBytes{0};

inline void noteAllocation(long long bytes) {
    const long long now = liveBytes.fetch_add(bytes, std::memory_order_relaxed) + bytes;
    long long peak = peakBytes.load(std::memory_order_relaxed);
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
}

// Counts the allocations made while it is open. held() is what was allocated in the window and is still
// in use; peak() the most that was in use at once. Only what is both allocated and freed inside the
// window is matched up, so keep what it measures inside it.
class Window {
public:
    Window() {
        liveBytes.store(0);
        peakBytes.store(0);
        counting.store(true);
    }
    ~Window() { counting.store(false); }
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    long long held() const { return liveBytes.load(); }
    long long peak() const { return peakBytes.load(); }
};

} // namespace heap_counter

// GCC cannot see that the replaced operators pair malloc with free themselves.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (!p)
        throw std::bad_alloc();
    if (heap_counter::counting.load(std::memory_order_relaxed))
        heap_counter::noteAllocation(static_cast<long long>(malloc_usable_size(p)));
    return p;
}

void operator delete(void* ptr) noexcept {
    if (!ptr)
        return;
    if (heap_counter::counting.load(std::memory_order_relaxed))
        heap_counter::liveBytes.fetch_sub(static_cast<long long>(malloc_usable_size(ptr)),
                                          std::memory_order_relaxed);
    std::free(ptr);
}

void operator delete(void* ptr, std::size_t) noexcept {
    operator delete(ptr);
}
