#include "kivo/model/model_test_support.h"

#include <kivo/model/measure_spec.h>

namespace kivo {
namespace {

using namespace kivo::test;

MeasureSpec measure(const char* text) {
    const std::string value(text);
    return MeasureSpec::parse(&value, "LinearLayoutElement", "width");
}

TEST(MeasureSpec, ReadsFiniteNumbersAndExactKeywords) {
    EXPECT_EQ(measure("120"), MeasureSpec::number(120));
    EXPECT_EQ(measure("1e2"), MeasureSpec::number(100));
    EXPECT_EQ(measure("-0.5"), MeasureSpec::number(-0.5));
    EXPECT_EQ(measure("match-parent"), MeasureSpec::matchParent());
    EXPECT_EQ(measure("wrap-content"), MeasureSpec::wrapContent());
    EXPECT_EQ(measure("preserve-aspect"), MeasureSpec::preserveAspect());

    for (const char* text : {"Match-Parent", " 120", "120px", "nan", "inf", "1e999", ""}) {
        expectError(thrownBy([&] { measure(text); }),
                    KIVOError::unsupportedMeasureSpec("LinearLayoutElement", text),
                    std::string("LinearLayoutElement: Unsupported measure spec: ") + text);
    }
    expectMissing(thrownBy([] { MeasureSpec::parse(nullptr, "ImageElement", "height"); }), "ImageElement",
                  "height");

    EXPECT_EQ(MeasureSpec::number(120).kivoRepresentation(), "120.0");
    EXPECT_EQ(measure("1e2").kivoRepresentation(), "100.0");
    EXPECT_EQ(MeasureSpec::number(0.5).kivoRepresentation(), "0.5");
    EXPECT_EQ(MeasureSpec::number(-3).kivoRepresentation(), "-3.0");
    EXPECT_EQ(MeasureSpec::matchParent().kivoRepresentation(), "match-parent");
    EXPECT_EQ(MeasureSpec::wrapContent().kivoRepresentation(), "wrap-content");
    EXPECT_EQ(MeasureSpec::preserveAspect().kivoRepresentation(), "preserve-aspect");
}

TEST(BaseUIElement, WidthAndHeightAreRequiredAndNamedByElementType) {
    // With both missing the width is reported.
    expectMissing(errorOf("<linear-layout/>"), "LinearLayoutElement", "width");
    expectMissing(errorOf(R"(<linear-layout width="1"/>)"), "LinearLayoutElement", "height");
    // A flexbox is named as such, though its attributes are read by the linear layout it extends.
    expectMissing(errorOf(R"(<flexbox height="1"/>)"), "FlexboxElement", "width");
    expectError(errorOf(R"(<flexbox width="1" height="full"/>)"),
                KIVOError::unsupportedMeasureSpec("FlexboxElement", "full"),
                "FlexboxElement: Unsupported measure spec: full");
    expectMissing(errorOf(std::string("<image>") + urlSource + "</image>"), "ImageElement", "width");
    expectMissing(errorOf(R"(<item-atom source="offer" source-id="o" width="1"/>)", KIVOVersion::v2),
                  "ItemAtomElementV2", "height");
    expectError(errorOf(R"(<linear-layout width="Match-Parent" height="1"/>)"),
                KIVOError::unsupportedMeasureSpec("LinearLayoutElement", "Match-Parent"),
                "LinearLayoutElement: Unsupported measure spec: Match-Parent");
}

TEST(BaseUIElement, CommonAttributesCountAsAbsentWhenUnreadable) {
    const auto bad = build<LinearLayoutElement>(
        R"(<linear-layout width="120" height="wrap-content" flex-grow="2.5" anchor-id="abc"
                          aspect-ratio="wide" background-color="" padding="1 2 3" margin="x"/>)");
    EXPECT_EQ(bad->widthSpec(), MeasureSpec::number(120));
    EXPECT_EQ(bad->heightSpec(), MeasureSpec::wrapContent());
    EXPECT_EQ(bad->flexGrow(), std::nullopt);
    EXPECT_EQ(bad->anchorID(), std::nullopt);
    EXPECT_EQ(bad->aspectRatio(), std::nullopt);
    EXPECT_EQ(bad->backgroundColor(), std::nullopt);
    EXPECT_EQ(bad->styleID(), std::nullopt);
    EXPECT_EQ(bad->v1Padding(), ui::EdgeInsets());
    EXPECT_EQ(bad->v1Margin(), ui::EdgeInsets());

    const auto good = build<LinearLayoutElement>(
        R"(<linear-layout width="match-parent" height="preserve-aspect" flex-grow="2" anchor-id="-3"
                          aspect-ratio="1.5" background-color="#FF0000" style-id="card"
                          padding="1 2 3 4" margin="5 6 7 8"/>)");
    EXPECT_EQ(good->flexGrow(), 2);
    EXPECT_EQ(good->anchorID(), -3);
    EXPECT_EQ(good->aspectRatio(), 1.5);
    EXPECT_EQ(good->backgroundColor(), ui::Color::red());
    EXPECT_EQ(good->styleID(), "card");
    EXPECT_EQ(good->v1Padding(), ui::EdgeInsets(2, 1, 4, 3));
    EXPECT_EQ(good->v1Margin(), ui::EdgeInsets(6, 5, 8, 7));
}

TEST(BaseUIElement, PaddingAndMarginComeFromTheAttributesInV1AndTheStyleInV2) {
    const auto element = build<LinearLayoutElement>(
        R"(<linear-layout width="1" height="1" padding="1 2 3 4" margin="5 6 7 8"/>)");
    ElementParser parser;
    const StyleMetaElement style(*parseMarkup(R"(<style id="s" padding="10 20 30 40" margin="0 0 0 9"/>)"),
                                 parser);
    const StyleMetaElement bare(*parseMarkup(R"(<style id="b"/>)"), parser);

    EXPECT_EQ(element->getPadding(KIVOVersion::v1, &style), ui::EdgeInsets(2, 1, 4, 3));
    EXPECT_EQ(element->getMargin(KIVOVersion::v1, &style), ui::EdgeInsets(6, 5, 8, 7));
    EXPECT_EQ(element->getPadding(KIVOVersion::v2, &style), ui::EdgeInsets(20, 10, 40, 30));
    EXPECT_EQ(element->getMargin(KIVOVersion::v2, &style), ui::EdgeInsets(0, 0, 9, 0));
    EXPECT_EQ(element->getPadding(KIVOVersion::v2, &bare), ui::EdgeInsets());
    EXPECT_EQ(element->getMargin(KIVOVersion::v2, &bare), ui::EdgeInsets());
    EXPECT_EQ(element->getPadding(KIVOVersion::v2, nullptr), ui::EdgeInsets());
    EXPECT_EQ(element->getPadding(std::nullopt, &style), ui::EdgeInsets());
    EXPECT_EQ(element->getMargin(std::nullopt, &style), ui::EdgeInsets());
}

TEST(BaseUIElement, WidthMatchesParentForMatchParentOrAWeightedZeroWidthInV2) {
    const auto matches = [](const char* attributes, std::optional<KIVOVersion> version) {
        return build<LinearLayoutElement>(std::string("<linear-layout height=\"1\" ") + attributes + "/>")
            ->shouldWidthMatchParent(version);
    };
    EXPECT_TRUE(matches(R"(width="0.9" flex-grow="1")", KIVOVersion::v2));
    EXPECT_TRUE(matches(R"(width="-0.5" flex-grow="0")", KIVOVersion::v2));
    EXPECT_FALSE(matches(R"(width="0.9" flex-grow="1")", KIVOVersion::v1));
    EXPECT_FALSE(matches(R"(width="0.9" flex-grow="1")", std::nullopt));
    EXPECT_FALSE(matches(R"(width="0")", KIVOVersion::v2));
    EXPECT_FALSE(matches(R"(width="1" flex-grow="1")", KIVOVersion::v2));
    EXPECT_FALSE(matches(R"(width="1e300" flex-grow="1")", KIVOVersion::v2));
    EXPECT_FALSE(matches(R"(width="wrap-content" flex-grow="1")", KIVOVersion::v2));
    for (const auto version :
         {std::optional(KIVOVersion::v1), std::optional(KIVOVersion::v2), std::optional<KIVOVersion>()}) {
        EXPECT_TRUE(matches(R"(width="match-parent")", version));
    }
}

TEST(LinearLayoutElement, OrientationContentAndBadges) {
    const auto empty = build<LinearLayoutElement>(R"(<linear-layout width="1" height="1"/>)");
    EXPECT_EQ(empty->orientation(), LinearLayoutElement::Orientation::vertical);
    EXPECT_TRUE(empty->content().empty());
    EXPECT_TRUE(empty->badges().empty());

    const auto row = build<LinearLayoutElement>(
        std::string(R"(<linear-layout orientation="horizontal" width="1"
        height="1"><flexbox width="1" height="1"/>)") +
        badge + "<image width=\"1\" height=\"1\">" + urlSource + "</image></linear-layout>");
    EXPECT_EQ(row->orientation(), LinearLayoutElement::Orientation::horizontal);
    ASSERT_EQ(row->content().size(), 2u);
    EXPECT_NE(elementAs<FlexboxElement>(row->content()[0]), nullptr);
    EXPECT_NE(elementAs<ImageElement>(row->content()[1]), nullptr);
    ASSERT_EQ(row->badges().size(), 1u);
    EXPECT_EQ(row->badges()[0]->url().string(), "b.png");

    EXPECT_EQ(build<LinearLayoutElement>(R"(<linear-layout orientation="vertical" width="1" height="1"/>)")
                  ->orientation(),
              LinearLayoutElement::Orientation::vertical);
    expectError(errorOf(R"(<linear-layout orientation="Horizontal" width="1" height="1"/>)"),
                KIVOError::unsupportedOrientation("LinearLayoutElement", "Horizontal"),
                "LinearLayoutElement: Unsupported orientation: Horizontal");
    expectError(errorOf(R"(<flexbox orientation="" width="1" height="1"/>)"),
                KIVOError::unsupportedOrientation("FlexboxElement", ""),
                "FlexboxElement: Unsupported orientation: ");

    const auto flex =
        build<FlexboxElement>(std::string(R"(<flexbox width="1" height="1">)") + badge + "</flexbox>");
    EXPECT_TRUE(flex->content().empty());
    EXPECT_EQ(flex->badges().size(), 1u);
    EXPECT_EQ(flex->typeName(), "FlexboxElement");
}

TEST(LinearLayoutElement, RejectsOtherChildrenBeforeCheckingItsOwnSize) {
    expectTag(errorOf(R"(<flexbox width="1" height="1"><text value="x"/></flexbox>)"), "FlexboxElement",
              "TextElement");
    expectTag(errorOf(R"(<linear-layout width="1" height="1"><styles/></linear-layout>)"),
              "LinearLayoutElement", "HeadElement");
    expectTag(errorOf(std::string("<linear-layout>") + urlSource + "</linear-layout>"), "LinearLayoutElement",
              "SourceElement");
    expectTag(errorOf(R"(<linear-layout><action type="none"/></linear-layout>)"), "LinearLayoutElement",
              "ActionElement");
    expectTag(errorOf(R"(<linear-layout><beacon-meta/></linear-layout>)"), "LinearLayoutElement",
              "BeaconMetaElement");
    expectTag(errorOf(R"(<linear-layout><carousel/></linear-layout>)"), "parseElement(for:)", "carousel");
    expectMissing(errorOf(R"(<linear-layout><linear-layout width="1"/></linear-layout>)"),
                  "LinearLayoutElement", "height");
    expectTag(errorOf("<Linear-Layout/>"), "parseElement(for:)", "Linear-Layout");
    expectError(errorOf(R"(<item-atom/>)", std::nullopt), KIVOError::general("KIVOVersion was not set."),
                "KIVOVersion was not set.");
}

TEST(CollapsibleLayoutElement, ReadsItsAttributesAndSingleBodyChild) {
    const std::string child = R"(<linear-layout width="1" height="1"/>)";
    const auto c = build<CollapsibleLayoutElement>(
        R"(<collapsible-layout title="More" exposed-title="Less" icon="chevron" icon-url="icons/c.png"
                               width="match-parent" height="wrap-content">)" +
        child + "</collapsible-layout>");
    EXPECT_EQ(c->layoutType(), CollapsibleLayoutType::expose);
    EXPECT_EQ(c->title(), "More");
    EXPECT_EQ(c->exposedTitle(), "Less");
    EXPECT_EQ(c->iconAssetName(), "chevron");
    EXPECT_EQ(c->iconURL(), ui::URL::fromString("icons/c.png"));
    EXPECT_NE(elementAs<LinearLayoutElement>(c->content()), nullptr);

