#pragma once

// A white cairo image surface for drawing tests, and questions about where ink landed on it.

#include <ui/foundation/geometry.h>

#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <functional>

namespace ui::text_test {

struct Pixel {
    int red;
    int green;
    int blue;
};

class TextCanvas {
public:
    TextCanvas(int width, int height)
        : width_(width), height_(height),
          surface_(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height)),
          context_(cairo_create(surface_)) {
        cairo_set_source_rgb(context_, 1, 1, 1);
        cairo_paint(context_);
    }
    ~TextCanvas() {
        cairo_destroy(context_);
        cairo_surface_destroy(surface_);
    }
    TextCanvas(const TextCanvas&) = delete;
    TextCanvas& operator=(const TextCanvas&) = delete;

    cairo_t* context() const { return context_; }

    Pixel pixel(int x, int y) const {
        cairo_surface_flush(surface_);
        const unsigned char* data = cairo_image_surface_get_data(surface_);
        const int stride = cairo_image_surface_get_stride(surface_);
        const auto value = *reinterpret_cast<const std::uint32_t*>(data + y * stride + x * 4);
        // Every pixel is opaque (the canvas starts white), so premultiplication changes nothing.
        return {int((value >> 16) & 0xff), int((value >> 8) & 0xff), int(value & 0xff)};
    }

    // The smallest rectangle of whole pixels holding every pixel that passes `test`; null when none does.
    Rect inkBounds(const std::function<bool(Pixel)>& test) const {
        int minX = width_, minY = height_, maxX = -1, maxY = -1;
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                if (test(pixel(x, y))) {
                    minX = std::min(minX, x);
                    maxX = std::max(maxX, x);
                    minY = std::min(minY, y);
                    maxY = std::max(maxY, y);
                }
            }
        }
        if (maxX < 0)
            return Rect::null();
        return Rect(minX, minY, maxX - minX + 1, maxY - minY + 1);
    }

    // Pixels passing `test` inside `area` (whole pixels, clamped to the canvas).
    int count(const Rect& area, const std::function<bool(Pixel)>& test) const {
        int n = 0;
        const int x0 = std::max(0, int(area.minX())), x1 = std::min(width_, int(area.maxX()));
        const int y0 = std::max(0, int(area.minY())), y1 = std::min(height_, int(area.maxY()));
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x)
                n += test(pixel(x, y)) ? 1 : 0;
        }
        return n;
    }

private:
    int width_;
    int height_;
    cairo_surface_t* surface_;
    cairo_t* context_;
};

// Dark grey to black (not a dark colour).
inline bool isDark(Pixel p) {
    return std::max({p.red, p.green, p.blue}) < 128;
}

inline bool isRed(Pixel p) {
    return p.red > 160 && p.green < 100 && p.blue < 100;
}

} // namespace ui::text_test
