// Badges: where each anchor position puts a badge over its parent, the overlay letting touches through,
// and the badge walk of a load placing the badges of containers and images and loading their pictures.

#include "support/document_host.h"
#include "support/recording_image_provider.h"
#include "ui/runloop/hang_guard.h"

#include <kivo/layout/layout_manager.h>
#include <kivo/markup/xml_node.h>
#include <kivo/markup/xml_parser_helper.h>
#include <kivo/model/badge_element.h>
#include <kivo/model/body_elements.h>
#include <kivo/views/badge_view.h>
#include <kivo/views/kivo_border_layer.h>
#include <ui/graphics/renderer.h>
#include <ui/views/snapshot.h>
#include <ui/views/window.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace kivo;
using test_support::RecordingImageProvider;
using ui::Rect;

namespace {

std::shared_ptr<BadgeElement> badge(const std::string& attributes) {
    XMLParserHelper helper("<badge url=\"https://img.test/badge.png\" " + attributes + "/>");
    EXPECT_FALSE(helper.start().has_value());
    ElementParser parser;
    return std::make_shared<BadgeElement>(*helper.documentNode(), parser);
}

// A parent view at (100, 50), 200 x 100, inside a window, and a badge container covering the window.
struct Stage {
    std::shared_ptr<RecordingImageProvider> provider = std::make_shared<RecordingImageProvider>();
    std::shared_ptr<ui::Window> window = std::make_shared<ui::Window>(ui::Size(400, 300));
    std::shared_ptr<ui::View> parent = std::make_shared<ui::View>();
    std::shared_ptr<ui::View> container = std::make_shared<ui::View>();

    Stage() {
        parent->setTranslatesAutoresizingMaskIntoConstraints(false);
        window->addSubview(parent);
        ui::LayoutConstraint::activate({
            parent->leftAnchor().constraintEqualTo(window->leftAnchor(), 100),
            parent->topAnchor().constraintEqualTo(window->topAnchor(), 50),
            parent->widthAnchor().constraintEqualToConstant(200),
            parent->heightAnchor().constraintEqualToConstant(100),
        });
        container->setFrame(Rect(0, 0, 400, 300));
        container->setUserInteractionEnabled(false);
        window->addSubview(container);
    }

