#pragma once

namespace ui {

// The modes of a run loop. A run loop always runs in one concrete mode, Default or Tracking (the latter while
// a gesture is being tracked, so that ordinary timers pause). Common is not a mode to run in but a set: a
// timer added for Common belongs to both Default and Tracking. Asking a run loop to run in Common is refused.
// Posted blocks (RunLoop::perform, the main dispatch queue) run in every mode.
enum class RunLoopMode { Default, Tracking, Common };

} // namespace ui
