#include "ui/foundation/affine_transform.h"

#include <algorithm>
#include <cmath>

namespace ui {

AffineTransform AffineTransform::makeRotation(Float radians) {
    const Float cosine = std::cos(radians);
    const Float sine = std::sin(radians);
    return {cosine, sine, -sine, cosine, 0, 0};
}

AffineTransform AffineTransform::rotated(Float radians) const {
    return concat(makeRotation(radians), *this);
}

std::optional<AffineTransform> AffineTransform::inverted() const {
    const Float det = a * d - b * c;
    if (det == 0 || !std::isfinite(det)) {
        return std::nullopt;
    }
    const AffineTransform inverse{
        d / det, -b / det, -c / det, a / det, (c * ty - d * tx) / det, (b * tx - a * ty) / det};
    // A tiny determinant can push the quotients past the largest double; such an "inverse" would be
    // useless, so it is reported as missing.
    for (const Float v : {inverse.a, inverse.b, inverse.c, inverse.d, inverse.tx, inverse.ty}) {
        if (!std::isfinite(v)) {
            return std::nullopt;
        }
    }
    return inverse;
}

Rect AffineTransform::apply(const Rect& r) const {
    if (r.isNull()) {
        return Rect::null();
    }
    const Rect s = r.standardized();
    const Point corners[] = {
        apply(s.origin),
        apply(Point{s.origin.x + s.size.width, s.origin.y}),
        apply(Point{s.origin.x, s.origin.y + s.size.height}),
        apply(Point{s.origin.x + s.size.width, s.origin.y + s.size.height}),
    };
    Float minX = corners[0].x;
    Float maxX = corners[0].x;
    Float minY = corners[0].y;
    Float maxY = corners[0].y;
    for (const Point& p : corners) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    return {minX, minY, maxX - minX, maxY - minY};
}

} // namespace ui
