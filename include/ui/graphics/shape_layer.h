#pragma once

// A layer that draws a path: filled, then stroked, in the layer's bounds space, above its background
// and contents image.

#include <ui/graphics/bezier_path.h>
#include <ui/graphics/layer.h>

#include <optional>
#include <vector>

namespace ui {

enum class LineCap { butt, round, square };
enum class LineJoin { miter, round, bevel };
enum class FillRule { nonZero, evenOdd };

class ShapeLayer : public Layer {
public:
    ShapeLayer() = default;

    const BezierPath& path() const { return path_; }
    void setPath(BezierPath path) { path_ = std::move(path); }

    // Opaque black unless changed; nullopt for no fill.
    std::optional<Color> fillColor() const { return fillColor_; }
    void setFillColor(std::optional<Color> color) { fillColor_ = color; }
    FillRule fillRule() const { return fillRule_; }
    void setFillRule(FillRule rule) { fillRule_ = rule; }

    // No stroke unless set.
    std::optional<Color> strokeColor() const { return strokeColor_; }
    void setStrokeColor(std::optional<Color> color) { strokeColor_ = color; }
    double lineWidth() const { return lineWidth_; }
    void setLineWidth(double width) { lineWidth_ = width < 0 ? 0 : width; }
    LineCap lineCap() const { return lineCap_; }
    void setLineCap(LineCap cap) { lineCap_ = cap; }
    LineJoin lineJoin() const { return lineJoin_; }
    void setLineJoin(LineJoin join) { lineJoin_ = join; }
    double miterLimit() const { return miterLimit_; }
    void setMiterLimit(double limit) { miterLimit_ = limit; }

    // Alternating lengths of dashes and gaps along the stroke, in points; empty for a solid line. With
    // round or square caps each dash grows by half the line width at both ends. Patterns with a negative
    // length or that add up to zero draw a solid line.
    const std::vector<double>& lineDashPattern() const { return lineDashPattern_; }
    void setLineDashPattern(std::vector<double> pattern) { lineDashPattern_ = std::move(pattern); }
    // How far into the pattern the stroke starts.
    double lineDashPhase() const { return lineDashPhase_; }
    void setLineDashPhase(double phase) { lineDashPhase_ = phase; }

    void drawInContext(cairo_t* context, const Rect& rect) override;
    bool drawsContent() const override { return !path_.isEmpty(); }
    // A path is drawn wherever it lies, inside the bounds or not, widened by its stroke.
    Rect drawingExtent() const override;

private:
    BezierPath path_;
    std::optional<Color> fillColor_ = Color::black();
    FillRule fillRule_ = FillRule::nonZero;
    std::optional<Color> strokeColor_;
    double lineWidth_ = 1;
    LineCap lineCap_ = LineCap::butt;
    LineJoin lineJoin_ = LineJoin::miter;
    double miterLimit_ = 10;
    std::vector<double> lineDashPattern_;
    double lineDashPhase_ = 0;
};

} // namespace ui