    const auto type = [&](const char* collapseType) {
        return build<CollapsibleLayoutElement>(
            std::string(R"(<collapsible-layout title="T" width="1" height="1" )") + collapseType + ">" +
            child + "</collapsible-layout>");
    };
    EXPECT_EQ(type(R"(collapse-type="replace")")->layoutType(), CollapsibleLayoutType::replace);
    EXPECT_EQ(type(R"(collapse-type="Replace")")->layoutType(), CollapsibleLayoutType::expose);
    const auto plain = type(R"(icon-url="not a url")");
    EXPECT_EQ(plain->iconURL(), std::nullopt);
    EXPECT_EQ(plain->exposedTitle(), std::nullopt);
    EXPECT_EQ(plain->iconAssetName(), std::nullopt);

    const std::string type_ = "CollapsibleLayoutElement";
    expectMissing(
        errorOf(R"(<collapsible-layout title="" width="1" height="1">)" + child + "</collapsible-layout>"),
        type_, "title");
    expectMissing(errorOf("<collapsible-layout>" + child + "</collapsible-layout>"), type_, "title");
    expectChildCount(errorOf(R"(<collapsible-layout title="T" width="1" height="1">)" + child + child +
                             "</collapsible-layout>"),
                     type_, 2);
    expectChildCount(errorOf(R"(<collapsible-layout title="T" width="1" height="1"/>)"), type_, 0);
    expectTag(errorOf(std::string(R"(<collapsible-layout title="T" width="1" height="1">)") + badge +
                      "</collapsible-layout>"),
              type_, "BadgeElement");
}

TEST(ImageElement, TakesSourcesAndBadgesOnly) {
    expectChildCount(errorOf(R"(<image width="1" height="1"/>)"), "ImageElement", 0);
    expectTag(errorOf(R"(<image width="1" height="1"><text value="x"/></image>)"), "ImageElement",
              "TextElement");
    expectTag(errorOf(std::string(R"(<image width="1" height="1"><image width="1" height="1">)") + urlSource +
                      "</image></image>"),
              "ImageElement", "UIElement");

    const auto badgeOnly =
        build<ImageElement>(std::string(R"(<image width="1" height="1">)") + badge + "</image>");
    EXPECT_TRUE(badgeOnly->sources().empty());
    EXPECT_EQ(badgeOnly->badges().size(), 1u);

    const auto image = build<ImageElement>(
        std::string(R"(<image width="1" height="1">)") + urlSource + badge +
        R"(<flyer-source path="p/" resolutions="1" rect="0 10 10 0" width="10" height="10"/></image>)");
    ASSERT_EQ(image->sources().size(), 2u);
    EXPECT_NE(elementAs<URLSource>(image->sources()[0]), nullptr);
    EXPECT_NE(elementAs<FlyerSourceElement>(image->sources()[1]), nullptr);
    EXPECT_EQ(image->badges().size(), 1u);
}

TEST(ItemAtomElement, VersionOneNeedsItsIDAndExactlyOneURLSource) {
    const auto atom = build<ItemAtomElement>(
        std::string(R"(<item-atom item-id="42" item-source="ecom" name="Milk" sales-story="Fresh"
            target-anchor-id="3" pre-price="2 for" price="$5" post-price="ea" original-price="$6"
            payload-sku="s1" width="100" height="150">)") +
        urlSource + "</item-atom>");
    EXPECT_EQ(atom->id(), KIVOItemID("42", KIVOSource::ecomSearch));
    EXPECT_EQ(atom->name(), "Milk");
    EXPECT_EQ(atom->salesStory(), "Fresh");
    EXPECT_EQ(atom->targetAnchorID(), 3);
    EXPECT_EQ(atom->prePriceString(), "2 for");
    EXPECT_EQ(atom->priceString(), "$5");
    EXPECT_EQ(atom->postPriceString(), "ea");
    EXPECT_EQ(atom->originalPriceString(), "$6");
    EXPECT_EQ(atom->payload(), (std::map<std::string, std::string>{{"sku", "s1"}}));
    ASSERT_NE(atom->urlSource(), nullptr);
    EXPECT_EQ(atom->urlSource()->url().string(), "a.png");

    const std::string open = R"(<item-atom item-id="1" item-source="flyer" width="1" height="1">)";
    expectMissing(
        errorOf(std::string(R"(<item-atom source="offer" source-id="1">)") + urlSource + "</item-atom>"),
        "ItemAtomElement", "KIVOItemID");
    expectTag(errorOf(open +
                      R"(<flyer-source path="p" resolutions="1" rect="0 1 1 0" width="1" height="1"/>)" +
                      "</item-atom>"),
              "ItemAtomElement", "SourceElement");
    expectTag(errorOf(open + badge + "</item-atom>"), "ItemAtomElement", "BadgeElement");
    expectChildCount(errorOf(open + "</item-atom>"), "ItemAtomElement", 0);
    expectChildCount(errorOf(open + urlSource + urlSource + "</item-atom>"), "ItemAtomElement", 2);
}

TEST(ItemAtomElementV2, SortsItsChildrenAndKeepsTheLastActionAndBeacon) {
    const auto atom = build<ItemAtomElementV2>(
        std::string(R"(<item-atom source="offer" source-id="o-1" target-anchor-id="9" image-url="img/o.png"
            image-position="image-left" payload-x="ignored" width="100" height="wrap-content">
            <text value="Milk" style-id="title"/>)") +
            badge + R"(<action type="none"/><beacon-meta a="1"/><text value="$5" max-lines="2"/>
            <action type="link" ttm-url="https://x/y"/><beacon-meta b="2" c="3"/></item-atom>)",
        KIVOVersion::v2);
    EXPECT_EQ(atom->id(), KIVOItemID("o-1", KIVOSource::offer));
    EXPECT_EQ(atom->targetAnchorID(), 9);
    EXPECT_EQ(atom->imageURL(), ui::URL::fromString("img/o.png"));
    EXPECT_EQ(atom->imagePosition(), ItemAtomElementV2::ImagePosition::left);
    ASSERT_EQ(atom->textElements().size(), 2u);
    EXPECT_EQ(atom->textElements()[0]->value(), "Milk");
    EXPECT_EQ(atom->textElements()[1]->value(), "$5");
    EXPECT_EQ(atom->badges().size(), 1u);
    ASSERT_NE(atom->action(), nullptr);
    EXPECT_EQ(atom->action()->toKIVOAction(),
              KIVOAction(KIVOActionType::link, ui::URL::fromString("https://x/y")));
    EXPECT_EQ(atom->payload(), (std::map<std::string, std::string>{{"b", "2"}, {"c", "3"}}));

