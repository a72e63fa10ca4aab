// The sample documents shipped in examples/ must always parse.

#include <kivo/model/body_elements.h>
#include <kivo/model/element_parser.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace kivo;

namespace {

std::string readExample(const std::string& name) {
    std::ifstream in(std::string(KIVO_SOURCE_DIR) + "/examples/" + name, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

} // namespace

TEST(Examples, EverySampleDocumentParsesWithItsItemsAndFonts) {
    struct Expected {
        const char* file;
        KIVOVersion version;
        std::size_t items;
        std::size_t fonts;
    };
    for (const Expected& e :
         {Expected{"storefront_v2.kivo", KIVOVersion::v2, 7, 2},
          Expected{"flyer_v1.kivo", KIVOVersion::v1, 5, 0}, Expected{"small.kivo", KIVOVersion::v2, 0, 0},
          Expected{"weekly_deals_v2.kivo", KIVOVersion::v2, 0, 0}}) {
        SCOPED_TRACE(e.file);
        const std::string markup = readExample(e.file);
        ASSERT_FALSE(markup.empty());
        const ParsedDocument parsed = parseDocument(markup);
        ASSERT_FALSE(parsed.error) << parsed.error->message();
        EXPECT_EQ(parsed.version, e.version);
        EXPECT_EQ(parsed.itemIDAttributes.size(), e.items);
        EXPECT_EQ(parsed.fonts.size(), e.fonts);
        EXPECT_TRUE(std::holds_alternative<std::shared_ptr<LinearLayoutElement>>(parsed.document->content()));
    }
}
