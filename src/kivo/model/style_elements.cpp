#include "kivo/model/style_elements.h"

#include <kivo/markup/xml_node.h>
#include <kivo/model/layout_element_constructor.h>

namespace kivo {

using Edge = StyleMetaElement::BorderStyle::Edge;

StyleMetaElement::StyleMetaElement(const XMLNode& node, KIVOLayoutElementConstructor&) {
    id_ = node.parseRequiredAttribute<std::string>("id");
    margin_ = node.parseOptionalAttribute<ui::EdgeInsets>("margin");
    backgroundStyle_.backgroundURL = node.parseOptionalAttribute<ui::URL>("background-url");
    backgroundStyle_.backgroundColor = node.parseOptionalAttribute<ui::Color>("background-color");

    const auto show = [&](std::string_view key, Edge edge) {
        const std::string* text = node.attributes().find(key);
        if (text != nullptr && *text == "true") {
            borderEdges_.insert(edge);
        }
    };
    show("border-top-show", Edge::top);
    show("border-right-show", Edge::right);
    show("border-bottom-show", Edge::bottom);
    show("border-left-show", Edge::left);

    if (const std::string* text = node.attributes().find("border-style")) {
        using Type = BorderStyle::BorderStyleType;
        if (*text == "solid") {
            borderStyle_.style = Type::solid;
        } else if (*text == "dotted") {
            borderStyle_.style = Type::dotted;
        } else if (*text == "dashed") {
            borderStyle_.style = Type::dashed;
        }
    }
    borderStyle_.color = node.parseOptionalAttribute<ui::Color>("border-color");
    borderStyle_.width = node.parseOptionalAttribute<std::int64_t>("border-width");

    // Borders are drawn inside the padding box, so a bordered edge's padding grows by the border width.
    ui::EdgeInsets padding =
        node.parseOptionalAttribute<ui::EdgeInsets>("padding").value_or(ui::EdgeInsets{});
    if (borderStyle_.width) {
        const auto w = static_cast<double>(*borderStyle_.width);
        for (const Edge edge : borderEdges_) {
            switch (edge) {
            case Edge::top:
                padding.top += w;
                break;
            case Edge::left:
                padding.left += w;
                break;
            case Edge::bottom:
                padding.bottom += w;
                break;
            case Edge::right:
                padding.right += w;
                break;
            }
        }
    }
    padding_ = padding;

    textStyle_.fontFamily = node.parseOptionalAttribute<ui::URL>("font-family");
    if (const std::string* text = node.attributes().find("font-weight")) {
        if (*text == "normal") {
            textStyle_.fontWeight = TextStyle::FontWeight::normal;
        } else if (*text == "bold") {
            textStyle_.fontWeight = TextStyle::FontWeight::bold;
        }
    }
    textStyle_.fontColor = node.parseOptionalAttribute<ui::Color>("font-color");
    textStyle_.fontSize = node.parseOptionalAttribute<std::int64_t>("font-size");
}

std::string_view rawValue(StyleMetaElement::TextStyle::FontWeight weight) {
    return weight == StyleMetaElement::TextStyle::FontWeight::bold ? "bold" : "normal";
}

std::string_view rawValue(StyleMetaElement::BorderStyle::BorderStyleType type) {
    using Type = StyleMetaElement::BorderStyle::BorderStyleType;
    switch (type) {
    case Type::solid:
        return "solid";
    case Type::dotted:
        return "dotted";
    case Type::dashed:
        return "dashed";
    }
    return "solid";
}

StylesMetaElement::StylesMetaElement(const XMLNode& node, KIVOLayoutElementConstructor& constructor) {
    styles_.reserve(node.children().size());
    for (const auto& child : node.children()) {
        try {
            styles_.push_back(std::make_shared<StyleMetaElement>(*child, constructor));
        } catch (Error& e) {
            e.setPositionIfUnknown(child->position());
            throw;
        }
    }
}

TextMetaElement::TextMetaElement(const XMLNode& node, KIVOLayoutElementConstructor&) {
    value_ = node.parseRequiredAttribute<std::string>("value");
    maxLines_ = node.parseOptionalAttribute<std::int64_t>("max-lines").value_or(1);
    styleID_ = node.parseOptionalAttribute<std::string>("style-id");
}

} // namespace kivo
