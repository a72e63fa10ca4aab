// `kivo check --json`: one object per file, an array for several files, keys in a fixed order.

#include "tools/kivo/documents.h"
#include "tools/kivo/kivo_process.h"

#include <nlohmann/json.hpp>

namespace kivo::cli::testing {
namespace {

using nlohmann::ordered_json;
class CheckJSON : public KivoCLITest {
protected:
    // Writes `document` to docs/`name`, runs `kivo check --json` on it and expects the exit status
    // `exitCode`.
    ProcessResult checkJSON(const std::string& name, const std::string& document, int exitCode) {
        writeDocument(name, document);
        const auto r = runKivo({"check", "--json", name});
        EXPECT_EXITED_WITH(r, exitCode);
        return r;
    }
};

std::vector<std::string> keysOf(const ordered_json& object) {
    std::vector<std::string> keys;
    for (const auto& [key, value] : object.items()) {
        keys.push_back(key);
    }
    return keys;
}

ordered_json parseOutput(const ProcessResult& r) {
    const ordered_json parsed = ordered_json::parse(r.out, nullptr, false);
    EXPECT_FALSE(parsed.is_discarded()) << "not JSON: " << r.out;
    return parsed;
}

const std::vector<std::string> successKeys = {"file",   "ok",       "titleReport", "version",
                                              "title",  "subtitle", "uuid",        "contentHash",
                                              "styles", "fonts",    "items"};
const std::vector<std::string> failureKeys = {"file", "ok", "titleReport", "error"};
const std::vector<std::string> itemKeys = {"sourceID", "source", "action", "targetAnchorID", "payload"};

// The fields of a report's error object, as a test expects them.
struct ExpectedError {
    const char* domain;
    const char* caseName;
    ordered_json payload;
    const char* message;
    int line;
    int column;
};

void expectError(const ordered_json& error, const ExpectedError& expected) {
    EXPECT_EQ(error["domain"], expected.domain);
    EXPECT_EQ(error["case"], expected.caseName);
    EXPECT_EQ(error["payload"], expected.payload);
    EXPECT_EQ(error["message"], expected.message);
    EXPECT_EQ(error["line"], expected.line);
    EXPECT_EQ(error["column"], expected.column);
}

TEST_F(CheckJSON, Version2DocumentShowsEveryField) {
    const auto r = checkJSON("weekly.kivo", weeklyV2, 0);
    EXPECT_EQ(r.err, "");
    const ordered_json report = parseOutput(r);
    ASSERT_TRUE(report.is_object()) << r.out;
    EXPECT_EQ(keysOf(report), successKeys);
    EXPECT_EQ(report["file"], "weekly.kivo");
    EXPECT_EQ(report["ok"], true);
    EXPECT_EQ(keysOf(report["titleReport"]), (std::vector<std::string>{"title", "subtitle"}));
    EXPECT_EQ(report["titleReport"]["title"], "Weekly");
    EXPECT_EQ(report["titleReport"]["subtitle"], "Deals");
    EXPECT_EQ(report["version"], "2.0");
    EXPECT_EQ(report["title"], "Weekly");
    EXPECT_EQ(report["subtitle"], "Deals");
    EXPECT_EQ(report["uuid"], "U-1");
    EXPECT_EQ(report["contentHash"], "h1");
    EXPECT_EQ(report["styles"], ordered_json::array({"s1"}));
    EXPECT_EQ(report["fonts"], ordered_json::array({"https://fonts.example.com/a.ttf"}));

    ASSERT_EQ(report["items"].size(), 1u);
    const ordered_json& item = report["items"][0];
    EXPECT_EQ(keysOf(item), itemKeys);
    EXPECT_EQ(item["sourceID"], "42");
    EXPECT_EQ(item["source"], "ecom");
    EXPECT_EQ(keysOf(item["action"]), (std::vector<std::string>{"type", "ttmURL"}));
    EXPECT_EQ(item["action"]["type"], "link");
    EXPECT_EQ(item["action"]["ttmURL"], "https://shop.example.com/42");
    EXPECT_TRUE(item["targetAnchorID"].is_number_integer());
    EXPECT_EQ(item["targetAnchorID"], 3);
    EXPECT_EQ(item["payload"], ordered_json({{"sku", "A1"}}));
}

TEST_F(CheckJSON, OutputIsIndentedByTwoSpaces) {
    const auto r = checkJSON("weekly.kivo", weeklyV2, 0);
    EXPECT_EQ(r.out.rfind("{\n  \"file\": \"weekly.kivo\",\n  \"ok\": true,\n", 0), 0u) << r.out;
    EXPECT_EQ(r.out.back(), '\n');
}

TEST_F(CheckJSON, Version1ItemsFollowFirstRegistrationWithTheLatestAttributes) {
    const auto r = checkJSON("flyer.kivo", flyerV1, 0);
    const ordered_json report = parseOutput(r);
    ASSERT_TRUE(report.is_object()) << r.out;
    EXPECT_EQ(keysOf(report), successKeys);
    EXPECT_EQ(report["version"], "1");
    EXPECT_EQ(report["title"], "Flyer");
    EXPECT_EQ(keysOf(report["titleReport"]), (std::vector<std::string>{"title"}));
    EXPECT_TRUE(report["subtitle"].is_null());
    EXPECT_TRUE(report["contentHash"].is_null());
    EXPECT_EQ(report["uuid"], "F-9");
    EXPECT_EQ(report["styles"], ordered_json::array());
    EXPECT_EQ(report["fonts"], ordered_json::array());

    const ordered_json& items = report["items"];
    ASSERT_EQ(items.size(), 3u) << items.dump();
    // Item 7 keeps its first place and shows its second registration.
    EXPECT_EQ(items[0]["sourceID"], "7");
    EXPECT_EQ(items[0]["source"], "ecom-search");
    EXPECT_TRUE(items[0]["action"].is_null());
    EXPECT_EQ(items[0]["targetAnchorID"], 5);
    EXPECT_EQ(items[0]["payload"], ordered_json({{"name", "Milk 2"}}));

    EXPECT_EQ(items[1]["sourceID"], "9");
    EXPECT_EQ(items[1]["source"], "offer");
    ASSERT_TRUE(items[1]["action"].is_object());
    EXPECT_EQ(items[1]["action"]["type"], "none");
    EXPECT_TRUE(items[1]["action"]["ttmURL"].is_null());
    EXPECT_EQ(items[1]["targetAnchorID"], 4);
    EXPECT_EQ(items[1]["payload"], ordered_json::object());

    EXPECT_EQ(items[2]["sourceID"], "8");
    EXPECT_EQ(items[2]["source"], "coupon");
    EXPECT_TRUE(items[2]["targetAnchorID"].is_null());
    EXPECT_EQ(items[2]["payload"], ordered_json::object());
}

TEST_F(CheckJSON, StylesAreListedByIDAndFontsFollowThem) {
    const auto r = checkJSON("styles.kivo", manyStylesV2, 0);
    const ordered_json report = parseOutput(r);
    EXPECT_EQ(report["styles"], ordered_json::array({"alpha", "mid", "zeta"}));
    // The later "zeta" replaces the earlier one; "mid" names no font.
    EXPECT_EQ(report["fonts"],
              ordered_json::array({"https://fonts.example.com/a.ttf", "https://fonts.example.com/zz.ttf"}));
    EXPECT_EQ(report["items"], ordered_json::array());
}

TEST_F(CheckJSON, RejectedDocumentDescribesTheError) {
    const auto r = checkJSON("notitle.kivo", missingTitle, 1);
    const ordered_json report = parseOutput(r);
    ASSERT_TRUE(report.is_object()) << r.out;
    EXPECT_EQ(keysOf(report), failureKeys);
    EXPECT_EQ(report["file"], "notitle.kivo");
    EXPECT_EQ(report["ok"], false);
    // The root was a storefront, so the title was reported, with neither key.
    EXPECT_EQ(report["titleReport"], ordered_json::object());
    const ordered_json& error = report["error"];
    EXPECT_EQ(keysOf(error),
              (std::vector<std::string>{"domain", "case", "payload", "message", "line", "column"}));
    expectError(error, {"KIVOError", "missingRequiredAttribute",
                        ordered_json::array({"KIVODocumentElement", "title"}),
                        "KIVODocumentElement: Missing required attribute: title", 1, 0});
}

TEST_F(CheckJSON, RejectedDocumentKeepsItsTitleReport) {
    const auto r = checkJSON("orientation.kivo", badOrientation, 1);
    const ordered_json report = parseOutput(r);
    EXPECT_EQ(keysOf(report["titleReport"]), (std::vector<std::string>{"title", "subtitle"}));
    EXPECT_EQ(report["titleReport"]["title"], "Weekly");
    EXPECT_EQ(report["titleReport"]["subtitle"], "Deals");
    expectError(report["error"],
                {"KIVOError", "unsupportedOrientation", ordered_json::array({"FlexboxElement", "diagonal"}),
                 "FlexboxElement: Unsupported orientation: diagonal", 4, 4});
}

TEST_F(CheckJSON, ErrorPayloadKeepsIntegersAsNumbers) {
    const auto r = checkJSON("body.kivo", R"(<storefront title="t" uuid="u"><head/><body/></storefront>)", 1);
    const ordered_json error = parseOutput(r)["error"];
    EXPECT_EQ(error["case"], "unsupportedNumberOfChildren");
    ASSERT_EQ(error["payload"].size(), 2u);
    EXPECT_EQ(error["payload"][0], "(body)");
    EXPECT_TRUE(error["payload"][1].is_number_integer());
    EXPECT_EQ(error["payload"][1], 0);
    EXPECT_EQ(error["message"], "Unsupported number of children of (body): 0");
}

TEST_F(CheckJSON, MalformedXMLIsAnXMLParserError) {
    const auto r = checkJSON("bad.xml", mismatchedTag, 1);
    const ordered_json report = parseOutput(r);
    EXPECT_EQ(keysOf(report), failureKeys);
    EXPECT_TRUE(report["titleReport"].is_null());
    const ordered_json& error = report["error"];
    expectError(error,
                {"XMLParser", "XML_ERROR_TAG_MISMATCH", ordered_json::array({3, 2}), "mismatched tag", 3, 2});
    EXPECT_TRUE(error["payload"][0].is_number_integer());
}

TEST_F(CheckJSON, RootThatIsNotAStorefrontHasNoTitleReport) {
    const auto r = checkJSON("page.html", htmlRoot, 1);
    const ordered_json report = parseOutput(r);
    EXPECT_EQ(keysOf(report), failureKeys);
    EXPECT_TRUE(report["titleReport"].is_null());
    EXPECT_EQ(report["error"]["domain"], "KIVOError");
    EXPECT_EQ(report["error"]["case"], "unsupportedElementTag");
    EXPECT_EQ(report["error"]["payload"], ordered_json::array({"(root)", "html"}));
}

TEST_F(CheckJSON, SeveralFilesGiveAnArrayInArgumentOrder) {
    writeDocument("a.kivo", weeklyV2);
    writeDocument("b.kivo", htmlRoot);
    writeDocument("c.kivo", flyerV1);
    const auto r = runKivo({"check", "--json", "a.kivo", "b.kivo", "c.kivo"});
    EXPECT_EXITED_WITH(r, 1);
    const ordered_json reports = parseOutput(r);
    ASSERT_TRUE(reports.is_array()) << r.out;
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0]["file"], "a.kivo");
    EXPECT_EQ(reports[0]["ok"], true);
    EXPECT_EQ(reports[1]["file"], "b.kivo");
    EXPECT_EQ(reports[1]["ok"], false);
    EXPECT_EQ(reports[2]["file"], "c.kivo");
    EXPECT_EQ(reports[2]["ok"], true);
    EXPECT_EQ(reports[2]["items"].size(), 3u);
}

