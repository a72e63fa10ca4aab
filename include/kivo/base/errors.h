#pragma once

// The error values of the framework. Every failure a host can see is one of four kinds: a KIVOError (the
// document is not valid markup for this framework), a KIVOLayoutManagerError, a KIVOLayoutError, or an
// XMLParserError (the bytes are not well-formed XML). Inside the framework they travel as a thrown
// kivo::Error; the host receives that same value through a load's completion, never as an exception.

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kivo {

// One payload entry of an error: a text or an integer, in the order the error case declares them.
using ErrorPayloadValue = std::variant<std::string, std::int64_t>;
using ErrorPayload = std::vector<ErrorPayloadValue>;

class KIVOError {
public:
    enum class Case {
        unsupportedKIVOVersion,
        unsupportedElementTag,
        unsupportedMeasureSpec,
        unsupportedOrientation,
        missingRequiredAttribute,
        unsupportedNumberOfChildren,
        general,
    };

    static KIVOError unsupportedKIVOVersion(std::string supported, std::string found);
    static KIVOError unsupportedElementTag(std::string parent, std::string tag);
    static KIVOError unsupportedMeasureSpec(std::string element, std::string spec);
    static KIVOError unsupportedOrientation(std::string element, std::string orientation);
    static KIVOError missingRequiredAttribute(std::string element, std::string attribute);
    static KIVOError unsupportedNumberOfChildren(std::string element, std::int64_t count);
    static KIVOError general(std::string text);

    Case errorCase() const { return case_; }
    std::string_view caseName() const;
    const ErrorPayload& payload() const { return payload_; }
    std::string message() const;

    bool operator==(const KIVOError&) const = default;

private:
    KIVOError(Case c, ErrorPayload payload) : case_(c), payload_(std::move(payload)) {}
    Case case_;
    ErrorPayload payload_;
};

class KIVOLayoutManagerError {
public:
    enum class Case { elementViewIsNotBaseItemsContainerView, noBaseElementOrElementViewProvided };

    static KIVOLayoutManagerError elementViewIsNotBaseItemsContainerView(std::string elementType);
    static KIVOLayoutManagerError noBaseElementOrElementViewProvided();

    Case errorCase() const { return case_; }
    std::string_view caseName() const;
    const ErrorPayload& payload() const { return payload_; }
    std::string message() const;

    bool operator==(const KIVOLayoutManagerError&) const = default;

private:
    KIVOLayoutManagerError(Case c, ErrorPayload payload) : case_(c), payload_(std::move(payload)) {}
    Case case_;
    ErrorPayload payload_;
};

class KIVOLayoutError {
public:
    enum class Case { invalidParentChildWidthCombination, invalidWidthHeightCombination, invalidMeasureSpec };

    static KIVOLayoutError invalidParentChildWidthCombination(std::string parent, std::string child);
    static KIVOLayoutError invalidWidthHeightCombination(std::string width, std::string height);
    static KIVOLayoutError invalidMeasureSpec(std::string element, std::string spec);

    Case errorCase() const { return case_; }
    std::string_view caseName() const;
    const ErrorPayload& payload() const { return payload_; }
    std::string message() const;

    bool operator==(const KIVOLayoutError&) const = default;

private:
    KIVOLayoutError(Case c, ErrorPayload payload) : case_(c), payload_(std::move(payload)) {}
    Case case_;
    ErrorPayload payload_;
};

// The XML parser's report on bytes that are not well-formed: its error code and name ("XML_ERROR_SYNTAX"),
// its message ("syntax error"), and where it stopped (lines from 1, columns from 0).
class XMLParserError {
public:
    XMLParserError(int code, std::int64_t line, std::int64_t column);

    int code() const { return code_; }
    std::string_view caseName() const;
    // The line and the column.
    ErrorPayload payload() const { return {line_, column_}; }
    std::string message() const;
    std::int64_t line() const { return line_; }
    std::int64_t column() const { return column_; }

    bool operator==(const XMLParserError&) const = default;

private:
    int code_;
    std::int64_t line_;
    std::int64_t column_;
};

// Where in the markup something stands: lines count from 1, columns from 0 (in bytes).
struct SourcePosition {
    std::int64_t line = 0;
    std::int64_t column = 0;
    bool operator==(const SourcePosition&) const = default;
};

// Any error of the framework, thrown inside it and handed to hosts as a value.
class Error : public std::exception {
public:
    using Value = std::variant<KIVOError, KIVOLayoutManagerError, KIVOLayoutError, XMLParserError>;

    Error(KIVOError e) : value_(std::move(e)) { cacheMessage(); }
    Error(KIVOLayoutManagerError e) : value_(std::move(e)) { cacheMessage(); }
    Error(KIVOLayoutError e) : value_(std::move(e)) { cacheMessage(); }
    Error(XMLParserError e);

    const Value& value() const { return value_; }
    // "KIVOError", "KIVOLayoutManagerError", "KIVOLayoutError" or "XMLParser".
    std::string_view domain() const;
    std::string_view caseName() const;
    ErrorPayload payload() const;
    // The error's own message, exactly as its case assembles it.
    const std::string& message() const { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }

    // The typed error, or null when this error is of another kind.
    const KIVOError* kivoError() const { return std::get_if<KIVOError>(&value_); }
    const XMLParserError* xmlParserError() const { return std::get_if<XMLParserError>(&value_); }

    // The markup element the error came from, when one is known. Not part of the error's identity.
    const std::optional<SourcePosition>& position() const { return position_; }
    void setPositionIfUnknown(SourcePosition position) {
        if (!position_) {
            position_ = position;
        }
    }

    // Errors are equal when their kind, case and payload are; the position does not count.
    bool operator==(const Error& other) const { return value_ == other.value_; }

private:
    void cacheMessage();
    Value value_;
    std::string message_;
    std::optional<SourcePosition> position_;
};

} // namespace kivo
