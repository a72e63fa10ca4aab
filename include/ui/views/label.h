#pragma once

// A view that shows read-only text: a plain string in one font and colour, or an attributed string.
//
// Sizing follows the platform's label. A single-line label's natural size is its text's size. A label of
// several lines (or of unlimited lines) has the natural width of its text unwrapped, and a height that
// depends on the width layout gives it: intrinsicHeightForWidth measures the text wrapped at that width,
// so the layout engine grows the label taller as it gets narrower. Text is drawn vertically centred in
// the bounds, clipped to them, with as many whole lines as fit the bounds' height; the last line shown
// ends in an ellipsis when text was left out (byTruncatingTail).

#include <ui/graphics/attributed_string.h>
#include <ui/graphics/text_layout.h>
#include <ui/views/view.h>

#include <string>
#include <string_view>

namespace ui {

class Label : public View {
public:
    Label();
    explicit Label(std::string_view text);
    ~Label() override;

    // The plain text: the attributed text's characters.
    const std::string& text() const { return attributedText_.string(); }
    // Replaces the text with `text` in the label's font and text colour.
    void setText(std::string_view text);

    const AttributedString& attributedText() const { return attributedText_; }
    // Replaces the text with runs of their own fonts and colours.
    void setAttributedText(AttributedString text);

    // Font of the whole text; setting it sets every run's font (the system font at 17 points by default).
    const Font& font() const { return font_; }
    void setFont(const Font& font);
    // Colour of the whole text; setting it recolours every run (black by default).
    Color textColor() const { return textColor_; }
    void setTextColor(Color color);

    // Lines shown at most; 0 for as many as the text needs. 1 by default.
    int numberOfLines() const { return numberOfLines_; }
    void setNumberOfLines(int lines);
    LineBreakMode lineBreakMode() const { return lineBreakMode_; }
    void setLineBreakMode(LineBreakMode mode);
    TextAlignment textAlignment() const { return textAlignment_; }
    void setTextAlignment(TextAlignment alignment);

    Size intrinsicContentSize() const override;
    std::optional<double> intrinsicHeightForWidth(double width) const override;
    // The size the text needs: a single line at its full width; several lines wrapped at size.width.
    Size sizeThatFits(Size size) const override;
    void draw(cairo_t* context, const Rect& rect) override;

    // The options the label measures and draws its text with, wrapped at `width` (unlimited when not
    // finite or not positive).
    TextLayoutOptions layoutOptions(double width) const;

private:
    void textChanged();

    AttributedString attributedText_;
    Font font_;
    Color textColor_ = Color::black();
    int numberOfLines_ = 1;
    LineBreakMode lineBreakMode_ = LineBreakMode::byTruncatingTail;
    TextAlignment textAlignment_ = TextAlignment::left;
};

} // namespace ui
