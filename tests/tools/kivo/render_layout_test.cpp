// `kivo render` and `kivo layout`: documents loaded into a host view in a headless window.

#include "tools/kivo/documents.h"
#include "tools/kivo/kivo_process.h"
#include "tools/kivo/render_layout_documents.h"

#include <cstdint>
#include <nlohmann/json.hpp>
#include <sstream>

namespace kivo::cli::testing {
namespace {

using nlohmann::ordered_json;
using RenderCommand = KivoCLITest;
using LayoutCommand = KivoCLITest;

struct PNGSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

std::uint32_t bigEndian32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

// The pixel size from the PNG's header chunk, after checking the signature and that the header comes first.
std::optional<PNGSize> pngSize(const std::string& bytes) {
    static const std::string signature = "\x89PNG\r\n\x1a\n";
    if (bytes.size() < 33 || bytes.compare(0, 8, signature) != 0 || bytes.compare(12, 4, "IHDR") != 0) {
        return std::nullopt;
    }
    return PNGSize{bigEndian32(bytes, 16), bigEndian32(bytes, 20)};
}

// Checks that the file the tool wrote at `path` is a PNG of `width` x `height` pixels.
void expectPNGSize(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height) {
    const auto size = pngSize(readFileBytes(path));
    ASSERT_TRUE(size.has_value()) << "not a PNG";
    EXPECT_EQ(size->width, width);
    EXPECT_EQ(size->height, height);
}

ordered_json parseOutput(const ProcessResult& r) {
    const ordered_json parsed = ordered_json::parse(r.out, nullptr, false);
    EXPECT_FALSE(parsed.is_discarded()) << "not JSON: " << r.out;
    return parsed;
}

// --- render -----------------------------------------------------------------------------------------------

TEST_F(RenderCommand, WritesAPNGOfTheWindowSizeTimesTheScale) {
    writeDocument("plain.kivo", plainV2);
    const auto r = runKivo(
        {"render", "plain.kivo", "-o", "plain.png", "--width", "200", "--height", "300", "--scale", "3"});
    EXPECT_EXITED_WITH(r, 0);
    EXPECT_EQ(r.out, "wrote plain.png (200 x 300 points at scale 3)\n");
    expectPNGSize(docs() / "plain.png", 600u, 900u);
}

TEST_F(RenderCommand, DefaultsToAPhoneScreenAtScaleTwo) {
    writeDocument("nested.kivo", nestedV2);
    const auto r = runKivo({"render", "nested.kivo", "-o", "nested.png"});
    EXPECT_EXITED_WITH(r, 0);
    expectPNGSize(docs() / "nested.png", 780u, 1688u);
}

TEST_F(RenderCommand, FullRenderingKeepsTheWidthAndHeaderAndFooterAreAccepted) {
    writeDocument("nested.kivo", nestedV2);
    const auto r = runKivo({"render", "nested.kivo", "-o", "full.png", "--width", "320", "--scale", "1",
                            "--full", "--header", "Weekly deals", "--footer", "Prices valid this week"});
    EXPECT_EXITED_WITH(r, 0);
    const auto size = pngSize(readFileBytes(docs() / "full.png"));
    ASSERT_TRUE(size.has_value()) << "not a PNG";
    EXPECT_EQ(size->width, 320u);
    EXPECT_GT(size->height, 0u);
}

TEST_F(RenderCommand, ARefusedDocumentPrintsTheCheckMessageAndExitsOne) {
    writeDocument("bad.kivo", badOrientation);
    const auto check = runKivo({"check", "bad.kivo"});
    EXPECT_EXITED_WITH(check, 1);

    const auto r = runKivo({"render", "bad.kivo", "-o", "bad.png"});
    EXPECT_EXITED_WITH(r, 1);
    EXPECT_EQ(r.err, "bad.kivo: FlexboxElement: Unsupported orientation: diagonal (line 4, column 4)\n");
    EXPECT_EQ(r.err, check.out);
    EXPECT_FALSE(std::filesystem::exists(docs() / "bad.png"));
}

TEST_F(RenderCommand, AnUnreadableFileExitsTwo) {
    const auto r = runKivo({"render", "missing.kivo", "-o", "missing.png"});
    EXPECT_EXITED_WITH(r, 2);
    EXPECT_EQ(r.err, "kivo: cannot read missing.kivo: No such file or directory\n");
}

TEST_F(RenderCommand, AnUnwritableOutputExitsTwo) {
    writeDocument("plain.kivo", plainV2);
    const auto r = runKivo({"render", "plain.kivo", "-o", "no-such-directory/plain.png"});
    EXPECT_EXITED_WITH(r, 2);
    EXPECT_EQ(r.err, "kivo: cannot write no-such-directory/plain.png\n");
}

TEST_F(RenderCommand, BadOptionsExitTwo) {
    writeDocument("plain.kivo", plainV2);
    EXPECT_EXITED_WITH(runKivo({"render", "plain.kivo"}), 2);
    EXPECT_EXITED_WITH(runKivo({"render", "plain.kivo", "-o", "x.png", "--width", "0"}), 2);
    EXPECT_EXITED_WITH(runKivo({"render", "plain.kivo", "-o", "x.png", "--scale", "-1"}), 2);
    const auto huge = runKivo({"render", "plain.kivo", "-o", "x.png", "--height", "100000"});
    EXPECT_EXITED_WITH(huge, 2);
    EXPECT_FALSE(std::filesystem::exists(docs() / "x.png"));
}

// --- layout -----------------------------------------------------------------------------------------------

struct Expected {
    std::string kind;
    std::int64_t line;
    std::optional<std::string> styleID;
    int depth;
};

// The elements of a JSON tree, depth first in document order, checking each frame's form on the way.
void flatten(const ordered_json& elements, int depth, std::vector<Expected>& out) {
    ASSERT_TRUE(elements.is_array());
    for (const ordered_json& element : elements) {
        ASSERT_TRUE(element.is_object());
        const ordered_json& frame = element["frame"];
        if (!frame.is_null()) {
            ASSERT_TRUE(frame.is_array()) << frame;
            ASSERT_EQ(frame.size(), 4u) << frame;
            for (const ordered_json& number : frame) {
                EXPECT_TRUE(number.is_number()) << frame;
            }
        }
        const ordered_json& style = element["styleID"];
        out.push_back({element["kind"].get<std::string>(), element["line"].get<std::int64_t>(),
                       style.is_null() ? std::nullopt : std::optional<std::string>(style.get<std::string>()),
                       depth});
        flatten(element["children"], depth + 1, out);
    }
}

const std::vector<Expected> nestedElements = {
    {"linear-layout", 6, "column", 0}, {"flexbox", 8, "row", 1},
    {"linear-layout", 9, "tile", 2},   {"linear-layout", 10, std::nullopt, 2},
    {"flexbox", 12, std::nullopt, 1},  {"linear-layout", 13, "tile", 2},
};

bool operator==(const Expected& a, const Expected& b) {
    return a.kind == b.kind && a.line == b.line && a.styleID == b.styleID && a.depth == b.depth;
}

void PrintTo(const Expected& e, std::ostream* os) {
    *os << e.kind << " line " << e.line << " style " << e.styleID.value_or("null") << " depth " << e.depth;
}

TEST_F(LayoutCommand, JSONListsKindsLinesAndStylesInDocumentOrder) {
    writeDocument("nested.kivo", nestedV2);
    const auto r = runKivo({"layout", "--json", "nested.kivo"});
    EXPECT_EXITED_WITH(r, 0);
    // The document's badge picture is not beside it: the layout is reported all the same, with a warning.
    EXPECT_NE(r.err.find("warning: picture not shown"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("images/new.png"), std::string::npos) << r.err;
    const ordered_json report = parseOutput(r);
    ASSERT_TRUE(report.is_object()) << r.out;

    std::vector<std::string> keys;
    for (const auto& [key, value] : report.items()) {
        keys.push_back(key);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"file", "ok", "contentSize", "elements", "images"}));
    EXPECT_EQ(report["images"]["requested"], 1);
    EXPECT_EQ(report["images"]["loaded"], 0);
    EXPECT_EQ(report["file"], "nested.kivo");
    EXPECT_EQ(report["ok"], true);
    ASSERT_TRUE(report["contentSize"].is_array());
    ASSERT_EQ(report["contentSize"].size(), 2u);
    EXPECT_TRUE(report["contentSize"][0].is_number());
    EXPECT_TRUE(report["contentSize"][1].is_number());

