#pragma once

// A 2-D affine transform in the CoreGraphics layout. A point (x, y) maps to
//
//     x' = a * x + c * y + tx
//     y' = b * x + d * y + ty
//
// which is the row vector [x y 1] multiplied by the matrix
//
//     | a  b  0 |
//     | c  d  0 |
//     | tx ty 1 |
//
// so "t1 then t2" is the matrix product t1 * t2.

#include <ui/foundation/geometry.h>

#include <optional>

namespace ui {

struct AffineTransform {
    Float a = 1;
    Float b = 0;
    Float c = 0;
    Float d = 1;
    Float tx = 0;
    Float ty = 0;

    constexpr AffineTransform() = default;
    constexpr AffineTransform(Float a_, Float b_, Float c_, Float d_, Float tx_, Float ty_)
        : a(a_), b(b_), c(c_), d(d_), tx(tx_), ty(ty_) {}

    static constexpr AffineTransform identity() { return {}; }
    static constexpr AffineTransform makeScale(Float sx, Float sy) { return {sx, 0, 0, sy, 0, 0}; }
    static constexpr AffineTransform makeTranslation(Float tx, Float ty) { return {1, 0, 0, 1, tx, ty}; }
    // Rotation by `radians` in the mathematical sense: (1, 0) goes to (cos, sin). On a y-down screen
    // this turns clockwise.
    static AffineTransform makeRotation(Float radians);

    // t1 followed by t2.
    static constexpr AffineTransform concat(const AffineTransform& t1, const AffineTransform& t2) {
        return {t1.a * t2.a + t1.b * t2.c,           t1.a * t2.b + t1.b * t2.d,
                t1.c * t2.a + t1.d * t2.c,           t1.c * t2.b + t1.d * t2.d,
                t1.tx * t2.a + t1.ty * t2.c + t2.tx, t1.tx * t2.b + t1.ty * t2.d + t2.ty};
    }

    // These put the new operation in front of this transform: the result first scales (translates,
    // rotates) a point and then applies this transform to it.
    constexpr AffineTransform scaled(Float sx, Float sy) const { return concat(makeScale(sx, sy), *this); }
    constexpr AffineTransform translated(Float tx_, Float ty_) const {
        return concat(makeTranslation(tx_, ty_), *this);
    }
    AffineTransform rotated(Float radians) const;

    // The transform that undoes this one, or nullopt when there is none: the determinant is zero or
    // not finite, or the inverse would not be representable with finite numbers.
    std::optional<AffineTransform> inverted() const;

    constexpr bool isIdentity() const { return *this == identity(); }

    constexpr Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
    // Sizes are vectors: the translation does not apply, and the result may have negative components.
    constexpr Size apply(Size s) const { return {a * s.width + c * s.height, b * s.width + d * s.height}; }
    // The axis-aligned bounding box of the four transformed corners. The null rectangle stays null.
    Rect apply(const Rect& r) const;

    constexpr bool operator==(const AffineTransform&) const = default;
};

} // namespace ui
