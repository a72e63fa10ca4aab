#include "ui/graphics/font.h"

#include "ui/graphics/font_backend.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <unordered_map>

namespace ui {
namespace {

using detail::FontBackend;
using detail::FontData;

int pangoWeightOf(FontWeight weight) {
    switch (weight) {
    case FontWeight::regular:
        return PANGO_WEIGHT_NORMAL;
    case FontWeight::medium:
        return PANGO_WEIGHT_MEDIUM;
    case FontWeight::semibold:
        return PANGO_WEIGHT_SEMIBOLD;
    case FontWeight::bold:
        return PANGO_WEIGHT_BOLD;
    }
    return PANGO_WEIGHT_NORMAL;
}

// The nearest of our weights to an OpenType weight (100...900).
FontWeight fontWeightOf(int openTypeWeight) {
    if (openTypeWeight < 450)
        return FontWeight::regular;
    if (openTypeWeight < 550)
        return FontWeight::medium;
    if (openTypeWeight < 650)
        return FontWeight::semibold;
    return FontWeight::bold;
}

PangoStretch pangoStretchOf(int fcWidth) {
    struct Step {
        int width;
        PangoStretch stretch;
    };
    static constexpr Step steps[] = {
        {FC_WIDTH_ULTRACONDENSED, PANGO_STRETCH_ULTRA_CONDENSED},
        {FC_WIDTH_EXTRACONDENSED, PANGO_STRETCH_EXTRA_CONDENSED},
        {FC_WIDTH_CONDENSED, PANGO_STRETCH_CONDENSED},
        {FC_WIDTH_SEMICONDENSED, PANGO_STRETCH_SEMI_CONDENSED},
        {FC_WIDTH_NORMAL, PANGO_STRETCH_NORMAL},
        {FC_WIDTH_SEMIEXPANDED, PANGO_STRETCH_SEMI_EXPANDED},
        {FC_WIDTH_EXPANDED, PANGO_STRETCH_EXPANDED},
        {FC_WIDTH_EXTRAEXPANDED, PANGO_STRETCH_EXTRA_EXPANDED},
        {FC_WIDTH_ULTRAEXPANDED, PANGO_STRETCH_ULTRA_EXPANDED},
    };
    const Step* best = &steps[4];
    for (const Step& step : steps) {
        if (std::abs(step.width - fcWidth) < std::abs(best->width - fcWidth))
            best = &step;
    }
    return best->stretch;
}

double cleanSize(double size) {
    return std::isfinite(size) && size > 0 ? size : 0.0;
}

std::string stringOf(FcPattern* pattern, const char* object, int index = 0) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(pattern, object, index, &value) == FcResultMatch && value)
        return reinterpret_cast<const char*>(value);
    return {};
}

int intOf(FcPattern* pattern, const char* object, int fallback) {
    int value = 0;
    if (FcPatternGetInteger(pattern, object, 0, &value) == FcResultMatch)
        return value;
    double real = 0;
    if (FcPatternGetDouble(pattern, object, 0, &real) == FcResultMatch)
        return int(std::lround(real));
    return fallback;
}

// Fonts already resolved, keyed by how they were asked for. Every resolution is dropped when the set of
// faces changes (a family that fell back may exist now). Used with the backend's mutex held.
class FontCache {
public:
    std::shared_ptr<const FontData> find(const std::string& key, std::uint64_t generation) {
        if (generation != generation_) {
            entries_.clear();
            generation_ = generation;
        }
        const auto it = entries_.find(key);
        return it == entries_.end() ? nullptr : it->second;
    }
    void insert(std::string key, std::shared_ptr<const FontData> data) {
        // Documents use a handful of fonts; a runaway number of sizes just starts the cache over.
        if (entries_.size() >= 4096)
            entries_.clear();
        entries_.emplace(std::move(key), std::move(data));
    }

private:
    std::unordered_map<std::string, std::shared_ptr<const FontData>> entries_;
    std::uint64_t generation_ = 0;
};

FontCache& fontCache() {
    static FontCache* cache = new FontCache();
    return *cache;
}

std::string cacheKey(char kind, std::string_view name, int weight, double size) {
    std::string key;
    key.reserve(name.size() + 24);
    key += kind;
    key.append(name);
    key += '\0';
    key += std::to_string(weight);
    key += '\0';
    const auto bits = std::bit_cast<std::uint64_t>(size);
    key.append(reinterpret_cast<const char*>(&bits), sizeof bits);
    return key;
}

