#pragma once

// Small drawing helpers for the program that draws the example documents' pictures: colours as 0xRRGGBB,
// filled shapes, paths, and text.

#include <cairo.h>

#include <cmath>
#include <initializer_list>
#include <utility>

namespace example_drawing {

inline constexpr double kPi = 3.14159265358979323846;

inline void setColor(cairo_t* cr, unsigned rgb, double alpha = 1.0) {
    cairo_set_source_rgba(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0,
                          alpha);
}

inline void addGradientStop(cairo_pattern_t* pattern, double offset, unsigned rgb, double alpha = 1.0) {
    cairo_pattern_add_color_stop_rgba(pattern, offset, ((rgb >> 16) & 0xFF) / 255.0,
                                      ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha);
}

inline void ellipsePath(cairo_t* cr, double cx, double cy, double rx, double ry) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, rx, ry);
    cairo_new_sub_path(cr);
    cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
    cairo_restore(cr);
}

inline void fillEllipse(cairo_t* cr, double cx, double cy, double rx, double ry, unsigned rgb,
                        double alpha = 1.0) {
    ellipsePath(cr, cx, cy, rx, ry);
    setColor(cr, rgb, alpha);
    cairo_fill(cr);
}

inline void roundedRectPath(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
    cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
    cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
    cairo_close_path(cr);
}

// Fills the closed polygon through `corners` with one colour.
inline void fillPolygon(cairo_t* cr, std::initializer_list<std::pair<double, double>> corners, unsigned rgb) {
    bool first = true;
    for (const auto& [x, y] : corners) {
        if (first)
            cairo_move_to(cr, x, y);
        else
            cairo_line_to(cr, x, y);
        first = false;
    }
    cairo_close_path(cr);
    setColor(cr, rgb);
    cairo_fill(cr);
}

inline void fillRoundedRect(cairo_t* cr, double x, double y, double w, double h, double r, unsigned rgb) {
    roundedRectPath(cr, x, y, w, h, r);
    setColor(cr, rgb);
    cairo_fill(cr);
}

// A pointed leaf from (x, y) towards `angle`, `length` long.
inline void fillLeaf(cairo_t* cr, double x, double y, double length, double angle, unsigned rgb) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_rotate(cr, angle);
    cairo_move_to(cr, 0, 0);
    cairo_curve_to(cr, length * 0.3, -length * 0.45, length * 0.75, -length * 0.4, length, 0);
    cairo_curve_to(cr, length * 0.75, length * 0.4, length * 0.3, length * 0.45, 0, 0);
    cairo_close_path(cr);
    setColor(cr, rgb);
    cairo_fill(cr);
    cairo_restore(cr);
}

// A star (or, with many points and a large inner radius, a sunburst) centred on (cx, cy).
inline void starPath(cairo_t* cr, double cx, double cy, int points, double outer, double inner,
                     double rotation) {
    cairo_new_sub_path(cr);
    for (int i = 0; i < 2 * points; ++i) {
        const double radius = i % 2 == 0 ? outer : inner;
        const double angle = rotation + i * kPi / points;
        const double x = cx + radius * std::cos(angle);
        const double y = cy + radius * std::sin(angle);
        if (i == 0) {
            cairo_move_to(cr, x, y);
        } else {
            cairo_line_to(cr, x, y);
        }
    }
    cairo_close_path(cr);
}

// Bold sans-serif text centred on (cx, cy), by its ink extents.
inline void centredText(cairo_t* cr, const char* text, double cx, double cy, double size, unsigned rgb) {
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text, &extents);
    cairo_move_to(cr, cx - extents.width / 2 - extents.x_bearing,
                  cy - extents.height / 2 - extents.y_bearing);
    setColor(cr, rgb);
    cairo_show_text(cr, text);
}

inline void leftText(cairo_t* cr, const char* text, double x, double baseline, double size, unsigned rgb) {
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, size);
    cairo_move_to(cr, x, baseline);
    setColor(cr, rgb);
    cairo_show_text(cr, text);
}

// Fills the rectangle (0, 0, w, h) with a linear gradient from `from` at the origin to `to` at `end`.
inline void fillLinearGradient(cairo_t* cr, double w, double h, std::pair<double, double> end, unsigned from,
                               unsigned to) {
    cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, end.first, end.second);
    addGradientStop(gradient, 0, from);
    addGradientStop(gradient, 1, to);
    cairo_rectangle(cr, 0, 0, w, h);
    cairo_set_source(cr, gradient);
    cairo_fill(cr);
    cairo_pattern_destroy(gradient);
}

// The soft backdrop of every product picture: a pale vertical wash, a large faint disc behind the product
// and a shadow on the "table" where the product stands.
inline void productBackdrop(cairo_t* cr, double w, double h, unsigned top, unsigned bottom) {
    fillLinearGradient(cr, w, h, {0, h}, top, bottom);
    fillEllipse(cr, w * 0.5, h * 0.46, w * 0.38, w * 0.38, 0xFFFFFF, 0.45);
    fillEllipse(cr, w * 0.5, h * 0.84, w * 0.34, h * 0.045, 0x000000, 0.10);
}

} // namespace example_drawing
