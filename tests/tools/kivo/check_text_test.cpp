// `kivo check` in its text form: one line per file.

#include "tools/kivo/documents.h"
#include "tools/kivo/kivo_process.h"

namespace kivo::cli::testing {
namespace {

using CheckText = KivoCLITest;

// One file checked on its own: how the tool exits and the one line it prints. `quiet` cases also check
// that nothing goes to stderr.
struct OneFileCase {
    const char* name;
    const char* file;
    std::string document;
    int exitCode;
    const char* line;
    bool quiet;
};

class CheckTextOneFile : public KivoCLITest, public ::testing::WithParamInterface<OneFileCase> {};

TEST_P(CheckTextOneFile, PrintsItsLineAndExitStatus) {
    const OneFileCase& tc = GetParam();
    writeDocument(tc.file, tc.document);
    const auto r = runKivo({"check", tc.file});
    EXPECT_EXITED_WITH(r, tc.exitCode);
    EXPECT_EQ(r.out, tc.line);
    if (tc.quiet) {
        EXPECT_EQ(r.err, "");
    }
}

const OneFileCase oneFileCases[] = {
    {"AcceptedVersion2DocumentReportsTitleVersionAndItemCount", "weekly.kivo", weeklyV2, 0,
     "weekly.kivo: ok \xE2\x80\x94 \"Weekly\" (version 2.0, 1 items)\n", true},
    // Item 7 is registered twice; items 7, 9 and 8 remain.
    {"AcceptedVersion1DocumentCountsEachItemIDOnce", "flyer.kivo", flyerV1, 0,
     "flyer.kivo: ok \xE2\x80\x94 \"Flyer\" (version 1, 3 items)\n", true},
    {"RejectedDocumentReportsTheMessageAndPosition", "notitle.kivo", missingTitle, 1,
     "notitle.kivo: KIVODocumentElement: Missing required attribute: title (line 1, column 0)\n", true},
    {"RejectedElementIsPlacedAtItsLine", "orientation.kivo", badOrientation, 1,
     "orientation.kivo: FlexboxElement: Unsupported orientation: diagonal (line 4, column 4)\n", false},
    {"MalformedXMLReportsTheParserMessage", "bad.xml", mismatchedTag, 1,
     "bad.xml: mismatched tag (line 3, column 2)\n", false},
    {"RootThatIsNotAStorefrontIsRejected", "page.html", htmlRoot, 1,
     "page.html: (root): Unsupported element tag: html (line 1, column 0)\n", false},
    {"UnsupportedVersionIsRejected", "v3.kivo",
     R"(<storefront kivo-version="3" title="x" uuid="u"><head/><body/></storefront>)", 1,
     "v3.kivo: Current support KIVO version is 1 or 2.0 but got 3. (line 1, column 0)\n", false},
};

INSTANTIATE_TEST_SUITE_P(CheckText, CheckTextOneFile, ::testing::ValuesIn(oneFileCases),
                         [](const ::testing::TestParamInfo<OneFileCase>& info) { return info.param.name; });

TEST_F(CheckText, SeveralFilesGiveOneLineEachInArgumentOrder) {
    writeDocument("a.kivo", weeklyV2);
    writeDocument("b.kivo", mismatchedTag);
    writeDocument("c.kivo", flyerV1);
    const auto r = runKivo({"check", "a.kivo", "b.kivo", "c.kivo"});
    EXPECT_EXITED_WITH(r, 1);
    EXPECT_EQ(r.out, "a.kivo: ok \xE2\x80\x94 \"Weekly\" (version 2.0, 1 items)\n"
                     "b.kivo: mismatched tag (line 3, column 2)\n"
                     "c.kivo: ok \xE2\x80\x94 \"Flyer\" (version 1, 3 items)\n");
}

TEST_F(CheckText, SeveralAcceptedFilesExitWithZero) {
    writeDocument("a.kivo", weeklyV2);
    writeDocument("b.kivo", flyerV1);
    const auto r = runKivo({"check", "a.kivo", "b.kivo"});
    EXPECT_EXITED_WITH(r, 0);
    EXPECT_EQ(r.out, "a.kivo: ok \xE2\x80\x94 \"Weekly\" (version 2.0, 1 items)\n"
                     "b.kivo: ok \xE2\x80\x94 \"Flyer\" (version 1, 3 items)\n");
}

TEST_F(CheckText, EmptyAndBinaryFilesAreRejectedNotFatal) {
    writeDocument("empty.kivo", "");
    std::string binary;
    for (int round = 0; round < 16; ++round) {
        for (int byte = 0; byte < 256; ++byte) {
            binary.push_back(static_cast<char>((byte * 37 + round * 11) & 0xFF));
        }
    }
    writeDocument("binary.kivo", binary);
    const auto r = runKivo({"check", "empty.kivo", "binary.kivo"});
    EXPECT_EXITED_WITH(r, 1);
    EXPECT_EQ(r.out.rfind("empty.kivo: no element found (line 1, column 0)\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\nbinary.kivo: "), std::string::npos) << r.out;
}

TEST_F(CheckText, DeepNestingIsRejectedNotFatal) {
    std::string deep = R"(<storefront title="t" uuid="u">)";
    for (int i = 0; i < 5000; ++i) {
        deep += "<flexbox>";
    }
    for (int i = 0; i < 5000; ++i) {
        deep += "</flexbox>";
    }
    deep += "</storefront>";
    writeDocument("deep.kivo", deep);
    const auto r = runKivo({"check", "deep.kivo"});
    EXPECT_EXITED_WITH(r, 1);
    EXPECT_EQ(r.out.rfind("deep.kivo: Element nesting exceeds 256 levels.", 0), 0u) << r.out;
}

} // namespace
} // namespace kivo::cli::testing
