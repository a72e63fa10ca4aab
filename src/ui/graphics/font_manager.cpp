#include "ui/graphics/font_manager.h"

#include "ui/graphics/font_backend.h"

#include <fontconfig/fcfreetype.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <pango/pangofc-fontmap.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace ui {
namespace detail {

FontBackend& FontBackend::shared() {
    // Deliberately leaked: fonts may still be measured or drawn by other static objects' destructors.
    static FontBackend* backend = new FontBackend();
    return *backend;
}

FontBackend::FontBackend() {
    // A configuration of our own (built from FONTCONFIG_FILE or the system files), so that faces added
    // at run time change no other library's view of the installed fonts.
    config_ = FcInitLoadConfigAndFonts();
    if (!config_)
        config_ = FcConfigCreate();
    fontMap_ = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
    if (!fontMap_ || !PANGO_IS_FC_FONT_MAP(fontMap_)) {
        std::fprintf(stderr, "kivo: Pango has no fontconfig font map; text cannot be laid out\n");
        std::abort();
    }
    pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(fontMap_), config_);
    // Sizes are given in points of the coordinate space; 72 dpi makes any relative size mean the same.
    pango_cairo_font_map_set_resolution(PANGO_CAIRO_FONT_MAP(fontMap_), 72);

    fontOptions_ = cairo_font_options_create();
    cairo_font_options_set_hint_style(fontOptions_, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(fontOptions_, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(fontOptions_, CAIRO_ANTIALIAS_GRAY);

    for (PangoContext** context : {&measuringContext_, &drawingContext_}) {
        *context = pango_font_map_create_context(fontMap_);
        pango_cairo_context_set_font_options(*context, fontOptions_);
        pango_context_set_round_glyph_positions(*context, FALSE);
        pango_context_set_language(*context, pango_language_from_string("en"));
        pango_context_set_base_dir(*context, PANGO_DIRECTION_LTR);
    }
}

void FontBackend::facesChanged() {
    pango_fc_font_map_config_changed(PANGO_FC_FONT_MAP(fontMap_));
    generation_.fetch_add(1, std::memory_order_acq_rel);
}

} // namespace detail

namespace {

// Files holding registered fonts, in a directory only this process uses; removed at exit.
class FontFileStore {
public:
    ~FontFileStore() {
        if (!directory_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(directory_, ignored);
        }
    }

    // Writes `bytes` to a new file and returns its path, or an empty path on failure.
    std::filesystem::path store(std::span<const std::uint8_t> bytes) {
        if (directory_.empty() && !makeDirectory())
            return {};
        const std::filesystem::path path = directory_ / ("font-" + std::to_string(++count_));
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
            return {};
        }
        return path;
    }

private:
    bool makeDirectory() {
        std::error_code error;
        std::filesystem::path base = std::filesystem::temp_directory_path(error);
        if (error)
            base = "/tmp";
        std::string pattern = (base / "kivo-fonts-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            return false;
        directory_ = pattern;
        return true;
    }

    std::filesystem::path directory_;
    std::size_t count_ = 0;
};

struct Registry {
    std::mutex mutex; // serialises registrations; taken before the backend's mutex
    FT_Library freetype = nullptr;
    FontFileStore files;
    std::vector<std::string> names;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

// PostScript name of the first face in `bytes`, as fontconfig will know it; empty when the bytes are
// not a font.
std::string postScriptNameOf(FT_Library freetype, std::span<const std::uint8_t> bytes) {
    FT_Face face = nullptr;
    if (FT_New_Memory_Face(freetype, bytes.data(), FT_Long(bytes.size()), 0, &face) != 0)
        return {};
    std::string name;
    if (FcPattern* pattern = FcFreeTypeQueryFace(face, reinterpret_cast<const FcChar8*>(""), 0, nullptr)) {
        FcChar8* value = nullptr;
        if (FcPatternGetString(pattern, FC_POSTSCRIPT_NAME, 0, &value) == FcResultMatch && value)
            name = reinterpret_cast<const char*>(value);
        FcPatternDestroy(pattern);
    }
    FT_Done_Face(face);
    return name;
}

// Whether the configuration has a face whose `object` (FC_FAMILY, FC_POSTSCRIPT_NAME, ...) is `value`.
// Call with the backend's mutex held.
bool hasFaceWith(FcConfig* config, const char* object, const std::string& value) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, object, reinterpret_cast<const FcChar8*>(value.c_str()));
    FcObjectSet* objects = FcObjectSetBuild(object, nullptr);
    FcFontSet* set = FcFontList(config, pattern, objects);
    const bool found = set && set->nfont > 0;
    if (set)
        FcFontSetDestroy(set);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return found;
}

bool hasPostScriptName(FcConfig* config, const std::string& name) {
    return hasFaceWith(config, FC_POSTSCRIPT_NAME, name);
}

} // namespace

