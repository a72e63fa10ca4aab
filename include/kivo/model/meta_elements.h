#pragma once

// Small leaf elements: actions and beacon metadata of items, and the wayfinder's category index.

#include <kivo/base/item_id.h>
#include <ui/foundation/url.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kivo {

class XMLNode;
class KIVOLayoutElementConstructor;

// What a tap on an item does. "type" must be exactly "link" or "none", otherwise construction throws
// KIVOError::missingRequiredAttribute(node name, "type"); "ttm-url" is optional.
class ActionMetaElement {
public:
    ActionMetaElement(const XMLNode& node, KIVOLayoutElementConstructor& constructor);

    KIVOActionType type() const { return type_; }
    const std::optional<ui::URL>& ttmURL() const { return ttmURL_; }
    KIVOAction toKIVOAction() const { return KIVOAction(type_, ttmURL_); }
    std::string debugDescription() const;

private:
    KIVOActionType type_ = KIVOActionType::none;
    std::optional<ui::URL> ttmURL_;
};

// Free-form metadata: every attribute of the element, as written.
class BeaconMetaElement {
public:
    using Metadata = std::map<std::string, std::string>;

    BeaconMetaElement(const XMLNode& node, KIVOLayoutElementConstructor& constructor);

    const Metadata& metadata() const { return metadata_; }
    void setMetadata(Metadata metadata) { metadata_ = std::move(metadata); }
    std::string debugDescription() const;

private:
    Metadata metadata_;
};

// One entry of the wayfinder: a section name and the anchor it jumps to. Both attributes are required.
class CategoryMetaElement {
public:
    CategoryMetaElement(const XMLNode& node, KIVOLayoutElementConstructor& constructor);

    const std::string& name() const { return name_; }
    std::int64_t toAnchorID() const { return toAnchorID_; }
    // "(name: Dairy, toAnchorID: 3)".
    std::string debugDescription() const;

private:
    std::string name_;
    std::int64_t toAnchorID_ = 0;
};

// The category index of the document; every child, whatever its tag, is a category.
class WayfinderMetaElement {
public:
    WayfinderMetaElement(const XMLNode& node, KIVOLayoutElementConstructor& constructor);

    const std::vector<std::shared_ptr<CategoryMetaElement>>& categories() const { return categories_; }
    std::string debugDescription() const;

private:
    std::vector<std::shared_ptr<CategoryMetaElement>> categories_;
};

} // namespace kivo
