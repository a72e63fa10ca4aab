#include "ui/graphics/text_layout.h"

#include "ui/graphics/font_backend.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <list>
#include <unordered_map>
#include <vector>

namespace ui {
namespace {

using detail::FontBackend;
using detail::FontData;

// Widths from here on count as unlimited (Pango keeps widths in ints of 1/1024 point).
constexpr double kUnlimitedWidth = 1'000'000;

bool isLimit(double value) {
    return std::isfinite(value) && value < kUnlimitedWidth;
}

double normalizedWidth(double width) {
    return isLimit(width) && width > 0 ? width : TextLayoutOptions::unlimited;
}

double normalizedHeight(double height) {
    return isLimit(height) ? std::max(height, 0.0) : TextLayoutOptions::unlimited;
}

int toPango(double points) {
    return int(std::lround(points * PANGO_SCALE));
}

double fromPango(int units) {
    return double(units) / PANGO_SCALE;
}

bool hasParagraphBreak(const std::string& text) {
    // \n, \r and U+2029 (E2 80 A9) end paragraphs for Pango; U+2028 only ends a line.
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n' || c == '\r')
            return true;
        if (c == '\xE2' && i + 2 < text.size() && text[i + 1] == '\x80' && text[i + 2] == '\xA9')
            return true;
    }
    return false;
}

// Gives the layout the text, its fonts and (when drawing) its colours.
void setText(PangoLayout* layout, const AttributedString& text, bool withColors) {
    PangoAttrList* attributes = pango_attr_list_new();
    for (const AttributedString::Run& run : text.runs()) {
        const auto start = guint(run.start);
        const auto end = guint(run.start + run.length);
        PangoAttribute* font = pango_attr_font_desc_new(run.font.data().description);
        font->start_index = start;
        font->end_index = end;
        pango_attr_list_insert(attributes, font);
        if (withColors) {
            const auto channel = [](double v) { return guint16(std::lround(v * 65535)); };
            PangoAttribute* color = pango_attr_foreground_new(channel(run.color.r()), channel(run.color.g()),
                                                              channel(run.color.b()));
            color->start_index = start;
            color->end_index = end;
            pango_attr_list_insert(attributes, color);
            // Pango reads an alpha of 0 as "unset", so fully transparent text keeps the least alpha.
            PangoAttribute* alpha =
                pango_attr_foreground_alpha_new(std::max<guint16>(channel(run.color.a()), 1));
            alpha->start_index = start;
            alpha->end_index = end;
            pango_attr_list_insert(attributes, alpha);
        }
    }
    if (!text.runs().empty())
        pango_layout_set_font_description(layout, text.runs().front().font.data().description);
    pango_layout_set_text(layout, text.string().data(), int(text.length()));
    pango_layout_set_attributes(layout, attributes);
    pango_attr_list_unref(attributes);
}

// Bottom edges (in Pango units) of the layout's lines, top to bottom.
std::vector<int> lineBottoms(PangoLayout* layout) {
    std::vector<int> bottoms;
    PangoLayoutIter* iter = pango_layout_get_iter(layout);
    do {
        PangoRectangle logical;
        pango_layout_iter_get_line_extents(iter, nullptr, &logical);
        bottoms.push_back(logical.y + logical.height);
    } while (pango_layout_iter_next_line(iter));
    pango_layout_iter_free(iter);
    return bottoms;
}

// Width (Pango units) of the widest of the first `count` lines.
int widestLine(PangoLayout* layout, int count) {
    int widest = 0;
    PangoLayoutIter* iter = pango_layout_get_iter(layout);
    int index = 0;
    do {
        PangoRectangle logical;
        pango_layout_iter_get_line_extents(iter, nullptr, &logical);
        widest = std::max(widest, logical.width);
    } while (++index < count && pango_layout_iter_next_line(iter));
    pango_layout_iter_free(iter);
    return widest;
}

struct Arranged {
    int width = 0;  // Pango units
    int height = 0; // Pango units; for word wrapping past the limit, the height of the lines shown
    int lines = 0;
    bool truncated = false;
    bool clip = false; // lines past `height` are in the layout and must be clipped away when drawing
};

// The first `end` bytes of the text, followed by an ellipsis in the style of the last of them.
AttributedString ellipsizedPrefix(const AttributedString& text, std::size_t end) {
    AttributedString result;
    for (const AttributedString::Run& run : text.runs()) {
        if (run.start >= end)
            break;
        result.append(text.text(run).substr(0, end - run.start), run.font, run.color);
    }
    if (!result.runs().empty()) {
        const AttributedString::Run& last = result.runs().back();
        result.append("\u2026", last.font, last.color);
    }
    return result;
}

// Lays the text (already set) out under the options, at `width` points (unlimited when not finite).
Arranged arrange(PangoLayout* layout, const AttributedString& attributed, const TextLayoutOptions& options,
                 double width, bool withColors) {
    const std::string& text = attributed.string();
    const bool tail = options.lineBreakMode == LineBreakMode::byTruncatingTail;
    const int maxLines = std::max(options.maxLines, 0);
    const double maxHeight = normalizedHeight(options.maxHeight);
    const bool heightLimited = std::isfinite(maxHeight);
    const bool wraps = std::isfinite(width);
    // Pango ellipsizes only at a width; text without one gets a width it never reaches.
    const bool needsWidth = wraps || (tail && (maxLines > 0 || heightLimited));
    pango_layout_set_width(layout, needsWidth ? toPango(wraps ? width : kUnlimitedWidth) : -1);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);

