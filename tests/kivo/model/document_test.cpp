#include "kivo/model/model_test_support.h"

#include <kivo/model/document_element.h>
#include <kivo/model/kivo_version.h>

namespace kivo {
namespace {

using namespace kivo::test;

std::string storefront(const std::string& body, const std::string& head = "",
                       const std::string& rootAttributes = R"(title="Deals" uuid="u-1")") {
    return "<storefront " + rootAttributes + "><head>" + head + "</head><body>" + body +
           "</body></storefront>";
}

const std::string emptyLayout = R"(<linear-layout width="1" height="1"/>)";

TEST(KIVOVersion, ReadFromTheRootNode) {
    const auto version = [](AttributeMap attributes) {
        return kivoVersion(XMLNode("storefront", std::move(attributes), std::nullopt, nullptr));
    };
    EXPECT_EQ(version({}), KIVOVersion::v1);
    EXPECT_EQ(version({{"kivo-version", "1"}}), KIVOVersion::v1);
    EXPECT_EQ(version({{"kivo-version", "2.0"}}), KIVOVersion::v2);
    for (const char* text : {"2", "1.0", "2.00", " 1", ""}) {
        expectError(thrownBy([&] {
                        version({{"kivo-version", text}});
                    }),
                    KIVOError::unsupportedKIVOVersion("1 or 2.0", text),
                    std::string("Current support KIVO version is 1 or 2.0 but got ") + text + ".");
    }
}

TEST(ParseDocument, BuildsAVersionTwoDocumentWithStylesAndFonts) {
    const std::string xml = R"(<?xml version="1.0"?>
<storefront kivo-version="2.0" title="Weekly Deals" subtitle="Valid until Sunday" uuid="u-9" content-hash="h1">
  <head>
    <styles>
      <style id="title" font-family="https://x/bold.ttf"/>
      <style id="body" font-family="https://x/regular.ttf"/>
      <style id="title" font-size="20"/>
    </styles>
    <wayfinder><category name="Dairy" anchor-id="1"/></wayfinder>
  </head>
  <body>
    <linear-layout width="match-parent" height="wrap-content">
      <item-atom source="offer" source-id="o-1" width="100" height="100"/>
    </linear-layout>
  </body>
</storefront>)";
    int reports = 0;
    const ParsedDocument parsed = parseDocument(xml, [&](const TitleReport& report) {
        ++reports;
        EXPECT_EQ(report, (TitleReport{{"title", "Weekly Deals"}, {"subtitle", "Valid until Sunday"}}));
    });
    ASSERT_FALSE(parsed.error.has_value()) << parsed.error->message();
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(parsed.titleReport,
              (TitleReport{{"title", "Weekly Deals"}, {"subtitle", "Valid until Sunday"}}));
    EXPECT_EQ(parsed.version, KIVOVersion::v2);

    const auto& document = *parsed.document;
    EXPECT_EQ(document.title(), "Weekly Deals");
    EXPECT_EQ(document.subtitle(), "Valid until Sunday");
    EXPECT_EQ(document.uuid(), "u-9");
    EXPECT_EQ(document.contentHash(), "h1");
    ASSERT_EQ(document.headElements().size(), 2u);
    EXPECT_NE(elementAs<StylesMetaElement>(document.headElements()[0]), nullptr);
    EXPECT_NE(elementAs<WayfinderMetaElement>(document.headElements()[1]), nullptr);
    const auto layout = elementAs<LinearLayoutElement>(document.content());
    ASSERT_NE(layout, nullptr);
    ASSERT_EQ(layout->content().size(), 1u);
    // In a version-2 document item-atom is the version-2 atom.
    EXPECT_NE(elementAs<ItemAtomElementV2>(layout->content()[0]), nullptr);

