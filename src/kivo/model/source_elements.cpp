#include "kivo/model/source_elements.h"

#include "kivo/markup/markup_text.h"

#include <kivo/base/errors.h>
#include <kivo/markup/xml_node.h>
#include <kivo/model/layout_element_constructor.h>
#include <kivo/model/meta_elements.h>

#include <sstream>

namespace kivo {

namespace {

std::string describe(const ui::Rect& r) {
    std::ostringstream out;
    out << "(" << r.origin.x << ", " << r.origin.y << ", " << r.size.width << ", " << r.size.height << ")";
    return out.str();
}

template <class Areas>
std::string describeAreas(const Areas& areas) {
    std::string out = "[";
    for (std::size_t i = 0; i < areas.size(); ++i) {
        out += (i == 0 ? "" : ", ") + areas[i]->debugDescription();
    }
    return out + "]";
}

} // namespace

ui::Rect fromZemlaRect(const ui::Rect& written) {
    const double a = written.origin.x;
    const double b = written.origin.y;
    const double c = written.size.width;
    const double d = written.size.height;
    return ui::Rect(a, -b, c - a, b - d);
}

// --- AreaElement ----------------------------------------------------------------------------------------

AreaElement::AreaElement(const XMLNode& node, KIVOLayoutElementConstructor& constructor,
                         bool shouldConvertZemlaRect)
    : id_([&] {
          auto id = node.parseV2ID();
          if (!id) {
              id = node.parseV1ID();
          }
          if (!id) {
              throw Error(KIVOError::missingRequiredAttribute("AreaElement", "KIVOItemID"));
          }
          return std::move(*id);
      }()) {
    href_ = node.parseRequiredAttribute<std::string>("href");
    label_ = node.parseOptionalAttribute<std::string>("label");
    const ui::Rect rect = node.parseRequiredAttribute<ui::Rect>("rect");
    rect_ = shouldConvertZemlaRect ? fromZemlaRect(rect) : rect;
    anchorID_ = node.parseOptionalAttribute<std::int64_t>("anchor-id");
    targetAnchorID_ = node.parseOptionalAttribute<std::int64_t>("target-anchor-id");
    payload_ = node.payloadAttributes();

    const auto children = constructor.parseChildren(node);
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (const auto* action = std::get_if<std::shared_ptr<ActionMetaElement>>(&children[i])) {
            action_ = *action;
        } else {
            rejectChild("AreaElement", children[i], *node.children()[i]);
        }
    }
}

std::string AreaElement::debugDescription() const {
    std::string out =
        "AreaElement(id: " + id_.description() + ", href: " + href_ + ", rect: " + describe(rect_);
    if (label_) {
        out += ", label: " + *label_;
    }
    return out + ")";
}

// --- sources --------------------------------------------------------------------------------------------

void BaseSourceElement::readSize(const XMLNode& node) {
    width_ = node.parseRequiredAttribute<double>("width");
    height_ = node.parseRequiredAttribute<double>("height");
}

std::string BaseSourceElement::debugDescription() const {
    std::ostringstream out;
    out << "BaseSourceElement(width: " << width_ << ", height: " << height_ << ")";
    return out.str();
}

FlyerSourceElement::FlyerSourceElement(const XMLNode& node, KIVOLayoutElementConstructor& constructor) {
    path_ = node.parseRequiredAttribute<std::string>("path");

    const std::string* resolutions = node.attributes().find("resolutions");
    const auto resolutionsError = [] {
        return Error(KIVOError::missingRequiredAttribute("FlyerSourceElement", "resolutions"));
    };
    if (resolutions == nullptr) {
        throw resolutionsError();
    }
    for (const std::string_view piece :
         markup::splitAtBlanks(markup::trimWhitespaceAndNewlines(*resolutions))) {
        const auto number = piece.empty() ? std::nullopt : markup::parseEnUSNumber(piece);
        if (!number) {
            throw resolutionsError();
        }
        resolutions_.push_back(*number);
    }

    rect_ = fromZemlaRect(node.parseRequiredAttribute<ui::Rect>("rect"));
    areas_.reserve(node.children().size());
    for (const auto& child : node.children()) {
        try {
            areas_.push_back(std::make_shared<AreaElement>(*child, constructor, true));
        } catch (Error& e) {
            e.setPositionIfUnknown(child->position());
            throw;
        }
    }
    readSize(node);
}

std::string FlyerSourceElement::debugDescription() const {
    std::ostringstream out;
    out << "FlyerSourceElement(" << BaseSourceElement::debugDescription() << ", path: " << path_
        << ", resolutions: [";
    for (std::size_t i = 0; i < resolutions_.size(); ++i) {
        out << (i == 0 ? "" : ", ") << resolutions_[i];
    }
    out << "], rect: " << describe(rect_) << ", areas: " << describeAreas(areas_) << ")";
    return out.str();
}

URLSource::URLSource(const XMLNode& node, KIVOLayoutElementConstructor& constructor) {
    url_ = node.parseRequiredAttribute<ui::URL>("url");
    areas_.reserve(node.children().size());
    for (const auto& child : node.children()) {
        try {
            areas_.push_back(std::make_shared<AreaElement>(*child, constructor, false));
        } catch (Error& e) {
            e.setPositionIfUnknown(child->position());
            throw;
        }
    }
    readSize(node);
}

std::string URLSource::debugDescription() const {
    return "URLSource(" + BaseSourceElement::debugDescription() + ", url: " + url_->string() + ")";
}

} // namespace kivo