    Arranged result;
    // One paragraph under a line limit: Pango keeps N lines and ends them in an ellipsis in one pass.
    if (tail && maxLines > 0 && !hasParagraphBreak(text)) {
        pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
        pango_layout_set_height(layout, -maxLines);
        result.truncated = pango_layout_is_ellipsized(layout);
    } else {
        pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_NONE);
        pango_layout_set_height(layout, -1);
    }

    int lineCount = pango_layout_get_line_count(layout);
    int keep = maxLines > 0 ? std::min(lineCount, maxLines) : lineCount;
    std::vector<int> bottoms;
    if (keep < lineCount || heightLimited) {
        bottoms = lineBottoms(layout);
        if (heightLimited) {
            const int limit = toPango(maxHeight);
            int fit = 0;
            while (fit < keep && bottoms[std::size_t(fit)] <= limit)
                ++fit;
            keep = std::max(fit, 1);
        }
    }
    if (keep < lineCount) {
        result.truncated = true;
        const int bottom = bottoms[std::size_t(keep - 1)];
        if (tail) {
            // A height in Pango units keeps the lines that fit and ends the last in an ellipsis, across
            // paragraphs too; but when the last line kept ends its paragraph, Pango sees nothing to
            // ellipsize in it. The text is then cut after that line and given an ellipsis of its own
            // (which Pango ellipsizes again should it not fit on the line).
            PangoLayoutLine* next = pango_layout_get_line_readonly(layout, keep);
            if (next && next->is_paragraph_start) {
                const PangoLayoutLine* last = pango_layout_get_line_readonly(layout, keep - 1);
                setText(layout, ellipsizedPrefix(attributed, std::size_t(last->start_index + last->length)),
                        withColors);
            }
            pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
            pango_layout_set_height(layout, bottom);
            lineCount = pango_layout_get_line_count(layout);
        } else {
            result.width = widestLine(layout, keep);
            result.height = bottom;
            result.lines = keep;
            result.clip = true;
            return result;
        }
    }
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    result.width = logical.width;
    result.height = logical.height;
    result.lines = lineCount;
    return result;
}

TextMeasurement toMeasurement(const Arranged& arranged) {
    TextMeasurement m;
    m.size = Size(std::ceil(fromPango(arranged.width)), std::ceil(fromPango(arranged.height)));
    m.lineCount = arranged.lines;
    m.truncated = arranged.truncated;
    return m;
}

// --- the measurement cache ---

