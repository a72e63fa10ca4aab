#include "ui/graphics/text_layer.h"

#include <ui/graphics/attributed_string.h>
#include <ui/graphics/font.h>

namespace ui {

TextLayer::TextLayer() = default;

void TextLayer::setString(std::string_view text) {
    string_ = std::string(text);
}

void TextLayer::setFontSize(double size) {
    if (size > 0) {
        fontSize_ = size;
    }
}

void TextLayer::setForegroundColor(Color color) {
    foregroundColor_ = color;
}
void TextLayer::setAlignmentMode(TextAlignment alignment) {
    alignment_ = alignment;
}
void TextLayer::setWrapped(bool wrapped) {
    wrapped_ = wrapped;
}

void TextLayer::drawInContext(cairo_t* context, const Rect&) {
    if (string_.empty()) {
        return;
    }
    AttributedString text;
    text.append(string_, Font::systemFont(fontSize_), foregroundColor_);
    const Rect area(Point(0, 0), bounds().size);
    TextLayoutOptions options;
    options.maxWidth = wrapped_ ? area.size.width : TextLayoutOptions::unlimited;
    options.maxHeight = area.size.height;
    options.alignment = alignment_;
    // Text sits at the top of the layer, as the platform's text layers draw it.
    TextLayout::draw(context, text, area, options);
}

} // namespace ui
