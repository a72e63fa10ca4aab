#pragma once

// Counts the heap in use by replacing the global allocation operators, for benchmarks that report memory.
// Include it in exactly one source file of a benchmark program: the operators it defines replace the
// standard ones for the whole program.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace heap_counter {

// Bytes allocated and not yet freed, and the most there were since the last resetPeak.
inline std::atomic<long long> liveBytes{0};
inline std::atomic<long long> peakBytes{0};

inline void noteAllocation(long long bytes) {
    const long long now = liveBytes.fetch_add(bytes, std::memory_order_relaxed) + bytes;
    long long peak = peakBytes.load(std::memory_order_relaxed);
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
}

// Starts a new peak from what is in use now, and returns that amount.
inline long long resetPeak() {
    const long long now = liveBytes.load();
    peakBytes.store(now);
    return now;
}

} // namespace heap_counter

// Every allocation carries its size in a header so that frees can be counted too. GCC cannot see that the
// replaced operators pair malloc with free themselves.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    auto* p = static_cast<std::size_t*>(std::malloc(size + sizeof(std::max_align_t)));
    if (!p)
        throw std::bad_alloc();
    *p = size;
    heap_counter::noteAllocation(static_cast<long long>(size));
    return reinterpret_cast<char*>(p) + sizeof(std::max_align_t);
}

void operator delete(void* ptr) noexcept {
    if (!ptr)
        return;
    auto* p = reinterpret_cast<std::size_t*>(static_cast<char*>(ptr) - sizeof(std::max_align_t));
    heap_counter::liveBytes.fetch_sub(static_cast<long long>(*p), std::memory_order_relaxed);
    std::free(p);
}

void operator delete(void* ptr, std::size_t) noexcept {
    operator delete(ptr);
}
