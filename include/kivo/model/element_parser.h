#pragma once

// The tag dispatch: turns markup nodes into typed elements, and registers the attributes of every item it
// meets on the way. One parser serves one document.

#include <kivo/base/errors.h>
#include <kivo/base/item_id.h>
#include <kivo/model/document_element.h>
#include <kivo/model/layout_element_constructor.h>
#include <kivo/model/style_elements.h>
#include <ui/foundation/url.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kivo {

// Item attributes by item ID. A later registration of an equal ID replaces the attributes but keeps the
// ID's place in the registration order.
class ItemAttributesMap {
public:
    void registerAttributes(std::shared_ptr<const KIVOItemAttributes> attributes);
    // The attributes registered for `id`, or null.
    std::shared_ptr<const KIVOItemAttributes> find(const KIVOItemID& id) const;
    std::size_t size() const { return map_.size(); }
    bool empty() const { return map_.empty(); }
    void clear() { map_.clear(); }
    // The IDs in the order they were first registered.
    std::vector<KIVOItemID> registrationOrder() const;

private:
    struct Entry {
        std::shared_ptr<const KIVOItemAttributes> attributes;
        std::size_t firstRegistration;
    };
    std::unordered_map<KIVOItemID, Entry> map_;
};

class ElementParser : public KIVOLayoutElementConstructor {
public:
    std::optional<KIVOVersion> kivoVersion() const override { return version_; }
    void setKivoVersion(std::optional<KIVOVersion> version) override { version_ = version; }

    // Dispatches on the node's tag (exact and case-sensitive): wayfinder, styles, linear-layout, flexbox,
    // image, item-atom (by version), collapsible-layout, flyer-source, url-source, badge, text, action,
    // beacon-meta. Other tags throw KIVOError::unsupportedElementTag("parseElement(for:)", tag); item-atom
    // without a version throws KIVOError::general("KIVOVersion was not set."). Errors carry the position
    // of the element they came from.
    ParsedKIVOElement parseElement(const XMLNode& node) override;
    // Parses every child in order. Every image and item atom parsed, at any depth and by either operation,
    // has its items registered.
    std::vector<ParsedKIVOElement> parseChildren(const XMLNode& node) override;

    const ItemAttributesMap& itemIDAttributes() const { return items_; }
    ItemAttributesMap& itemIDAttributes() { return items_; }

private:
    ParsedKIVOElement dispatch(const XMLNode& node);
    void registerItems(const ParsedKIVOElement& parsed);

    std::optional<KIVOVersion> version_;
    ItemAttributesMap items_;
};

// Styles by ID; a later style with the same ID replaces the earlier one.
using StylesMap = std::map<std::string, std::shared_ptr<StyleMetaElement>>;

// Everything the background part of a load learns from the markup bytes.
struct ParsedDocument {
    // What the title callback is given; unset when the load stops before the title is reported (bytes that
    // are not XML, an unsupported version, a root that is not "storefront").
    std::optional<TitleReport> titleReport;
    std::optional<KIVOVersion> version;
    std::shared_ptr<KIVODocumentElement> document;
    ItemAttributesMap itemIDAttributes;
    // The styles of this document.
    StylesMap styles;
    // The font files the styles name, in the order of `styles` (a URL named twice appears twice).
    std::vector<ui::URL> fonts;
    // Set when the document is refused; `document` is then null.
    std::optional<Error> error;
};

// Parses markup bytes as a load does, on the calling thread: XML, version, root check, title report,
// document, styles and the font list. `onTitleReport`, when given, is called with the title report as soon
// as the root has been checked, before the document is built.
ParsedDocument parseDocument(std::string_view bytes,
                             const std::function<void(const TitleReport&)>& onTitleReport = nullptr);

} // namespace kivo