FontManager& FontManager::shared() {
    static FontManager* manager = new FontManager();
    return *manager;
}

FontRegistrationResult FontManager::registerFont(std::string_view bytes) {
    return registerFont(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

FontRegistrationResult FontManager::registerFont(std::span<const std::uint8_t> bytes) {
    Registry& reg = registry();
    std::lock_guard registrationLock(reg.mutex);
    if (!reg.freetype && FT_Init_FreeType(&reg.freetype) != 0) {
        reg.freetype = nullptr;
        return FontRegistrationResult::failure(FontRegistrationError::storageFailed, {},
                                               "FreeType could not be initialised");
    }
    const std::string name = bytes.empty() ? std::string() : postScriptNameOf(reg.freetype, bytes);
    if (name.empty())
        return FontRegistrationResult::failure(FontRegistrationError::invalidData, {},
                                               "the data is not a font file");
    if (std::find(reg.names.begin(), reg.names.end(), name) != reg.names.end())
        return FontRegistrationResult::failure(FontRegistrationError::alreadyRegistered, name,
                                               "the font " + name + " is already registered");

    detail::FontBackend& backend = detail::FontBackend::shared();
    {
        std::lock_guard lock(backend.mutex());
        if (hasPostScriptName(backend.config(), name))
            return FontRegistrationResult::failure(FontRegistrationError::alreadyRegistered, name,
                                                   "the font " + name + " is already installed");
    }
    const std::filesystem::path path = reg.files.store(bytes);
    if (path.empty())
        return FontRegistrationResult::failure(FontRegistrationError::storageFailed, name,
                                               "the font " + name + " could not be written to a file");
    {
        std::lock_guard lock(backend.mutex());
        if (!FcConfigAppFontAddFile(backend.config(), reinterpret_cast<const FcChar8*>(path.c_str()))) {
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
            return FontRegistrationResult::failure(FontRegistrationError::invalidData, name,
                                                   "fontconfig could not load the font " + name);
        }
        backend.facesChanged();
    }
    reg.names.push_back(name);
    return FontRegistrationResult::success(name);
}

bool FontManager::isRegistered(std::string_view postScriptName) const {
    Registry& reg = registry();
    std::lock_guard lock(reg.mutex);
    return std::find(reg.names.begin(), reg.names.end(), postScriptName) != reg.names.end();
}

std::vector<std::string> FontManager::registeredFonts() const {
    Registry& reg = registry();
    std::lock_guard lock(reg.mutex);
    return reg.names;
}

bool FontManager::hasFamily(std::string_view family) const {
    detail::FontBackend& backend = detail::FontBackend::shared();
    const std::string name(family);
    std::lock_guard lock(backend.mutex());
    return hasFaceWith(backend.config(), FC_FAMILY, name);
}

std::uint64_t FontManager::generation() const {
    return detail::FontBackend::shared().generation();
}

} // namespace ui
