#include <kivo/markup/xml_parser_helper.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kivo {
namespace {

std::shared_ptr<XMLNode> parse(const std::string& xml) {
    XMLParserHelper helper(xml);
    const std::optional<Error> error = helper.start();
    EXPECT_FALSE(error.has_value()) << xml << ": " << (error ? error->message() : "");
    return helper.documentNode();
}

std::optional<std::string> valueOf(const std::string& xml) {
    return parse(xml)->value();
}

std::string nested(int depth) {
    std::string xml;
    for (int i = 0; i < depth; ++i) {
        xml += "<n>";
    }
    for (int i = 0; i < depth; ++i) {
        xml += "</n>";
    }
    return xml;
}

TEST(XMLParserHelper, BuildsTheElementTree) {
    const std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<storefront title=\"Deals\" uuid=\"u-1\">\n"
                            "  <head/>\n"
                            "  <k:body a=\"1\" b=\"two &amp; three\"><linear-layout/><image/></k:body>\n"
                            "</storefront>\n";
    XMLParserHelper helper(xml);
    // Before parsing there is only an empty synthetic node.
    EXPECT_EQ(helper.documentNode()->name(), "");
    EXPECT_TRUE(helper.documentNode()->children().empty());

    ASSERT_FALSE(helper.start().has_value());
    const auto root = helper.documentNode();
    EXPECT_EQ(root->name(), "storefront");
    EXPECT_EQ(root->parent(), nullptr);
    EXPECT_EQ(root->attributes(), (AttributeMap{{"uuid", "u-1"}, {"title", "Deals"}}));
    EXPECT_EQ(root->value(), std::nullopt);
    EXPECT_EQ(root->position(), (SourcePosition{2, 0}));

    ASSERT_EQ(root->children().size(), 2u);
    const auto& head = root->children()[0];
    const auto& body = root->children()[1];
    EXPECT_EQ(head->name(), "head");
    EXPECT_TRUE(head->attributes().empty());
    // The namespace prefix stays part of the name; no declaration is needed for it.
    EXPECT_EQ(body->name(), "k:body");
    EXPECT_EQ(body->attributes(), (AttributeMap{{"a", "1"}, {"b", "two & three"}}));
    EXPECT_EQ(body->parent(), root);
    EXPECT_EQ(head->parent(), root);
    EXPECT_EQ(body->position(), (SourcePosition{4, 2}));

    ASSERT_EQ(body->children().size(), 2u);
    EXPECT_EQ(body->children()[0]->name(), "linear-layout");
    EXPECT_EQ(body->children()[1]->name(), "image");
    EXPECT_EQ(body->children()[1]->parent(), body);
    EXPECT_EQ(body->children()[1]->position(), (SourcePosition{4, 52}));
}

TEST(XMLParserHelper, TextValuesAreTrimmedAndTheLastNonBlankChunkWins) {
    EXPECT_EQ(valueOf("<a> Weekly Deals \n</a>"), "Weekly Deals");
    EXPECT_EQ(valueOf("<a>  \n\t\r\n </a>"), std::nullopt);
    EXPECT_EQ(valueOf("<a></a>"), std::nullopt);
    // Unicode space separators and line breaks are trimmed too; inner blanks stay.
    EXPECT_EQ(valueOf("<a>\u00A0\u3000Milk  2%\u2028\u2003</a>"), "Milk  2%");
    // Expat delivers a line break as its own chunk, so the last line replaces the first.
    EXPECT_EQ(valueOf("<a>Line one\nLine two\n</a>"), "Line two");

    // Text after a child belongs to the parent again and replaces its value; the child has none.
    const auto mixed = parse("<a>A<x/>B</a>");
    EXPECT_EQ(mixed->value(), "B");
    ASSERT_EQ(mixed->children().size(), 1u);
    EXPECT_EQ(mixed->children()[0]->value(), std::nullopt);
    // Blank text after the child does not replace the value.
    EXPECT_EQ(valueOf("<a>A<x/>  \n</a>"), "A");
    const auto inner = parse("<a><x> inside </x></a>");
    EXPECT_EQ(inner->value(), std::nullopt);
    EXPECT_EQ(inner->children()[0]->value(), "inside");

    // CDATA text never becomes a value, and comments leave the value as it was.
    EXPECT_EQ(valueOf("<a><![CDATA[hidden]]></a>"), std::nullopt);
    EXPECT_EQ(valueOf("<a>shown<![CDATA[hidden]]></a>"), "shown");
    EXPECT_EQ(valueOf("<a>kept<!-- note --></a>"), "kept");
    EXPECT_EQ(valueOf("<a>first<!-- note -->second</a>"), "second");
}

TEST(XMLParserHelper, MalformedXMLReportsTheExpatError) {
    struct Case {
        std::string xml;
        std::string caseName;
        std::string message;
        std::int64_t line;
        std::int64_t column;
    };
    const Case cases[] = {
        {"", "XML_ERROR_NO_ELEMENTS", "no element found", 1, 0},
        {"<a><b></a>", "XML_ERROR_TAG_MISMATCH", "mismatched tag", 1, 8},
        {"<a x=\"1\" x=\"2\"/>", "XML_ERROR_DUPLICATE_ATTRIBUTE", "duplicate attribute", 1, 9},
        {"<a/><b/>", "XML_ERROR_JUNK_AFTER_DOC_ELEMENT", "junk after document element", 1, 4},
        {"<a>\n  <b>\n</a>", "XML_ERROR_TAG_MISMATCH", "mismatched tag", 3, 2},
        {"<a>&nope;</a>", "XML_ERROR_UNDEFINED_ENTITY", "undefined entity", 1, 3},
    };
    for (const Case& c : cases) {
        XMLParserHelper helper(c.xml);
        const std::optional<Error> error = helper.start();
        ASSERT_TRUE(error.has_value()) << c.xml;
        EXPECT_EQ(error->domain(), "XMLParser") << c.xml;
        EXPECT_EQ(error->caseName(), c.caseName) << c.xml;
        EXPECT_EQ(error->message(), c.message) << c.xml;
        EXPECT_EQ(error->payload(), (ErrorPayload{c.line, c.column})) << c.xml;
        EXPECT_EQ(error->position(), (SourcePosition{c.line, c.column})) << c.xml;
        // No part of the broken document is kept.
        EXPECT_EQ(helper.documentNode()->name(), "") << c.xml;
        EXPECT_TRUE(helper.documentNode()->children().empty()) << c.xml;
    }
}

TEST(XMLParserHelper, RefusesNestingDeeperThan256Elements) {
    XMLParserHelper deepest(nested(256));
    ASSERT_FALSE(deepest.start().has_value());
    int depth = 0;
    for (auto node = deepest.documentNode(); node;
         node = node->children().empty() ? nullptr : node->children().front()) {
        EXPECT_EQ(node->name(), "n");
        ++depth;
    }
    EXPECT_EQ(depth, 256);

    for (const int tooDeep : {257, 100000}) {
        XMLParserHelper helper(nested(tooDeep));
        const std::optional<Error> error = helper.start();
        ASSERT_TRUE(error.has_value()) << tooDeep;
        ASSERT_NE(error->kivoError(), nullptr) << tooDeep;
        EXPECT_EQ(error->domain(), "KIVOError");
        EXPECT_EQ(error->caseName(), "general");
        EXPECT_EQ(error->payload(), (ErrorPayload{std::string("Element nesting exceeds 256 levels.")}));
        EXPECT_EQ(error->message(), "Element nesting exceeds 256 levels.");
        // Reported at the start tag of the 257th element.
        EXPECT_EQ(error->position(), (SourcePosition{1, 256 * 3}));
        EXPECT_TRUE(helper.documentNode()->children().empty());
    }
}

} // namespace
} // namespace kivo
