#include "kivo/base/errors.h"

#include <expat.h>

#include <array>

namespace kivo {

namespace {

const std::string& text(const ErrorPayload& payload, std::size_t i) {
    return std::get<std::string>(payload.at(i));
}

} // namespace

// --- KIVOError ------------------------------------------------------------------------------------------

KIVOError KIVOError::unsupportedKIVOVersion(std::string supported, std::string found) {
    return {Case::unsupportedKIVOVersion, {std::move(supported), std::move(found)}};
}
KIVOError KIVOError::unsupportedElementTag(std::string parent, std::string tag) {
    return {Case::unsupportedElementTag, {std::move(parent), std::move(tag)}};
}
KIVOError KIVOError::unsupportedMeasureSpec(std::string element, std::string spec) {
    return {Case::unsupportedMeasureSpec, {std::move(element), std::move(spec)}};
}
KIVOError KIVOError::unsupportedOrientation(std::string element, std::string orientation) {
    return {Case::unsupportedOrientation, {std::move(element), std::move(orientation)}};
}
KIVOError KIVOError::missingRequiredAttribute(std::string element, std::string attribute) {
    return {Case::missingRequiredAttribute, {std::move(element), std::move(attribute)}};
}
KIVOError KIVOError::unsupportedNumberOfChildren(std::string element, std::int64_t count) {
    return {Case::unsupportedNumberOfChildren, {std::move(element), count}};
}
KIVOError KIVOError::general(std::string message) {
    return {Case::general, {std::move(message)}};
}

std::string_view KIVOError::caseName() const {
    switch (case_) {
    case Case::unsupportedKIVOVersion:
        return "unsupportedKIVOVersion";
    case Case::unsupportedElementTag:
        return "unsupportedElementTag";
    case Case::unsupportedMeasureSpec:
        return "unsupportedMeasureSpec";
    case Case::unsupportedOrientation:
        return "unsupportedOrientation";
    case Case::missingRequiredAttribute:
        return "missingRequiredAttribute";
    case Case::unsupportedNumberOfChildren:
        return "unsupportedNumberOfChildren";
    case Case::general:
        return "general";
    }
    return "general";
}

std::string KIVOError::message() const {
    switch (case_) {
    case Case::unsupportedKIVOVersion:
        return "Current support KIVO version is " + text(payload_, 0) + " " + "but got " + text(payload_, 1) +
               ".";
    case Case::unsupportedElementTag:
        return text(payload_, 0) + ": Unsupported element tag: " + text(payload_, 1);
    case Case::unsupportedMeasureSpec:
        return text(payload_, 0) + ": Unsupported measure spec: " + text(payload_, 1);
    case Case::unsupportedOrientation:
        return text(payload_, 0) + ": Unsupported orientation: " + text(payload_, 1);
    case Case::missingRequiredAttribute:
        return text(payload_, 0) + ": Missing required attribute: " + text(payload_, 1);
    case Case::unsupportedNumberOfChildren:
        return "Unsupported number of children of " + text(payload_, 0) + ": " +
               std::to_string(std::get<std::int64_t>(payload_.at(1)));
    case Case::general:
        return text(payload_, 0);
    }
    return {};
}

// --- KIVOLayoutManagerError -----------------------------------------------------------------------------

KIVOLayoutManagerError
KIVOLayoutManagerError::elementViewIsNotBaseItemsContainerView(std::string elementType) {
    return {Case::elementViewIsNotBaseItemsContainerView, {std::move(elementType)}};
}
KIVOLayoutManagerError KIVOLayoutManagerError::noBaseElementOrElementViewProvided() {
    return {Case::noBaseElementOrElementViewProvided, {}};
}

std::string_view KIVOLayoutManagerError::caseName() const {
    return case_ == Case::elementViewIsNotBaseItemsContainerView ? "elementViewIsNotBaseItemsContainerView"
                                                                 : "noBaseElementOrElementViewProvided";
}

std::string KIVOLayoutManagerError::message() const {
    if (case_ == Case::elementViewIsNotBaseItemsContainerView) {
        return text(payload_, 0) + " is a base items container but its view is not.";
    }
    return "No element or element view provided.";
}

// --- KIVOLayoutError ------------------------------------------------------------------------------------

KIVOLayoutError KIVOLayoutError::invalidParentChildWidthCombination(std::string parent, std::string child) {
    return {Case::invalidParentChildWidthCombination, {std::move(parent), std::move(child)}};
}
KIVOLayoutError KIVOLayoutError::invalidWidthHeightCombination(std::string width, std::string height) {
    return {Case::invalidWidthHeightCombination, {std::move(width), std::move(height)}};
}
KIVOLayoutError KIVOLayoutError::invalidMeasureSpec(std::string element, std::string spec) {
    return {Case::invalidMeasureSpec, {std::move(element), std::move(spec)}};
}

std::string_view KIVOLayoutError::caseName() const {
    switch (case_) {
    case Case::invalidParentChildWidthCombination:
        return "invalidParentChildWidthCombination";
    case Case::invalidWidthHeightCombination:
        return "invalidWidthHeightCombination";
    case Case::invalidMeasureSpec:
        return "invalidMeasureSpec";
    }
    return "invalidMeasureSpec";
}

std::string KIVOLayoutError::message() const {
    switch (case_) {
    case Case::invalidParentChildWidthCombination:
        return "Invalid width combination between " + std::string("parent ") + text(payload_, 0) +
               " and child " + text(payload_, 1);
    case Case::invalidWidthHeightCombination:
        return "Invalid width " + text(payload_, 0) + " and height " + text(payload_, 1) + " combination";
    case Case::invalidMeasureSpec:
        return "Invalid spec " + text(payload_, 1) + " for " + text(payload_, 0);
    }
    return {};
}

// --- XMLParserError -------------------------------------------------------------------------------------

XMLParserError::XMLParserError(int code, std::int64_t line, std::int64_t column)
    : code_(code), line_(line), column_(column) {}

std::string_view XMLParserError::caseName() const {
    // The names of expat's XML_Error enumeration, indexed by value.
    static constexpr std::array<std::string_view, 44> names = {
        "XML_ERROR_NONE",
        "XML_ERROR_NO_MEMORY",
        "XML_ERROR_SYNTAX",
        "XML_ERROR_NO_ELEMENTS",
        "XML_ERROR_INVALID_TOKEN",
        "XML_ERROR_UNCLOSED_TOKEN",
        "XML_ERROR_PARTIAL_CHAR",
        "XML_ERROR_TAG_MISMATCH",
        "XML_ERROR_DUPLICATE_ATTRIBUTE",
        "XML_ERROR_JUNK_AFTER_DOC_ELEMENT",
        "XML_ERROR_PARAM_ENTITY_REF",
        "XML_ERROR_UNDEFINED_ENTITY",
        "XML_ERROR_RECURSIVE_ENTITY_REF",
        "XML_ERROR_ASYNC_ENTITY",
        "XML_ERROR_BAD_CHAR_REF",
        "XML_ERROR_BINARY_ENTITY_REF",
        "XML_ERROR_ATTRIBUTE_EXTERNAL_ENTITY_REF",
        "XML_ERROR_MISPLACED_XML_PI",
        "XML_ERROR_UNKNOWN_ENCODING",
        "XML_ERROR_INCORRECT_ENCODING",
        "XML_ERROR_UNCLOSED_CDATA_SECTION",
        "XML_ERROR_EXTERNAL_ENTITY_HANDLING",
        "XML_ERROR_NOT_STANDALONE",
        "XML_ERROR_UNEXPECTED_STATE",
        "XML_ERROR_ENTITY_DECLARED_IN_PE",
        "XML_ERROR_FEATURE_REQUIRES_XML_DTD",
        "XML_ERROR_CANT_CHANGE_FEATURE_ONCE_PARSING",
        "XML_ERROR_UNBOUND_PREFIX",
        "XML_ERROR_UNDECLARING_PREFIX",
        "XML_ERROR_INCOMPLETE_PE",
        "XML_ERROR_XML_DECL",
        "XML_ERROR_TEXT_DECL",
        "XML_ERROR_PUBLICID",
        "XML_ERROR_SUSPENDED",
        "XML_ERROR_NOT_SUSPENDED",
        "XML_ERROR_ABORTED",
        "XML_ERROR_FINISHED",
        "XML_ERROR_SUSPEND_PE",
        "XML_ERROR_RESERVED_PREFIX_XML",
        "XML_ERROR_RESERVED_PREFIX_XMLNS",
        "XML_ERROR_RESERVED_NAMESPACE_URI",
        "XML_ERROR_INVALID_ARGUMENT",
        "XML_ERROR_NO_BUFFER",
        "XML_ERROR_AMPLIFICATION_LIMIT_BREACH",
    };
    if (code_ >= 0 && static_cast<std::size_t>(code_) < names.size()) {
        return names[static_cast<std::size_t>(code_)];
    }
    return "XML_ERROR_UNKNOWN";
}

std::string XMLParserError::message() const {
    const XML_LChar* s = XML_ErrorString(static_cast<XML_Error>(code_));
    return s != nullptr ? std::string(s) : "unknown XML error " + std::to_string(code_);
}

// --- Error ----------------------------------------------------------------------------------------------

Error::Error(XMLParserError e) : value_(e) {
    cacheMessage();
    position_ = SourcePosition{e.line(), e.column()};
}

std::string_view Error::domain() const {
    switch (value_.index()) {
    case 0:
        return "KIVOError";
    case 1:
        return "KIVOLayoutManagerError";
    case 2:
        return "KIVOLayoutError";
    default:
        return "XMLParser";
    }
}

std::string_view Error::caseName() const {
    return std::visit([](const auto& e) { return e.caseName(); }, value_);
}

ErrorPayload Error::payload() const {
    return std::visit([](const auto& e) { return ErrorPayload(e.payload()); }, value_);
}

void Error::cacheMessage() {
    message_ = std::visit([](const auto& e) { return e.message(); }, value_);
}

} // namespace kivo
