#include "ui/graphics/attributed_string.h"

namespace ui {

AttributedString::AttributedString(std::string_view text, const Font& font, Color color) {
    append(text, font, color);
}

void AttributedString::append(std::string_view text, const Font& font, Color color) {
    if (text.empty())
        return;
    if (!runs_.empty() && runs_.back().font == font && runs_.back().color == color) {
        runs_.back().length += text.size();
    } else {
        runs_.push_back(Run{text_.size(), text.size(), font, color});
    }
    text_.append(text);
}

void AttributedString::append(const AttributedString& other) {
    if (&other == this) {
        const AttributedString copy = other;
        append(copy);
        return;
    }
    for (const Run& run : other.runs_)
        append(other.text(run), run.font, run.color);
}

AttributedString AttributedString::withFont(const Font& font) const {
    AttributedString result;
    for (const Run& run : runs_)
        result.append(text(run), font, run.color);
    return result;
}

AttributedString AttributedString::withColor(Color color) const {
    AttributedString result;
    for (const Run& run : runs_)
        result.append(text(run), run.font, color);
    return result;
}

} // namespace ui