    const auto position = [](const char* attribute) {
        return build<ItemAtomElementV2>(
                   std::string(R"(<item-atom source="coupon" source-id="5" width="1" height="1" )") +
                       attribute + "/>",
                   KIVOVersion::v2)
            ->imagePosition();
    };
    EXPECT_EQ(position(R"(image-position="image-right")"), ItemAtomElementV2::ImagePosition::right);
    EXPECT_EQ(position(R"(image-position="Image-Left")"), ItemAtomElementV2::ImagePosition::top);
    EXPECT_EQ(position(R"(image-position="image-top")"), ItemAtomElementV2::ImagePosition::top);
    EXPECT_EQ(position(""), ItemAtomElementV2::ImagePosition::top);
    const auto bare = build<ItemAtomElementV2>(
        R"(<item-atom source="coupon" source-id="5" width="1" height="1"/>)", KIVOVersion::v2);
    EXPECT_EQ(bare->action(), nullptr);
    EXPECT_TRUE(bare->payload().empty());
    EXPECT_EQ(bare->imageURL(), std::nullopt);

    const std::string open = R"(<item-atom source="offer" source-id="o" width="1" height="1">)";
    expectMissing(
        errorOf(R"(<item-atom item-id="1" item-source="offer" width="1" height="1"/>)", KIVOVersion::v2),
        "ItemAtomElementV2", "KIVOItemID");
    expectMissing(
        errorOf(R"(<item-atom source="flyer" source-id="1.5" width="1" height="1"/>)", KIVOVersion::v2),
        "ItemAtomElementV2", "KIVOItemID");
    expectTag(errorOf(open + urlSource + "</item-atom>", KIVOVersion::v2), "ItemAtomElementV2",
              "SourceElement");
    expectTag(errorOf(open + R"(<linear-layout width="1" height="1"/></item-atom>)", KIVOVersion::v2),
              "ItemAtomElementV2", "UIElement");
    expectTag(errorOf(open + "<wayfinder/></item-atom>", KIVOVersion::v2), "ItemAtomElementV2",
              "HeadElement");
}

