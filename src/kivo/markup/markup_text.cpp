#include "kivo/markup/markup_text.h"

#include <ui/foundation/number_reader.h>

#include <cstdint>

namespace kivo::markup {

namespace {

// Decodes the UTF-8 sequence at `text[i]`, setting `length` to its byte count. Malformed bytes decode as
// themselves (length 1), which is never white space, so they are simply kept.
char32_t decodeAt(std::string_view text, std::size_t i, std::size_t& length) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    length = 1;
    if (b0 < 0x80) {
        return b0;
    }
    std::size_t n = 0;
    char32_t cp = 0;
    if ((b0 & 0xE0) == 0xC0) {
        n = 2;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        n = 3;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        n = 4;
        cp = b0 & 0x07;
    } else {
        return b0;
    }
    if (i + n > text.size()) {
        return b0;
    }
    for (std::size_t k = 1; k < n; ++k) {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80) {
            return b0;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    length = n;
    return cp;
}

bool isWhitespace(char32_t c) {
    return c == U' ' || c == U'\t' || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
           c == 0x202F || c == 0x205F || c == 0x3000;
}

bool isNewline(char32_t c) {
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

// Byte length of the code point that ends just before `end`, or 1 for malformed input.
std::size_t lengthOfLastCodePoint(std::string_view text, std::size_t end) {
    std::size_t start = end - 1;
    std::size_t steps = 0;
    while (start > 0 && steps < 3 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) {
        --start;
        ++steps;
    }
    std::size_t length = 0;
    decodeAt(text, start, length);
    return start + length == end ? end - start : 1;
}

} // namespace

std::string_view trimWhitespaceAndNewlines(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t length = 0;
        const char32_t c = decodeAt(text, begin, length);
        if (!isWhitespace(c) && !isNewline(c)) {
            break;
        }
        begin += length;
    }
    std::size_t end = text.size();
    while (end > begin) {
        const std::size_t length = lengthOfLastCodePoint(text, end);
        std::size_t decoded = 0;
        const char32_t c = decodeAt(text, end - length, decoded);
        if (!isWhitespace(c) && !isNewline(c)) {
            break;
        }
        end -= length;
    }
    return text.substr(begin, end - begin);
}

std::vector<std::string_view> splitAtWhitespace(std::string_view text) {
    std::vector<std::string_view> pieces;
    std::size_t pieceStart = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t length = 0;
        const char32_t c = decodeAt(text, i, length);
        if (isWhitespace(c)) {
            pieces.push_back(text.substr(pieceStart, i - pieceStart));
            pieceStart = i + length;
        }
        i += length;
    }
    pieces.push_back(text.substr(pieceStart));
    return pieces;
}

std::vector<std::string_view> splitAtBlanks(std::string_view text) {
    std::vector<std::string_view> pieces;
    std::size_t pieceStart = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ' ') {
            pieces.push_back(text.substr(pieceStart, i - pieceStart));
            pieceStart = i + 1;
        }
    }
    pieces.push_back(text.substr(pieceStart));
    return pieces;
}

std::optional<double> parseEnUSNumber(std::string_view text) {
    // The plain en_US style has no grouping separators, '.' as the decimal point and 'E' exponents; the
    // strict reader below enforces the rest (whole text, no blanks, finite).
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    bool digits = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        ++i;
        digits = true;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            ++i;
            digits = true;
        }
    }
    if (!digits) {
        return std::nullopt;
    }
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        bool exponentDigits = false;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            ++i;
            exponentDigits = true;
        }
        if (!exponentDigits) {
            return std::nullopt;
        }
    }
    if (i != text.size()) {
        return std::nullopt;
    }
    return ui::parseFiniteDouble(text);
}

} // namespace kivo::markup
