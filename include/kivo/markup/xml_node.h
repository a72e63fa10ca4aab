#pragma once

// The markup as a tree of nodes, one per element, with typed readers for attribute values.

#include <kivo/base/errors.h>
#include <kivo/base/item_id.h>
#include <ui/foundation/color.h>
#include <ui/foundation/geometry.h>
#include <ui/foundation/url.h>

#include <array>
#include <concepts>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kivo {

// An element's attributes: names to values, each name at most once, order not significant. Elements
// carry a handful of attributes, so a flat list searched in order beats any tree or hash table here.
class AttributeMap {
public:
    using value_type = std::pair<std::string, std::string>;
    using const_iterator = std::vector<value_type>::const_iterator;

    AttributeMap() = default;
    AttributeMap(std::initializer_list<value_type> entries);

    // The value for `key` (exact, case-sensitive), or null.
    const std::string* find(std::string_view key) const;
    bool contains(std::string_view key) const { return find(key) != nullptr; }
    // Sets `key` to `value`, replacing an earlier value.
    void set(std::string key, std::string value);
    void reserve(std::size_t n) { entries_.reserve(n); }
    // Appends an entry whose name the caller knows is not present yet.
    void appendUnique(std::string key, std::string value) {
        entries_.emplace_back(std::move(key), std::move(value));
    }

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const_iterator begin() const { return entries_.begin(); }
    const_iterator end() const { return entries_.end(); }

    // Equal when both hold the same names with the same values, in any order.
    bool operator==(const AttributeMap& other) const;

private:
    std::vector<value_type> entries_;
};

// The value types an attribute can be read as.
template <class T>
concept XMLNodeParseable = std::same_as<T, std::string> || std::same_as<T, std::int64_t> ||
    std::same_as<T, double> || std::same_as<T, ui::Rect> || std::same_as<T, ui::EdgeInsets> ||
    std::same_as<T, ui::URL> || std::same_as<T, ui::Color> || std::same_as<T, bool>;

class XMLNode {
public:
    XMLNode(std::string name, AttributeMap attributes, std::optional<std::string> value,
            const std::shared_ptr<XMLNode>& parent);

    XMLNode(const XMLNode&) = delete;
    XMLNode& operator=(const XMLNode&) = delete;

    // The tag exactly as written (a namespace prefix stays part of it).
    const std::string& name() const { return name_; }
    const AttributeMap& attributes() const { return attributes_; }
    // The element's text: the last non-blank run of character data directly inside it, trimmed.
    const std::optional<std::string>& value() const { return value_; }
    void setValue(std::optional<std::string> value) { value_ = std::move(value); }
    // The enclosing node; does not keep it alive.
    std::shared_ptr<XMLNode> parent() const { return parent_.lock(); }
    const std::vector<std::shared_ptr<XMLNode>>& children() const { return children_; }
    // Appends a child; the child's parent is left as it was made.
    void addChild(std::shared_ptr<XMLNode> node) { children_.push_back(std::move(node)); }

    // Where the element's start tag begins in the markup (line from 1, column from 0); zero when the node
    // was not made by the parser.
    SourcePosition position() const { return position_; }
    void setPosition(SourcePosition position) { position_ = position; }

    // The attribute `key` read as T, or nullopt when it is absent or does not read as T:
    //   std::string   the text unchanged
    //   std::int64_t  optional sign and decimal digits only, within 64 bits
    //   double        a whole C-locale decimal number, finite; no blanks
    //   ui::Rect      four numbers "x y width height"
    //   ui::EdgeInsets four numbers "left top right bottom"
    //   ui::URL       a URI reference
    //   ui::Color     hex colour text
    //   bool          exactly "true" or "false"
    template <XMLNodeParseable T>
    std::optional<T> parseOptionalAttribute(std::string_view key) const;

    // The same, but an absent or unreadable value throws KIVOError::missingRequiredAttribute with this
    // node's name and the key.
    template <XMLNodeParseable T>
    T parseRequiredAttribute(std::string_view key) const {
        if (auto v = parseOptionalAttribute<T>(key)) {
            return std::move(*v);
        }
        throw Error(KIVOError::missingRequiredAttribute(name_, std::string(key)));
    }

    // The item identifier by the version-1 grammar ("item-id", "item-source"), or nullopt.
    std::optional<KIVOItemID> parseV1ID() const;
    // The item identifier by the version-2 grammar ("source-id", "source"), or nullopt.
    std::optional<KIVOItemID> parseV2ID() const;
    // The "payload-" attributes, keyed by their names without the prefix.
    std::map<std::string, std::string> payloadAttributes() const;

    std::string debugDescription() const;

private:
    std::string name_;
    AttributeMap attributes_;
    std::optional<std::string> value_;
    std::weak_ptr<XMLNode> parent_;
    std::vector<std::shared_ptr<XMLNode>> children_;
    SourcePosition position_;
};

// Readers for the attribute grammars, usable on any text.
namespace attribute {
std::optional<std::int64_t> readInteger(std::string_view text);
std::optional<double> readDouble(std::string_view text);
// Four numbers after trimming, separated by single white-space characters.
std::optional<std::array<double, 4>> readFourNumbers(std::string_view text);
std::optional<ui::Rect> readRect(std::string_view text);
// "left top right bottom".
std::optional<ui::EdgeInsets> readEdgeInsets(std::string_view text);
std::optional<bool> readBool(std::string_view text);
} // namespace attribute

} // namespace kivo
