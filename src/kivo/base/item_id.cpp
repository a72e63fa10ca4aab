#include "kivo/base/item_id.h"

#include <array>

namespace kivo {

namespace {

constexpr std::array<std::string_view, 6> sourceNames = {"flyer",  "ecom",  "ecom-search",
                                                         "coupon", "offer", "action"};

} // namespace

std::optional<KIVOSource> kivoSourceFromRawValue(std::int64_t raw) {
    if (raw < 0 || raw > 5) {
        return std::nullopt;
    }
    return static_cast<KIVOSource>(raw);
}

std::optional<KIVOSource> kivoSourceFromString(std::string_view text) {
    for (std::size_t i = 0; i < sourceNames.size(); ++i) {
        if (sourceNames[i] == text) {
            return static_cast<KIVOSource>(i);
        }
    }
    return std::nullopt;
}

std::string_view toString(KIVOSource source) {
    return sourceNames.at(static_cast<std::size_t>(source));
}

std::optional<KIVOActionType> kivoActionTypeFromRawValue(std::int64_t raw) {
    if (raw == 0 || raw == 1) {
        return static_cast<KIVOActionType>(raw);
    }
    return std::nullopt;
}

std::optional<KIVOActionType> kivoActionTypeFromString(std::string_view text) {
    if (text == "link") {
        return KIVOActionType::link;
    }
    if (text == "none") {
        return KIVOActionType::none;
    }
    return std::nullopt;
}

std::string_view toString(KIVOActionType type) {
    return type == KIVOActionType::link ? "link" : "none";
}

std::size_t KIVOItemID::hash() const {
    // One hasher fed with both parts in order: the source ID's hash, then the source's raw value.
    std::size_t h = std::hash<std::string>{}(sourceID_);
    const auto raw = static_cast<std::size_t>(source_);
    h ^= std::hash<std::size_t>{}(raw) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
    return h;
}

std::string KIVOItemID::description() const {
    return "KIVOItemID(sourceID: " + sourceID_ + ", source: " + std::string(toString(source_)) + ")";
}

} // namespace kivo