    // A later style with the same id replaces the earlier one.
    ASSERT_EQ(parsed.styles.size(), 2u);
    EXPECT_EQ(parsed.styles.at("title")->textStyle().fontSize, 20);
    EXPECT_EQ(parsed.styles.at("title")->textStyle().fontFamily, std::nullopt);
    EXPECT_EQ(parsed.fonts, (std::vector<ui::URL>{*ui::URL::fromString("https://x/regular.ttf")}));
}

TEST(ParseDocument, VersionOneDocumentsAndTheirOptionalParts) {
    const ParsedDocument parsed = parseDocument(storefront(
        std::string(
            R"(<linear-layout width="1" height="1"><item-atom item-id="a" item-source="offer" width="1"
            height="1">)") +
        urlSource + "</item-atom></linear-layout>"));
    ASSERT_FALSE(parsed.error.has_value()) << parsed.error->message();
    EXPECT_EQ(parsed.version, KIVOVersion::v1);
    EXPECT_EQ(parsed.titleReport, (TitleReport{{"title", "Deals"}}));
    EXPECT_EQ(parsed.document->subtitle(), std::nullopt);
    EXPECT_EQ(parsed.document->contentHash(), std::nullopt);
    EXPECT_TRUE(parsed.document->headElements().empty());
    EXPECT_TRUE(parsed.styles.empty());
    const auto layout = elementAs<LinearLayoutElement>(parsed.document->content());
    ASSERT_NE(layout, nullptr);
    EXPECT_NE(elementAs<ItemAtomElement>(layout->content().at(0)), nullptr);

    // The title report holds only what the root has.
    const auto root = parseMarkup(R"(<storefront title="Only"/>)");
    EXPECT_EQ(KIVODocumentElement::preloadUserInfo(*root), (TitleReport{{"title", "Only"}}));
    EXPECT_TRUE(KIVODocumentElement::preloadUserInfo(*parseMarkup("<storefront/>")).empty());

    // A self-closing head is an empty head.
    const ParsedDocument selfClosing = parseDocument(R"(<storefront title="T" uuid="u"><head/><body>)" +
                                                     emptyLayout + "</body></storefront>");
    ASSERT_FALSE(selfClosing.error.has_value()) << selfClosing.error->message();
    EXPECT_TRUE(selfClosing.document->headElements().empty());
}

TEST(ParseDocument, RefusesDocumentsOfTheWrongShape) {
    struct Case {
        std::string xml;
        KIVOError error;
        std::string message;
    };
    const std::string doc = "KIVODocumentElement";
    const Case cases[] = {
        {storefront(emptyLayout, "", R"(title="" uuid="u")"),
         KIVOError::missingRequiredAttribute(doc, "title"),
         "KIVODocumentElement: Missing required attribute: title"},
        {storefront(emptyLayout, "", R"(uuid="u")"), KIVOError::missingRequiredAttribute(doc, "title"),
         "KIVODocumentElement: Missing required attribute: title"},
        {storefront(emptyLayout, "", R"(title="T")"),
         KIVOError::missingRequiredAttribute("storefront", "uuid"),
         "storefront: Missing required attribute: uuid"},
        {R"(<storefront title="T" uuid="u"><head/><body/><body/></storefront>)",
         KIVOError::unsupportedNumberOfChildren(doc, 3),
         "Unsupported number of children of KIVODocumentElement: 3"},
        {R"(<storefront title="T" uuid="u"><head/></storefront>)",
         KIVOError::unsupportedNumberOfChildren(doc, 1),
         "Unsupported number of children of KIVODocumentElement: 1"},
        {storefront(emptyLayout + emptyLayout), KIVOError::unsupportedNumberOfChildren("(body)", 2),
         "Unsupported number of children of (body): 2"},
        {storefront(""), KIVOError::unsupportedNumberOfChildren("(body)", 0),
         "Unsupported number of children of (body): 0"},
        {storefront(emptyLayout, R"(<text value="x"/>)"),
         KIVOError::unsupportedElementTag(doc, "TextElement"),
         "KIVODocumentElement: Unsupported element tag: TextElement"},
        {storefront(emptyLayout, emptyLayout), KIVOError::unsupportedElementTag(doc, "UIElement"),
         "KIVODocumentElement: Unsupported element tag: UIElement"},
        {storefront(R"(<flyer-source path="p" resolutions="1" rect="0 1 1 0" width="1" height="1"/>)"),
         KIVOError::unsupportedElementTag(doc, "SourceElement"),
         "KIVODocumentElement: Unsupported element tag: SourceElement"},
        {storefront("<wayfinder/>"), KIVOError::unsupportedElementTag(doc, "HeadElement"),
         "KIVODocumentElement: Unsupported element tag: HeadElement"},
        {storefront("<carousel/>"), KIVOError::unsupportedElementTag("parseElement(for:)", "carousel"),
         "parseElement(for:): Unsupported element tag: carousel"},
        {R"(<storefront title="T" uuid="u"><body/><head/></storefront>)",
         KIVOError::unsupportedElementTag(doc, "body"), "KIVODocumentElement: Unsupported element tag: body"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xml);
        const ParsedDocument parsed = parseDocument(c.xml);
        ASSERT_TRUE(parsed.error.has_value());
        expectError(*parsed.error, c.error, c.message);
        EXPECT_EQ(parsed.document, nullptr);
        // These are found after the root was checked, so the title has been reported.
        EXPECT_TRUE(parsed.titleReport.has_value());
    }
}

TEST(ParseDocument, StopsBeforeTheTitleReportOnBadBytesVersionsOrRoots) {
    bool reported = false;
    const auto onTitle = [&](const TitleReport&) { reported = true; };

    const ParsedDocument flyer =
        parseDocument(R"(<flyer title="T" uuid="u"><head/><body/></flyer>)", onTitle);
    ASSERT_TRUE(flyer.error.has_value());
    expectTag(*flyer.error, "(root)", "flyer");
    EXPECT_EQ(flyer.titleReport, std::nullopt);

    const ParsedDocument version =
        parseDocument(storefront(emptyLayout, "", R"(kivo-version="2" title="T")"), onTitle);
    ASSERT_TRUE(version.error.has_value());
    expectError(*version.error, KIVOError::unsupportedKIVOVersion("1 or 2.0", "2"),
                "Current support KIVO version is 1 or 2.0 but got 2.");
    EXPECT_EQ(version.titleReport, std::nullopt);
    EXPECT_EQ(version.version, std::nullopt);

    const ParsedDocument broken = parseDocument("<storefront title=\"T\">", onTitle);
    ASSERT_TRUE(broken.error.has_value());
    EXPECT_EQ(broken.error->domain(), "XMLParser");
    EXPECT_EQ(broken.error->caseName(), "XML_ERROR_NO_ELEMENTS");
    EXPECT_EQ(broken.titleReport, std::nullopt);
    EXPECT_EQ(broken.document, nullptr);
    EXPECT_FALSE(reported);
}

TEST(ItemRegistration, RegistersImageAreasAndItemAtomsInOrder) {
    const std::string image = R"(<image width="1" height="1">
        <url-source url="u" width="1" height="1">
          <area source="offer" source-id="a" href="h" rect="0 0 1 1" target-anchor-id="7" payload-n="1">
            <action type="link" ttm-url="https://x/a"/>
          </area>
          <area source="coupon" source-id="5" href="h" rect="0 0 1 1"/>
        </url-source>
        <flyer-source path="p" resolutions="1" rect="0 1 1 0" width="1" height="1">
          <area source="offer" source-id="a" href="h2" rect="0 1 1 0" payload-n="2"/>
        </flyer-source>
      </image>)";
    const ParsedDocument v2 = parseDocument(storefront(
        R"(<flexbox width="1" height="1">)" + image + R"(<item-atom source="action" source-id="go" width="1"
            height="1" target-anchor-id="3"><beacon-meta k="v"/><action type="link" ttm-url="https://x/go"/></item-atom>
        </flexbox>)",
        "", R"(kivo-version="2.0" title="T" uuid="u")"));
    ASSERT_FALSE(v2.error.has_value()) << v2.error->message();
    const ItemAttributesMap& items = v2.itemIDAttributes;
    const KIVOItemID a("a", KIVOSource::offer);
    const KIVOItemID coupon("5", KIVOSource::coupon);
    const KIVOItemID go("go", KIVOSource::action);
    // The second area with the same ID replaces the attributes but keeps the first place.
    EXPECT_EQ(items.registrationOrder(), (std::vector<KIVOItemID>{a, coupon, go}));
    EXPECT_EQ(*items.find(a), KIVOItemAttributes(a, std::nullopt, std::nullopt, {{"n", "2"}}));
    EXPECT_EQ(*items.find(coupon), KIVOItemAttributes(coupon, std::nullopt, std::nullopt, {}));
    EXPECT_EQ(*items.find(go),
              KIVOItemAttributes(go, KIVOAction(KIVOActionType::link, ui::URL::fromString("https://x/go")), 3,
                                 {{"k", "v"}}));
    EXPECT_EQ(items.find(KIVOItemID("a", KIVOSource::coupon)), nullptr);

    // Version-1 atoms are registered with a "none" action and their payload attributes.
    ElementParser parser;
    parser.setKivoVersion(KIVOVersion::v1);
    const auto layout = parseMarkup(std::string(R"(<linear-layout><item-atom item-id="i" item-source="flyer"
        target-anchor-id="2" payload-p="q" width="1" height="1">)") +
                                    urlSource + "</item-atom>" + image + "</linear-layout>");
    EXPECT_EQ(parser.parseChildren(*layout).size(), 2u);
    const KIVOItemID i("i", KIVOSource::flyer);
    EXPECT_EQ(parser.itemIDAttributes().registrationOrder(), (std::vector<KIVOItemID>{i, a, coupon}));
    EXPECT_EQ(*parser.itemIDAttributes().find(i), KIVOItemAttributes(i, std::nullopt, 2, {{"p", "q"}}));
    // The first area's own action reaches its attributes when it is the last registration.
    ElementParser single;
    single.setKivoVersion(KIVOVersion::v1);
    const auto wrapper = parseMarkup("<w>" + image.substr(0, image.find("<flyer-source")) + "</image></w>");
    single.parseChildren(*wrapper);
    EXPECT_EQ(*single.itemIDAttributes().find(a),
              KIVOItemAttributes(a, KIVOAction(KIVOActionType::link, ui::URL::fromString("https://x/a")), 7,
                                 {{"n", "1"}}));
}

