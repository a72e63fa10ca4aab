#pragma once

// How a width or a height is given: a number of points, or one of three keywords.

#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace kivo {

class MeasureSpec {
public:
    struct MatchParent {
        bool operator==(const MatchParent&) const = default;
    };
    struct WrapContent {
        bool operator==(const WrapContent&) const = default;
    };
    struct PreserveAspect {
        bool operator==(const PreserveAspect&) const = default;
    };
    using Value = std::variant<double, MatchParent, WrapContent, PreserveAspect>;

    // Fixed size in points.
    static MeasureSpec number(double points) { return MeasureSpec(points); }
    // "match-parent": the parent's dimension less padding and margins.
    static MeasureSpec matchParent() { return MeasureSpec(MatchParent{}); }
    // "wrap-content": the content decides.
    static MeasureSpec wrapContent() { return MeasureSpec(WrapContent{}); }
    // "preserve-aspect": derived from the other dimension through the aspect ratio.
    static MeasureSpec preserveAspect() { return MeasureSpec(PreserveAspect{}); }

    // Reads an attribute: a missing value throws KIVOError::missingRequiredAttribute(typeName, key); a
    // finite decimal number is a number; the keywords match exactly; anything else throws
    // KIVOError::unsupportedMeasureSpec(typeName, value).
    static MeasureSpec parse(const std::string* value, std::string_view typeName, std::string_view key);
    // The keyword alone, or nullopt.
    static std::optional<MeasureSpec> spec(std::string_view keyword);

    const Value& value() const { return value_; }
    bool isNumber() const { return std::holds_alternative<double>(value_); }
    std::optional<double> numberValue() const;
    bool isMatchParent() const { return std::holds_alternative<MatchParent>(value_); }
    bool isWrapContent() const { return std::holds_alternative<WrapContent>(value_); }
    bool isPreserveAspect() const { return std::holds_alternative<PreserveAspect>(value_); }

    // The markup form: the keyword, or the shortest decimal that reads back as the same number, always
    // with a fractional part ("120.0").
    std::string kivoRepresentation() const;

    bool operator==(const MeasureSpec&) const = default;

private:
    explicit MeasureSpec(Value v) : value_(v) {}
    Value value_;
};

} // namespace kivo
