#pragma once

// Named styles declared in the document's head, and the text entries of version-2 item atoms.

#include <ui/foundation/color.h>
#include <ui/foundation/geometry.h>
#include <ui/foundation/url.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kivo {

class XMLNode;
class KIVOLayoutElementConstructor;

class StyleMetaElement {
public:
    struct BackgroundStyle {
        std::optional<ui::URL> backgroundURL;
        std::optional<ui::Color> backgroundColor;
        bool operator==(const BackgroundStyle&) const = default;
    };
    struct TextStyle {
        enum class FontWeight { normal, bold };
        // Names the four text properties.
        enum class FontStyle { family, weight, color, size };
        // The URL of a font file to download and use.
        std::optional<ui::URL> fontFamily;
        std::optional<FontWeight> fontWeight;
        std::optional<ui::Color> fontColor;
        std::optional<std::int64_t> fontSize;
        bool operator==(const TextStyle&) const = default;
    };
    struct BorderStyle {
        enum class Edge { top, left, bottom, right };
        enum class BorderStyleType { solid, dotted, dashed };
        std::optional<BorderStyleType> style;
        std::optional<ui::Color> color;
        std::optional<std::int64_t> width;
        bool operator==(const BorderStyle&) const = default;
    };

    // Reads a style; only a missing "id" fails (KIVOError::missingRequiredAttribute(node name, "id")).
    // Every other malformed attribute counts as absent.
    StyleMetaElement(const XMLNode& node, KIVOLayoutElementConstructor& constructor);

    const std::string& id() const { return id_; }
    // The "padding" attribute (zero when absent) grown by the border width on every bordered edge. Always
    // set once the style is built.
    const std::optional<ui::EdgeInsets>& padding() const { return padding_; }
    const std::optional<ui::EdgeInsets>& margin() const { return margin_; }
    const BackgroundStyle& backgroundStyle() const { return backgroundStyle_; }
    const std::set<BorderStyle::Edge>& borderEdges() const { return borderEdges_; }
    const BorderStyle& borderStyle() const { return borderStyle_; }
    const TextStyle& textStyle() const { return textStyle_; }

private:
    std::string id_;
    std::optional<ui::EdgeInsets> padding_;
    std::optional<ui::EdgeInsets> margin_;
    BackgroundStyle backgroundStyle_;
    std::set<BorderStyle::Edge> borderEdges_;
    BorderStyle borderStyle_;
    TextStyle textStyle_;
};

std::string_view rawValue(StyleMetaElement::TextStyle::FontWeight weight);
std::string_view rawValue(StyleMetaElement::BorderStyle::BorderStyleType type);

// The "styles" head element: every child, whatever its tag, is a style.
class StylesMetaElement {
public:
    StylesMetaElement(const XMLNode& node, KIVOLayoutElementConstructor& constructor);
    const std::vector<std::shared_ptr<StyleMetaElement>>& styles() const { return styles_; }

private:
    std::vector<std::shared_ptr<StyleMetaElement>> styles_;
};

// One line of text of a version-2 item atom.
class TextMetaElement {
public:
    // "value" is required; "max-lines" defaults to 1 (also when not an integer); "style-id" is optional.
    TextMetaElement(const XMLNode& node, KIVOLayoutElementConstructor& constructor);

    const std::string& value() const { return value_; }
    std::int64_t maxLines() const { return maxLines_; }
    const std::optional<std::string>& styleID() const { return styleID_; }

private:
    std::string value_;
    std::int64_t maxLines_ = 1;
    std::optional<std::string> styleID_;
};

} // namespace kivo