TEST(SourceElements, AreaRectanglesAreConvertedOnlyOnFlyerSources) {
    const std::string area = R"(<area source="offer" source-id="o" href="h" rect="10 20 30 40"/>)";
    const auto url = build<URLSource>(R"(<url-source url="https://x/p.png" width="800" height="600">)" +
                                      area + "</url-source>");
    EXPECT_EQ(url->url().string(), "https://x/p.png");
    EXPECT_EQ(url->width(), 800);
    EXPECT_EQ(url->height(), 600);
    ASSERT_EQ(url->areas().size(), 1u);
    EXPECT_EQ(url->areas()[0]->rect(), ui::Rect(10, 20, 30, 40));

    const auto flyer = build<FlyerSourceElement>(
        R"(<flyer-source path="tiles/p1/" resolutions="1 2 4" rect="&#10; 0 1000 800 0&#10;" width="800"
                         height="1000">)" +
        area + "</flyer-source>");
    EXPECT_EQ(flyer->path(), "tiles/p1/");
    EXPECT_EQ(flyer->resolutions(), (std::vector<double>{1, 2, 4}));
    EXPECT_EQ(flyer->rect(), ui::Rect(0, -1000, 800, 1000));
    EXPECT_EQ(flyer->width(), 800);
    EXPECT_EQ(flyer->height(), 1000);
    ASSERT_EQ(flyer->areas().size(), 1u);
    EXPECT_EQ(flyer->areas()[0]->rect(), ui::Rect(10, -20, 20, -20));
    EXPECT_EQ(fromZemlaRect(ui::Rect(1, 2, 3, 4)), ui::Rect(1, -2, 2, -2));

    EXPECT_EQ(build<FlyerSourceElement>(
                  R"(<flyer-source path="p" resolutions=" 1.5 3 " rect="0 1 1 0" width="1" height="1"/>)")
                  ->resolutions(),
              (std::vector<double>{1.5, 3}));
}

