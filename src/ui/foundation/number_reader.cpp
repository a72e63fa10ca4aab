#include "ui/foundation/number_reader.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace ui {

namespace {

bool isDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

char toLowerAscii(char ch) {
    return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
}

bool equalsIgnoringCase(std::string_view text, std::string_view lowerWord) {
    if (text.size() != lowerWord.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (toLowerAscii(text[i]) != lowerWord[i]) {
            return false;
        }
    }
    return true;
}

// "nan" optionally followed by a parenthesised run of ASCII letters, digits and underscores.
bool isNaNWord(std::string_view body) {
    if (body.size() < 3 || !equalsIgnoringCase(body.substr(0, 3), "nan")) {
        return false;
    }
    if (body.size() == 3) {
        return true;
    }
    if (body[3] != '(' || body.back() != ')') {
        return false;
    }
    for (const char ch : body.substr(4, body.size() - 5)) {
        const char lower = toLowerAscii(ch);
        if (!isDigit(ch) && !(lower >= 'a' && lower <= 'z') && ch != '_') {
            return false;
        }
    }
    return true;
}

// The pieces of a decimal literal that passed the grammar check, kept so that an out-of-range result can
// be told apart as overflow or underflow.
struct DecimalLiteral {
    std::string_view integerDigits;
    std::string_view fractionDigits;
    std::int64_t exponent = 0; // saturated far beyond any exponent a double can reach
};

// Matches digits [. [digits]] | . digits, then an optional exponent, against the whole of `body`.
std::optional<DecimalLiteral> matchDecimal(std::string_view body) {
    DecimalLiteral literal;
    std::size_t i = 0;
    const std::size_t n = body.size();
    const std::size_t integerStart = i;
    while (i < n && isDigit(body[i])) {
        ++i;
    }
    literal.integerDigits = body.substr(integerStart, i - integerStart);
    if (i < n && body[i] == '.') {
        ++i;
        const std::size_t fractionStart = i;
        while (i < n && isDigit(body[i])) {
            ++i;
        }
        literal.fractionDigits = body.substr(fractionStart, i - fractionStart);
    }
    if (literal.integerDigits.empty() && literal.fractionDigits.empty()) {
        return std::nullopt;
    }
    if (i < n && (body[i] == 'e' || body[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < n && (body[i] == '+' || body[i] == '-')) {
            negativeExponent = body[i] == '-';
            ++i;
        }
        if (i == n) {
            return std::nullopt;
        }
        constexpr std::int64_t exponentCap = 1'000'000'000;
        std::int64_t exponent = 0;
        for (; i < n && isDigit(body[i]); ++i) {
            if (exponent < exponentCap) {
                exponent = exponent * 10 + (body[i] - '0');
            }
        }
        literal.exponent = negativeExponent ? -exponent : exponent;
    }
    if (i != n) {
        return std::nullopt;
    }
    return literal;
}

// True when a literal that does not fit a double is too large (rather than too small) in magnitude. The
// decimal exponent of its leading non-zero digit is far from zero either way, so its sign decides.
bool isTooLarge(const DecimalLiteral& literal) {
    std::int64_t leading = 0;
    bool found = false;
    for (std::size_t k = 0; k < literal.integerDigits.size() && !found; ++k) {
        if (literal.integerDigits[k] != '0') {
            leading = static_cast<std::int64_t>(literal.integerDigits.size() - k) - 1;
            found = true;
        }
    }
    for (std::size_t k = 0; k < literal.fractionDigits.size() && !found; ++k) {
        if (literal.fractionDigits[k] != '0') {
            leading = -static_cast<std::int64_t>(k) - 1;
            found = true;
        }
    }
    return found && leading + literal.exponent > 0;
}

} // namespace

std::optional<double> parseDouble(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    const bool negative = text.front() == '-';
    const bool hasSign = negative || text.front() == '+';
    const std::string_view body = text.substr(hasSign ? 1 : 0);
    if (body.empty()) {
        return std::nullopt;
    }

    if (equalsIgnoringCase(body, "inf") || equalsIgnoringCase(body, "infinity")) {
        constexpr double inf = std::numeric_limits<double>::infinity();
        return negative ? -inf : inf;
    }
    if (isNaNWord(body)) {
        return std::copysign(std::numeric_limits<double>::quiet_NaN(), negative ? -1.0 : 1.0);
    }

    const std::optional<DecimalLiteral> literal = matchDecimal(body);
    if (!literal) {
        return std::nullopt;
    }
    // from_chars takes a '-' but not a '+', and never looks at the locale.
    const char* first = negative ? text.data() : body.data();
    const char* last = text.data() + text.size();
    double value = 0;
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        const double magnitude = isTooLarge(*literal) ? std::numeric_limits<double>::infinity() : 0.0;
        return negative ? -magnitude : magnitude;
    }
    if (error != std::errc{} || end != last) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> parseFiniteDouble(std::string_view text) {
    const std::optional<double> value = parseDouble(text);
    if (!value || !std::isfinite(*value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int64_t> parseInt64(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    const bool hasSign = text.front() == '+' || text.front() == '-';
    const std::string_view digits = text.substr(hasSign ? 1 : 0);
    if (digits.empty()) {
        return std::nullopt;
    }
    for (const char ch : digits) {
        if (!isDigit(ch)) {
            return std::nullopt;
        }
    }
    // Keep a '-' so that the most negative value, whose magnitude has no positive int64_t, reads directly.
    const char* first = text.front() == '-' ? text.data() : digits.data();
    const char* last = text.data() + text.size();
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(first, last, value, 10);
    if (error != std::errc{} || end != last) {
        return std::nullopt;
    }
    return value;
}

} // namespace ui
