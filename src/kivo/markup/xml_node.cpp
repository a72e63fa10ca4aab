#include "kivo/markup/xml_node.h"

#include "kivo/markup/markup_text.h"

#include <kivo/markup/hex_color.h>
#include <ui/foundation/number_reader.h>

#include <algorithm>
#include <sstream>

namespace kivo {

// --- AttributeMap ---------------------------------------------------------------------------------------

AttributeMap::AttributeMap(std::initializer_list<value_type> entries) {
    for (const auto& [k, v] : entries) {
        set(k, v);
    }
}

const std::string* AttributeMap::find(std::string_view key) const {
    for (const auto& entry : entries_) {
        if (entry.first == key) {
            return &entry.second;
        }
    }
    return nullptr;
}

void AttributeMap::set(std::string key, std::string value) {
    for (auto& entry : entries_) {
        if (entry.first == key) {
            entry.second = std::move(value);
            return;
        }
    }
    entries_.emplace_back(std::move(key), std::move(value));
}

bool AttributeMap::operator==(const AttributeMap& other) const {
    if (size() != other.size()) {
        return false;
    }
    return std::all_of(entries_.begin(), entries_.end(), [&](const value_type& e) {
        const std::string* v = other.find(e.first);
        return v != nullptr && *v == e.second;
    });
}

// --- attribute grammars ---------------------------------------------------------------------------------

namespace attribute {

std::optional<std::int64_t> readInteger(std::string_view text) {
    return ui::parseInt64(text);
}

std::optional<double> readDouble(std::string_view text) {
    // Non-finite numbers ("nan", "inf", "1e999") are refused: a size or position that is not finite would
    // poison every constraint it takes part in.
    return ui::parseFiniteDouble(text);
}

std::optional<std::array<double, 4>> readFourNumbers(std::string_view text) {
    const auto pieces = markup::splitAtWhitespace(markup::trimWhitespaceAndNewlines(text));
    if (pieces.size() != 4) {
        return std::nullopt;
    }
    std::array<double, 4> numbers{};
    for (std::size_t i = 0; i < 4; ++i) {
        const auto n = readDouble(pieces[i]);
        if (!n) {
            return std::nullopt;
        }
        numbers[i] = *n;
    }
    return numbers;
}

std::optional<ui::Rect> readRect(std::string_view text) {
    const auto n = readFourNumbers(text);
    if (!n) {
        return std::nullopt;
    }
    return ui::Rect((*n)[0], (*n)[1], (*n)[2], (*n)[3]);
}

std::optional<ui::EdgeInsets> readEdgeInsets(std::string_view text) {
    const auto n = readFourNumbers(text);
    if (!n) {
        return std::nullopt;
    }
    // Written x-then-y like a rectangle: left, top, right, bottom.
    return ui::EdgeInsets((*n)[1], (*n)[0], (*n)[3], (*n)[2]);
}

std::optional<bool> readBool(std::string_view text) {
    if (text == "true") {
        return true;
    }
    if (text == "false") {
        return false;
    }
    return std::nullopt;
}

} // namespace attribute

// --- XMLNode --------------------------------------------------------------------------------------------

XMLNode::XMLNode(std::string name, AttributeMap attributes, std::optional<std::string> value,
                 const std::shared_ptr<XMLNode>& parent)
    : name_(std::move(name)), attributes_(std::move(attributes)), value_(std::move(value)), parent_(parent) {}

template <XMLNodeParseable T>
std::optional<T> XMLNode::parseOptionalAttribute(std::string_view key) const {
    const std::string* text = attributes_.find(key);
    if (text == nullptr) {
        return std::nullopt;
    }
    if constexpr (std::is_same_v<T, std::string>) {
        return *text;
    } else if constexpr (std::is_same_v<T, std::int64_t>) {
        return attribute::readInteger(*text);
    } else if constexpr (std::is_same_v<T, double>) {
        return attribute::readDouble(*text);
    } else if constexpr (std::is_same_v<T, ui::Rect>) {
        return attribute::readRect(*text);
    } else if constexpr (std::is_same_v<T, ui::EdgeInsets>) {
        return attribute::readEdgeInsets(*text);
    } else if constexpr (std::is_same_v<T, ui::URL>) {
        return ui::URL::fromString(*text);
    } else if constexpr (std::is_same_v<T, ui::Color>) {
        return colorFromHexString(*text);
    } else {
        return attribute::readBool(*text);
    }
}

template std::optional<std::string> XMLNode::parseOptionalAttribute<std::string>(std::string_view) const;
template std::optional<std::int64_t> XMLNode::parseOptionalAttribute<std::int64_t>(std::string_view) const;
template std::optional<double> XMLNode::parseOptionalAttribute<double>(std::string_view) const;
template std::optional<ui::Rect> XMLNode::parseOptionalAttribute<ui::Rect>(std::string_view) const;
template std::optional<ui::EdgeInsets>
    XMLNode::parseOptionalAttribute<ui::EdgeInsets>(std::string_view) const;
template std::optional<ui::URL> XMLNode::parseOptionalAttribute<ui::URL>(std::string_view) const;
template std::optional<ui::Color> XMLNode::parseOptionalAttribute<ui::Color>(std::string_view) const;
template std::optional<bool> XMLNode::parseOptionalAttribute<bool>(std::string_view) const;

std::optional<KIVOItemID> XMLNode::parseV1ID() const {
    const std::string* id = attributes_.find("item-id");
    const std::string* sourceText = attributes_.find("item-source");
    if (id == nullptr || sourceText == nullptr) {
        return std::nullopt;
    }
    auto source = kivoSourceFromString(*sourceText);
    if (!source) {
        return std::nullopt;
    }
    // Version-1 markup writes the e-commerce search source as either "ecom" or "ecom-search".
    if (*source == KIVOSource::ecom) {
        source = KIVOSource::ecomSearch;
    }
    return KIVOItemID(*id, *source);
}

std::optional<KIVOItemID> XMLNode::parseV2ID() const {
    const std::string* id = attributes_.find("source-id");
    const std::string* sourceText = attributes_.find("source");
    if (id == nullptr || sourceText == nullptr) {
        return std::nullopt;
    }
    const auto source = kivoSourceFromString(*sourceText);
    if (!source) {
        return std::nullopt;
    }
    if (hasNumericIDs(*source) && !ui::parseInt64(*id)) {
        return std::nullopt;
    }
    return KIVOItemID(*id, *source);
}

std::map<std::string, std::string> XMLNode::payloadAttributes() const {
    static constexpr std::string_view prefix = "payload-";
    std::map<std::string, std::string> payload;
    for (const auto& [key, value] : attributes_) {
        if (key.starts_with(prefix)) {
            payload[key.substr(prefix.size())] = value;
        }
    }
    return payload;
}

std::string XMLNode::debugDescription() const {
    std::ostringstream out;
    out << "<XMLNode: " << static_cast<const void*>(this) << ">(name: " << name_ << ", attributes: [";
    bool first = true;
    for (const auto& [k, v] : attributes_) {
        out << (first ? "" : ", ") << '"' << k << "\": \"" << v << '"';
        first = false;
    }
    out << "], value: ";
    if (value_) {
        out << '"' << *value_ << '"';
    } else {
        out << "nil";
    }
    out << ", (children: " << children_.size() << ")";
    return out.str();
}

} // namespace kivo