std::shared_ptr<FontData> makeData(std::string family, std::string postScriptName, double size,
                                   FontWeight weight, int pangoWeight, PangoStyle style,
                                   PangoStretch stretch) {
    auto data = std::make_shared<FontData>();
    data->family = std::move(family);
    data->postScriptName = std::move(postScriptName);
    data->size = size;
    data->weight = weight;
    data->pangoWeight = pangoWeight;
    data->style = style;
    data->stretch = stretch;
    data->description = pango_font_description_new();
    pango_font_description_set_family(data->description, data->family.c_str());
    pango_font_description_set_weight(data->description, PangoWeight(pangoWeight));
    pango_font_description_set_style(data->description, style);
    pango_font_description_set_stretch(data->description, stretch);
    pango_font_description_set_absolute_size(data->description, size * PANGO_SCALE);
    return data;
}

// Faces of the configuration matching `pattern`. Call with the backend's mutex held.
FcFontSet* listFaces(FcConfig* config, const char* object, const std::string& value) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, object, reinterpret_cast<const FcChar8*>(value.c_str()));
    FcObjectSet* objects =
        FcObjectSetBuild(FC_FAMILY, FC_POSTSCRIPT_NAME, FC_WEIGHT, FC_SLANT, FC_WIDTH, nullptr);
    FcFontSet* set = FcFontList(config, pattern, objects);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    if (set && set->nfont == 0) {
        FcFontSetDestroy(set);
        return nullptr;
    }
    return set;
}

// Family names compare as fontconfig compares them: without regard to ASCII case or spaces.
bool sameFamilyName(std::string_view a, std::string_view b) {
    const auto next = [](std::string_view s, std::size_t& i) -> int {
        while (i < s.size() && s[i] == ' ')
            ++i;
        if (i == s.size())
            return -1;
        const char c = s[i++];
        return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : static_cast<unsigned char>(c);
    };
    std::size_t i = 0;
    std::size_t j = 0;
    for (;;) {
        const int x = next(a, i);
        const int y = next(b, j);
        if (x != y)
            return false;
        if (x < 0)
            return true;
    }
}

// The spelling of `family` that the face itself uses ("liberationsans" -> "Liberation Sans"), or empty
// when no face has that family. Call with the backend's mutex held.
std::string canonicalFamily(FcConfig* config, const std::string& family) {
    FcFontSet* set = listFaces(config, FC_FAMILY, family);
    if (!set)
        return {};
    std::string canonical;
    FcPattern* face = set->fonts[0];
    for (int i = 0;; ++i) {
        const std::string candidate = stringOf(face, FC_FAMILY, i);
        if (candidate.empty())
            break;
        if (sameFamilyName(candidate, family)) {
            canonical = candidate;
            break;
        }
    }
    if (canonical.empty())
        canonical = stringOf(face, FC_FAMILY);
    FcFontSetDestroy(set);
    return canonical;
}

// PostScript name of the face fontconfig picks for a family and weight, as Pango will. Call with the
// backend's mutex held.
std::string matchPostScriptName(FcConfig* config, const std::string& family, int pangoWeight) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddDouble(pattern, FC_WEIGHT, FcWeightFromOpenTypeDouble(pangoWeight));
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddInteger(pattern, FC_WIDTH, FC_WIDTH_NORMAL);
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    std::string name;
    if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
        name = stringOf(match, FC_POSTSCRIPT_NAME);
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return name;
}

// The family text falls back to when the asked one does not exist: the system family, or, on a system
// without it, whatever fontconfig prefers for sans-serif text.
std::string fallbackFamily(FcConfig* config) {
    std::string family = canonicalFamily(config, std::string(Font::systemFamilyName));
    if (!family.empty())
        return family;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(config, pattern, &result)) {
        family = stringOf(match, FC_FAMILY);
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return family.empty() ? std::string(Font::systemFamilyName) : family;
}

} // namespace

Font Font::systemFont(double size, FontWeight weight) {
    return font(systemFamilyName, size, weight);
}

Font Font::boldSystemFont(double size) {
    return font(systemFamilyName, size, FontWeight::bold);
}

Font Font::font(std::string_view family, double size, FontWeight weight) {
    size = cleanSize(size);
    const int pangoWeight = pangoWeightOf(weight);
    FontBackend& backend = FontBackend::shared();
    std::lock_guard lock(backend.mutex());
    FontCache& cache = fontCache();
    std::string key = cacheKey('f', family, pangoWeight, size);
    if (auto data = cache.find(key, backend.generation()))
        return Font(std::move(data));

    std::string resolved = canonicalFamily(backend.config(), std::string(family));
    if (resolved.empty())
        resolved = fallbackFamily(backend.config());
    std::string postScriptName = matchPostScriptName(backend.config(), resolved, pangoWeight);
    auto data = makeData(std::move(resolved), std::move(postScriptName), size, weight, pangoWeight,
                         PANGO_STYLE_NORMAL, PANGO_STRETCH_NORMAL);
    cache.insert(std::move(key), data);
    return Font(std::move(data));
}

