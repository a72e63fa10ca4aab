#include "ui/foundation/geometry.h"

#include <algorithm>
#include <cmath>

namespace ui {

Rect Rect::intersection(const Rect& other) const {
    if (isNull() || other.isNull()) {
        return null();
    }
    const Rect a = standardized();
    const Rect b = other.standardized();
    const Float x1 = std::max(a.origin.x, b.origin.x);
    const Float y1 = std::max(a.origin.y, b.origin.y);
    const Float x2 = std::min(a.origin.x + a.size.width, b.origin.x + b.size.width);
    const Float y2 = std::min(a.origin.y + a.size.height, b.origin.y + b.size.height);
    if (x2 < x1 || y2 < y1) {
        return null();
    }
    return {x1, y1, x2 - x1, y2 - y1};
}

Rect Rect::unionWith(const Rect& other) const {
    if (isNull()) {
        return other.standardized();
    }
    if (other.isNull()) {
        return standardized();
    }
    const Rect a = standardized();
    const Rect b = other.standardized();
    const Float x1 = std::min(a.origin.x, b.origin.x);
    const Float y1 = std::min(a.origin.y, b.origin.y);
    const Float x2 = std::max(a.origin.x + a.size.width, b.origin.x + b.size.width);
    const Float y2 = std::max(a.origin.y + a.size.height, b.origin.y + b.size.height);
    return {x1, y1, x2 - x1, y2 - y1};
}

bool Rect::contains(Point p) const {
    if (isEmpty()) {
        return false;
    }
    const Rect r = standardized();
    return r.origin.x <= p.x && p.x < r.origin.x + r.size.width && r.origin.y <= p.y &&
           p.y < r.origin.y + r.size.height;
}

bool Rect::contains(const Rect& other) const {
    if (isNull() || other.isNull()) {
        return false;
    }
    const Rect a = standardized();
    const Rect b = other.standardized();
    return a.origin.x <= b.origin.x && a.origin.y <= b.origin.y &&
           b.origin.x + b.size.width <= a.origin.x + a.size.width &&
           b.origin.y + b.size.height <= a.origin.y + a.size.height;
}

bool Rect::intersects(const Rect& other) const {
    return !intersection(other).isNull();
}

Rect Rect::insetBy(Float dx, Float dy) const {
    if (isNull()) {
        return null();
    }
    Rect r = standardized();
    r.origin.x += dx;
    r.origin.y += dy;
    r.size.width -= 2 * dx;
    r.size.height -= 2 * dy;
    if (!(r.size.width >= 0) || !(r.size.height >= 0)) {
        return null();
    }
    return r;
}

Rect Rect::inset(const EdgeInsets& insets) const {
    if (isNull()) {
        return null();
    }
    return {origin.x + insets.left, origin.y + insets.top, size.width - insets.horizontal(),
            size.height - insets.vertical()};
}

Rect Rect::offsetBy(Float dx, Float dy) const {
    if (isNull()) {
        return null();
    }
    return {origin.x + dx, origin.y + dy, size.width, size.height};
}

Rect Rect::integral() const {
    if (isNull()) {
        return null();
    }
    const Rect r = standardized();
    const Float x1 = std::floor(r.origin.x);
    const Float y1 = std::floor(r.origin.y);
    const Float x2 = std::ceil(r.origin.x + r.size.width);
    const Float y2 = std::ceil(r.origin.y + r.size.height);
    return {x1, y1, x2 - x1, y2 - y1};
}

} // namespace ui
