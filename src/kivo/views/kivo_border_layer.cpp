#include "kivo/views/kivo_border_layer.h"

#include <ui/foundation/affine_transform.h>

#include <cmath>

namespace kivo {

namespace {

using Edge = StyleMetaElement::BorderStyle::Edge;
using BorderStyleType = StyleMetaElement::BorderStyle::BorderStyleType;

// A length the fitting can use: negative, NaN and infinite values count as zero.
double usableLength(double length) {
    return std::isfinite(length) && length > 0 ? length : 0;
}

} // namespace

ui::BezierPath bezierPathWithEdges(const std::set<Edge>& edges) {
    ui::BezierPath path;
    if (edges.contains(Edge::top)) {
        path.moveTo({0, 0});
        path.lineTo({1, 0});
    }
    if (edges.contains(Edge::right)) {
        path.moveTo({1, 0});
        path.lineTo({1, 1});
    }
    if (edges.contains(Edge::bottom)) {
        path.moveTo({0, 1});
        path.lineTo({1, 1});
    }
    if (edges.contains(Edge::left)) {
        path.moveTo({0, 0});
        path.lineTo({0, 1});
    }
    return path;
}

void applyKIVOTransformations(ui::BezierPath& path, const ui::Rect& bounds, double lineWidth) {
    const double width = usableLength(lineWidth);
    const double scaleX = usableLength(usableLength(bounds.size.width) - width);
    const double scaleY = usableLength(usableLength(bounds.size.height) - width);
    path.applyTransform(ui::AffineTransform::makeScale(scaleX, scaleY));
    path.applyTransform(ui::AffineTransform::makeTranslation(width / 2, width / 2));
}

KIVOBorderLayer::KIVOBorderLayer(const ui::Rect& frame, const StyleMetaElement::BorderStyle& style,
                                 const std::set<Edge>& edges)
    : edges_(edges) {
    setFillColor(ui::Color::clear());
    setStrokeColor(style.color);
    setLineWidth(static_cast<double>(style.width.value_or(defaultBorderWidth)));
    setLineJoin(ui::LineJoin::miter);
    switch (style.style.value_or(BorderStyleType::solid)) {
    case BorderStyleType::solid:
        break;
    case BorderStyleType::dotted:
        setLineCap(ui::LineCap::round);
        setLineDashPattern({dottedPatternWidth, breakWidth});
        break;
    case BorderStyleType::dashed:
        setLineCap(ui::LineCap::square);
        setLineDashPattern({dashedPatternWidth, breakWidth});
        break;
    }
    ui::BezierPath path = bezierPathWithEdges(edges_);
    applyKIVOTransformations(path, frame, lineWidth());
    setPath(std::move(path));
}

void KIVOBorderLayer::updateBorderPath(const ui::Rect& bounds) {
    setFrame(bounds);
    ui::BezierPath path = bezierPathWithEdges(edges_);
    applyKIVOTransformations(path, bounds, lineWidth());
    setPath(std::move(path));
}

} // namespace kivo