std::optional<Font> Font::named(std::string_view postScriptName, double size) {
    size = cleanSize(size);
    if (postScriptName.empty())
        return std::nullopt;
    FontBackend& backend = FontBackend::shared();
    std::lock_guard lock(backend.mutex());
    FontCache& cache = fontCache();
    std::string key = cacheKey('n', postScriptName, 0, size);
    if (auto data = cache.find(key, backend.generation()))
        return Font(std::move(data));

    FcFontSet* set = listFaces(backend.config(), FC_POSTSCRIPT_NAME, std::string(postScriptName));
    if (!set)
        return std::nullopt;
    FcPattern* face = set->fonts[0];
    const int openTypeWeight =
        int(std::lround(FcWeightToOpenTypeDouble(intOf(face, FC_WEIGHT, FC_WEIGHT_REGULAR))));
    const int slant = intOf(face, FC_SLANT, FC_SLANT_ROMAN);
    const PangoStyle style = slant == FC_SLANT_ITALIC    ? PANGO_STYLE_ITALIC
                             : slant == FC_SLANT_OBLIQUE ? PANGO_STYLE_OBLIQUE
                                                         : PANGO_STYLE_NORMAL;
    auto data = makeData(stringOf(face, FC_FAMILY), stringOf(face, FC_POSTSCRIPT_NAME), size,
                         fontWeightOf(openTypeWeight), openTypeWeight, style,
                         pangoStretchOf(intOf(face, FC_WIDTH, FC_WIDTH_NORMAL)));
    FcFontSetDestroy(set);
    cache.insert(std::move(key), data);
    return Font(std::move(data));
}

const std::string& Font::family() const {
    return data_->family;
}

double Font::size() const {
    return data_->size;
}

FontWeight Font::weight() const {
    return data_->weight;
}

const std::string& Font::postScriptName() const {
    return data_->postScriptName;
}

bool Font::isItalic() const {
    return data_->style != PANGO_STYLE_NORMAL;
}

Font Font::withSize(double size) const {
    size = cleanSize(size);
    if (size == data_->size)
        return *this;
    if (data_->style == PANGO_STYLE_NORMAL && data_->stretch == PANGO_STRETCH_NORMAL &&
        data_->pangoWeight == pangoWeightOf(data_->weight))
        return font(data_->family, size, data_->weight);
    if (auto named = Font::named(data_->postScriptName, size))
        return *named;
    auto data = makeData(data_->family, data_->postScriptName, size, data_->weight, data_->pangoWeight,
                         data_->style, data_->stretch);
    return Font(std::move(data));
}

namespace {

void measureMetrics(const FontData& data) {
    std::call_once(data.metricsOnce, [&data] {
        FontBackend& backend = FontBackend::shared();
        std::lock_guard lock(backend.mutex());
        PangoFontMetrics* metrics =
            pango_context_get_metrics(backend.measuringContext(), data.description,
                                      pango_context_get_language(backend.measuringContext()));
        const double ascent = double(pango_font_metrics_get_ascent(metrics)) / PANGO_SCALE;
        const double descent = double(pango_font_metrics_get_descent(metrics)) / PANGO_SCALE;
        pango_font_metrics_unref(metrics);
        data.ascender = ascent;
        data.descender = -descent;
        // Lines of a text layout follow each other at ascent + descent (the face's line gap is not
        // added), so that is the line height text in this font actually gets.
        data.lineHeight = ascent + descent;
    });
}

} // namespace

double Font::ascender() const {
    measureMetrics(*data_);
    return data_->ascender;
}

double Font::descender() const {
    measureMetrics(*data_);
    return data_->descender;
}

double Font::lineHeight() const {
    measureMetrics(*data_);
    return data_->lineHeight;
}

bool Font::operator==(const Font& other) const {
    if (data_ == other.data_)
        return true;
    const FontData& a = *data_;
    const FontData& b = *other.data_;
    return a.size == b.size && a.pangoWeight == b.pangoWeight && a.style == b.style &&
           a.stretch == b.stretch && a.family == b.family && a.postScriptName == b.postScriptName;
}

} // namespace ui
