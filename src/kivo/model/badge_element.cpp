#include "kivo/model/badge_element.h"

#include <kivo/markup/xml_node.h>
#include <kivo/model/layout_element_constructor.h>

namespace kivo {

BadgeElement::AnchorPosition BadgeElement::anchorPosition(const std::string* attribute) {
    if (attribute != nullptr) {
        if (*attribute == "center") {
            return AnchorPosition::center;
        }
        if (*attribute == "end") {
            return AnchorPosition::end;
        }
    }
    return AnchorPosition::start;
}

std::optional<BadgeElement::BadgeApplication> BadgeElement::badgeApplication(const std::string* attribute) {
    if (attribute != nullptr) {
        if (*attribute == "image") {
            return BadgeApplication::image;
        }
        if (*attribute == "text") {
            return BadgeApplication::text;
        }
    }
    return std::nullopt;
}

BadgeElement::BadgeElement(const XMLNode& node, KIVOLayoutElementConstructor&) {
    url_ = node.parseRequiredAttribute<ui::URL>("url");
    width_ = node.parseRequiredAttribute<double>("width");
    height_ = node.parseRequiredAttribute<double>("height");
    hPos_ = node.parseRequiredAttribute<double>("h-pos");
    vPos_ = node.parseRequiredAttribute<double>("v-pos");
    x_ = anchorPosition(node.attributes().find("x"));
    y_ = anchorPosition(node.attributes().find("y"));
    badgeApplication_ = badgeApplication(node.attributes().find("badge-application"));
}

std::string_view rawValue(BadgeElement::AnchorPosition position) {
    switch (position) {
    case BadgeElement::AnchorPosition::start:
        return "start";
    case BadgeElement::AnchorPosition::center:
        return "center";
    case BadgeElement::AnchorPosition::end:
        return "end";
    }
    return "start";
}

std::string_view rawValue(BadgeElement::BadgeApplication application) {
    return application == BadgeElement::BadgeApplication::image ? "image" : "text";
}

} // namespace kivo