    // Places the badge and answers its frame in window coordinates.
    Rect place(const std::string& attributes) {
        const auto element = badge(attributes);
        const auto view = BadgeView::create(*element, provider);
        LayoutManager::layoutBadge(view, parent, container, *element);
        window->layoutIfNeeded();
        return view->convertRectTo(view->bounds(), window.get());
    }
};

TEST(Badges, EveryAnchorPositionPutsTheBadgeOnItsMark) {
    Stage stage;
    // Top-left corner exactly: the 1-point anchor box of a zero position does not shift the badge.
    EXPECT_EQ(stage.place(R"(width="40" height="20" h-pos="0" v-pos="0")"), Rect(100, 50, 40, 20));
    // Bottom-right corner on the parent's bottom-right corner.
    EXPECT_EQ(stage.place(R"(width="40" height="20" h-pos="1" v-pos="1" x="end" y="end")"),
              Rect(260, 130, 40, 20));
    // Centred on the middle: leading edge at W / 2 - 20.
    EXPECT_EQ(stage.place(R"(width="40" height="20" h-pos="0.5" v-pos="0.5" x="center" y="center")"),
              Rect(180, 90, 40, 20));
    // A negative position puts the mark before the parent's leading and top edges.
    EXPECT_EQ(stage.place(R"(width="40" height="20" h-pos="-0.1" v-pos="-0.5")"), Rect(80, 0, 40, 20));
    EXPECT_EQ(stage.place(R"(width="40" height="20" h-pos="-0.1" v-pos="-0.5" x="end" y="end")"),
              Rect(40, -20, 40, 20));
    // End anchors at a zero position: the badge ends on the parent's leading and top edges.
    EXPECT_EQ(stage.place(R"(width="40" height="20" h-pos="0" v-pos="0" x="end" y="end")"),
              Rect(60, 30, 40, 20));
    EXPECT_EQ(stage.place(R"(width="40" height="20" h-pos="0" v-pos="0" x="center" y="center")"),
              Rect(80, 40, 40, 20));
    // Unknown anchors are start.
    EXPECT_EQ(stage.place(R"(width="40" height="20" h-pos="0.25" v-pos="0.1" x="middle" y="")"),
              Rect(150, 60, 40, 20));

    // Badges follow their parent when its layout changes.
    const auto element = badge(R"(width="10" height="10" h-pos="1" v-pos="0" x="end")");
    const auto view = BadgeView::create(*element, stage.provider);
    LayoutManager::layoutBadge(view, stage.parent, stage.container, *element);
    stage.window->layoutIfNeeded();
    auto all = stage.window->constraints();
    all.insert(all.end(), stage.parent->constraints().begin(), stage.parent->constraints().end());
    for (const auto& constraint : all) {
        if (constraint->firstItem() == stage.parent &&
            constraint->firstAttribute() == ui::LayoutAttribute::width) {
            constraint->setConstant(300);
        }
    }
    stage.window->layoutIfNeeded();
    EXPECT_EQ(view->convertRectTo(view->bounds(), stage.window.get()), Rect(390, 50, 10, 10));

    // Every badge view asked for its picture, fitted.
    EXPECT_EQ(stage.provider->tasks.size(), 9u);
    EXPECT_EQ(stage.provider->tasks[0]->url->string(), "https://img.test/badge.png");
    EXPECT_EQ(view->imageView()->contentMode(), ui::ContentMode::scaleAspectFit);
}

const std::string kBadgedDocument = R"(<storefront kivo-version="2.0" title="T" uuid="U">
  <head><styles>
    <style id="pad" padding="10 20 30 40" border-style="solid" border-color="#FF0000" border-width="2"
           border-top-show="true"/>
  </styles></head>
  <body>
    <linear-layout width="match-parent" height="wrap-content">
      <badge url="https://img.test/corner.png" width="30" height="30" h-pos="1" v-pos="0" x="end"/>
      <image width="200" height="100" style-id="pad">
        <url-source url="https://img.test/photo.png" width="400" height="200"/>
        <flyer-source path="flyers/p1" rect="0 2000 1000 0" resolutions="0.5 1" width="1000" height="2000"/>
        <badge url="https://img.test/sale.png" width="20" height="20" h-pos="0.5" v-pos="0.5" x="center" y="center"/>
      </image>
      <image width="match-parent" height="preserve-aspect" aspect-ratio="0.25" style-id="pad">
        <url-source url="https://img.test/banner.png" width="400" height="100"/>
      </image>
    </linear-layout>
  </body>
</storefront>)";

struct LoadedDocument {
    std::shared_ptr<RecordingImageProvider> provider = std::make_shared<RecordingImageProvider>();
    std::unique_ptr<test_support::DocumentHost> host;
    std::optional<Error> error;
    bool completed = false;

    explicit LoadedDocument(const std::string& markup) {
        host = std::make_unique<test_support::DocumentHost>(ui::Size(390, 844), provider);
        host->manager->renderBody(markup, nullptr, nullptr, nullptr,
                                  [this](std::shared_ptr<KIVODocumentElement>, std::optional<Error> e) {
                                      error = std::move(e);
                                      completed = true;
                                  });
        EXPECT_TRUE(ui::testing::runMainUntil([this] { return completed; }));
        host->window->layoutIfNeeded();
    }

    std::shared_ptr<BaseUIElement> element(std::size_t index) const {
        const auto root =
            std::get<std::shared_ptr<LinearLayoutElement>>(host->manager->documentElement()->content());
        return baseElement(root->content().at(index));
    }
};

