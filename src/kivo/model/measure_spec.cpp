#include "kivo/model/measure_spec.h"

#include <kivo/base/errors.h>
#include <kivo/markup/xml_node.h>

#include <charconv>
#include <cmath>

namespace kivo {

MeasureSpec MeasureSpec::parse(const std::string* value, std::string_view typeName, std::string_view key) {
    if (value == nullptr) {
        throw Error(KIVOError::missingRequiredAttribute(std::string(typeName), std::string(key)));
    }
    if (const auto number = attribute::readDouble(*value)) {
        return MeasureSpec::number(*number);
    }
    if (const auto keyword = spec(*value)) {
        return *keyword;
    }
    throw Error(KIVOError::unsupportedMeasureSpec(std::string(typeName), *value));
}

std::optional<MeasureSpec> MeasureSpec::spec(std::string_view keyword) {
    if (keyword == "match-parent") {
        return matchParent();
    }
    if (keyword == "wrap-content") {
        return wrapContent();
    }
    if (keyword == "preserve-aspect") {
        return preserveAspect();
    }
    return std::nullopt;
}

std::optional<double> MeasureSpec::numberValue() const {
    if (const double* d = std::get_if<double>(&value_)) {
        return *d;
    }
    return std::nullopt;
}

std::string MeasureSpec::kivoRepresentation() const {
    if (isMatchParent()) {
        return "match-parent";
    }
    if (isWrapContent()) {
        return "wrap-content";
    }
    if (isPreserveAspect()) {
        return "preserve-aspect";
    }
    const double d = std::get<double>(value_);
    char buffer[64];
    const double magnitude = std::fabs(d);
    // Plain decimals for everyday magnitudes, exponents for the very large and very small, as a double's
    // own description reads.
    const bool plain = magnitude == 0 || (magnitude >= 1e-4 && magnitude < 9007199254740992.0);
    const auto result = plain
                            ? std::to_chars(buffer, buffer + sizeof buffer, d, std::chars_format::fixed)
                            : std::to_chars(buffer, buffer + sizeof buffer, d, std::chars_format::scientific);
    std::string text(buffer, result.ptr);
    if (plain && text.find('.') == std::string::npos) {
        text += ".0";
    }
    return text;
}

} // namespace kivo