struct CacheKey {
    struct FontRun {
        std::size_t end; // byte offset where the run ends
        Font font;
        bool operator==(const FontRun&) const = default;
    };
    std::string text;
    std::vector<FontRun> fonts;
    double maxWidth;
    double maxHeight;
    int maxLines;
    LineBreakMode mode;
    std::size_t hash = 0;

    bool operator==(const CacheKey& other) const {
        return hash == other.hash && maxWidth == other.maxWidth && maxHeight == other.maxHeight &&
               maxLines == other.maxLines && mode == other.mode && text == other.text && fonts == other.fonts;
    }
};

void mix(std::size_t& hash, std::size_t value) {
    hash ^= value + 0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2);
}

std::size_t fontHash(const FontData& data) {
    std::size_t h = std::hash<std::string>()(data.postScriptName);
    mix(h, std::hash<std::string>()(data.family));
    mix(h, std::bit_cast<std::uint64_t>(data.size));
    mix(h, std::size_t(data.pangoWeight) * 31 + std::size_t(data.style) * 7 + std::size_t(data.stretch));
    return h;
}

CacheKey makeKey(const AttributedString& text, const TextLayoutOptions& options) {
    CacheKey key{text.string(),
                 {},
                 normalizedWidth(options.maxWidth),
                 normalizedHeight(options.maxHeight),
                 std::max(options.maxLines, 0),
                 options.lineBreakMode};
    std::size_t h = std::hash<std::string>()(key.text);
    for (const AttributedString::Run& run : text.runs()) {
        // Colours do not change sizes: runs that differ only in colour are one run here.
        if (!key.fonts.empty() && key.fonts.back().font == run.font) {
            key.fonts.back().end = run.start + run.length;
            continue;
        }
        key.fonts.push_back({run.start + run.length, run.font});
    }
    for (const CacheKey::FontRun& run : key.fonts) {
        mix(h, run.end);
        mix(h, fontHash(run.font.data()));
    }
    mix(h, std::bit_cast<std::uint64_t>(key.maxWidth));
    mix(h, std::bit_cast<std::uint64_t>(key.maxHeight));
    mix(h, std::size_t(key.maxLines) * 2 + std::size_t(key.mode));
    key.hash = h;
    return key;
}

class MeasurementCache {
public:
    const TextMeasurement* find(const CacheKey& key, std::uint64_t generation) {
        if (generation != generation_) {
            clearEntries();
            generation_ = generation;
        }
        const auto it = index_.find(KeyRef{&key});
        if (it == index_.end()) {
            ++misses_;
            return nullptr;
        }
        ++hits_;
        entries_.splice(entries_.begin(), entries_, it->second);
        return &it->second->second;
    }

    void insert(CacheKey key, const TextMeasurement& measurement) {
        entries_.emplace_front(std::move(key), measurement);
        index_.emplace(KeyRef{&entries_.front().first}, entries_.begin());
        trim();
    }

    void setCapacity(std::size_t capacity) {
        capacity_ = std::max<std::size_t>(capacity, 1);
        trim();
    }

    void clear() {
        clearEntries();
        hits_ = 0;
        misses_ = 0;
    }

    TextLayout::CacheStatistics statistics() const { return {hits_, misses_, entries_.size(), capacity_}; }

private:
    using Entry = std::pair<CacheKey, TextMeasurement>;
    struct KeyRef {
        const CacheKey* key;
    };
    struct Hash {
        std::size_t operator()(const KeyRef& ref) const { return ref.key->hash; }
    };
    struct Equal {
        bool operator()(const KeyRef& a, const KeyRef& b) const { return *a.key == *b.key; }
    };

    void trim() {
        while (entries_.size() > capacity_) {
            index_.erase(KeyRef{&entries_.back().first});
            entries_.pop_back();
        }
    }

    void clearEntries() {
        index_.clear();
        entries_.clear();
    }

    std::list<Entry> entries_;
    std::unordered_map<KeyRef, std::list<Entry>::iterator, Hash, Equal> index_;
    std::size_t capacity_ = 8192;
    std::uint64_t generation_ = 0;
    std::uint64_t hits_ = 0;
    std::uint64_t misses_ = 0;
};

