#include "kivo/model/body_elements.h"

#include <kivo/base/errors.h>
#include <kivo/markup/xml_node.h>
#include <kivo/model/badge_element.h>
#include <kivo/model/layout_element_constructor.h>
#include <kivo/model/meta_elements.h>
#include <kivo/model/source_elements.h>
#include <kivo/model/style_elements.h>

namespace kivo {

namespace {

std::string describeContent(const std::vector<UIElement>& content) {
    std::string out = "[";
    for (std::size_t i = 0; i < content.size(); ++i) {
        out += (i == 0 ? "" : ", ") + baseElement(content[i])->debugDescription();
    }
    return out + "]";
}

// Parses the single child node of `node` as a body element; anything else is rejected.
std::vector<ParsedKIVOElement> requireOneChild(const XMLNode& node, std::string_view typeName,
                                               KIVOLayoutElementConstructor& constructor) {
    if (node.children().size() != 1) {
        throw Error(KIVOError::unsupportedNumberOfChildren(
            std::string(typeName), static_cast<std::int64_t>(node.children().size())));
    }
    std::vector<ParsedKIVOElement> parsed;
    parsed.push_back(constructor.parseElement(*node.children().front()));
    return parsed;
}

} // namespace

// --- linear layout and flexbox --------------------------------------------------------------------------

LinearLayoutElement::LinearLayoutElement(const XMLNode& node, KIVOLayoutElementConstructor& constructor)
    : LinearLayoutElement(node, constructor, "LinearLayoutElement") {}

LinearLayoutElement::LinearLayoutElement(const XMLNode& node, KIVOLayoutElementConstructor& constructor,
                                         std::string_view typeName) {
    if (const std::string* text = node.attributes().find("orientation")) {
        if (*text == "horizontal") {
            orientation_ = Orientation::horizontal;
        } else if (*text != "vertical") {
            throw Error(KIVOError::unsupportedOrientation(std::string(typeName), *text));
        }
    }
    const auto children = constructor.parseChildren(node);
    content_.reserve(children.size());
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (const auto* ui = std::get_if<UIElement>(&children[i])) {
            content_.push_back(*ui);
        } else if (const auto* badge = std::get_if<std::shared_ptr<BadgeElement>>(&children[i])) {
            badges_.push_back(*badge);
        } else {
            rejectChild(typeName, children[i], *node.children()[i]);
        }
    }
    initBase(node, typeName);
}

std::string LinearLayoutElement::debugDescription() const {
    return std::string(typeName()) + "(" + baseDebugDescription() +
           ", orientation: " + (orientation_ == Orientation::horizontal ? "horizontal" : "vertical") +
           ", content: " + describeContent(content_) + ")";
}

FlexboxElement::FlexboxElement(const XMLNode& node, KIVOLayoutElementConstructor& constructor)
    : LinearLayoutElement(node, constructor, "FlexboxElement") {}

// --- collapsible layout ---------------------------------------------------------------------------------

std::string_view rawValue(CollapsibleLayoutType type) {
    return type == CollapsibleLayoutType::replace ? "replace" : "expose";
}

CollapsibleLayoutElement::CollapsibleLayoutElement(const XMLNode& node,
                                                   KIVOLayoutElementConstructor& constructor) {
    const std::string_view type = "CollapsibleLayoutElement";
    if (const std::string* text = node.attributes().find("collapse-type")) {
        if (*text == "replace") {
            layoutType_ = CollapsibleLayoutType::replace;
        }
    }
    const std::string* title = node.attributes().find("title");
    if (title == nullptr || title->empty()) {
        throw Error(KIVOError::missingRequiredAttribute(std::string(type), "title"));
    }
    title_ = *title;
    exposedTitle_ = node.parseOptionalAttribute<std::string>("exposed-title");
    iconAssetName_ = node.parseOptionalAttribute<std::string>("icon");
    iconURL_ = node.parseOptionalAttribute<ui::URL>("icon-url");

    const auto parsed = requireOneChild(node, type, constructor);
    if (const auto* ui = std::get_if<UIElement>(&parsed.front())) {
        content_ = *ui;
    } else {
        rejectChild(type, parsed.front(), *node.children().front());
    }
    initBase(node);
}

std::string CollapsibleLayoutElement::debugDescription() const {
    return "CollapsibleLayoutElement(" + baseDebugDescription() +
           ", layoutType: " + std::string(rawValue(layoutType_)) + ", title: " + title_ +
           ", exposedTitle: " + exposedTitle_.value_or("nil") +
           ", content: " + baseElement(content_)->debugDescription() + ")";
}

// --- image ----------------------------------------------------------------------------------------------

ImageElement::ImageElement(const XMLNode& node, KIVOLayoutElementConstructor& constructor) {
    if (node.children().empty()) {
        throw Error(KIVOError::unsupportedNumberOfChildren("ImageElement", 0));
    }
    const auto children = constructor.parseChildren(node);
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (const auto* source = std::get_if<SourceElement>(&children[i])) {
            sources_.push_back(*source);
        } else if (const auto* badge = std::get_if<std::shared_ptr<BadgeElement>>(&children[i])) {
            badges_.push_back(*badge);
        } else {
            rejectChild("ImageElement", children[i], *node.children()[i]);
        }
    }
    initBase(node);
}

