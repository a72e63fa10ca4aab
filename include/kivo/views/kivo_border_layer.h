#pragma once

// The border of a styled element: a shape layer that strokes any subset of the four edges of its bounds,
// solid, dotted or dashed, with the whole stroke kept inside the bounds.
//
// The edges are drawn from one path in unit coordinates (bezierPathWithEdges), which is fitted to a
// rectangle of W x H points and a line width w by scaling it by (W - w, H - w) and moving it by
// (w / 2, w / 2) (applyKIVOTransformations): the top edge's line is centred at y = w / 2, the right
// edge's at x = W - w / 2, so the stroke just reaches each bordered side.

#include <kivo/model/style_elements.h>
#include <ui/foundation/geometry.h>
#include <ui/graphics/bezier_path.h>
#include <ui/graphics/shape_layer.h>

#include <cstdint>
#include <set>

namespace kivo {

// One open segment per edge in the set, in unit coordinates, added in this order: top (0, 0)-(1, 0),
// right (1, 0)-(1, 1), bottom (0, 1)-(1, 1), left (0, 0)-(0, 1). An empty set gives an empty path.
ui::BezierPath bezierPathWithEdges(const std::set<StyleMetaElement::BorderStyle::Edge>& edges);

// Fits a unit-coordinate edge path to a rectangle of `bounds.size` for a stroke of `lineWidth`: scales it
// by (W - w, H - w), then moves it by (w / 2, w / 2). Only the size of `bounds` matters: the path is in
// the coordinates of a layer whose bounds start at the origin. A side shorter than the line width (or a
// size or width that is negative or not finite) fits as zero, so the path never turns inside out.
void applyKIVOTransformations(ui::BezierPath& path, const ui::Rect& bounds, double lineWidth);

class KIVOBorderLayer : public ui::ShapeLayer {
public:
    using Edge = StyleMetaElement::BorderStyle::Edge;

    // Used when the border style has no width.
    static constexpr std::int64_t defaultBorderWidth = 4;
    // Dash pattern lengths in points: dashes are [dashedPatternWidth, breakWidth], dots
    // [dottedPatternWidth, breakWidth].
    static constexpr double dashedPatternWidth = 8;
    static constexpr double dottedPatternWidth = 2;
    static constexpr double breakWidth = 8;

    // A layer with no edges, which draws nothing.
    KIVOBorderLayer() = default;

    // A border of `edges` in `style`, with its path fitted to `frame`. The layer's own frame is left to
    // the caller (updateBorderPath sets it): fill clear; stroke in the style's colour, or none without one;
    // line width the style's width, or defaultBorderWidth; mitred joins. Solid lines have butt caps and no
    // dashes, dotted ones round caps and [2, 8], dashed ones square caps and [8, 8]. A style without a
    // type draws solid.
    KIVOBorderLayer(const ui::Rect& frame, const StyleMetaElement::BorderStyle& style,
                    const std::set<Edge>& edges);

    const std::set<Edge>& edges() const { return edges_; }

    // Makes `bounds` the layer's frame and refits the edge path to it with the current line width.
    virtual void updateBorderPath(const ui::Rect& bounds);

private:
    std::set<Edge> edges_;
};

} // namespace kivo
