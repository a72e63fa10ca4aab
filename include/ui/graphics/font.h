#pragma once

// A font: a family, a weight and a size in points of the drawing coordinate space (one point is one
// unit of a view's bounds). Fonts are immutable values that are cheap to copy: every copy shares one
// resolved description of the face.
//
// Families are resolved when the font is made. A family that is neither installed nor registered with
// the FontManager falls back to the system family, so making a font never fails; only Font::named, which
// asks for one exact face, can come back empty.
//
// The system family is Liberation Sans (Debian's fonts-liberation2). It has the metrics of Arial and
// Helvetica, which keeps line breaks and text widths close to those of the sans-serif system fonts the
// markup is designed against; DejaVu Sans, the other family every Debian system has, sets text about a
// tenth wider.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ui {

namespace detail {
struct FontData;
} // namespace detail

// The weights a font can be asked for. A family without a face of the asked weight uses its nearest
// face (DejaVu and Liberation have regular and bold faces only: medium sets as regular, semibold as
// bold).
enum class FontWeight { regular, medium, semibold, bold };

class Font {
public:
    // The family of systemFont and boldSystemFont.
    static constexpr std::string_view systemFamilyName = "Liberation Sans";

    // The system font (Liberation Sans) at `size` points.
    static Font systemFont(double size, FontWeight weight = FontWeight::regular);
    static Font boldSystemFont(double size);
    // A font of `family` (matched without regard to case or spaces); an unknown family falls back to the
    // system family.
    static Font font(std::string_view family, double size, FontWeight weight = FontWeight::regular);
    // The face with this PostScript name ("LiberationSans-Bold"), installed or registered with the
    // FontManager; nullopt when there is no such face.
    static std::optional<Font> named(std::string_view postScriptName, double size);

    // The family the font sets text in (after fallback), e.g. "Liberation Sans".
    const std::string& family() const;
    // Size in points; never negative (negative and non-finite sizes become 0 when made).
    double size() const;
    // The weight asked for, or for a font found by name, the weight of its face.
    FontWeight weight() const;
    // PostScript name of the face text is set in, e.g. "LiberationSans-Bold".
    const std::string& postScriptName() const;
    bool isItalic() const;

    // The same face at another size.
    Font withSize(double size) const;

    // Vertical metrics in points, from the face: ascender above the baseline (positive), descender below
    // it (negative, as in most toolkits), and the distance between the baselines of two lines of a text
    // layout (ascender - descender).
    double ascender() const;
    double descender() const;
    double lineHeight() const;

    // Two fonts are equal when they set text in the same face at the same size.
    bool operator==(const Font& other) const;

    // Shared description of the face; used by the text layout code.
    const detail::FontData& data() const { return *data_; }

private:
    explicit Font(std::shared_ptr<const detail::FontData> data) : data_(std::move(data)) {}
    std::shared_ptr<const detail::FontData> data_;
};

} // namespace ui