TEST(SourceElements, MalformedRectanglesResolutionsAndSizesAreMissingAttributes) {
    const auto flyer = [](const std::string& attributes) {
        return "<flyer-source path=\"p\" " + attributes + "/>";
    };
    const auto urlArea = [](const std::string& rect) {
        return R"(<url-source url="u" width="1" height="1"><area source="offer" source-id="o" href="h" rect=")" +
               rect + "\"/></url-source>";
    };
    for (const char* rect : {"1 2 3", "1 2 3 4 5", "1  2 3 4", "1 2 x 4", ""}) {
        expectMissing(
            errorOf(flyer(R"(resolutions="1" width="1" height="1" rect=")" + std::string(rect) + "\"")),
            "flyer-source", "rect");
        expectMissing(errorOf(urlArea(rect)), "area", "rect");
    }
    for (const char* resolutions :
         {R"(resolutions="")", R"(resolutions="1  2")", R"(resolutions="1,2")", R"(resolutions="x")", ""}) {
        expectMissing(errorOf(flyer(resolutions + std::string(R"( rect="0 1 1 0" width="1" height="1")"))),
                      "FlyerSourceElement", "resolutions");
    }
    expectMissing(errorOf(flyer(R"(resolutions="1" rect="0 1 1 0" width="1")")), "flyer-source", "height");
    expectMissing(errorOf(R"(<flyer-source resolutions="1" rect="0 1 1 0" width="1" height="1"/>)"),
                  "flyer-source", "path");
    expectMissing(errorOf(R"(<url-source url="u" height="1"/>)"), "url-source", "width");
    expectMissing(errorOf(R"(<url-source width="1" height="1"/>)"), "url-source", "url");
    expectMissing(errorOf(R"(<url-source url="a b" width="1" height="1"/>)"), "url-source", "url");
    // Areas are read before the source's own size.
    expectMissing(
        errorOf(R"(<url-source url="u"><area source="offer" source-id="o" rect="1 2 3 4"/></url-source>)"),
        "area", "href");
}

