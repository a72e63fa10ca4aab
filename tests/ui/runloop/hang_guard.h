#pragma once

#include <ui/runloop/run_loop.h>

#include <chrono>
#include <functional>

namespace ui::testing {

// A bound on real time for runs that wait on other threads. It is a guard against a hang only: a correct
// implementation returns long before it, and no test asserts anything about elapsed time.
inline constexpr auto kHangGuard = std::chrono::seconds(30);

// Runs the main loop in the default mode until `done` holds (true) or the hang guard expires (false).
inline bool runMainUntil(const std::function<bool()>& done) {
    return RunLoop::main().runUntil(done, Clock::time_point::max(), RunLoopMode::Default, kHangGuard);
}

} // namespace ui::testing
