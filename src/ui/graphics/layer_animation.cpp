#include "ui/graphics/layer_animation.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>

namespace ui {

namespace {

double mix(double a, double b, double t) {
    return a + (b - a) * t;
}

// One coordinate of a cubic Bézier from 0 to 1 with control values p1 and p2, and its derivative.
double bezier(double p1, double p2, double t) {
    const double u = 1 - t;
    return 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t;
}

double bezierSlope(double p1, double p2, double t) {
    const double u = 1 - t;
    return 3 * u * u * p1 + 6 * u * t * (p2 - p1) + 3 * t * t * (1 - p2);
}

Color mixColors(Color a, Color b, double t) {
    // Premultiplied mixing: a transparent end contributes no colour of its own.
    const double alpha = mix(a.a(), b.a(), t);
    if (alpha <= 0)
        return Color::clear();
    auto channel = [&](double ca, double cb) { return mix(ca * a.a(), cb * b.a(), t) / alpha; };
    return Color::rgba(channel(a.r(), b.r()), channel(a.g(), b.g()), channel(a.b(), b.b()), alpha);
}

// A transform as translation, rotation, scale along x and y, and shear, such that
// matrix = [[sx, 0], [shear, sy]] * rotation(angle) followed by the translation.
struct DecomposedTransform {
    double tx, ty, angle, sx, sy, shear;
};

DecomposedTransform decompose(const AffineTransform& t) {
    DecomposedTransform d{};
    d.tx = t.tx;
    d.ty = t.ty;
    d.sx = std::hypot(t.a, t.b);
    d.angle = d.sx > 0 ? std::atan2(t.b, t.a) : 0;
    const double cs = std::cos(d.angle), sn = std::sin(d.angle);
    d.shear = t.c * cs + t.d * sn;
    d.sy = -t.c * sn + t.d * cs;
    return d;
}

AffineTransform recompose(const DecomposedTransform& d) {
    const double cs = std::cos(d.angle), sn = std::sin(d.angle);
    return {d.sx * cs, d.sx * sn, d.shear * cs - d.sy * sn, d.shear * sn + d.sy * cs, d.tx, d.ty};
}

AffineTransform mixTransforms(const AffineTransform& a, const AffineTransform& b, double t) {
    if (a == b)
        return a;
    const DecomposedTransform da = decompose(a), db = decompose(b);
    double delta = db.angle - da.angle;
    // The short way round.
    if (delta > std::numbers::pi)
        delta -= 2 * std::numbers::pi;
    else if (delta < -std::numbers::pi)
        delta += 2 * std::numbers::pi;
    return recompose({mix(da.tx, db.tx, t), mix(da.ty, db.ty, t), da.angle + delta * t, mix(da.sx, db.sx, t),
                      mix(da.sy, db.sy, t), mix(da.shear, db.shear, t)});
}

} // namespace

double TimingFunction::valueAt(double t) const {
    t = std::clamp(t, 0.0, 1.0);
    // A curve whose control points lie on the diagonal is the diagonal: exact, without solving.
    if (t == 0 || t == 1 || (c1x == c1y && c2x == c2y))
        return t;
    // Find the curve parameter whose x is t: Newton's method, with bisection where the slope is flat.
    double u = t;
    for (int i = 0; i < 8; ++i) {
        const double error = bezier(c1x, c2x, u) - t;
        if (std::abs(error) < 1e-7)
            return bezier(c1y, c2y, u);
        const double slope = bezierSlope(c1x, c2x, u);
        if (std::abs(slope) < 1e-6)
            break;
        u -= error / slope;
    }
    double lo = 0, hi = 1;
    u = t;
    for (int i = 0; i < 60; ++i) {
        const double x = bezier(c1x, c2x, u);
        if (std::abs(x - t) < 1e-9)
            break;
        (x < t ? lo : hi) = u;
        u = (lo + hi) / 2;
    }
    return bezier(c1y, c2y, u);
}

AnimatedValue interpolate(const AnimatedValue& from, const AnimatedValue& to, double t) {
    if (from.index() != to.index())
        return to;
    return std::visit(
        [&](const auto& a) -> AnimatedValue {
            using T = std::decay_t<decltype(a)>;
            const T& b = std::get<T>(to);
            if constexpr (std::is_same_v<T, double>)
                return mix(a, b, t);
            else if constexpr (std::is_same_v<T, Point>)
                return Point(mix(a.x, b.x, t), mix(a.y, b.y, t));
            else if constexpr (std::is_same_v<T, Rect>)
                return Rect(mix(a.origin.x, b.origin.x, t), mix(a.origin.y, b.origin.y, t),
                            mix(a.size.width, b.size.width, t), mix(a.size.height, b.size.height, t));
            else if constexpr (std::is_same_v<T, AffineTransform>)
                return mixTransforms(a, b, t);
            else
                return mixColors(a, b, t);
        },
        from);
}

double LayerAnimation::progress(Clock::time_point now) const {
    if (now <= begin)
        return 0;
    if (now >= end() || duration <= Clock::duration::zero())
        return 1;
    const double fraction =
        std::chrono::duration<double>(now - begin) / std::chrono::duration<double>(duration);
    return timing.valueAt(fraction);
}

} // namespace ui
