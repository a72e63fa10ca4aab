#pragma once

// The toolkit's one Pango font map and fontconfig configuration, shared by fonts, text layout and font
// registration.
//
// Pango font maps and fontconfig configurations are not safe to use from several threads at once, and
// Pango's default font map is a different object on every thread, so a face registered on a download
// thread would stay invisible to the main thread. The toolkit therefore owns a single font map over a
// configuration of its own, and every use of either happens with `mutex()` held.

#include <ui/graphics/font.h>

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace ui::detail {

// The resolved description of a face at a size, shared by the copies of a Font.
struct FontData {
    std::string family;
    std::string postScriptName;
    double size = 0;
    FontWeight weight = FontWeight::regular;
    int pangoWeight = PANGO_WEIGHT_NORMAL;
    PangoStyle style = PANGO_STYLE_NORMAL;
    PangoStretch stretch = PANGO_STRETCH_NORMAL;
    PangoFontDescription* description = nullptr; // owned; never changed after creation

    // Vertical metrics in points, measured on first use.
    mutable std::once_flag metricsOnce;
    mutable double ascender = 0;
    mutable double descender = 0;
    mutable double lineHeight = 0;

    FontData() = default;
    FontData(const FontData&) = delete;
    FontData& operator=(const FontData&) = delete;
    ~FontData() {
        if (description)
            pango_font_description_free(description);
    }
};

class FontBackend {
public:
    // Made on first use and never destroyed (text may be drawn during static destruction).
    static FontBackend& shared();

    // Held around every use of the objects below.
    std::mutex& mutex() { return mutex_; }

    FcConfig* config() const { return config_; }
    PangoFontMap* fontMap() const { return fontMap_; }
    // A context for measuring, independent of any surface: unhinted metrics and unrounded glyph
    // positions, so that a measured width is the width drawn at any scale.
    PangoContext* measuringContext() const { return measuringContext_; }
    // A context for drawing; updated from the cairo context before each use.
    PangoContext* drawingContext() const { return drawingContext_; }
    // The font options both contexts use.
    const cairo_font_options_t* fontOptions() const { return fontOptions_; }

    // Call with the mutex held after faces were added to the configuration.
    void facesChanged();
    std::uint64_t generation() const { return generation_.load(std::memory_order_acquire); }

private:
    FontBackend();

    std::mutex mutex_;
    FcConfig* config_ = nullptr;
    PangoFontMap* fontMap_ = nullptr;
    PangoContext* measuringContext_ = nullptr;
    PangoContext* drawingContext_ = nullptr;
    cairo_font_options_t* fontOptions_ = nullptr;
    std::atomic<std::uint64_t> generation_{1};
};

} // namespace ui::detail
