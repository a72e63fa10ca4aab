#include "kivo/model/document_element.h"

#include <kivo/base/errors.h>
#include <kivo/markup/xml_node.h>
#include <kivo/model/base_ui_element.h>
#include <kivo/model/layout_element_constructor.h>

namespace kivo {

namespace {
constexpr std::string_view typeName = "KIVODocumentElement";
}

TitleReport KIVODocumentElement::preloadUserInfo(const XMLNode& documentNode) {
    TitleReport report;
    if (const std::string* title = documentNode.attributes().find("title")) {
        report[LayoutManagerUserInfoKey::documentTitle] = *title;
    }
    if (const std::string* subtitle = documentNode.attributes().find("subtitle")) {
        report[LayoutManagerUserInfoKey::documentSubtitle] = *subtitle;
    }
    return report;
}

KIVODocumentElement::KIVODocumentElement(const XMLNode& node, KIVOLayoutElementConstructor& constructor) {
    const std::string type(typeName);
    const TitleReport report = preloadUserInfo(node);
    const auto title = report.find(LayoutManagerUserInfoKey::documentTitle);
    if (title == report.end() || title->second.empty()) {
        throw Error(KIVOError::missingRequiredAttribute(type, "title"));
    }
    title_ = title->second;
    subtitle_ = node.parseOptionalAttribute<std::string>("subtitle");
    uuid_ = node.parseRequiredAttribute<std::string>("uuid");
    contentHash_ = node.parseOptionalAttribute<std::string>("content-hash");

    const auto& children = node.children();
    if (children.size() != 2) {
        throw Error(KIVOError::unsupportedNumberOfChildren(type, static_cast<std::int64_t>(children.size())));
    }
    const XMLNode& head = *children[0];
    if (head.name() != "head") {
        Error e(KIVOError::unsupportedElementTag(type, head.name()));
        e.setPositionIfUnknown(head.position());
        throw e;
    }
    // The head's children are all parsed before any is checked, so a body element placed in the head has
    // registered its items by the time the document is refused.
    const auto headChildren = constructor.parseChildren(head);
    for (std::size_t i = 0; i < headChildren.size(); ++i) {
        if (const auto* h = std::get_if<HeadElement>(&headChildren[i])) {
            headElements_.push_back(*h);
        } else {
            rejectChild(typeName, headChildren[i], *head.children()[i]);
        }
    }

    const XMLNode& body = *children[1];
    if (body.name() != "body") {
        Error e(KIVOError::unsupportedElementTag(type, body.name()));
        e.setPositionIfUnknown(body.position());
        throw e;
    }
    if (body.children().size() != 1) {
        Error e(KIVOError::unsupportedNumberOfChildren("(body)",
                                                       static_cast<std::int64_t>(body.children().size())));
        e.setPositionIfUnknown(body.position());
        throw e;
    }
    const ParsedKIVOElement parsed = constructor.parseElement(*body.children().front());
    if (const auto* ui = std::get_if<UIElement>(&parsed)) {
        content_ = *ui;
    } else {
        rejectChild(typeName, parsed, *body.children().front());
    }
}

std::string KIVODocumentElement::debugDescription() const {
    return "KIVODocumentElement(title: " + title_ + ", " + "subtitle: " + subtitle_.value_or("nil") + ", " +
           "uuid: " + uuid_ + ", " + "content: " + baseElement(content_)->debugDescription() + ")";
}

} // namespace kivo
