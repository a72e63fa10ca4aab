// Loading markup through the layout manager: the background parse, the title report and the completion
// on the main queue, and the state the manager keeps between loads.

#include "support/document_host.h"
#include "ui/runloop/hang_guard.h"

#include <kivo/layout/layout_manager.h>
#include <kivo/markup/hex_color.h>
#include <kivo/markup/xml_node.h>
#include <kivo/markup/xml_parser_helper.h>
#include <kivo/model/body_elements.h>
#include <kivo/model/meta_elements.h>
#include <kivo/views/kivo_border_layer.h>
#include <ui/runloop/main_thread.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace kivo;

namespace {

// What the two callbacks of one load received, in the order they arrived.
struct LoadRecord {
    std::vector<std::string> events;
    std::optional<TitleReport> titleReport;
    std::shared_ptr<KIVODocumentElement> document;
    std::optional<Error> error;
    bool completed = false;
    bool callbacksOnMainThread = true;
    // The place of this completion among all completions of the test program.
    int completionNumber = 0;
};

int completionsSoFar = 0;

std::shared_ptr<LoadRecord> startLoad(LayoutManager& manager, std::string markup) {
    auto record = std::make_shared<LoadRecord>();
    manager.renderBody(
        std::move(markup), nullptr, nullptr,
        [record](const TitleReport& report) {
            record->events.push_back("preload");
            record->titleReport = report;
            record->callbacksOnMainThread = record->callbacksOnMainThread && ui::isMainThread();
        },
        [record](std::shared_ptr<KIVODocumentElement> document, std::optional<Error> error) {
            record->events.push_back("completion");
            record->document = std::move(document);
            record->error = std::move(error);
            record->completed = true;
            record->completionNumber = ++completionsSoFar;
            record->callbacksOnMainThread = record->callbacksOnMainThread && ui::isMainThread();
        });
    return record;
}

std::shared_ptr<LoadRecord> load(LayoutManager& manager, std::string markup) {
    auto record = startLoad(manager, std::move(markup));
    EXPECT_TRUE(record->events.empty()) << "a callback ran during renderBody";
    EXPECT_TRUE(ui::testing::runMainUntil([&] { return record->completed; }));
    return record;
}

// Hosts live to the end of the test program, so that the views a manager renders into outlive it.
std::shared_ptr<LayoutManager> makeManager() {
    static std::vector<std::unique_ptr<test_support::DocumentHost>> hosts;
    hosts.push_back(std::make_unique<test_support::DocumentHost>());
    return hosts.back()->manager;
}

// Containers only: everything in it renders.
const std::string kContainersV2 =
    R"(<storefront kivo-version="2.0" title="Weekly Deals" subtitle="Week 12" uuid="DOC-1"
    content-hash="abc">
  <head>
    <styles>
      <style id="page" padding="8 8 8 8" background-color="#F0F0F0"/>
      <style id="tile" border-style="solid" border-width="1" border-top-show="true" font-family="http://127.0.0.1:9/Brand.ttf"/>
    </styles>
    <wayfinder><category name="Dairy" anchor-id="1"/></wayfinder>
  </head>
  <body>
    <linear-layout width="match-parent" height="wrap-content" style-id="page">
      <flexbox width="match-parent" height="wrap-content" orientation="horizontal" anchor-id="1">
        <linear-layout width="0" flex-grow="1" height="40" style-id="tile"/>
        <linear-layout width="0" flex-grow="1" height="40" style-id="tile"/>
      </flexbox>
    </linear-layout>
  </body>
</storefront>)";

const std::string kContainersV1 = R"(<storefront title="Plain" uuid="DOC-3"><head/><body>
    <linear-layout width="match-parent" height="wrap-content" padding="4 4 4 4">
      <linear-layout width="100" height="30"/>
    </linear-layout></body></storefront>)";

