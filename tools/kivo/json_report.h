#pragma once

// The machine-readable form of a checked document: one JSON object per file, keys in a fixed order.

#include <kivo/model/element_parser.h>

#include <nlohmann/json.hpp>
#include <string>

namespace kivo::cli {

// Success:
//   {"file", "ok": true, "titleReport", "version", "title", "subtitle", "uuid", "contentHash", "styles",
//    "fonts", "items"}
// Failure:
//   {"file", "ok": false, "titleReport" (or null), "error": {"domain", "case", "payload", "message",
//    "line", "column"}}, where line and column appear only when the error's position is known.
nlohmann::ordered_json jsonReport(const std::string& file, const ParsedDocument& parsed);

// The title report with "title" before "subtitle", each key only when the report has it.
nlohmann::ordered_json jsonTitleReport(const TitleReport& report);

nlohmann::ordered_json jsonError(const Error& error);

// Every item in the order its ID was first registered, with the attributes registered last for it.
nlohmann::ordered_json jsonItems(const ItemAttributesMap& items);

// Two-space indentation; bytes that are not UTF-8 (a file name, say) are replaced rather than refused.
std::string dumpJSON(const nlohmann::ordered_json& value);

} // namespace kivo::cli