std::string ImageElement::debugDescription() const {
    std::string out = "ImageElement(" + baseDebugDescription() + ", sources: [";
    for (std::size_t i = 0; i < sources_.size(); ++i) {
        out += (i == 0 ? "" : ", ");
        out += std::visit([](const auto& s) { return s->debugDescription(); }, sources_[i]);
    }
    return out + "])";
}

ui::Point ImageElement::contentSpacePoint(ui::Point viewPoint, const ui::Rect& contentSlice,
                                          double horizontalScalingFactor, double verticalScalingFactor) {
    return {viewPoint.x / horizontalScalingFactor + contentSlice.origin.x,
            viewPoint.y / verticalScalingFactor + contentSlice.origin.y};
}

ui::Rect ImageElement::viewRect(const ui::Rect& r, const ui::Rect& contentSlice,
                                double horizontalScalingFactor, double verticalScalingFactor) {
    return {(r.origin.x - contentSlice.origin.x) * horizontalScalingFactor,
            (r.origin.y - contentSlice.origin.y) * verticalScalingFactor,
            r.size.width * horizontalScalingFactor, r.size.height * verticalScalingFactor};
}

// Only flyer views have a content space, and this version of the framework builds none.
std::optional<ui::Point> ImageElement::contentSpacePoint(ui::Point /*viewPoint*/) const {
    return std::nullopt;
}

std::optional<ui::Rect> ImageElement::viewRect(const ui::Rect& /*contentSpaceRect*/) const {
    return std::nullopt;
}

// --- item atoms -----------------------------------------------------------------------------------------

ItemAtomElement::ItemAtomElement(const XMLNode& node, KIVOLayoutElementConstructor& constructor) {
    const std::string_view type = "ItemAtomElement";
    id_ = node.parseV1ID();
    if (!id_) {
        throw Error(KIVOError::missingRequiredAttribute(std::string(type), "KIVOItemID"));
    }
    name_ = node.parseOptionalAttribute<std::string>("name");
    salesStory_ = node.parseOptionalAttribute<std::string>("sales-story");
    targetAnchorID_ = node.parseOptionalAttribute<std::int64_t>("target-anchor-id");
    prePriceString_ = node.parseOptionalAttribute<std::string>("pre-price");
    priceString_ = node.parseOptionalAttribute<std::string>("price");
    postPriceString_ = node.parseOptionalAttribute<std::string>("post-price");
    originalPriceString_ = node.parseOptionalAttribute<std::string>("original-price");

    const auto parsed = requireOneChild(node, type, constructor);
    const auto* source = std::get_if<SourceElement>(&parsed.front());
    const auto* url = source != nullptr ? std::get_if<std::shared_ptr<URLSource>>(source) : nullptr;
    if (url == nullptr) {
        rejectChild(type, parsed.front(), *node.children().front());
    }
    urlSource_ = *url;
    payload_ = node.payloadAttributes();
    initBase(node);
}

std::string ItemAtomElement::debugDescription() const {
    return "ItemAtomElement(" + baseDebugDescription() + ", id: " + id_->description() +
           ", name: " + name_.value_or("nil") + ", urlSource: " + urlSource_->debugDescription() + ")";
}

std::string_view rawValue(ItemAtomElementV2::ImagePosition position) {
    switch (position) {
    case ItemAtomElementV2::ImagePosition::top:
        return "image-top";
    case ItemAtomElementV2::ImagePosition::left:
        return "image-left";
    case ItemAtomElementV2::ImagePosition::right:
        return "image-right";
    }
    return "image-top";
}

ItemAtomElementV2::ItemAtomElementV2(const XMLNode& node, KIVOLayoutElementConstructor& constructor) {
    const std::string_view type = "ItemAtomElementV2";
    id_ = node.parseV2ID();
    if (!id_) {
        throw Error(KIVOError::missingRequiredAttribute(std::string(type), "KIVOItemID"));
    }
    targetAnchorID_ = node.parseOptionalAttribute<std::int64_t>("target-anchor-id");

    const auto children = constructor.parseChildren(node);
    for (std::size_t i = 0; i < children.size(); ++i) {
        const ParsedKIVOElement& child = children[i];
        if (const auto* badge = std::get_if<std::shared_ptr<BadgeElement>>(&child)) {
            badges_.push_back(*badge);
        } else if (const auto* text = std::get_if<std::shared_ptr<TextMetaElement>>(&child)) {
            textElements_.push_back(*text);
        } else if (const auto* action = std::get_if<std::shared_ptr<ActionMetaElement>>(&child)) {
            action_ = *action;
        } else if (const auto* beacon = std::get_if<std::shared_ptr<BeaconMetaElement>>(&child)) {
            payload_ = (*beacon)->metadata();
        } else {
            rejectChild(type, child, *node.children()[i]);
        }
    }

    imageURL_ = node.parseOptionalAttribute<ui::URL>("image-url");
    if (const std::string* position = node.attributes().find("image-position")) {
        if (*position == "image-left") {
            imagePosition_ = ImagePosition::left;
        } else if (*position == "image-right") {
            imagePosition_ = ImagePosition::right;
        }
    }
    initBase(node);
}

std::string ItemAtomElementV2::debugDescription() const {
    return "ItemAtomElementV2(" + baseDebugDescription() + ", id: " + id_->description() +
           ", imagePosition: " + std::string(rawValue(imagePosition_)) +
           ", imageURL: " + (imageURL_ ? imageURL_->string() : std::string("nil")) +
           ", textElements: " + std::to_string(textElements_.size()) + ")";
}

} // namespace kivo