const std::string kStorefrontV2 = R"(<?xml version="1.0" encoding="UTF-8"?>
<storefront kivo-version="2.0" title="Weekly Deals" subtitle="Week 12" uuid="DOC-1" content-hash="abc">
  <head>
    <styles>
      <style id="tile" padding="4 4 4 4" font-family="http://127.0.0.1:9/Brand.ttf"/>
      <style id="price" font-color="#D00000" font-size="16"/>
    </styles>
    <wayfinder>
      <category name="Dairy" anchor-id="1"/>
    </wayfinder>
  </head>
  <body>
    <linear-layout width="match-parent" height="wrap-content">
      <flexbox width="match-parent" height="wrap-content" orientation="horizontal" anchor-id="1">
        <item-atom source="ecom" source-id="42" width="0" flex-grow="1" height="wrap-content" style-id="tile">
          <text value="Milk"/>
          <text value="1.99" style-id="price"/>
          <action type="link" ttm-url="https://shop.example.com/42"/>
          <beacon-meta sku="M-42"/>
        </item-atom>
        <item-atom source="offer" source-id="spring-sale" width="0" flex-grow="1" height="wrap-content"/>
      </flexbox>
    </linear-layout>
  </body>
</storefront>)";

const std::string kStorefrontV1 = R"(<storefront title="Flyer" uuid="DOC-2">
  <head/>
  <body>
    <linear-layout width="match-parent" height="wrap-content">
      <image width="match-parent" height="preserve-aspect">
        <flyer-source path="flyers/7" rect="0 1000 800 0" resolutions="1 2" width="800" height="1000">
          <area item-id="7" item-source="flyer" href="#7" rect="0 100 50 0" payload-sku="F7"/>
          <area item-id="7" item-source="flyer" href="#7b" rect="0 200 50 100" target-anchor-id="2"/>
        </flyer-source>
      </image>
      <item-atom item-id="9" item-source="ecom" width="100" height="140" name="Bread">
        <url-source url="images/bread.png" width="100" height="100"/>
      </item-atom>
    </linear-layout>
  </body>
</storefront>)";

} // namespace

TEST(LayoutManagerLoad, DeliversTitleThenDocumentOnTheMainQueueAndKeepsTheDocumentsState) {
    auto manager = makeManager();
    auto record = load(*manager, kContainersV2);

    ASSERT_FALSE(record->error) << record->error->message();
    EXPECT_EQ(record->events, (std::vector<std::string>{"preload", "completion"}));
    EXPECT_TRUE(record->callbacksOnMainThread);
    EXPECT_EQ(*record->titleReport, (TitleReport{{"title", "Weekly Deals"}, {"subtitle", "Week 12"}}));

    ASSERT_TRUE(record->document);
    EXPECT_EQ(manager->documentElement(), record->document);
    EXPECT_TRUE(manager->isLoaded());
    EXPECT_EQ(manager->kivoVersion(), KIVOVersion::v2);
    EXPECT_EQ(manager->kivoUUID(), "DOC-1");
    EXPECT_EQ(manager->contentHash(), "abc");
    ASSERT_TRUE(manager->wayfinderMetaElement());
    EXPECT_EQ(manager->wayfinderMetaElement()->categories().at(0)->name(), "Dairy");
    ASSERT_TRUE(manager->styleElement(std::string("page")));
    EXPECT_FALSE(manager->styleElement(std::string("missing")));
    EXPECT_FALSE(manager->styleElement(std::nullopt));

    // By the completion the views are built, laid out and styled: the page fills the width, its style's
    // padding holds the row, and the two flexible tiles share the row.
    const auto root = manager->documentElementView();
    ASSERT_TRUE(root);
    EXPECT_EQ(root, baseElement(record->document->content())->view());
    EXPECT_EQ(root->frame().size.width, 390);
    EXPECT_EQ(root->backgroundColor(), kivo::colorFromHexString("#F0F0F0"));
    const auto row = root->subviews().at(0);
    EXPECT_EQ(row->frame(), ui::Rect(8, 8, 374, 40));
    ASSERT_EQ(row->subviews().size(), 2u);
    EXPECT_EQ(row->subviews()[0]->frame(), ui::Rect(0, 0, 187, 40));
    EXPECT_EQ(row->subviews()[1]->frame(), ui::Rect(187, 0, 187, 40));
    EXPECT_EQ(root->frame().size.height, 56);
    // The tiles' border layers sit under everything else.
    EXPECT_TRUE(std::dynamic_pointer_cast<KIVOBorderLayer>(row->subviews()[0]->layer()->sublayers().at(0)));
}

