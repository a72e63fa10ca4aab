#pragma once

// Strict, locale-independent readers for numbers written as text. Each reader either consumes the whole
// string or fails: there is no skipping of blanks and no partial read. A failure is std::nullopt.

#include <cstdint>
#include <optional>
#include <string_view>

namespace ui {

// Reads a decimal floating-point number as strtod does in the "C" locale, except that leading or
// trailing blanks and hexadecimal forms ("0x1p3") are refused. Accepted:
//   [+|-] digits [. [digits]] [(e|E) [+|-] digits]
//   [+|-] . digits [(e|E) [+|-] digits]
//   [+|-] inf | infinity | nan | nan(letters, digits, underscores)     (case-insensitive)
// The decimal separator is always '.', whatever the process locale. Values too large for a double read
// as +/-infinity and values too small as a zero of the same sign, as strtod gives them.
std::optional<double> parseDouble(std::string_view text);

// Like parseDouble, but also refuses results that are not finite: "nan", "inf", "infinity" and numbers
// that overflow a double ("1e999"). Numbers too small to represent still read as zero.
std::optional<double> parseFiniteDouble(std::string_view text);

// Reads an optional single '+' or '-' followed by one or more ASCII digits, and nothing else. Values
// outside the int64_t range are refused.
std::optional<std::int64_t> parseInt64(std::string_view text);

} // namespace ui
