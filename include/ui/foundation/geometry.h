#pragma once

// Plain geometry value types shared by every layer of the toolkit: points, sizes, rectangles and edge
// insets. Coordinates are doubles; the y axis points wherever the caller's coordinate space points, the
// types themselves do not care.
//
// Rectangles follow the CoreGraphics conventions, because layout code written against those conventions
// is what will run on top of this:
//  - A rectangle may have a negative width or height; every query (minX, maxX, intersection, ...) works on
//    the standardized rectangle, whose size is non-negative.
//  - There is a distinguished "null" rectangle (origin at +infinity, zero size) that stands for "no
//    rectangle at all", e.g. the intersection of two disjoint rectangles. It is different from an empty
//    rectangle, which is a real rectangle of zero width or height at some position.

#include <limits>

namespace ui {

using Float = double;

struct Point {
    Float x = 0;
    Float y = 0;

    constexpr Point() = default;
    constexpr Point(Float x_, Float y_) : x(x_), y(y_) {}

    static constexpr Point zero() { return {}; }

    constexpr bool operator==(const Point&) const = default;
};

struct Size {
    Float width = 0;
    Float height = 0;

    constexpr Size() = default;
    constexpr Size(Float width_, Float height_) : width(width_), height(height_) {}

    static constexpr Size zero() { return {}; }

    constexpr bool operator==(const Size&) const = default;
};

// Distances to shrink a rectangle by, measured inwards from each edge. Negative values grow the
// rectangle instead.
struct EdgeInsets {
    Float top = 0;
    Float left = 0;
    Float bottom = 0;
    Float right = 0;

    constexpr EdgeInsets() = default;
    constexpr EdgeInsets(Float top_, Float left_, Float bottom_, Float right_)
        : top(top_), left(left_), bottom(bottom_), right(right_) {}

    static constexpr EdgeInsets zero() { return {}; }

    // Total inset along the x axis (left + right) and along the y axis (top + bottom).
    constexpr Float horizontal() const { return left + right; }
    constexpr Float vertical() const { return top + bottom; }

    constexpr bool operator==(const EdgeInsets&) const = default;
};

struct Rect {
    Point origin;
    Size size;

    constexpr Rect() = default;
    constexpr Rect(Point origin_, Size size_) : origin(origin_), size(size_) {}
    constexpr Rect(Float x, Float y, Float width, Float height) : origin(x, y), size(width, height) {}

    static constexpr Rect zero() { return {}; }

    // The rectangle that stands for "nothing". Any rectangle whose origin has a +infinity x or y counts
    // as null, whatever its size, and so does any rectangle with a NaN component: such a rectangle can
    // only come from a failed computation, and treating it as null keeps the NaN from spreading through
    // unions and intersections. Test with isNull(), not by comparing with null().
    static constexpr Rect null() {
        constexpr Float inf = std::numeric_limits<Float>::infinity();
        return {inf, inf, 0, 0};
    }

    constexpr bool isNull() const {
        constexpr Float inf = std::numeric_limits<Float>::infinity();
        // x != x holds only for NaN.
        return origin.x == inf || origin.y == inf || origin.x != origin.x || origin.y != origin.y ||
               size.width != size.width || size.height != size.height;
    }

    // True for the null rectangle and for any rectangle with a zero width or height.
    constexpr bool isEmpty() const { return isNull() || size.width == 0 || size.height == 0; }

    // The same area described with a non-negative width and height. The null rectangle stays null.
    constexpr Rect standardized() const {
        if (isNull()) {
            return null();
        }
        Rect r = *this;
        if (r.size.width < 0) {
            r.origin.x += r.size.width;
            r.size.width = -r.size.width;
        }
        if (r.size.height < 0) {
            r.origin.y += r.size.height;
            r.size.height = -r.size.height;
        }
        return r;
    }

    // Edges and centre of the standardized rectangle. For the null rectangle every one of these is
    // +infinity, so that code which forgets to check isNull() cannot mistake it for a real position.
    constexpr Float minX() const { return standardized().origin.x; }
    constexpr Float minY() const { return standardized().origin.y; }
    constexpr Float maxX() const {
        const Rect r = standardized();
        return r.origin.x + r.size.width;
    }
    constexpr Float maxY() const {
        const Rect r = standardized();
        return r.origin.y + r.size.height;
    }
    constexpr Float midX() const {
        const Rect r = standardized();
        return r.origin.x + r.size.width / 2;
    }
    constexpr Float midY() const {
        const Rect r = standardized();
        return r.origin.y + r.size.height / 2;
    }
    // Width and height of the standardized rectangle (never negative).
    constexpr Float width() const { return size.width < 0 ? -size.width : size.width; }
    constexpr Float height() const { return size.height < 0 ? -size.height : size.height; }

    // The area common to both rectangles. Rectangles that only touch along an edge (or at a corner) give
    // a rectangle of zero width and/or height on that edge; rectangles that do not touch at all, or a
    // null operand, give the null rectangle.
    Rect intersection(const Rect& other) const;

    // The smallest rectangle containing both. The null rectangle is ignored (it is the identity of the
    // union), but an empty, non-null rectangle still counts as a position that must be enclosed.
    Rect unionWith(const Rect& other) const;

    // Half-open containment: minX <= x < maxX and minY <= y < maxY. A null or empty rectangle contains
    // no point.
    bool contains(Point p) const;

    // True when every point of the standardized `other` lies within this standardized rectangle, edges
    // included. A null rectangle neither contains anything nor is contained by anything.
    bool contains(const Rect& other) const;

    // True when intersection(other) is not null, so rectangles touching along an edge do intersect.
    bool intersects(const Rect& other) const;

    // Shrinks the standardized rectangle by dx on the left and right and by dy on the top and bottom
    // (negative values grow it). The result is null when the width or height would become negative, and
    // the null rectangle stays null.
    Rect insetBy(Float dx, Float dy) const;

    // Moves each edge inwards by the matching inset: x + left, y + top, width - left - right,
    // height - top - bottom. The rectangle is not standardized first and the resulting size may be
    // negative. The null rectangle stays null.
    Rect inset(const EdgeInsets& insets) const;

    // The same rectangle moved by (dx, dy). The null rectangle stays null.
    Rect offsetBy(Float dx, Float dy) const;

    // The smallest rectangle with integer edges that contains the standardized rectangle. The null
    // rectangle stays null.
    Rect integral() const;

    constexpr bool operator==(const Rect&) const = default;
};

} // namespace ui
