#include "kivo/model/element_parser.h"

#include <kivo/markup/xml_node.h>
#include <kivo/markup/xml_parser_helper.h>
#include <kivo/model/badge_element.h>
#include <kivo/model/body_elements.h>
#include <kivo/model/meta_elements.h>
#include <kivo/model/source_elements.h>

namespace kivo {

// --- ItemAttributesMap ----------------------------------------------------------------------------------

void ItemAttributesMap::registerAttributes(std::shared_ptr<const KIVOItemAttributes> attributes) {
    const KIVOItemID& id = attributes->itemID();
    auto [it, inserted] = map_.try_emplace(id, Entry{attributes, map_.size()});
    if (!inserted) {
        it->second.attributes = std::move(attributes);
    }
}

std::shared_ptr<const KIVOItemAttributes> ItemAttributesMap::find(const KIVOItemID& id) const {
    const auto it = map_.find(id);
    return it == map_.end() ? nullptr : it->second.attributes;
}

std::vector<KIVOItemID> ItemAttributesMap::registrationOrder() const {
    std::vector<const KIVOItemID*> slots(map_.size(), nullptr);
    for (const auto& [id, entry] : map_) {
        slots[entry.firstRegistration] = &id;
    }
    std::vector<KIVOItemID> order;
    order.reserve(slots.size());
    for (const KIVOItemID* id : slots) {
        order.push_back(*id);
    }
    return order;
}

// --- ElementParser --------------------------------------------------------------------------------------

namespace {

std::optional<KIVOAction> actionOf(const std::shared_ptr<ActionMetaElement>& action) {
    if (!action) {
        return std::nullopt;
    }
    return action->toKIVOAction();
}

void registerAreas(ItemAttributesMap& items, const std::vector<std::shared_ptr<AreaElement>>& areas) {
    for (const auto& area : areas) {
        items.registerAttributes(std::make_shared<KIVOItemAttributes>(
            area->id(), actionOf(area->action()), area->targetAnchorID(), area->payload()));
    }
}

template <class T>
ParsedKIVOElement makeUI(const XMLNode& node, KIVOLayoutElementConstructor& constructor) {
    return ParsedKIVOElement(UIElement(std::make_shared<T>(node, constructor)));
}

} // namespace

ParsedKIVOElement ElementParser::parseElement(const XMLNode& node) {
    ParsedKIVOElement parsed = dispatch(node);
    // Items are registered wherever their element stands, also when it is a single child read on its own
    // (the body's content, a collapsible layout's content), not only among a list of children. An
    // element's own items come after those nested in it, in document order.
    registerItems(parsed);
    return parsed;
}

ParsedKIVOElement ElementParser::dispatch(const XMLNode& node) {
    try {
        const std::string& tag = node.name();
        if (tag == "wayfinder") {
            return HeadElement(std::make_shared<WayfinderMetaElement>(node, *this));
        }
        if (tag == "styles") {
            return HeadElement(std::make_shared<StylesMetaElement>(node, *this));
        }
        if (tag == "linear-layout") {
            return makeUI<LinearLayoutElement>(node, *this);
        }
        if (tag == "flexbox") {
            return makeUI<FlexboxElement>(node, *this);
        }
        if (tag == "image") {
            return makeUI<ImageElement>(node, *this);
        }
        if (tag == "item-atom") {
            if (!version_) {
                throw Error(KIVOError::general("KIVOVersion was not set."));
            }
            return *version_ == KIVOVersion::v1 ? makeUI<ItemAtomElement>(node, *this)
                                                : makeUI<ItemAtomElementV2>(node, *this);
        }
        if (tag == "collapsible-layout") {
            return makeUI<CollapsibleLayoutElement>(node, *this);
        }
        if (tag == "flyer-source") {
            return SourceElement(std::make_shared<FlyerSourceElement>(node, *this));
        }
        if (tag == "url-source") {
            return SourceElement(std::make_shared<URLSource>(node, *this));
        }
        if (tag == "badge") {
            return std::make_shared<BadgeElement>(node, *this);
        }
        if (tag == "text") {
            return std::make_shared<TextMetaElement>(node, *this);
        }
        if (tag == "action") {
            return std::make_shared<ActionMetaElement>(node, *this);
        }
        if (tag == "beacon-meta") {
            return std::make_shared<BeaconMetaElement>(node, *this);
        }
        throw Error(KIVOError::unsupportedElementTag("parseElement(for:)", tag));
    } catch (Error& e) {
        e.setPositionIfUnknown(node.position());
        throw;
    }
}

std::vector<ParsedKIVOElement> ElementParser::parseChildren(const XMLNode& node) {
    std::vector<ParsedKIVOElement> result;
    result.reserve(node.children().size());
    for (const auto& child : node.children()) {
        result.push_back(parseElement(*child));
    }
    return result;
}

void ElementParser::registerItems(const ParsedKIVOElement& parsed) {
    const auto* ui = std::get_if<UIElement>(&parsed);
    if (ui == nullptr) {
        return;
    }
    if (const auto* image = std::get_if<std::shared_ptr<ImageElement>>(ui)) {
        for (const SourceElement& source : (*image)->sources()) {
            std::visit([&](const auto& s) { registerAreas(items_, s->areas()); }, source);
        }
    } else if (const auto* atom = std::get_if<std::shared_ptr<ItemAtomElement>>(ui)) {
        items_.registerAttributes(std::make_shared<KIVOItemAttributes>(
            (*atom)->id(), std::nullopt, (*atom)->targetAnchorID(), (*atom)->payload()));
    } else if (const auto* atomV2 = std::get_if<std::shared_ptr<ItemAtomElementV2>>(ui)) {
        items_.registerAttributes(
            std::make_shared<KIVOItemAttributes>((*atomV2)->id(), actionOf((*atomV2)->action()),
                                                 (*atomV2)->targetAnchorID(), (*atomV2)->payload()));
    }
}

// --- the parse of a load --------------------------------------------------------------------------------

ParsedDocument parseDocument(std::string_view bytes,
                             const std::function<void(const TitleReport&)>& onTitleReport) {
    ParsedDocument result;
    XMLParserHelper helper = XMLParserHelper::borrowing(bytes);
    if (auto error = helper.start()) {
        result.error = std::move(error);
        return result;
    }
    const XMLNode& root = *helper.documentNode();
    ElementParser parser;
    try {
        const KIVOVersion version = kivoVersion(root);
        result.version = version;
        parser.setKivoVersion(version);

        if (root.name() != "storefront") {
            throw Error(KIVOError::unsupportedElementTag("(root)", root.name()));
        }
        result.titleReport = KIVODocumentElement::preloadUserInfo(root);
        if (onTitleReport) {
            onTitleReport(*result.titleReport);
        }
        result.document = std::make_shared<KIVODocumentElement>(root, parser);
    } catch (Error& e) {
        e.setPositionIfUnknown(root.position());
        result.error = std::move(e);
        result.document.reset();
        result.itemIDAttributes = std::move(parser.itemIDAttributes());
        return result;
    }
    result.itemIDAttributes = std::move(parser.itemIDAttributes());

    for (const HeadElement& head : result.document->headElements()) {
        if (const auto* styles = std::get_if<std::shared_ptr<StylesMetaElement>>(&head)) {
            for (const auto& style : (*styles)->styles()) {
                result.styles[style->id()] = style;
            }
        }
    }
    for (const auto& [id, style] : result.styles) {
        if (style->textStyle().fontFamily) {
            result.fonts.push_back(*style->textStyle().fontFamily);
        }
    }
    return result;
}

} // namespace kivo