TEST(LayoutManagerLoad, ElementsWithoutViewsYetRefuseTheDocumentWithTheirKind) {
    auto manager = makeManager();
    auto record = load(*manager, kStorefrontV2);
    ASSERT_TRUE(record->error);
    EXPECT_EQ(*record->error, Error(KIVOError::general(
                                  "Cannot render ItemAtomElementV2: this kind of element has no view yet.")));
    EXPECT_EQ(record->events, (std::vector<std::string>{"preload", "completion"}));
    EXPECT_FALSE(record->document);
    // The parse had registered the document's items, at every depth.
    const auto& items = manager->itemIDAttributes();
    ASSERT_EQ(items.size(), 2u);
    const auto milk = items.find(KIVOItemID("42", KIVOSource::ecom));
    ASSERT_TRUE(milk);
    ASSERT_TRUE(milk->action());
    EXPECT_EQ(milk->action()->ttmURL()->string(), "https://shop.example.com/42");
    EXPECT_EQ(milk->payload(), (KIVOItemAttributes::Payload{{"sku", "M-42"}}));
}

TEST(LayoutManagerLoad, RefusedInputsReachTheCompletionAndTheTitleOnlyWhenTheRootWasAccepted) {
    auto manager = makeManager();

    // Not XML: the parser's error, and no title report.
    auto notXML = load(*manager, "this is not markup");
    ASSERT_TRUE(notXML->error);
    EXPECT_EQ(notXML->error->domain(), "XMLParser");
    EXPECT_EQ(notXML->error->caseName(), "XML_ERROR_SYNTAX");
    EXPECT_EQ(notXML->events, (std::vector<std::string>{"completion"}));
    EXPECT_FALSE(notXML->document);

    // A root of another name: refused before the title is reported.
    auto wrongRoot = load(*manager, R"(<shop title="T" uuid="U"><head/><body/></shop>)");
    ASSERT_TRUE(wrongRoot->error);
    EXPECT_EQ(*wrongRoot->error, Error(KIVOError::unsupportedElementTag("(root)", "shop")));
    EXPECT_EQ(wrongRoot->error->message(), "(root): Unsupported element tag: shop");
    EXPECT_EQ(wrongRoot->events, (std::vector<std::string>{"completion"}));

    // An unsupported version: also before the title.
    auto badVersion = load(*manager, R"(<storefront kivo-version="3" title="T" uuid="U"/>)");
    ASSERT_TRUE(badVersion->error);
    EXPECT_EQ(badVersion->error->message(), "Current support KIVO version is 1 or 2.0 but got 3.");
    EXPECT_EQ(badVersion->events, (std::vector<std::string>{"completion"}));

    // A valid root whose document is refused: the title report arrives first.
    auto noUUID = load(
        *manager,
        R"(<storefront title="Deals"><head/><body><linear-layout width="1" height="1"/></body></storefront>)");
    ASSERT_TRUE(noUUID->error);
    EXPECT_EQ(noUUID->error->message(), "storefront: Missing required attribute: uuid");
    EXPECT_EQ(noUUID->events, (std::vector<std::string>{"preload", "completion"}));
    EXPECT_EQ(*noUUID->titleReport, (TitleReport{{"title", "Deals"}}));

    // Nesting past the limit is refused, however deep the input goes.
    std::string deep = R"(<storefront title="T" uuid="U"><head/><body>)";
    for (int i = 0; i < 5000; ++i) {
        deep += R"(<linear-layout width="1" height="1">)";
    }
    auto tooDeep = load(*manager, deep);
    ASSERT_TRUE(tooDeep->error);
    EXPECT_EQ(*tooDeep->error, Error(KIVOError::general("Element nesting exceeds 256 levels.")));

    EXPECT_FALSE(manager->isLoaded());
    EXPECT_FALSE(manager->documentElement());
}

TEST(LayoutManagerLoad, LaterLoadsReplaceTheViewsKeepEarlierStylesAndARefusedLoadChangesNothing) {
    auto manager = makeManager();
    auto first = load(*manager, kContainersV2);
    ASSERT_FALSE(first->error);
    const auto firstView = manager->documentElementView();

    auto second = load(*manager, kContainersV1);
    ASSERT_FALSE(second->error) << second->error->message();
    EXPECT_EQ(manager->documentElement(), second->document);
    EXPECT_EQ(manager->kivoVersion(), KIVOVersion::v1);
    EXPECT_TRUE(manager->isLoaded());
    // Styles are not reset by a new load.
    EXPECT_TRUE(manager->styleElement(std::string("tile")));
    // The first document's views are gone from the content stack; the second's are laid out, with the
    // version-1 padding attribute.
    EXPECT_FALSE(firstView->superview());
    const auto root = manager->documentElementView();
    ASSERT_TRUE(root->superview());
    EXPECT_EQ(root->subviews().at(0)->frame(), ui::Rect(4, 4, 100, 30));
    EXPECT_EQ(root->frame().size.height, 38);

    // A document refused before rendering leaves the document shown and its state untouched.
    auto refused = load(*manager, R"(<storefront title="" uuid="X"/>)");
    ASSERT_TRUE(refused->error);
    EXPECT_EQ(refused->error->message(), "KIVODocumentElement: Missing required attribute: title");
    EXPECT_EQ(manager->documentElement(), second->document);
    EXPECT_EQ(manager->documentElementView(), root);
    EXPECT_TRUE(root->superview());
    EXPECT_EQ(manager->kivoVersion(), KIVOVersion::v1);
    EXPECT_TRUE(manager->isLoaded());
}

