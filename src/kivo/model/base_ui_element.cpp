#include "kivo/model/base_ui_element.h"

#include <kivo/markup/xml_node.h>
#include <kivo/model/style_elements.h>
#include <ui/views/view.h>

#include <cmath>
#include <sstream>

namespace kivo {

BaseUIElement::BaseUIElement() = default;
BaseUIElement::~BaseUIElement() = default;

void BaseUIElement::initBase(const XMLNode& node, std::string_view typeName) {
    const std::string type(typeName);
    const AttributeMap& attributes = node.attributes();
    widthSpec_ = MeasureSpec::parse(attributes.find("width"), type, "width");
    heightSpec_ = MeasureSpec::parse(attributes.find("height"), type, "height");
    aspectRatio_ = node.parseOptionalAttribute<double>("aspect-ratio");
    v1Padding_ = node.parseOptionalAttribute<ui::EdgeInsets>("padding").value_or(ui::EdgeInsets{});
    v1Margin_ = node.parseOptionalAttribute<ui::EdgeInsets>("margin").value_or(ui::EdgeInsets{});
    backgroundColor_ = node.parseOptionalAttribute<ui::Color>("background-color");
    flexGrow_ = node.parseOptionalAttribute<std::int64_t>("flex-grow");
    anchorID_ = node.parseOptionalAttribute<std::int64_t>("anchor-id");
    styleID_ = node.parseOptionalAttribute<std::string>("style-id");
}

ui::EdgeInsets BaseUIElement::getMargin(std::optional<KIVOVersion> version,
                                        const StyleMetaElement* style) const {
    if (!version) {
        return {};
    }
    if (*version == KIVOVersion::v1) {
        return v1Margin_;
    }
    return style != nullptr && style->margin() ? *style->margin() : ui::EdgeInsets{};
}

ui::EdgeInsets BaseUIElement::getPadding(std::optional<KIVOVersion> version,
                                         const StyleMetaElement* style) const {
    if (!version) {
        return {};
    }
    if (*version == KIVOVersion::v1) {
        return v1Padding_;
    }
    return style != nullptr && style->padding() ? *style->padding() : ui::EdgeInsets{};
}

bool BaseUIElement::shouldWidthMatchParent(std::optional<KIVOVersion> version) const {
    const auto width = widthSpec_.numberValue();
    if (!width) {
        return widthSpec_.isMatchParent();
    }
    // Truncation toward zero; numbers that do not fit a 64-bit integer have no truncated value and never
    // match the parent.
    if (!std::isfinite(*width) || std::fabs(*width) >= 9223372036854775808.0) {
        return false;
    }
    if (static_cast<std::int64_t>(*width) != 0) {
        return false;
    }
    return version == KIVOVersion::v2 && flexGrow_.has_value();
}

std::string BaseUIElement::baseDebugDescription() const {
    std::ostringstream out;
    out << "BaseUIElement(widthSpec: " << widthSpec_.kivoRepresentation()
        << ", heightSpec: " << heightSpec_.kivoRepresentation() << ", aspectRatio: ";
    if (aspectRatio_) {
        out << "Optional(" << *aspectRatio_ << ")";
    } else {
        out << "nil";
    }
    out << ", backgroundColor: ";
    if (backgroundColor_) {
        out << "rgba(" << backgroundColor_->r() << ", " << backgroundColor_->g() << ", "
            << backgroundColor_->b() << ", " << backgroundColor_->a() << ")";
    } else {
        out << "nil";
    }
    out << ")";
    return out.str();
}

} // namespace kivo
