#include <kivo/markup/hex_color.h>
#include <kivo/markup/xml_node.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kivo {
namespace {

// A node holding one attribute "v" with the given text.
XMLNode nodeWith(std::string text) {
    return XMLNode("n", AttributeMap{{"v", std::move(text)}}, std::nullopt, nullptr);
}

template <class T>
std::optional<T> read(std::string text) {
    return nodeWith(std::move(text)).parseOptionalAttribute<T>("v");
}

TEST(XMLNodeAttributes, StringsIntegersDoublesAndBools) {
    EXPECT_EQ(read<std::string>(" as written \n"), " as written \n");
    EXPECT_EQ(read<std::string>(""), "");
    const XMLNode empty("n", {}, std::nullopt, nullptr);
    EXPECT_EQ(empty.parseOptionalAttribute<std::string>("v"), std::nullopt);
    EXPECT_EQ(empty.parseOptionalAttribute<bool>("v"), std::nullopt);

    EXPECT_EQ(read<std::int64_t>("42"), 42);
    EXPECT_EQ(read<std::int64_t>("+7"), 7);
    EXPECT_EQ(read<std::int64_t>("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(read<std::int64_t>("9223372036854775807"), INT64_MAX);
    for (const char* text : {"12.5", " 1", "1 ", "", "+", "9223372036854775808", "0x10", "1e3", "12a"}) {
        EXPECT_EQ(read<std::int64_t>(text), std::nullopt) << '"' << text << '"';
    }

    EXPECT_EQ(read<double>("12.5"), 12.5);
    EXPECT_EQ(read<double>("-0.25"), -0.25);
    EXPECT_EQ(read<double>("1e3"), 1000.0);
    EXPECT_EQ(read<double>(".5"), 0.5);
    for (const char* text : {" 12.5", "12.5 ", "", "nan", "inf", "-infinity", "1e999", "1,5", "12px"}) {
        EXPECT_EQ(read<double>(text), std::nullopt) << '"' << text << '"';
    }

    EXPECT_EQ(read<bool>("true"), true);
    EXPECT_EQ(read<bool>("false"), false);
    for (const char* text : {"TRUE", "True", "1", "yes", "", " true"}) {
        EXPECT_EQ(read<bool>(text), std::nullopt) << '"' << text << '"';
    }
}

TEST(XMLNodeAttributes, RectanglesAndInsetsAreFourNumbersSplitAtSingleBlanks) {
    EXPECT_EQ(read<ui::Rect>("10 20 30 40"), ui::Rect(10, 20, 30, 40));
    EXPECT_EQ(read<ui::Rect>(" \n10 20.5 -30 4e1\n "), ui::Rect(10, 20.5, -30, 40));
    EXPECT_EQ(read<ui::Rect>("1\t2\t3\t4"), ui::Rect(1, 2, 3, 4));
    // Runs of blanks are not merged, so a double blank leaves an empty piece.
    for (const char* text : {"10  20 30 40", "1 2 3", "1 2 3 4 5", "1 2 x 4", "1 2 3 nan", "", "1,2,3,4"}) {
        EXPECT_EQ(read<ui::Rect>(text), std::nullopt) << '"' << text << '"';
        EXPECT_EQ(read<ui::EdgeInsets>(text), std::nullopt) << '"' << text << '"';
    }

    // Written left, top, right, bottom.
    const auto insets = read<ui::EdgeInsets>("1 2 3 4");
    ASSERT_TRUE(insets.has_value());
    EXPECT_EQ(insets->left, 1);
    EXPECT_EQ(insets->top, 2);
    EXPECT_EQ(insets->right, 3);
    EXPECT_EQ(insets->bottom, 4);
}

TEST(XMLNodeAttributes, URLsAndColours) {
    EXPECT_EQ(read<ui::URL>("https://cdn.example.com/a.png")->string(), "https://cdn.example.com/a.png");
    EXPECT_EQ(read<ui::URL>("images/milk.png")->string(), "images/milk.png");
    EXPECT_EQ(read<ui::URL>(""), std::nullopt);
    EXPECT_EQ(read<ui::URL>("a b.png"), std::nullopt);
    EXPECT_EQ(read<ui::URL>(" https://x/a.png"), std::nullopt);

    EXPECT_EQ(read<ui::Color>("#00FF00"), ui::Color::rgba(0, 1, 0, 1));
    EXPECT_EQ(read<ui::Color>(""), std::nullopt);
}

TEST(XMLNodeAttributes, RequiredAttributesThrowWithTheNodeNameAndKey) {
    const XMLNode node("storefront", AttributeMap{{"uuid", "u-1"}, {"count", "abc"}}, std::nullopt, nullptr);
    EXPECT_EQ(node.parseRequiredAttribute<std::string>("uuid"), "u-1");

    const auto expectMissing = [&](auto read, const std::string& key) {
        try {
            read();
            ADD_FAILURE() << "no error for " << key;
        } catch (const Error& e) {
            ASSERT_NE(e.kivoError(), nullptr);
            EXPECT_EQ(e.caseName(), "missingRequiredAttribute");
            EXPECT_EQ(e.payload(), (ErrorPayload{std::string("storefront"), key}));
            EXPECT_EQ(e.message(), "storefront: Missing required attribute: " + key);
        }
    };
    expectMissing([&] { node.parseRequiredAttribute<std::string>("title"); }, "title");
    // Present but unreadable counts as missing.
    expectMissing([&] { node.parseRequiredAttribute<std::int64_t>("count"); }, "count");
    expectMissing([&] { node.parseRequiredAttribute<std::int64_t>("uuid"); }, "uuid");
}

TEST(HexColor, ReadsLikeAScannerAndKeepsSinglePrecision) {
    const auto byte = [](int b) { return static_cast<double>(static_cast<float>(b) / 255.0f); };

    EXPECT_EQ(colorFromHexString(""), std::nullopt);
    const auto orange = colorFromHexString("#FF8000");
    ASSERT_TRUE(orange.has_value());
    EXPECT_EQ(*orange, ui::Color::rgba(1, byte(128), 0, 1));
    // The component is rounded to single precision before it becomes a double.
    EXPECT_NE(orange->g(), 128.0 / 255.0);
    EXPECT_EQ(colorFromHexString("FF8000"), orange);
    EXPECT_EQ(colorFromHexString("ff8000"), orange);

    // No shorthand: "ABC" is 0x000ABC.
    EXPECT_EQ(colorFromHexString("ABC"), ui::Color::rgba(0, byte(10), byte(188), 1));
    // No hex digit at all reads as 0, which is black.
    for (const char* text : {"red", "#", "##FF0000", " #FF0000", "0x", "-FF0000"}) {
        EXPECT_EQ(colorFromHexString(text), ui::Color::black()) << '"' << text << '"';
    }
    // Blanks are skipped, "0x" is a prefix, and reading stops at the first non-hex character.
    EXPECT_EQ(colorFromHexString(" \n0xFF0000"), ui::Color::red());
    EXPECT_EQ(colorFromHexString("#0X0000FF"), ui::Color::blue());
    EXPECT_EQ(colorFromHexString("FF00FFzz00"), ui::Color::magenta());
    // Only the low 32 bits count, and the top byte of those is ignored: there is no alpha.
    EXPECT_EQ(colorFromHexString("#1FF0000FF"), ui::Color::blue());
    EXPECT_EQ(colorFromHexString("80FFFFFF"), ui::Color::white());
    // Numbers past 64 bits saturate to all ones.
    EXPECT_EQ(colorFromHexString("FFFFFFFFFFFFFFFFFFFF00"), ui::Color::white());

    EXPECT_EQ(colorWithHex(0x336699, 0.5f), ui::Color::rgba(byte(0x33), byte(0x66), byte(0x99), 0.5));
}

TEST(ItemID, VersionOneGrammar) {
    const auto id = [](AttributeMap attributes) {
        return XMLNode("area", std::move(attributes), std::nullopt, nullptr).parseV1ID();
    };
    EXPECT_EQ(id({{"item-id", "abc"}, {"item-source", "flyer"}}), KIVOItemID("abc", KIVOSource::flyer));
    // The identifier is kept verbatim, with no number check.
    EXPECT_EQ(id({{"item-id", " 1.5 "}, {"item-source", "coupon"}}), KIVOItemID(" 1.5 ", KIVOSource::coupon));
    // "ecom" is the older spelling of the e-commerce search source.
    EXPECT_EQ(id({{"item-id", "7"}, {"item-source", "ecom"}}), KIVOItemID("7", KIVOSource::ecomSearch));
    EXPECT_EQ(id({{"item-id", "7"}, {"item-source", "ecom-search"}}),
              KIVOItemID("7", KIVOSource::ecomSearch));
    EXPECT_EQ(id({{"item-id", "o"}, {"item-source", "offer"}}), KIVOItemID("o", KIVOSource::offer));
    EXPECT_EQ(id({{"item-id", "a"}, {"item-source", "action"}}), KIVOItemID("a", KIVOSource::action));

    EXPECT_EQ(id({{"item-id", "1"}, {"item-source", "Flyer"}}), std::nullopt);
    EXPECT_EQ(id({{"item-id", "1"}, {"item-source", " flyer"}}), std::nullopt);
    EXPECT_EQ(id({{"item-id", "1"}}), std::nullopt);
    EXPECT_EQ(id({{"item-source", "flyer"}}), std::nullopt);
    EXPECT_EQ(id({{"source-id", "1"}, {"source", "flyer"}}), std::nullopt);
}

TEST(ItemID, VersionTwoGrammar) {
    const auto id = [](AttributeMap attributes) {
        return XMLNode("area", std::move(attributes), std::nullopt, nullptr).parseV2ID();
    };
    EXPECT_EQ(id({{"source-id", "-7"}, {"source", "flyer"}}), KIVOItemID("-7", KIVOSource::flyer));
    EXPECT_EQ(id({{"source-id", "+12"}, {"source", "coupon"}}), KIVOItemID("+12", KIVOSource::coupon));
    // No rewriting of "ecom" in version 2.
    EXPECT_EQ(id({{"source-id", "12"}, {"source", "ecom"}}), KIVOItemID("12", KIVOSource::ecom));
    EXPECT_EQ(id({{"source-id", "12"}, {"source", "ecom-search"}}), KIVOItemID("12", KIVOSource::ecomSearch));
    // Sources with numeric identifiers need a whole 64-bit integer.
    for (const char* source : {"flyer", "ecom", "ecom-search", "coupon"}) {
        for (const char* text : {"1.5", " 7", "7 ", "", "abc", "99999999999999999999"}) {
            EXPECT_EQ(id({{"source-id", text}, {"source", source}}), std::nullopt) << source << " " << text;
        }
    }
    // Offers and actions take any text.
    EXPECT_EQ(id({{"source-id", "spring sale"}, {"source", "offer"}}),
              KIVOItemID("spring sale", KIVOSource::offer));
    EXPECT_EQ(id({{"source-id", ""}, {"source", "action"}}), KIVOItemID("", KIVOSource::action));

    EXPECT_EQ(id({{"source-id", "1"}, {"source", "shop"}}), std::nullopt);
    EXPECT_EQ(id({{"source-id", "1"}}), std::nullopt);
    EXPECT_EQ(id({{"source", "offer"}}), std::nullopt);
    EXPECT_EQ(id({{"item-id", "1"}, {"item-source", "offer"}}), std::nullopt);
}

TEST(XMLNode, PayloadAttributesDropThePrefix) {
    const XMLNode node("area",
                       AttributeMap{{"payload-sku", "123"},
                                    {"payload-", "bare"},
                                    {"payload-price-text", "2 for $5"},
                                    {"xpayload-no", "1"},
                                    {"Payload-no", "2"},
                                    {"href", "h"}},
                       std::nullopt, nullptr);
    EXPECT_EQ(node.payloadAttributes(),
              (std::map<std::string, std::string>{{"", "bare"}, {"price-text", "2 for $5"}, {"sku", "123"}}));
    EXPECT_TRUE(XMLNode("area", {}, std::nullopt, nullptr).payloadAttributes().empty());
}

} // namespace
} // namespace kivo