TEST(AreaElement, IdentityAttributesAndActions) {
    const auto areaOf = [](const std::string& area) {
        const auto source =
            build<URLSource>(R"(<url-source url="u" width="1" height="1">)" + area + "</url-source>");
        return source->areas().at(0);
    };
    const auto both = areaOf(R"(<area item-id="v1" item-source="coupon" source="coupon" source-id="77"
        href="https://x/a" label="Milk" rect="1 2 3 4" anchor-id="4" target-anchor-id="5" payload-k="v"/>)");
    EXPECT_EQ(both->id(), KIVOItemID("77", KIVOSource::coupon));
    EXPECT_EQ(both->href(), "https://x/a");
    EXPECT_EQ(both->label(), "Milk");
    EXPECT_EQ(both->anchorID(), 4);
    EXPECT_EQ(both->targetAnchorID(), 5);
    EXPECT_EQ(both->payload(), (std::map<std::string, std::string>{{"k", "v"}}));
    EXPECT_EQ(both->action(), nullptr);

    const auto v1 = areaOf(R"(<area item-id="v1" item-source="ecom" href="h" rect="1 2 3 4" anchor-id="abc">
        <action type="link" ttm-url="https://x/1"/><action type="none"/></area>)");
    EXPECT_EQ(v1->id(), KIVOItemID("v1", KIVOSource::ecomSearch));
    EXPECT_EQ(v1->anchorID(), std::nullopt);
    EXPECT_EQ(v1->label(), std::nullopt);
    ASSERT_NE(v1->action(), nullptr);
    EXPECT_EQ(v1->action()->type(), KIVOActionType::none);

    const std::string open = R"(<url-source url="u" width="1" height="1">)";
    expectTag(errorOf(open + R"(<area source="offer" source-id="o" href="h" rect="1 2 3 4">)" + badge +
                      "</area></url-source>"),
              "AreaElement", "BadgeElement");
    expectMissing(errorOf(open + R"(<area href="h" rect="1 2 3 4"/></url-source>)"), "AreaElement",
                  "KIVOItemID");
    expectMissing(
        errorOf(open + R"(<area source="flyer" source-id="x" href="h" rect="1 2 3 4"/></url-source>)"),
        "AreaElement", "KIVOItemID");
    expectMissing(errorOf(open + R"(<spot source="offer" source-id="o" rect="1 2 3 4"/></url-source>)"),
                  "spot", "href");
}

