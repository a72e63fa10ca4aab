#include "kivo/model/parsed_element.h"

#include <kivo/markup/xml_node.h>
#include <kivo/model/body_elements.h>
#include <kivo/model/layout_element_constructor.h>

namespace kivo {

std::shared_ptr<BaseUIElement> baseElement(const UIElement& element) {
    return std::visit([](const auto& e) -> std::shared_ptr<BaseUIElement> { return e; }, element);
}

std::string_view description(const ParsedKIVOElement& element) {
    static constexpr std::string_view names[] = {"UIElement",        "HeadElement", "SourceElement",
                                                 "BadgeElement",     "TextElement", "ActionElement",
                                                 "BeaconMetaElement"};
    return names[element.index()];
}

void rejectChild(std::string_view typeName, const ParsedKIVOElement& parsed, const XMLNode& child) {
    Error error(KIVOError::unsupportedElementTag(std::string(typeName), std::string(description(parsed))));
    error.setPositionIfUnknown(child.position());
    throw error;
}

} // namespace kivo
