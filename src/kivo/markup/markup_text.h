#pragma once

// Text helpers shared by the attribute grammars: trimming and splitting by the Unicode notions of
// white space (the space separators and tab) and line breaks, on UTF-8 text.

#include <optional>
#include <string_view>
#include <vector>

namespace kivo::markup {

// Removes white space and line breaks from both ends.
std::string_view trimWhitespaceAndNewlines(std::string_view text);

// Splits at every single white-space character (space, tab, the other space separators). Runs are not
// merged: two blanks in a row give an empty piece between them. Line breaks do not split.
std::vector<std::string_view> splitAtWhitespace(std::string_view text);

// Splits at every single ASCII blank; runs are not merged.
std::vector<std::string_view> splitAtBlanks(std::string_view text);

// Reads a number the way a number formatter for the en_US locale in its plain style does: an optional
// sign, digits with an optional '.' fraction and an optional exponent, nothing else; non-finite results
// are refused.
std::optional<double> parseEnUSNumber(std::string_view text);

} // namespace kivo::markup