TEST(BadgeElement, RequiredAttributesAndAnchorPositions) {
    const auto full = build<BadgeElement>(R"(<badge url="https://x/b.png" width="5" height="6" h-pos="-0.5"
        v-pos="1.25" x="center" y="end" badge-application="text"/>)");
    EXPECT_EQ(full->url().string(), "https://x/b.png");
    EXPECT_EQ(full->width(), 5);
    EXPECT_EQ(full->height(), 6);
    EXPECT_EQ(full->hPos(), -0.5);
    EXPECT_EQ(full->vPos(), 1.25);
    EXPECT_EQ(full->x(), BadgeElement::AnchorPosition::center);
    EXPECT_EQ(full->y(), BadgeElement::AnchorPosition::end);
    EXPECT_EQ(full->application(), BadgeElement::BadgeApplication::text);

    const auto plain = build<BadgeElement>(badge);
    EXPECT_EQ(plain->x(), BadgeElement::AnchorPosition::start);
    EXPECT_EQ(plain->y(), BadgeElement::AnchorPosition::start);
    EXPECT_EQ(plain->application(), std::nullopt);
    const auto odd = build<BadgeElement>(
        R"(<badge url="b" width="1" height="1" h-pos="0" v-pos="0" x="Center" y="middle" badge-application="Image"/>)");
    EXPECT_EQ(odd->x(), BadgeElement::AnchorPosition::start);
    EXPECT_EQ(odd->y(), BadgeElement::AnchorPosition::start);
    EXPECT_EQ(odd->application(), std::nullopt);
    EXPECT_EQ(build<BadgeElement>(R"(<badge url="b" width="1" height="1" h-pos="0" v-pos="0" x="start"
        badge-application="image"/>)")
                  ->application(),
              BadgeElement::BadgeApplication::image);

    const std::map<std::string, std::string> required = {
        {"url", "b.png"}, {"width", "5"}, {"height", "6"}, {"h-pos", "0"}, {"v-pos", "0"}};
    for (const auto& [skipped, unused] : required) {
        for (const char* replacement : {"", "x y"}) {
            std::string xml = "<badge";
            for (const auto& [key, value] : required) {
                if (key != skipped) {
                    xml += " " + key + "=\"" + value + "\"";
                } else if (*replacement != '\0') {
                    xml += " " + key + "=\"" + replacement + "\"";
                }
            }
            expectMissing(errorOf(xml + "/>"), "badge", skipped);
        }
    }
}

