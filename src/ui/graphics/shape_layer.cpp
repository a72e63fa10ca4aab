#include "ui/graphics/shape_layer.h"

#include <cairo.h>

#include <algorithm>

namespace ui {

void ShapeLayer::drawInContext(cairo_t* cr, const Rect&) {
    if (path_.isEmpty())
        return;
    cairo_save(cr);
    cairo_new_path(cr);
    path_.addTo(cr);
    if (fillColor_ && fillColor_->a() > 0) {
        cairo_set_fill_rule(cr, fillRule_ == FillRule::evenOdd ? CAIRO_FILL_RULE_EVEN_ODD
                                                               : CAIRO_FILL_RULE_WINDING);
        cairo_set_source_rgba(cr, fillColor_->r(), fillColor_->g(), fillColor_->b(), fillColor_->a());
        cairo_fill_preserve(cr);
    }
    if (strokeColor_ && strokeColor_->a() > 0 && lineWidth_ > 0) {
        cairo_set_line_width(cr, lineWidth_);
        cairo_set_line_cap(cr, lineCap_ == LineCap::round    ? CAIRO_LINE_CAP_ROUND
                               : lineCap_ == LineCap::square ? CAIRO_LINE_CAP_SQUARE
                                                             : CAIRO_LINE_CAP_BUTT);
        cairo_set_line_join(cr, lineJoin_ == LineJoin::round   ? CAIRO_LINE_JOIN_ROUND
                                : lineJoin_ == LineJoin::bevel ? CAIRO_LINE_JOIN_BEVEL
                                                               : CAIRO_LINE_JOIN_MITER);
        cairo_set_miter_limit(cr, miterLimit_);
        double total = 0;
        bool valid = true;
        for (double length : lineDashPattern_) {
            valid = valid && length >= 0;
            total += length;
        }
        // cairo puts a context with a bad dash pattern into an error state for good: check first.
        if (!lineDashPattern_.empty() && valid && total > 0)
            cairo_set_dash(cr, lineDashPattern_.data(), int(lineDashPattern_.size()), lineDashPhase_);
        cairo_set_source_rgba(cr, strokeColor_->r(), strokeColor_->g(), strokeColor_->b(), strokeColor_->a());
        cairo_stroke_preserve(cr);
    }
    cairo_new_path(cr);
    cairo_restore(cr);
}

} // namespace ui

namespace ui {

Rect ShapeLayer::drawingExtent() const {
    if (path_.isEmpty()) {
        return bounds();
    }
    // Miter joins can reach several half-widths past a corner; caps reach half a width.
    const double reach = std::max(lineWidth_, 0.0) * 5 + 1;
    return bounds().unionWith(path_.bounds().insetBy(-reach, -reach));
}

} // namespace ui
