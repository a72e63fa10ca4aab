// The host view's construction and the properties it forwards to its scroll view and layout manager.

#include "kivo/host/host_test_support.h"

#include <ui/layout/layout_constraint.h>
#include <ui/views/label.h>
#include <ui/views/stack_view.h>

#include <cmath>
#include <limits>

namespace kivo::host_testing {
namespace {

// Puts a block of `height` points into the content stack, so that the content has that height.
void fillContent(KIVOView& view, double width, double height) {
    auto stack = std::dynamic_pointer_cast<ui::StackView>(view.contentView());
    ASSERT_NE(stack, nullptr);
    auto block = std::make_shared<ui::View>();
    block->setTranslatesAutoresizingMaskIntoConstraints(false);
    stack->addArrangedSubview(block);
    ui::LayoutConstraint::activate({block->widthAnchor().constraintEqualToConstant(width),
                                    block->heightAnchor().constraintEqualToConstant(height)});
}

TEST(KIVOViewConstruction, PlacesAZoomableScrollViewWithTheContentStackInside) {
    auto hosted = hostedView({390, 844});
    KIVOView& view = *hosted.view;

    auto scrollView = scrollViewOf(view);
    ASSERT_NE(scrollView, nullptr);
    EXPECT_EQ(scrollView->minimumZoomScale(), 1.0);
    EXPECT_EQ(scrollView->maximumZoomScale(), 3.0);
    EXPECT_EQ(scrollView->zoomScale(), 1.0);
    EXPECT_EQ(scrollView->backgroundColor(),
              ui::Color::rgba(0.9490196108818054, 0.9490196108818054, 0.95686274766922, 1));
    EXPECT_EQ(scrollView->delegate().get(), static_cast<ui::ScrollViewDelegate*>(&view));

    auto stack = std::dynamic_pointer_cast<ui::StackView>(view.contentView());
    ASSERT_NE(stack, nullptr);
    EXPECT_EQ(stack, view.contentView()) << "the content view is made once";
    EXPECT_EQ(stack->accessibilityIdentifier(), "main content stack view");
    EXPECT_EQ(stack->axis(), ui::LayoutAxis::vertical);
    EXPECT_EQ(stack->superview(), scrollView);
    EXPECT_EQ(scrollView->zoomView(), stack);

    // The scroll view fills the host view.
    EXPECT_EQ(scrollView->frame(), (ui::Rect{0, 0, 390, 844}));
    EXPECT_EQ(view.viewportSize(), (ui::Size{390, 844}));
    EXPECT_EQ(view.visibleBounds(), (ui::Rect{0, 0, 390, 844}));
    EXPECT_EQ(view.zoomScale(), 1.0);
    EXPECT_FALSE(view.isLoaded());
    EXPECT_FALSE(view.isVisible());
    EXPECT_EQ(view.uuid(), std::nullopt);
    EXPECT_TRUE(view.itemIDAttributes().empty());
}

TEST(KIVOViewProperties, ViewportFollowsTheHostViewsSize) {
    auto hosted = hostedView({390, 844});
    hosted.view->setFrame({0, 0, 300, 500});
    hosted.window->layoutIfNeeded();
    EXPECT_EQ(hosted.view->viewportSize(), (ui::Size{300, 500}));
}

TEST(KIVOViewProperties, ContentInsetIsTheScrollViews) {
    auto hosted = hostedView();
    const ui::EdgeInsets inset{10, 20, 30, 40};
    hosted.view->setContentInset(inset);
    EXPECT_EQ(scrollViewOf(*hosted.view)->contentInset(), inset);
    EXPECT_EQ(hosted.view->contentInset(), inset);
}

TEST(KIVOViewProperties, ContentSizeAndOffsetAreTheScrollViews) {
    auto hosted = hostedView({390, 844});
    fillContent(*hosted.view, 390, 2000);
    hosted.window->layoutIfNeeded();
    EXPECT_EQ(hosted.view->contentSize(), (ui::Size{390, 2000}));

    scrollViewOf(*hosted.view)->setContentOffset({0, 250});
    EXPECT_EQ(hosted.view->contentOffset(), (ui::Point{0, 250}));
    EXPECT_EQ(hosted.view->visibleBounds(), (ui::Rect{0, 250, 390, 844}));
}

TEST(KIVOViewProperties, ContentOffsetPercentageReadsAndWritesTheVerticalPosition) {
    auto hosted = hostedView({390, 844});
    KIVOView& view = *hosted.view;
    fillContent(view, 390, 2000);
    hosted.window->layoutIfNeeded();
    ASSERT_EQ(view.contentSize().height, 2000);

    EXPECT_EQ(view.contentOffsetPercentage(), 0.0);
    view.setContentOffsetPercentage(0.5);
    EXPECT_EQ(view.contentOffset(), (ui::Point{0, 578})); // (2000 - 844) * 0.5
    EXPECT_DOUBLE_EQ(view.contentOffsetPercentage(), 0.5);

    view.setContentOffsetPercentage(1.5);
    EXPECT_EQ(view.contentOffset().y, 1156);
    EXPECT_DOUBLE_EQ(view.contentOffsetPercentage(), 1.0);
    view.setContentOffsetPercentage(-2);
    EXPECT_EQ(view.contentOffset().y, 0);

    // The top inset counts when reading: (100 + 578) / (2000 - (844 - 100)).
    view.setContentInset({100, 0, 0, 0});
    view.setContentOffsetPercentage(0.5);
    EXPECT_EQ(view.contentOffset().y, 578) << "insets do not count when writing";
    EXPECT_DOUBLE_EQ(view.contentOffsetPercentage(), 678.0 / 1256.0);
}

TEST(KIVOViewProperties, ContentShorterThanTheViewportReadsZero) {
    auto hosted = hostedView({390, 844});
    fillContent(*hosted.view, 390, 300);
    hosted.window->layoutIfNeeded();
    scrollViewOf(*hosted.view)->setContentOffset({0, 40});
    EXPECT_EQ(hosted.view->contentOffsetPercentage(), 0.0);
}

TEST(KIVOViewProperties, ANotANumberPercentageScrollsToTheTop) {
    auto hosted = hostedView({390, 844});
    KIVOView& view = *hosted.view;
    fillContent(view, 390, 2000);
    hosted.window->layoutIfNeeded();
    view.setContentOffsetPercentage(0.5);

    view.setContentOffsetPercentage(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(view.contentOffset(), (ui::Point{0, 0}));
    EXPECT_FALSE(std::isnan(view.contentOffsetPercentage()));
}

TEST(KIVOViewProperties, ConfigurationIsKept) {
    auto view = KIVOView::create(nullptr);
    EXPECT_EQ(view->customFontName(), std::nullopt);
    view->setCustomFontName("Brand-Regular");
    EXPECT_EQ(view->customFontName(), "Brand-Regular");
    view->setCustomFontName(std::nullopt);
    EXPECT_EQ(view->customFontName(), std::nullopt);

    EXPECT_FALSE(view->shouldUseDefaultClippingAnnotation());
    view->setShouldUseDefaultClippingAnnotation(true);
    EXPECT_TRUE(view->shouldUseDefaultClippingAnnotation());
}

TEST(KIVOViewProperties, DocumentPropertiesComeFromTheLoadedDocument) {
    auto view = KIVOView::create(nullptr);
    loadAndWait(*view, kWeeklyDeals);
    EXPECT_EQ(view->uuid(), "DOC-1");
    EXPECT_EQ(view->contentHash(), "abc");

    loadAndWait(*view, kFlyerWithoutSubtitle);
    EXPECT_EQ(view->uuid(), "DOC-2");
    EXPECT_EQ(view->contentHash(), std::nullopt);
}

TEST(KIVOViewProperties, TheDocumentIsRenderedIntoTheContentViewBetweenHeaderAndFooter) {
    auto hosted = hostedView({390, 844});
    KIVOView& view = *hosted.view;
    auto header = std::make_shared<ui::Label>("Weekly deals");
    auto footer = std::make_shared<ui::Label>("Prices valid this week");
    bool completed = false;
    view.load(kWeeklyDeals, header, footer, nullptr, [&](const std::optional<Error>&) { completed = true; });
    ASSERT_TRUE(ui::testing::runMainUntil([&] { return completed; }));
    hosted.window->layoutIfNeeded();

    EXPECT_EQ(header->superview(), view.contentView());
    EXPECT_EQ(footer->superview(), view.contentView());
    EXPECT_LE(header->frame().maxY(), footer->frame().minY());
    // The two 120-point columns and the two labels make the content taller than the columns alone.
    EXPECT_GT(view.contentSize().height, 120);
    EXPECT_EQ(view.contentSize().width, 390);
}

} // namespace
} // namespace kivo::host_testing