    ASSERT_EQ(report["elements"].size(), 1u);
    std::vector<std::string> elementKeys;
    for (const auto& [key, value] : report["elements"][0].items()) {
        elementKeys.push_back(key);
    }
    EXPECT_EQ(elementKeys, (std::vector<std::string>{"kind", "line", "frame", "styleID", "children"}));

    std::vector<Expected> elements;
    flatten(report["elements"], 0, elements);
    EXPECT_EQ(elements, nestedElements);

    // Frames are in the content element's view, whose own frame therefore starts at its origin.
    const ordered_json& rootFrame = report["elements"][0]["frame"];
    if (rootFrame.is_array()) {
        EXPECT_EQ(rootFrame[0], 0);
        EXPECT_EQ(rootFrame[1], 0);
    }
}

TEST_F(LayoutCommand, TextFormIsAnIndentedTree) {
    writeDocument("nested.kivo", nestedV2);
    const auto r = runKivo({"layout", "nested.kivo", "--width", "320"});
    EXPECT_EXITED_WITH(r, 0);

    std::istringstream lines(r.out);
    std::string line;
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_EQ(line.rfind("nested.kivo: content ", 0), 0u) << line;
    for (const Expected& expected : nestedElements) {
        ASSERT_TRUE(std::getline(lines, line)) << "missing " << expected.kind;
        const std::string prefix = std::string(static_cast<std::size_t>(expected.depth) * 2, ' ') +
                                   expected.kind + " (line " + std::to_string(expected.line) + ") frame ";
        EXPECT_EQ(line.rfind(prefix, 0), 0u) << line;
        const std::string styleSuffix = expected.styleID ? " style " + *expected.styleID : "";
        if (expected.styleID) {
            EXPECT_TRUE(line.size() >= styleSuffix.size() &&
                        line.compare(line.size() - styleSuffix.size(), styleSuffix.size(), styleSuffix) == 0)
                << line;
        } else {
            EXPECT_EQ(line.find(" style "), std::string::npos) << line;
        }
    }
    EXPECT_FALSE(std::getline(lines, line)) << "unexpected: " << line;
}

TEST_F(LayoutCommand, ARefusedDocumentGivesTheCheckErrorObject) {
    writeDocument("bad.kivo", badOrientation);
    const auto check = runKivo({"check", "--json", "bad.kivo"});
    const auto r = runKivo({"layout", "--json", "bad.kivo"});
    EXPECT_EXITED_WITH(r, 1);
    const ordered_json report = parseOutput(r);
    EXPECT_EQ(report, parseOutput(check));
    EXPECT_EQ(report["ok"], false);
    EXPECT_EQ(report["error"]["case"], "unsupportedOrientation");
}

TEST_F(LayoutCommand, ARefusedDocumentInTextFormPrintsTheCheckMessage) {
    writeDocument("bad.kivo", badOrientation);
    const auto r = runKivo({"layout", "bad.kivo"});
    EXPECT_EXITED_WITH(r, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "bad.kivo: FlexboxElement: Unsupported orientation: diagonal (line 4, column 4)\n");
}

TEST_F(LayoutCommand, NotXMLIsRefusedWithItsPosition) {
    writeDocument("broken.kivo", mismatchedTag);
    const auto check = runKivo({"check", "broken.kivo"});
    const auto r = runKivo({"layout", "broken.kivo"});
    EXPECT_EXITED_WITH(r, 1);
    EXPECT_EQ(r.err, check.out);
}

TEST_F(LayoutCommand, AnUnreadableFileExitsTwo) {
    const auto r = runKivo({"layout", "--json", "missing.kivo"});
    EXPECT_EXITED_WITH(r, 2);
    EXPECT_EQ(r.out, "");
}

} // namespace
} // namespace kivo::cli::testing