TEST_F(CheckJSON, SeveralAcceptedFilesExitWithZero) {
    writeDocument("a.kivo", weeklyV2);
    writeDocument("b.kivo", manyStylesV2);
    const auto r = runKivo({"check", "--json", "a.kivo", "b.kivo"});
    EXPECT_EXITED_WITH(r, 0);
    const ordered_json reports = parseOutput(r);
    ASSERT_TRUE(reports.is_array()) << r.out;
    EXPECT_EQ(reports.size(), 2u);
}

TEST_F(CheckJSON, FileNameThatIsNotUTF8StillGivesJSON) {
    const std::string name = "caf\xFF.kivo";
    const auto r = checkJSON(name, weeklyV2, 0);
    const ordered_json report = parseOutput(r);
    // The byte that is not UTF-8 becomes U+FFFD.
    EXPECT_EQ(report["file"], "caf\xEF\xBF\xBD.kivo");
    EXPECT_EQ(report["ok"], true);
}

TEST_F(CheckJSON, MarkupTextWithEscapesRoundTrips) {
    const std::string markup = R"(<storefront title="A &quot;B&quot; &amp; &#x2014; C" uuid="u&lt;1">
  <head/>
  <body><flexbox width="match-parent" height="wrap-content"/></body>
</storefront>)";
    const auto r = checkJSON("quotes.kivo", markup, 0);
    const ordered_json report = parseOutput(r);
    EXPECT_EQ(report["title"], "A \"B\" & \xE2\x80\x94 C");
    EXPECT_EQ(report["uuid"], "u<1");
}

} // namespace
} // namespace kivo::cli::testing
