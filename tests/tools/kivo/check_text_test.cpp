// `kivo check` in its text form: one line per file.

#include "tools/kivo/documents.h"
#include "tools/kivo/kivo_process.h"

namespace kivo::cli::testing {
namespace {

using CheckText = KivoCLITest;

TEST_F(CheckText, AcceptedVersion2DocumentReportsTitleVersionAndItemCount) {
    writeDocument("weekly.kivo", weeklyV2);
    const auto r = runKivo({"check", "weekly.kivo"});
    EXPECT_EXITED_WITH(r, 0);
    EXPECT_EQ(r.out, "weekly.kivo: ok \xE2\x80\x94 \"Weekly\" (version 2.0, 1 items)\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(CheckText, AcceptedVersion1DocumentCountsEachItemIDOnce) {
    writeDocument("flyer.kivo", flyerV1);
    const auto r = runKivo({"check", "flyer.kivo"});
    EXPECT_EXITED_WITH(r, 0);
    // Item 7 is registered twice; items 7, 9 and 8 remain.
    EXPECT_EQ(r.out, "flyer.kivo: ok \xE2\x80\x94 \"Flyer\" (version 1, 3 items)\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(CheckText, RejectedDocumentReportsTheMessageAndPosition) {
    writeDocument("notitle.kivo", missingTitle);
    const auto r = runKivo({"check", "notitle.kivo"});
    EXPECT_EXITED_WITH(r, 1);
    EXPECT_EQ(r.out,
              "notitle.kivo: KIVODocumentElement: Missing required attribute: title (line 1, column 0)\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(CheckText, RejectedElementIsPlacedAtItsLine) {
    writeDocument("orientation.kivo", badOrientation);
    const auto r = runKivo({"check", "orientation.kivo"});
    EXPECT_EXITED_WITH(r, 1);
    EXPECT_EQ(r.out,
              "orientation.kivo: FlexboxElement: Unsupported orientation: diagonal (line 4, column 4)\n");
}

TEST_F(CheckText, MalformedXMLReportsTheParserMessage) {
    writeDocument("bad.xml", mismatchedTag);
    const auto r = runKivo({"check", "bad.xml"});
    EXPECT_EXITED_WITH(r, 1);
    EXPECT_EQ(r.out, "bad.xml: mismatched tag (line 3, column 2)\n");
}

TEST_F(CheckText, RootThatIsNotAStorefrontIsRejected) {
    writeDocument("page.html", htmlRoot);
    const auto r = runKivo({"check", "page.html"});
    EXPECT_EXITED_WITH(r, 1);
    EXPECT_EQ(r.out, "page.html: (root): Unsupported element tag: html (line 1, column 0)\n");
}

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

TEST_F(CheckText, UnsupportedVersionIsRejected) {
    writeDocument("v3.kivo",
                  R"(<storefront kivo-version="3" title="x" uuid="u"><head/><body/></storefront>)");
    const auto r = runKivo({"check", "v3.kivo"});
    EXPECT_EXITED_WITH(r, 1);
    EXPECT_EQ(r.out, "v3.kivo: Current support KIVO version is 1 or 2.0 but got 3. (line 1, column 0)\n");
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
