#pragma once

// Item identity and what a host receives about an item: which source system an item comes from, its
// identifier there, the action a tap triggers, the anchor it leads to and its payload strings.

#include <ui/foundation/url.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kivo {

// The system an item identifier belongs to. The raw values are stable and part of the host interface.
enum class KIVOSource : std::int64_t {
    flyer = 0,
    ecom = 1,
    ecomSearch = 2,
    coupon = 3,
    offer = 4,
    action = 5,
};

// The case for a raw value 0...5, or nullopt.
std::optional<KIVOSource> kivoSourceFromRawValue(std::int64_t raw);
// The case whose markup form is exactly `text` ("flyer", "ecom", "ecom-search", "coupon", "offer",
// "action"), or nullopt.
std::optional<KIVOSource> kivoSourceFromString(std::string_view text);
// The markup form of the source; also its description.
std::string_view toString(KIVOSource source);
// Sources whose identifiers are decimal integers in version 2 markup: flyer, ecom, ecom-search, coupon.
constexpr bool hasNumericIDs(KIVOSource source) {
    return static_cast<std::int64_t>(source) <= 3;
}

enum class KIVOActionType : std::int64_t {
    link = 0,
    none = 1,
};

std::optional<KIVOActionType> kivoActionTypeFromRawValue(std::int64_t raw);
// "link" or "none", exactly; nullopt for anything else.
std::optional<KIVOActionType> kivoActionTypeFromString(std::string_view text);
std::string_view toString(KIVOActionType type);

// An item's identifier in its source system. Immutable; compared and hashed by value, so it is the key
// of every item map and set.
class KIVOItemID {
public:
    KIVOItemID(std::string sourceID, KIVOSource source) : sourceID_(std::move(sourceID)), source_(source) {}

    // Exactly as written in the markup.
    const std::string& sourceID() const { return sourceID_; }
    KIVOSource source() const { return source_; }

    std::size_t hash() const;
    // "KIVOItemID(sourceID: 123, source: ecom)".
    std::string description() const;

    bool operator==(const KIVOItemID&) const = default;

private:
    std::string sourceID_;
    KIVOSource source_;
};

// What a tap on an item does.
class KIVOAction {
public:
    KIVOAction(KIVOActionType type, std::optional<ui::URL> ttmURL)
        : type_(type), ttmURL_(std::move(ttmURL)) {}

    KIVOActionType type() const { return type_; }
    // The link target of a link action.
    const std::optional<ui::URL>& ttmURL() const { return ttmURL_; }

    bool operator==(const KIVOAction&) const = default;

private:
    KIVOActionType type_;
    std::optional<ui::URL> ttmURL_;
};

// Everything the host is told about an item.
class KIVOItemAttributes {
public:
    using Payload = std::map<std::string, std::string>;

    KIVOItemAttributes(KIVOItemID itemID, std::optional<KIVOAction> action,
                       std::optional<std::int64_t> targetAnchorID, Payload payload)
        : itemID_(std::move(itemID)), action_(std::move(action)), targetAnchorID_(targetAnchorID),
          payload_(std::move(payload)) {}

    const KIVOItemID& itemID() const { return itemID_; }
    const std::optional<KIVOAction>& action() const { return action_; }
    // The anchor to scroll to when the item is activated.
    std::optional<std::int64_t> targetAnchorID() const { return targetAnchorID_; }
    // The item's payload strings (its "payload-" attributes without the prefix, or its beacon metadata).
    const Payload& payload() const { return payload_; }

    bool operator==(const KIVOItemAttributes&) const = default;

private:
    KIVOItemID itemID_;
    std::optional<KIVOAction> action_;
    std::optional<std::int64_t> targetAnchorID_;
    Payload payload_;
};

} // namespace kivo

template <>
struct std::hash<kivo::KIVOItemID> {
    std::size_t operator()(const kivo::KIVOItemID& id) const noexcept { return id.hash(); }
};
