#include "ui/runloop/main_thread.h"

#include <ui/runloop/run_loop.h>

#include <cstdio>
#include <cstdlib>

namespace ui {

bool isMainThread() noexcept {
    return RunLoop::main().isCurrentThread();
}

bool debugAssertionsEnabled() noexcept {
#ifdef KIVO_DEBUG_ASSERTIONS
    return true;
#else
    return false;
#endif
}

namespace detail {

void debugAssertionFailed(const char* message, const char* file, int line, const char* function) noexcept {
    std::fprintf(stderr, "%s:%d: %s: assertion failed: %s\n", file, line, function, message);
    std::fflush(stderr);
    std::abort();
}

void assertMainThread(const char* file, int line, const char* function) noexcept {
    if (!isMainThread()) {
        debugAssertionFailed("must be called on the main thread", file, line, function);
    }
}

} // namespace detail
} // namespace ui