TEST(Badges, LoadPlacesTheBadgesOfContainersAndImagesInTheOverlay) {
    LoadedDocument loaded(kBadgedDocument);
    ASSERT_FALSE(loaded.error) << loaded.error->message();
    auto& manager = *loaded.host->manager;
    const auto overlay = manager.badgeContainerView();
    ASSERT_EQ(overlay->superview(), loaded.host->contentView);
    EXPECT_FALSE(overlay->isUserInteractionEnabled());
    // One anchor view per badge, each holding its badge view; the overlay covers the content.
    ASSERT_EQ(overlay->subviews().size(), 2u);
    EXPECT_EQ(overlay->frame(), loaded.host->contentView->bounds());
    const auto window = loaded.host->window.get();
    const auto frameOf = [&](std::size_t i) {
        const auto& badgeView = overlay->subviews()[i]->subviews().at(0);
        EXPECT_NE(std::dynamic_pointer_cast<BadgeView>(badgeView), nullptr);
        return badgeView->convertRectTo(badgeView->bounds(), window);
    };
    EXPECT_EQ(frameOf(0), Rect(360, 0, 30, 30)) << "the root's badge, at its top-right corner";
    EXPECT_EQ(frameOf(1), Rect(90, 40, 20, 20)) << "the first image's badge, centred on it";

    // Touches pass through the overlay to the content below.
    const auto image = loaded.element(0)->view();
    EXPECT_EQ(window->hitTest(ui::Point(100, 50)), image);

    // Pictures asked for: the document's three sources (the flyer source after a URL one is ignored) and
    // the two badges.
    EXPECT_EQ(loaded.provider->tasksFor("https://img.test/photo.png").size(), 1u);
    EXPECT_EQ(loaded.provider->tasksFor("https://img.test/banner.png").size(), 1u);
    EXPECT_EQ(loaded.provider->tasksFor("https://img.test/corner.png").size(), 1u);
    EXPECT_EQ(loaded.provider->tasksFor("https://img.test/sale.png").size(), 1u);
    EXPECT_EQ(loaded.provider->tasks.size(), 4u);
    EXPECT_TRUE(manager.baseItemsContainerIDs().empty()) << "images with a URL source never register";
}

