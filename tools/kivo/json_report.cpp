#include "kivo/json_report.h"

#include <kivo/model/kivo_version.h>

#include <type_traits>

namespace kivo::cli {

using nlohmann::ordered_json;

namespace {

ordered_json optionalString(const std::optional<std::string>& text) {
    return text ? ordered_json(*text) : ordered_json(nullptr);
}

ordered_json jsonAction(const std::optional<KIVOAction>& action) {
    if (!action) {
        return nullptr;
    }
    ordered_json object = ordered_json::object();
    object["type"] = std::string(toString(action->type()));
    object["ttmURL"] = action->ttmURL() ? ordered_json(action->ttmURL()->string()) : ordered_json(nullptr);
    return object;
}

ordered_json jsonItem(const KIVOItemID& id, const KIVOItemAttributes* attributes) {
    ordered_json object = ordered_json::object();
    object["sourceID"] = id.sourceID();
    object["source"] = std::string(toString(id.source()));
    if (attributes == nullptr) {
        // Every ID in the registration order has attributes; an ID without them shows empty fields.
        object["action"] = nullptr;
        object["targetAnchorID"] = nullptr;
        object["payload"] = ordered_json::object();
        return object;
    }
    object["action"] = jsonAction(attributes->action());
    const auto anchor = attributes->targetAnchorID();
    object["targetAnchorID"] = anchor ? ordered_json(*anchor) : ordered_json(nullptr);
    ordered_json payload = ordered_json::object();
    for (const auto& [key, value] : attributes->payload()) {
        payload[key] = value;
    }
    object["payload"] = std::move(payload);
    return object;
}

ordered_json jsonSuccess(const std::string& file, const ParsedDocument& parsed) {
    const KIVODocumentElement& document = *parsed.document;
    ordered_json object = ordered_json::object();
    object["file"] = file;
    object["ok"] = true;
    object["titleReport"] = parsed.titleReport ? jsonTitleReport(*parsed.titleReport) : ordered_json(nullptr);
    object["version"] =
        parsed.version ? ordered_json(std::string(rawValue(*parsed.version))) : ordered_json(nullptr);
    object["title"] = document.title();
    object["subtitle"] = optionalString(document.subtitle());
    object["uuid"] = document.uuid();
    object["contentHash"] = optionalString(document.contentHash());
    ordered_json styles = ordered_json::array();
    for (const auto& entry : parsed.styles) {
        styles.push_back(entry.first);
    }
    object["styles"] = std::move(styles);
    ordered_json fonts = ordered_json::array();
    for (const ui::URL& font : parsed.fonts) {
        fonts.push_back(font.string());
    }
    object["fonts"] = std::move(fonts);
    object["items"] = jsonItems(parsed.itemIDAttributes);
    return object;
}

} // namespace

ordered_json jsonTitleReport(const TitleReport& report) {
    ordered_json object = ordered_json::object();
    for (const char* key :
         {LayoutManagerUserInfoKey::documentTitle, LayoutManagerUserInfoKey::documentSubtitle}) {
        if (const auto it = report.find(key); it != report.end()) {
            object[key] = it->second;
        }
    }
    return object;
}

ordered_json jsonError(const Error& error) {
    ordered_json object = ordered_json::object();
    object["domain"] = std::string(error.domain());
    object["case"] = std::string(error.caseName());
    ordered_json payload = ordered_json::array();
    for (const ErrorPayloadValue& value : error.payload()) {
        std::visit([&](const auto& v) { payload.push_back(v); }, value);
    }
    object["payload"] = std::move(payload);
    object["message"] = error.message();
    if (const auto& position = error.position()) {
        object["line"] = position->line;
        object["column"] = position->column;
    }
    return object;
}

ordered_json jsonItems(const ItemAttributesMap& items) {
    ordered_json array = ordered_json::array();
    for (const KIVOItemID& id : items.registrationOrder()) {
        array.push_back(jsonItem(id, items.find(id).get()));
    }
    return array;
}

ordered_json jsonReport(const std::string& file, const ParsedDocument& parsed) {
    if (!parsed.error && parsed.document) {
        return jsonSuccess(file, parsed);
    }
    ordered_json object = ordered_json::object();
    object["file"] = file;
    object["ok"] = false;
    object["titleReport"] = parsed.titleReport ? jsonTitleReport(*parsed.titleReport) : ordered_json(nullptr);
    if (parsed.error) {
        object["error"] = jsonError(*parsed.error);
    } else {
        object["error"] = nullptr;
    }
    return object;
}

std::string dumpJSON(const ordered_json& value) {
    return value.dump(2, ' ', false, ordered_json::error_handler_t::replace);
}

} // namespace kivo::cli