TEST(ErrorPosition, ErrorsPointAtTheElementTheyCameFrom) {
    const std::string xml =
        "<storefront title=\"T\" uuid=\"u\">\n"                             // line 1
        "<head>\n"                                                          // line 2
        "  <wayfinder><category name=\"D\" anchor-id=\"1\"/></wayfinder>\n" // line 3
        "</head><body>\n"                                                   // line 4
        "  <image width=\"1\" height=\"1\"><url-source url=\"a.png\" width=\"x\" height=\"1\"/></image>\n"
        "</body></storefront>\n";
    const ParsedDocument parsed = parseDocument(xml);
    ASSERT_TRUE(parsed.error.has_value());
    expectMissing(*parsed.error, "url-source", "width");
    EXPECT_EQ(parsed.error->position(), (SourcePosition{5, 30}));

    // An area inside a source, a category inside the wayfinder, a style inside styles.
    const auto positionOf = [](const std::string& xml) { return errorOf(xml).position(); };
    EXPECT_EQ(
        positionOf("<url-source url=\"u\" width=\"1\" height=\"1\">\n\n   <area href=\"h\"/></url-source>"),
        (SourcePosition{3, 3}));
    EXPECT_EQ(positionOf("<wayfinder>\n<category name=\"D\"/></wayfinder>"), (SourcePosition{2, 0}));
    EXPECT_EQ(positionOf("<styles>\n <style/>\n</styles>"), (SourcePosition{2, 1}));
    EXPECT_EQ(positionOf("<linear-layout width=\"1\" height=\"1\">\n  <linear-layout orientation=\"up\"/>\n"
                         "</linear-layout>"),
              (SourcePosition{2, 2}));

    // Errors about the document itself point at the root, the head or the body.
    EXPECT_EQ(parseDocument("\n<storefront title=\"T\"><head/><body/></storefront>").error->position(),
              (SourcePosition{2, 0}));
    EXPECT_EQ(parseDocument(R"(<storefront title="T" uuid="u"><head/><body></body></storefront>)")
                  .error->position(),
              (SourcePosition{1, 38}));
}

} // namespace
} // namespace kivo
