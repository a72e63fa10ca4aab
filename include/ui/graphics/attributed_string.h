#pragma once

// Text in runs, each run set in one font and one colour. The text is UTF-8; offsets and lengths count
// bytes of it. Appending text in the font and colour of the last run extends that run, so equal
// strings have equal runs however they were built.

#include <ui/foundation/color.h>
#include <ui/graphics/font.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

class AttributedString {
public:
    struct Run {
        std::size_t start = 0;  // byte offset in string()
        std::size_t length = 0; // bytes; never 0
        Font font;
        Color color;

        bool operator==(const Run&) const = default;
    };

    AttributedString() = default;
    AttributedString(std::string_view text, const Font& font, Color color = Color::black());

    void append(std::string_view text, const Font& font, Color color = Color::black());
    void append(const AttributedString& other);

    const std::string& string() const { return text_; }
    const std::vector<Run>& runs() const { return runs_; }
    // The text of one run.
    std::string_view text(const Run& run) const {
        return std::string_view(text_).substr(run.start, run.length);
    }
    // Length in bytes of UTF-8.
    std::size_t length() const { return text_.size(); }
    bool isEmpty() const { return text_.empty(); }

    // The same text with every run set in `font` (or in `color`).
    AttributedString withFont(const Font& font) const;
    AttributedString withColor(Color color) const;

    bool operator==(const AttributedString&) const = default;

private:
    std::string text_;
    std::vector<Run> runs_;
};

} // namespace ui
