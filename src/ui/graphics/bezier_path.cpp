#include "ui/graphics/bezier_path.h"

#include <cairo.h>

#include <algorithm>

namespace ui {

namespace {

// Control-point distance that makes a cubic segment follow a quarter circle closely.
constexpr double kCircleKappa = 0.5522847498307936;

} // namespace

BezierPath BezierPath::rect(const Rect& rect) {
    BezierPath path;
    const Rect r = rect.standardized();
    if (r.isNull())
        return path;
    path.moveTo({r.minX(), r.minY()});
    path.lineTo({r.maxX(), r.minY()});
    path.lineTo({r.maxX(), r.maxY()});
    path.lineTo({r.minX(), r.maxY()});
    path.close();
    return path;
}

BezierPath BezierPath::roundedRect(const Rect& rect, double cornerRadius) {
    const Rect r = rect.standardized();
    if (r.isNull())
        return {};
    const double radius = std::clamp(cornerRadius, 0.0, std::min(r.width(), r.height()) / 2);
    if (radius <= 0)
        return BezierPath::rect(r);
    const double k = radius * kCircleKappa;
    const double x0 = r.minX(), y0 = r.minY(), x1 = r.maxX(), y1 = r.maxY();
    BezierPath path;
    path.moveTo({x0 + radius, y0});
    path.lineTo({x1 - radius, y0});
    path.curveTo({x1, y0 + radius}, {x1 - radius + k, y0}, {x1, y0 + radius - k});
    path.lineTo({x1, y1 - radius});
    path.curveTo({x1 - radius, y1}, {x1, y1 - radius + k}, {x1 - radius + k, y1});
    path.lineTo({x0 + radius, y1});
    path.curveTo({x0, y1 - radius}, {x0 + radius - k, y1}, {x0, y1 - radius + k});
    path.lineTo({x0, y0 + radius});
    path.curveTo({x0 + radius, y0}, {x0, y0 + radius - k}, {x0 + radius - k, y0});
    path.close();
    return path;
}

BezierPath BezierPath::ovalIn(const Rect& rect) {
    const Rect r = rect.standardized();
    if (r.isNull())
        return {};
    const double rx = r.width() / 2, ry = r.height() / 2, cx = r.midX(), cy = r.midY();
    const double kx = rx * kCircleKappa, ky = ry * kCircleKappa;
    BezierPath path;
    path.moveTo({cx + rx, cy});
    path.curveTo({cx, cy + ry}, {cx + rx, cy + ky}, {cx + kx, cy + ry});
    path.curveTo({cx - rx, cy}, {cx - kx, cy + ry}, {cx - rx, cy + ky});
    path.curveTo({cx, cy - ry}, {cx - rx, cy - ky}, {cx - kx, cy - ry});
    path.curveTo({cx + rx, cy}, {cx + kx, cy - ry}, {cx + rx, cy - ky});
    path.close();
    return path;
}

void BezierPath::moveTo(Point point) {
    elements_.push_back({ElementType::moveTo, {point, {}, {}}});
    hasCurrentPoint_ = true;
}

void BezierPath::lineTo(Point point) {
    if (!hasCurrentPoint_)
        return moveTo(point);
    elements_.push_back({ElementType::lineTo, {point, {}, {}}});
}

void BezierPath::curveTo(Point end, Point control1, Point control2) {
    if (!hasCurrentPoint_)
        return moveTo(end);
    elements_.push_back({ElementType::curveTo, {control1, control2, end}});
}

void BezierPath::close() {
    if (!hasCurrentPoint_)
        return;
    elements_.push_back({ElementType::close, {}});
    // After a close the pen is back at the subpath's start: a following lineTo continues from there.
}

void BezierPath::append(const BezierPath& other) {
    elements_.insert(elements_.end(), other.elements_.begin(), other.elements_.end());
    hasCurrentPoint_ = hasCurrentPoint_ || other.hasCurrentPoint_;
}

void BezierPath::applyTransform(const AffineTransform& transform) {
    for (Element& e : elements_)
        for (Point& p : e.points)
            p = transform.apply(p);
}

Rect BezierPath::bounds() const {
    Rect box = Rect::null();
    auto add = [&box](Point p) { box = box.unionWith(Rect(p, Size())); };
    for (const Element& e : elements_) {
        switch (e.type) {
        case ElementType::moveTo:
        case ElementType::lineTo:
            add(e.points[0]);
            break;
        case ElementType::curveTo:
            add(e.points[0]);
            add(e.points[1]);
            add(e.points[2]);
            break;
        case ElementType::close:
            break;
        }
    }
    return box;
}

void BezierPath::addTo(cairo_t* context) const {
    for (const Element& e : elements_) {
        switch (e.type) {
        case ElementType::moveTo:
            cairo_move_to(context, e.points[0].x, e.points[0].y);
            break;
        case ElementType::lineTo:
            cairo_line_to(context, e.points[0].x, e.points[0].y);
            break;
        case ElementType::curveTo:
            cairo_curve_to(context, e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y, e.points[2].x,
                           e.points[2].y);
            break;
        case ElementType::close:
            cairo_close_path(context);
            break;
        }
    }
}

} // namespace ui