TEST(LayoutManagerLoad, OverlappingLoadsEachCompleteAndTheLastToFinishIsShown) {
    auto manager = makeManager();
    std::vector<std::shared_ptr<LoadRecord>> records;
    for (int i = 0; i < 8; ++i) {
        records.push_back(startLoad(*manager, i % 2 == 0 ? kContainersV2 : kContainersV1));
    }
    // Completion order is the order of the main-queue steps, so record which document finished last.
    ASSERT_TRUE(ui::testing::runMainUntil([&] {
        return std::all_of(records.begin(), records.end(), [](const auto& r) { return r->completed; });
    }));
    for (const auto& r : records) {
        EXPECT_FALSE(r->error);
        EXPECT_EQ(r->events, (std::vector<std::string>{"preload", "completion"}));
    }
    const auto last = *std::max_element(records.begin(), records.end(), [](const auto& a, const auto& b) {
        return a->completionNumber < b->completionNumber;
    });
    const auto shown = manager->documentElement();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown, last->document);
    // The manager's state and views belong to the document it shows, never to a mixture.
    const bool v2 = shown->uuid() == "DOC-1";
    EXPECT_EQ(manager->kivoVersion(), v2 ? KIVOVersion::v2 : KIVOVersion::v1);
    EXPECT_EQ(manager->documentElementView(), baseElement(shown->content())->view());
    EXPECT_EQ(manager->documentElementView()->subviews().size(), 1u);
}

TEST(LayoutManagerLoad, ManagerParsesOnTheMainThreadWithItsOwnVersion) {
    auto manager = makeManager();
    XMLParserHelper helper(R"(<item-atom item-id="1" item-source="coupon" width="1" height="1">
                                <url-source url="a.png" width="1" height="1"/></item-atom>)");
    ASSERT_FALSE(helper.start());
    try {
        manager->parseElement(*helper.documentNode());
        FAIL() << "an item atom parsed without a version";
    } catch (const Error& e) {
        EXPECT_EQ(e, Error(KIVOError::general("KIVOVersion was not set.")));
    }
    manager->setKivoVersion(KIVOVersion::v1);
    const ParsedKIVOElement parsed = manager->parseElement(*helper.documentNode());
    const auto* ui = std::get_if<UIElement>(&parsed);
    ASSERT_TRUE(ui);
    EXPECT_TRUE(std::holds_alternative<std::shared_ptr<ItemAtomElement>>(*ui));
}

TEST(LayoutManagerLoad, ItemsThatStandAloneAreRegisteredToo) {
    // An item atom that is the body's only child, and one inside a collapsible layout, are items of the
    // document like any other.
    const ParsedDocument parsed = parseDocument(R"(<storefront kivo-version="2.0" title="T" uuid="U">
      <head/>
      <body>
        <collapsible-layout width="match-parent" height="wrap-content" title="More">
          <item-atom source="ecom" source-id="5" width="10" height="10"/>
        </collapsible-layout>
      </body></storefront>)");
    ASSERT_FALSE(parsed.error) << parsed.error->message();
    EXPECT_TRUE(parsed.itemIDAttributes.find(KIVOItemID("5", KIVOSource::ecom)));

    const ParsedDocument single = parseDocument(R"(<storefront kivo-version="2.0" title="T" uuid="U"><head/>
      <body><item-atom source="offer" source-id="x" width="10" height="10"/></body></storefront>)");
    ASSERT_FALSE(single.error) << single.error->message();
    EXPECT_EQ(single.itemIDAttributes.registrationOrder(),
              std::vector<KIVOItemID>{KIVOItemID("x", KIVOSource::offer)});
}
