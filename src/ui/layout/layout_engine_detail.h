#pragma once

// What the parts of the layout engine share: its tuning constants, the prefetch helpers of its sweeps and
// the small slot and constraint helpers that every part calls in its loops, defined here so that they
// are inlined there.

#include "ui/layout/layout_engine.h"

#include <ui/foundation/prefetch.h>
#include <ui/views/view.h>

#include <cstddef>
#include <cstdint>

namespace ui::layout_engine {

inline constexpr std::uint32_t kNoSlot = UINT32_MAX;
// How many items ahead a sweep asks for what it will read (see prefetchLines).
inline constexpr std::size_t kPrefetchAhead = 8;

// Preferences below any priority a caller can state (callers use 1...1000).
inline constexpr float kPreferSmall = 0.02f;
inline constexpr float kPreferOrigin = 0.01f;
// Sizes are kept from going negative above every preference a caller can state but below required, so
// that a caller's required constraint (and a window's own size) always wins.
inline constexpr float kNonNegativeSize = priority::required - 0.5f;
// How far below zero a solved size may come out by rounding alone.
inline constexpr double kNegativeTolerance = 1e-9;

// A slot's four variables, which share one allocation (see LayoutEngine::ensureSlot).
template <class Slot>
[[gnu::always_inline]] inline void prefetchVariables(const Slot& slot) {
    prefetchLines(reinterpret_cast<const void*>(slot.left.id()), 4 * Variable::stateBytes);
}

} // namespace ui::layout_engine

namespace ui {

inline std::uint32_t LayoutEngine::slotOf(const View* view) const {
    if (!view)
        return layout_engine::kNoSlot;
    const std::uint32_t i = View::LayoutAccess::slot(*view);
    return i < slots_.size() && slots_[i].alive && slots_[i].raw == view ? i : layout_engine::kNoSlot;
}

inline std::uint64_t LayoutEngine::slotGeneration(const View* view) const {
    const std::uint32_t i = slotOf(view);
    return i == layout_engine::kNoSlot ? 0 : slots_[i].generation;
}

inline void LayoutEngine::add(std::optional<Constraint>& holder, const Constraint& c) {
    remove(holder);
    if (solver_.addConstraint(c) == SolverStatus::ok)
        holder = c;
}

inline void LayoutEngine::remove(std::optional<Constraint>& holder) {
    if (holder) {
        solver_.removeConstraint(*holder);
        holder.reset();
    }
}

// What a sweep over the slots reads of a slot's view and variables; the slots themselves lie in order.
[[gnu::always_inline]] inline void LayoutEngine::prefetchSlotView(const Slot& slot) {
    if (!slot.alive)
        return;
    View::LayoutAccess::prefetchLayoutState(*slot.raw);
    layout_engine::prefetchVariables(slot);
}

inline void LayoutEngine::setHeightForWidth(Slot& s, bool value) {
    if (s.heightForWidth != value)
        heightForWidthCount_ += value ? 1 : -1;
    s.heightForWidth = value;
}

} // namespace ui
