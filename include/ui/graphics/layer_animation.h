#pragma once

// The pieces a layer animation is made of: which property it moves, the values it moves between, and the
// curve its progress follows in time. Transactions create animations; layers hold and evaluate them.

#include <ui/foundation/affine_transform.h>
#include <ui/foundation/color.h>
#include <ui/foundation/geometry.h>
#include <ui/runloop/clock.h>

#include <cstdint>
#include <memory>
#include <variant>
#include <vector>

namespace ui {

// The layer properties that animate.
enum class LayerProperty {
    bounds,
    position,
    transform,
    opacity,
    backgroundColor,
    cornerRadius,
    borderWidth,
    shadowOpacity,
    contentsRect,
};

// Progress over time as a cubic Bézier from (0, 0) to (1, 1) through two control points, as in CSS.
struct TimingFunction {
    double c1x = 0.42, c1y = 0, c2x = 0.58, c2y = 1;

    static constexpr TimingFunction linear() { return {0, 0, 1, 1}; }
    static constexpr TimingFunction easeIn() { return {0.42, 0, 1, 1}; }
    static constexpr TimingFunction easeOut() { return {0, 0, 0.58, 1}; }
    static constexpr TimingFunction easeInEaseOut() { return {0.42, 0, 0.58, 1}; }

    // The eased progress at time fraction `t` (clamped to 0...1).
    double valueAt(double t) const;

    bool operator==(const TimingFunction&) const = default;
};

using AnimatedValue = std::variant<double, Point, Rect, AffineTransform, Color>;

// The value `fraction` of the way from `from` to `to` (both of one kind; `to` wins otherwise). Colours
// mix in premultiplied form so that fading from clear does not pass through dark; transforms mix their
// translation, rotation, scale and shear separately so that a rotation keeps its size on the way.
AnimatedValue interpolate(const AnimatedValue& from, const AnimatedValue& to, double fraction);

namespace detail {
struct AnimationCompletionGroup;
}

struct LayerAnimation {
    std::uint64_t id = 0;
    LayerProperty property = LayerProperty::opacity;
    AnimatedValue from;
    AnimatedValue to;
    Clock::time_point begin;
    Clock::duration duration{};
    TimingFunction timing;
    bool allowsUserInteraction = false;
    // The transactions waiting for this animation to end (the one that made it and those around it).
    std::vector<std::shared_ptr<detail::AnimationCompletionGroup>> groups;

    Clock::time_point end() const { return begin + duration; }
    // The eased progress at `now`: 0 before the start (a delayed animation shows its starting value),
    // 1 from the end on.
    double progress(Clock::time_point now) const;
    AnimatedValue valueAt(Clock::time_point now) const { return interpolate(from, to, progress(now)); }
};

} // namespace ui