// Pango objects reused from call to call; used with the backend's mutex held.
struct Shared {
    MeasurementCache cache;
    PangoLayout* measuringLayout = nullptr;
    PangoLayout* drawingLayout = nullptr;
};

Shared& shared(FontBackend& backend) {
    static Shared* instance = [&backend] {
        auto* s = new Shared();
        s->measuringLayout = pango_layout_new(backend.measuringContext());
        s->drawingLayout = pango_layout_new(backend.drawingContext());
        return s;
    }();
    return *instance;
}

} // namespace

TextMeasurement TextLayout::measure(const AttributedString& text, const TextLayoutOptions& options) {
    if (text.isEmpty())
        return {};
    FontBackend& backend = FontBackend::shared();
    std::lock_guard lock(backend.mutex());
    Shared& s = shared(backend);
    CacheKey key = makeKey(text, options);
    if (const TextMeasurement* cached = s.cache.find(key, backend.generation()))
        return *cached;
    setText(s.measuringLayout, text, false);
    pango_layout_set_alignment(s.measuringLayout, PANGO_ALIGN_LEFT);
    const TextMeasurement measurement =
        toMeasurement(arrange(s.measuringLayout, text, options, key.maxWidth, false));
    s.cache.insert(std::move(key), measurement);
    return measurement;
}

TextMeasurement TextLayout::measure(std::string_view text, const Font& font,
                                    const TextLayoutOptions& options) {
    return measure(AttributedString(text, font), options);
}

TextMeasurement TextLayout::draw(cairo_t* context, const AttributedString& text, const Rect& rect,
                                 const TextLayoutOptions& options) {
    if (text.isEmpty() || !context || rect.isNull())
        return {};
    const Rect area = rect.standardized();
    double width = normalizedWidth(std::min(area.width(), normalizedWidth(options.maxWidth)));
    TextLayoutOptions drawn = options;
    drawn.maxHeight = std::min(normalizedHeight(options.maxHeight), normalizedHeight(area.height()));

    FontBackend& backend = FontBackend::shared();
    std::lock_guard lock(backend.mutex());
    Shared& s = shared(backend);
    PangoLayout* layout = s.drawingLayout;
    pango_cairo_update_context(context, backend.drawingContext());
    pango_layout_context_changed(layout);
    setText(layout, text, true);
    PangoAlignment alignment = PANGO_ALIGN_LEFT;
    if (options.alignment == TextAlignment::center)
        alignment = PANGO_ALIGN_CENTER;
    else if (options.alignment == TextAlignment::right)
        alignment = PANGO_ALIGN_RIGHT;
    pango_layout_set_alignment(layout, alignment);
    const Arranged arranged = arrange(layout, text, drawn, width, true);

    // A block narrower than the rectangle (wrapped at options.maxWidth) is aligned within it as a whole.
    double x = area.minX();
    if (std::isfinite(width) && std::isfinite(area.width()) && area.width() > width) {
        if (options.alignment == TextAlignment::center)
            x += (area.width() - width) / 2;
        else if (options.alignment == TextAlignment::right)
            x += area.width() - width;
    }
    cairo_save(context);
    if (arranged.clip) {
        cairo_rectangle(context, x - kUnlimitedWidth / 2, area.minY(), kUnlimitedWidth,
                        fromPango(arranged.height));
        cairo_clip(context);
    }
    cairo_move_to(context, x, area.minY());
    pango_cairo_show_layout(context, layout);
    cairo_restore(context);
    return toMeasurement(arranged);
}

TextLayout::CacheStatistics TextLayout::cacheStatistics() {
    FontBackend& backend = FontBackend::shared();
    std::lock_guard lock(backend.mutex());
    return shared(backend).cache.statistics();
}

void TextLayout::setCacheCapacity(std::size_t capacity) {
    FontBackend& backend = FontBackend::shared();
    std::lock_guard lock(backend.mutex());
    shared(backend).cache.setCapacity(capacity);
}

void TextLayout::clearCache() {
    FontBackend& backend = FontBackend::shared();
    std::lock_guard lock(backend.mutex());
    shared(backend).cache.clear();
}

} // namespace ui
