#include "kivo/model/meta_elements.h"

#include <kivo/base/errors.h>
#include <kivo/markup/xml_node.h>
#include <kivo/model/layout_element_constructor.h>

namespace kivo {

ActionMetaElement::ActionMetaElement(const XMLNode& node, KIVOLayoutElementConstructor&) {
    const std::string* text = node.attributes().find("type");
    const auto type = text != nullptr ? kivoActionTypeFromString(*text) : std::nullopt;
    if (!type) {
        throw Error(KIVOError::missingRequiredAttribute(node.name(), "type"));
    }
    type_ = *type;
    ttmURL_ = node.parseOptionalAttribute<ui::URL>("ttm-url");
}

std::string ActionMetaElement::debugDescription() const {
    return "ActionMetaElement(type: " + std::string(toString(type_)) +
           ", ttmURL: " + (ttmURL_ ? ttmURL_->string() : std::string("nil")) + ")";
}

BeaconMetaElement::BeaconMetaElement(const XMLNode& node, KIVOLayoutElementConstructor&) {
    for (const auto& [key, value] : node.attributes()) {
        metadata_[key] = value;
    }
}

std::string BeaconMetaElement::debugDescription() const {
    std::string out = "BeaconMetaElement(metadata: [";
    bool first = true;
    for (const auto& [k, v] : metadata_) {
        out += (first ? "" : ", ") + ('"' + k + "\": \"" + v + '"');
        first = false;
    }
    return out + "])";
}

CategoryMetaElement::CategoryMetaElement(const XMLNode& node, KIVOLayoutElementConstructor&) {
    name_ = node.parseRequiredAttribute<std::string>("name");
    toAnchorID_ = node.parseRequiredAttribute<std::int64_t>("anchor-id");
}

std::string CategoryMetaElement::debugDescription() const {
    return "(name: " + name_ + ", toAnchorID: " + std::to_string(toAnchorID_) + ")";
}

WayfinderMetaElement::WayfinderMetaElement(const XMLNode& node, KIVOLayoutElementConstructor& constructor) {
    categories_.reserve(node.children().size());
    for (const auto& child : node.children()) {
        try {
            categories_.push_back(std::make_shared<CategoryMetaElement>(*child, constructor));
        } catch (Error& e) {
            e.setPositionIfUnknown(child->position());
            throw;
        }
    }
}

std::string WayfinderMetaElement::debugDescription() const {
    std::string out = "(categories: [";
    for (std::size_t i = 0; i < categories_.size(); ++i) {
        out += (i == 0 ? "" : ", ") + categories_[i]->debugDescription();
    }
    return out + "])";
}

} // namespace kivo
