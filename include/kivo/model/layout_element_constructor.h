#pragma once

// What every element initialiser is given to parse its children with.

#include <kivo/model/kivo_version.h>
#include <kivo/model/parsed_element.h>

#include <optional>
#include <vector>

namespace kivo {

class XMLNode;

class KIVOLayoutElementConstructor {
public:
    virtual ~KIVOLayoutElementConstructor() = default;

    // The version of the document being parsed; decides how version-dependent tags read.
    virtual std::optional<KIVOVersion> kivoVersion() const = 0;
    virtual void setKivoVersion(std::optional<KIVOVersion> version) = 0;

    // Every child node of `node` parsed by its tag, in document order; the first failure is thrown.
    virtual std::vector<ParsedKIVOElement> parseChildren(const XMLNode& node) = 0;
    // One node parsed by its tag.
    virtual ParsedKIVOElement parseElement(const XMLNode& node) = 0;
};

// Throws KIVOError::unsupportedElementTag(typeName, description(parsed)), placed at `child` in the markup:
// what a parent does with a child of a kind it does not accept.
[[noreturn]] void rejectChild(std::string_view typeName, const ParsedKIVOElement& parsed,
                              const XMLNode& child);

} // namespace kivo
