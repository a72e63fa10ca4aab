#include "ui/views/label.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace ui {

Label::Label() : font_(Font::systemFont(17)) {
    // Text is looked at, not touched: touches go to the view behind.
    setUserInteractionEnabled(false);
}

Label::Label(std::string_view text) : Label() {
    setText(text);
}

Label::~Label() = default;

void Label::setText(std::string_view text) {
    attributedText_ = AttributedString(text, font_, textColor_);
    textChanged();
}

void Label::setAttributedText(AttributedString text) {
    attributedText_ = std::move(text);
    // Like the platform's label, the label's font and colour become those of the text's start.
    if (!attributedText_.runs().empty()) {
        font_ = attributedText_.runs().front().font;
        textColor_ = attributedText_.runs().front().color;
    }
    textChanged();
}

void Label::setFont(const Font& font) {
    if (font == font_)
        return;
    font_ = font;
    attributedText_ = attributedText_.withFont(font);
    textChanged();
}

void Label::setTextColor(Color color) {
    if (color == textColor_)
        return;
    textColor_ = color;
    // Colour changes nothing about the size: no new layout, only new pixels.
    attributedText_ = attributedText_.withColor(color);
}

void Label::setNumberOfLines(int lines) {
    lines = std::max(lines, 0);
    if (lines == numberOfLines_)
        return;
    numberOfLines_ = lines;
    textChanged();
}

void Label::setLineBreakMode(LineBreakMode mode) {
    if (mode == lineBreakMode_)
        return;
    lineBreakMode_ = mode;
    textChanged();
}

void Label::setTextAlignment(TextAlignment alignment) {
    textAlignment_ = alignment;
}

void Label::textChanged() {
    invalidateIntrinsicContentSize();
    setNeedsLayout();
}

TextLayoutOptions Label::layoutOptions(double width) const {
    TextLayoutOptions options;
    options.maxWidth = std::isfinite(width) && width > 0 ? width : TextLayoutOptions::unlimited;
    options.maxLines = numberOfLines_;
    options.lineBreakMode = lineBreakMode_;
    options.alignment = textAlignment_;
    return options;
}

Size Label::intrinsicContentSize() const {
    if (attributedText_.isEmpty())
        return {0, 0};
    return TextLayout::measure(attributedText_, layoutOptions(TextLayoutOptions::unlimited)).size;
}

std::optional<double> Label::intrinsicHeightForWidth(double width) const {
    if (numberOfLines_ == 1)
        return std::nullopt;
    if (attributedText_.isEmpty())
        return 0.0;
    return TextLayout::measure(attributedText_, layoutOptions(width)).size.height;
}

Size Label::sizeThatFits(Size size) const {
    if (attributedText_.isEmpty())
        return {0, 0};
    const double width = numberOfLines_ == 1 ? TextLayoutOptions::unlimited : size.width;
    return TextLayout::measure(attributedText_, layoutOptions(width)).size;
}

void Label::draw(cairo_t* context, const Rect& rect) {
    const Rect area = bounds();
    if (attributedText_.isEmpty() || area.isEmpty() || !context)
        return;
    // The lines that fit the bounds, centred vertically; text taller than the bounds starts at the top.
    TextLayoutOptions options = layoutOptions(area.width());
    options.maxHeight = area.height();
    const TextMeasurement text = TextLayout::measure(attributedText_, options);
    const double y = area.minY() + std::max(0.0, (area.height() - text.size.height) / 2);

    cairo_save(context);
    cairo_rectangle(context, area.minX(), area.minY(), area.width(), area.height());
    cairo_clip(context);
    if (!rect.isNull()) {
        const Rect dirty = rect.standardized();
        cairo_rectangle(context, dirty.minX(), dirty.minY(), dirty.width(), dirty.height());
        cairo_clip(context);
    }
    TextLayout::draw(context, attributedText_,
                     Rect(area.minX(), y, area.width(), area.height() - (y - area.minY())), options);
    cairo_restore(context);
}

} // namespace ui
