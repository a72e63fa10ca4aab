#pragma once

// A layer that draws a line or more of text in the system font, for labels that live in the layer tree
// rather than as views.

#include <ui/foundation/color.h>
#include <ui/graphics/layer.h>
#include <ui/graphics/text_layout.h>

#include <string>
#include <string_view>

namespace ui {

class TextLayer : public Layer {
public:
    TextLayer();

    const std::string& string() const { return string_; }
    void setString(std::string_view text);
    // Points; 36 by default.
    double fontSize() const { return fontSize_; }
    void setFontSize(double size);
    Color foregroundColor() const { return foregroundColor_; }
    void setForegroundColor(Color color);
    TextAlignment alignmentMode() const { return alignment_; }
    void setAlignmentMode(TextAlignment alignment);
    // Whether lines wrap at the layer's width (otherwise only at line breaks).
    bool isWrapped() const { return wrapped_; }
    void setWrapped(bool wrapped);

    void drawInContext(cairo_t* context, const Rect& rect) override;
    bool drawsContent() const override { return !string_.empty(); }

private:
    std::string string_;
    double fontSize_ = 36;
    Color foregroundColor_ = Color::white();
    TextAlignment alignment_ = TextAlignment::left;
    bool wrapped_ = false;
};

} // namespace ui