TEST(MetaElements, ActionsBeaconsTextsAndWayfinderCategories) {
    EXPECT_EQ(build<ActionMetaElement>(R"(<action type="link" ttm-url="https://x/ttm"/>)")->toKIVOAction(),
              KIVOAction(KIVOActionType::link, ui::URL::fromString("https://x/ttm")));
    EXPECT_EQ(build<ActionMetaElement>(R"(<action type="none" ttm-url="not a url"/>)")->toKIVOAction(),
              KIVOAction(KIVOActionType::none, std::nullopt));
    for (const char* xml : {R"(<action type="LINK"/>)", R"(<action type=""/>)", "<action/>"}) {
        expectMissing(errorOf(xml), "action", "type");
    }

    EXPECT_EQ(build<BeaconMetaElement>(R"(<beacon-meta id="b1" payload-x="1" Case="Kept"/>)")->metadata(),
              (BeaconMetaElement::Metadata{{"Case", "Kept"}, {"id", "b1"}, {"payload-x", "1"}}));
    EXPECT_TRUE(build<BeaconMetaElement>("<beacon-meta/>")->metadata().empty());

    const auto text = build<TextMetaElement>(R"(<text value="Milk" max-lines="3" style-id="title"/>)");
    EXPECT_EQ(text->value(), "Milk");
    EXPECT_EQ(text->maxLines(), 3);
    EXPECT_EQ(text->styleID(), "title");
    EXPECT_EQ(build<TextMetaElement>(R"(<text value=""/>)")->maxLines(), 1);
    EXPECT_EQ(build<TextMetaElement>(R"(<text value="x" max-lines="2.5"/>)")->maxLines(), 1);
    EXPECT_EQ(build<TextMetaElement>(R"(<text value="x" max-lines="0"/>)")->maxLines(), 0);
    EXPECT_EQ(build<TextMetaElement>(R"(<text value="x"/>)")->styleID(), std::nullopt);
    expectMissing(errorOf("<text>Milk</text>"), "text", "value");

    const auto wayfinder = build<WayfinderMetaElement>(
        R"(<wayfinder><category name="Dairy" anchor-id="3"/><entry name="Bakery" anchor-id="-1"/></wayfinder>)");
    ASSERT_EQ(wayfinder->categories().size(), 2u);
    EXPECT_EQ(wayfinder->categories()[0]->name(), "Dairy");
    EXPECT_EQ(wayfinder->categories()[0]->toAnchorID(), 3);
    EXPECT_EQ(wayfinder->categories()[1]->name(), "Bakery");
    EXPECT_EQ(wayfinder->categories()[1]->toAnchorID(), -1);
    EXPECT_TRUE(build<WayfinderMetaElement>("<wayfinder/>")->categories().empty());
    expectMissing(errorOf(R"(<wayfinder><category anchor-id="3"/></wayfinder>)"), "category", "name");
    expectMissing(errorOf(R"(<wayfinder><entry name="D" anchor-id="3.0"/></wayfinder>)"), "entry",
                  "anchor-id");
}

TEST(StyleMetaElement, ReadsEveryAttributeAndGrowsBorderedPadding) {
    const auto style =
        build<StylesMetaElement>(
            R"(<styles><style id="card" margin="1 2 3 4" background-url="bg.png" background-color="#00FF00"
            border-top-show="true" border-bottom-show="true" border-left-show="TRUE" border-right-show="false"
            border-style="dashed" border-color="#0000FF" border-width="2" padding="1 2 3 4"
            font-family="https://x/f.ttf" font-weight="bold" font-color="#FF0000" font-size="14"/></styles>)")
            ->styles()
            .at(0);
    using Edge = StyleMetaElement::BorderStyle::Edge;
    EXPECT_EQ(style->id(), "card");
    EXPECT_EQ(style->margin(), ui::EdgeInsets(2, 1, 4, 3));
    EXPECT_EQ(style->backgroundStyle().backgroundURL, ui::URL::fromString("bg.png"));
    EXPECT_EQ(style->backgroundStyle().backgroundColor, ui::Color::green());
    EXPECT_EQ(style->borderEdges(), (std::set<Edge>{Edge::top, Edge::bottom}));
    EXPECT_EQ(style->borderStyle().style, StyleMetaElement::BorderStyle::BorderStyleType::dashed);
    EXPECT_EQ(style->borderStyle().color, ui::Color::blue());
    EXPECT_EQ(style->borderStyle().width, 2);
    // Left 1, top 2, right 3, bottom 4, with 2 added on the bordered top and bottom.
    EXPECT_EQ(style->padding(), ui::EdgeInsets(4, 1, 6, 3));
    EXPECT_EQ(style->textStyle().fontFamily, ui::URL::fromString("https://x/f.ttf"));
    EXPECT_EQ(style->textStyle().fontWeight, StyleMetaElement::TextStyle::FontWeight::bold);
    EXPECT_EQ(style->textStyle().fontColor, ui::Color::red());
    EXPECT_EQ(style->textStyle().fontSize, 14);

    const auto styleOf = [](const std::string& attributes) {
        return build<StylesMetaElement>("<styles><style id=\"s\" " + attributes + "/></styles>")
            ->styles()
            .at(0);
    };
    EXPECT_EQ(styleOf(R"(border-top-show="true" border-right-show="true" border-bottom-show="true"
        border-left-show="true" border-width="3")")
                  ->padding(),
              ui::EdgeInsets(3, 3, 3, 3));
    // A border width without bordered edges, or edges without a readable width, leave the padding alone.
    EXPECT_EQ(styleOf(R"(padding="1 2 3 4" border-width="2")")->padding(), ui::EdgeInsets(2, 1, 4, 3));
    EXPECT_EQ(styleOf(R"(padding="1 2 3 4" border-top-show="true" border-width="2.5")")->padding(),
              ui::EdgeInsets(2, 1, 4, 3));

    const auto bare = styleOf(R"(border-style="Solid" font-weight="Bold" font-size="14.5" font-family="a b"
        margin="1 2" padding="1  2 3 4" background-color="")");
    EXPECT_EQ(bare->padding(), ui::EdgeInsets());
    EXPECT_EQ(bare->margin(), std::nullopt);
    EXPECT_EQ(bare->backgroundStyle(), StyleMetaElement::BackgroundStyle{});
    EXPECT_TRUE(bare->borderEdges().empty());
    EXPECT_EQ(bare->borderStyle(), StyleMetaElement::BorderStyle{});
    EXPECT_EQ(bare->textStyle(), StyleMetaElement::TextStyle{});
    EXPECT_EQ(styleOf(R"(border-style="solid" font-weight="normal")")->borderStyle().style,
              StyleMetaElement::BorderStyle::BorderStyleType::solid);
    EXPECT_EQ(styleOf(R"(border-style="dotted" font-weight="normal")")->textStyle().fontWeight,
              StyleMetaElement::TextStyle::FontWeight::normal);

    // Every child of "styles" is a style, whatever its tag; each needs an id.
    const auto styles = build<StylesMetaElement>(R"(<styles><style id="a"/><anything id="b"/></styles>)");
    ASSERT_EQ(styles->styles().size(), 2u);
    EXPECT_EQ(styles->styles()[1]->id(), "b");
    expectMissing(errorOf(R"(<styles><style id="a"/><anything/></styles>)"), "anything", "id");
}

} // namespace
} // namespace kivo
