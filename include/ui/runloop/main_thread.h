#pragma once

// The main thread, and debug assertions about which thread a call is made on.
//
// The main thread is the thread the main run loop is bound to (see RunLoop::main()). The library binds it
// during static initialisation, so in an ordinary program it is the thread that runs main().

namespace ui {

// True when the calling thread is the main thread.
bool isMainThread() noexcept;

// True when the ui run-loop library was compiled with KIVO_DEBUG_ASSERTIONS, so that its debug
// assertions abort the process instead of being ignored.
bool debugAssertionsEnabled() noexcept;

namespace detail {

// Prints "file:line: function: message" to stderr and aborts. Used by the debug assertion macros.
[[noreturn]] void debugAssertionFailed(const char* message, const char* file, int line,
                                       const char* function) noexcept;

// Aborts with a clear message unless called on the main thread.
void assertMainThread(const char* file, int line, const char* function) noexcept;

} // namespace detail
} // namespace ui

// Aborts with a message naming the caller when it is not on the main thread. Only active when
// KIVO_DEBUG_ASSERTIONS is defined; otherwise it expands to nothing and costs nothing.
#ifdef KIVO_DEBUG_ASSERTIONS
#define KIVO_ASSERT_MAIN_THREAD() ::ui::detail::assertMainThread(__FILE__, __LINE__, __func__)
#else
#define KIVO_ASSERT_MAIN_THREAD() static_cast<void>(0)
#endif

// Aborts with `message` when `condition` is false. Only active when KIVO_DEBUG_ASSERTIONS is defined; then
// the condition is not evaluated at all. Used for programming errors whose release behaviour is still defined
// (the offending call is ignored or refused).
#ifdef KIVO_DEBUG_ASSERTIONS
#define KIVO_RUNLOOP_ASSERT(condition, message)                                                              \
    ((condition) ? static_cast<void>(0)                                                                      \
                 : ::ui::detail::debugAssertionFailed(message, __FILE__, __LINE__, __func__))
#else
#define KIVO_RUNLOOP_ASSERT(condition, message) static_cast<void>(sizeof(condition))
#endif
