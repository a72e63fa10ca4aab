#pragma once

// Measuring and drawing attributed text with Pango: wrapping at a width, a limit on the number of
// lines, tail truncation with an ellipsis, and horizontal alignment.
//
// Measurements are cached (least recently used entries go first), keyed by the text, its fonts, the
// width, the line limit, the height limit and the line break mode, so views that measure the same text
// again (every layout pass does) pay for Pango only once. The cache forgets everything when fonts are
// registered. All functions are thread-safe; they share the toolkit's one font map with font
// registration.

#include <ui/foundation/geometry.h>
#include <ui/graphics/attributed_string.h>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

typedef struct _cairo cairo_t; // NOLINT(modernize-use-using): must match cairo's own declaration

namespace ui {

enum class TextAlignment { left, center, right };

// What happens to text that does not fit the lines it is given. Both wrap lines at word boundaries
// (and inside words longer than a line).
enum class LineBreakMode {
    // Lines past the limit are left out and the last line shown ends in an ellipsis.
    byTruncatingTail,
    // Lines past the limit are left out, without an ellipsis.
    byWordWrapping,
};

struct TextLayoutOptions {
    static constexpr double unlimited = std::numeric_limits<double>::infinity();

    // Lines wrap at this width; unlimited (or any value <= 0) breaks lines only at line breaks in the
    // text.
    double maxWidth = unlimited;
    // Lines after which the text stops; 0 for no limit.
    int maxLines = 0;
    // Height the lines must fit in (whole lines only, though always at least one); unlimited for none.
    double maxHeight = unlimited;
    LineBreakMode lineBreakMode = LineBreakMode::byTruncatingTail;
    // Where lines sit within the width they are drawn in; measurements do not depend on it.
    TextAlignment alignment = TextAlignment::left;
};

struct TextMeasurement {
    // Width of the widest line and height of the lines shown, in points rounded up to whole points.
    // Empty text measures 0 x 0.
    Size size;
    // Lines shown.
    int lineCount = 0;
    // Whether some text was left out (truncated or past the line or height limit).
    bool truncated = false;

    bool operator==(const TextMeasurement&) const = default;
};

class TextLayout {
public:
    static TextMeasurement measure(const AttributedString& text, const TextLayoutOptions& options = {});
    static TextMeasurement measure(std::string_view text, const Font& font,
                                   const TextLayoutOptions& options = {});

    // Draws the text into `context` with its lines starting at the top of `rect`: the lines wrap at the
    // narrower of rect's width and options.maxWidth, stop at options.maxLines and at the lines that fit
    // rect's height, and are aligned within rect's width. Returns what was drawn, as measure() would.
    static TextMeasurement draw(cairo_t* context, const AttributedString& text, const Rect& rect,
                                const TextLayoutOptions& options = {});

    struct CacheStatistics {
        std::uint64_t hits = 0;
        std::uint64_t misses = 0;
        std::size_t entries = 0;
        std::size_t capacity = 0;
    };
    static CacheStatistics cacheStatistics();
    // Keeps at most `capacity` measurements (at least 1); 8,192 by default.
    static void setCacheCapacity(std::size_t capacity);
    // Forgets every measurement and zeroes the statistics.
    static void clearCache();
};

} // namespace ui