TEST(ImageElements, StylePadsThePictureAndIsAppliedAgainWhenItArrives) {
    LoadedDocument loaded(kBadgedDocument);
    ASSERT_FALSE(loaded.error) << loaded.error->message();
    const auto fixed = std::dynamic_pointer_cast<KIVOWebImageViewContainer>(loaded.element(0)->view());
    const auto banner = std::dynamic_pointer_cast<KIVOWebImageViewContainer>(loaded.element(1)->view());
    ASSERT_NE(fixed, nullptr);
    ASSERT_NE(banner, nullptr);
    // Padding "10 20 30 40" (left, top, right, bottom) widened by the 2-point top border.
    EXPECT_DOUBLE_EQ(fixed->imageViewLeadingConstraint()->constant(), 10);
    EXPECT_DOUBLE_EQ(fixed->imageViewTrailingConstraint()->constant(), -30);
    EXPECT_DOUBLE_EQ(fixed->imageViewTopConstraint()->constant(), 22);
    EXPECT_DOUBLE_EQ(fixed->imageViewBottomConstraint()->constant(), -40);
    EXPECT_EQ(fixed->imageView()->frame(), Rect(10, 22, 160, 38));
    EXPECT_EQ(fixed->imageView()->contentMode(), ui::ContentMode::scaleToFill);
    EXPECT_EQ(banner->imageView()->contentMode(), ui::ContentMode::scaleAspectFit)
        << "a preserve-aspect image fits its picture";
    EXPECT_EQ(banner->frame(), Rect(0, 100, 390, 97.5));

    const auto borderCount = [](const ui::View& view) {
        int count = 0;
        for (const auto& layer : view.layer()->sublayers()) {
            count += std::dynamic_pointer_cast<KIVOBorderLayer>(layer) ? 1 : 0;
        }
        return count;
    };
    EXPECT_EQ(borderCount(*fixed), 1);
    ASSERT_TRUE(std::dynamic_pointer_cast<KIVOBorderLayer>(fixed->layer()->sublayers().front()));
    const auto firstBorder = fixed->layer()->sublayers().front();

    // The picture arrives: shown, and the style applied again without stacking a second border.
    const auto photo = loaded.provider->tasksFor("https://img.test/photo.png").at(0);
    photo->complete(ui::Image::filled(ui::Size(400, 200), ui::Color::blue()));
    EXPECT_NE(fixed->imageView()->image(), nullptr);
    EXPECT_EQ(borderCount(*fixed), 1);
    EXPECT_NE(fixed->layer()->sublayers().front(), firstBorder);
    // A failed picture leaves the view empty and the style applied once more all the same.
    loaded.provider->tasksFor("https://img.test/banner.png").at(0)->complete(nullptr, "404 Not Found");
    EXPECT_EQ(banner->imageView()->image(), nullptr);
    EXPECT_EQ(borderCount(*banner), 1);

    // The pixels of the padded picture: blue inside the padding, the clear container around it.
    loaded.host->window->layoutIfNeeded();
    const auto shot = ui::snapshot(*fixed, 1);
    EXPECT_EQ(shot->pixelAt(100, 40), ui::Color::blue());
    EXPECT_EQ(shot->pixelAt(9, 40), ui::Color::clear());
    EXPECT_EQ(shot->pixelAt(10, 40), ui::Color::blue());
    EXPECT_EQ(shot->pixelAt(100, 59), ui::Color::blue());
    EXPECT_EQ(shot->pixelAt(100, 60), ui::Color::clear());
    EXPECT_EQ(shot->pixelAt(100, 0), ui::Color::rgb(1, 0, 0)) << "the top border";
}

TEST(ImageElements, ImagesWithoutAURLSourceRefuseTheDocumentClearly) {
    const auto refused = [](const std::string& body) {
        LoadedDocument loaded(R"(<storefront kivo-version="2.0" title="T" uuid="U"><head/><body>)" + body +
                              "</body></storefront>");
        return loaded.error ? loaded.error->message() : std::string("(loaded)");
    };
    const std::string noSources = refused(R"(<image width="10" height="10">
        <badge url="https://img.test/b.png" width="1" height="1" h-pos="0" v-pos="0"/></image>)");
    EXPECT_EQ(noSources.rfind("No sources for ImageElement(", 0), 0u) << noSources;
    const std::string flyer = refused(R"(<image width="10" height="10">
        <flyer-source path="flyers/p1" rect="0 2000 1000 0" resolutions="0.5 1" width="1000" height="2000"/></image>)");
    EXPECT_NE(flyer.find("FlyerSourceElement"), std::string::npos) << flyer;
    EXPECT_NE(flyer.find("no view yet"), std::string::npos) << flyer;
}

TEST(ImageElements, ContentSpaceConversionsUseTheSliceAndFactors) {
    const ui::Rect slice(100, 200, 500, 800);
    EXPECT_EQ(ImageElement::contentSpacePoint(ui::Point(10, 10), slice, 0.5, 0.25), ui::Point(120, 240));
    EXPECT_EQ(ImageElement::viewRect(Rect(120, 240, 40, 80), slice, 0.5, 0.25), Rect(10, 10, 20, 20));
    LoadedDocument loaded(kBadgedDocument);
    const auto image = std::dynamic_pointer_cast<ImageElement>(loaded.element(0));
    ASSERT_NE(image, nullptr);
    EXPECT_FALSE(image->contentSpacePoint(ui::Point(1, 1)).has_value()) << "not a flyer view";
    EXPECT_FALSE(image->viewRect(Rect(0, 0, 1, 1)).has_value());
}

} // namespace
