#pragma once

// Asking for memory ahead of use. A sweep over many objects reached through pointers (views, layers,
// constraints of a large layout) waits for each one in turn once they no longer fit in the cache; asking
// for the ones a few steps further on lets those waits overlap.

#include <cstddef>
#include <cstdint>

namespace ui {

// Asks for every cache line of [p, p + bytes). Only a hint: p is never dereferenced, so it may be null.
// An object is aligned to 16 bytes, not to a line, so one of n lines' size usually spans n + 1 of them.
// Always inlined into the loop that uses it: a function that does nothing but prefetch has no effect the
// compiler must keep, and GCC drops calls to such functions.
[[gnu::always_inline]] inline void prefetchLines(const void* p, std::size_t bytes) {
    constexpr std::uintptr_t kLine = 64;
    const auto begin = reinterpret_cast<std::uintptr_t>(p);
    for (std::uintptr_t line = begin & ~(kLine - 1); line < begin + bytes; line += kLine)
        __builtin_prefetch(reinterpret_cast<const void*>(line));
}

} // namespace ui
