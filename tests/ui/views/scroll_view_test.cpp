// The scroll view: defaults and options, content size from layout, scrolling, insets and scroll to top.

#include "ui/views/scroll_view_test_support.h"

#include <ui/views/scroll_view.h>
#include <ui/views/window.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ui {
namespace {

using namespace scroll_view_test;

// --- defaults and options ---

TEST(ScrollViewDefaults, StartAtRestUnzoomedWithThePlatformOptions) {
    const auto scroll = std::make_shared<ScrollView>(Rect{0, 0, 200, 300});
    EXPECT_TRUE(scroll->isLayoutSpaceRoot());
    EXPECT_TRUE(sameSize(scroll->contentSize(), {0, 0}));
    EXPECT_TRUE(samePoint(scroll->contentOffset(), {0, 0}));
    EXPECT_EQ(scroll->contentInset(), EdgeInsets{});
    EXPECT_EQ(scroll->adjustedContentInset(), EdgeInsets{});
    EXPECT_EQ(scroll->zoomScale(), 1.0);
    EXPECT_EQ(scroll->minimumZoomScale(), 1.0);
    EXPECT_EQ(scroll->maximumZoomScale(), 1.0);
    EXPECT_EQ(scroll->delegate(), nullptr);
    EXPECT_EQ(scroll->zoomView(), nullptr);
    EXPECT_FALSE(scroll->isTracking());
    EXPECT_FALSE(scroll->isDragging());
    EXPECT_FALSE(scroll->isDecelerating());
    EXPECT_FALSE(scroll->isZooming());
    EXPECT_FALSE(scroll->isZoomBouncing());
    EXPECT_TRUE(scroll->showsVerticalScrollIndicator());
    EXPECT_TRUE(scroll->showsHorizontalScrollIndicator());
    EXPECT_TRUE(scroll->scrollsToTop());
    EXPECT_TRUE(scroll->bounces());
    EXPECT_TRUE(scroll->isScrollEnabled());
}

TEST(ScrollViewDefaults, OptionsAndEventLayerFlagsCanBeChanged) {
    const auto scroll = std::make_shared<ScrollView>(Rect{0, 0, 200, 300});
    scroll->setShowsVerticalScrollIndicator(false);
    scroll->setShowsHorizontalScrollIndicator(false);
    scroll->setScrollsToTop(false);
    scroll->setBounces(false);
    scroll->setScrollEnabled(false);
    scroll->setTracking(true);
    scroll->setZoomBouncing(true);
    EXPECT_FALSE(scroll->showsVerticalScrollIndicator());
    EXPECT_FALSE(scroll->showsHorizontalScrollIndicator());
    EXPECT_FALSE(scroll->scrollsToTop());
    EXPECT_FALSE(scroll->bounces());
    EXPECT_FALSE(scroll->isScrollEnabled());
    EXPECT_TRUE(scroll->isTracking());
    EXPECT_TRUE(scroll->isZoomBouncing());
}

TEST(ScrollViewDefaults, ZoomLimitsIgnoreValuesThatAreNotPositiveAndFinite) {
    const auto scroll = std::make_shared<ScrollView>();
    scroll->setMinimumZoomScale(0.5);
    scroll->setMaximumZoomScale(4);
    scroll->setMinimumZoomScale(0);
    scroll->setMinimumZoomScale(-1);
    scroll->setMaximumZoomScale(std::nan(""));
    scroll->setMaximumZoomScale(std::numeric_limits<double>::infinity());
    EXPECT_EQ(scroll->minimumZoomScale(), 0.5);
    EXPECT_EQ(scroll->maximumZoomScale(), 4.0);
}

TEST(ScrollViewDefaults, DelegateIsHeldWeakly) {
    const auto scroll = std::make_shared<ScrollView>(Rect{0, 0, 200, 300});
    auto delegate = std::make_shared<RecordingDelegate>();
    scroll->setDelegate(delegate);
    EXPECT_EQ(delegate.use_count(), 1);
    EXPECT_EQ(scroll->delegate(), delegate);

    delegate.reset();
    EXPECT_EQ(scroll->delegate(), nullptr);
    // Scrolling without a delegate still works and tells nobody.
    scroll->setContentOffset({0, 40}, true);
    EXPECT_TRUE(samePoint(scroll->contentOffset(), {0, 40}));
    EXPECT_TRUE(scroll->scrollToTop());
    EXPECT_TRUE(samePoint(scroll->contentOffset(), {0, 0}));
}

// --- content size from layout ---

TEST_F(ScrollViewTest, ContentSizeFollowsTheConstrainedContent) {
    EXPECT_TRUE(sameRect(scroll->frame(), {0, 0, 400, 800}));
    EXPECT_TRUE(sameRect(content->frame(), {0, 0, 400, 2000}));
    EXPECT_TRUE(sameRect(marker->frame(), {100, 500, 40, 20}));
    EXPECT_TRUE(sameSize(scroll->contentSize(), {400, 2000}));
    EXPECT_TRUE(samePoint(scroll->minimumContentOffset(), {0, 0}));
    EXPECT_TRUE(samePoint(scroll->maximumContentOffset(), {0, 1200}));
}

TEST_F(ScrollViewTest, ContentSizeFollowsAWindowResize) {
    window->setSize({300, 800});
    window->layoutIfNeeded();
    EXPECT_TRUE(sameRect(scroll->frame(), {0, 0, 300, 800}));
    EXPECT_TRUE(sameRect(content->frame(), {0, 0, 300, 2000}));
    EXPECT_TRUE(sameSize(scroll->contentSize(), {300, 2000}));

    window->setSize({500, 600});
    window->layoutIfNeeded();
    EXPECT_TRUE(sameRect(content->frame(), {0, 0, 500, 2000}));
    EXPECT_TRUE(sameSize(scroll->contentSize(), {500, 2000}));
    EXPECT_TRUE(samePoint(scroll->maximumContentOffset(), {0, 1400}));
}

TEST_F(ScrollViewTest, ContentSizeFollowsTheContentsHeightConstant) {
    contentHeight->setConstant(3000);
    window->layoutIfNeeded();
    EXPECT_TRUE(sameRect(content->frame(), {0, 0, 400, 3000}));
    EXPECT_TRUE(sameSize(scroll->contentSize(), {400, 3000}));
}

TEST(ScrollViewFrames, ContentSizeSetByHandStaysThroughLayout) {
    const auto window = std::make_shared<Window>(Size{400, 800});
    const auto scroll = std::make_shared<ScrollView>(Rect{10, 20, 200, 300});
    const auto child = std::make_shared<View>(Rect{0, 0, 1000, 1500});
    window->addSubview(scroll);
    scroll->addSubview(child);
    scroll->setContentSize({1000, 1500});
    window->layoutIfNeeded();

    EXPECT_TRUE(sameRect(scroll->frame(), {10, 20, 200, 300}));
    EXPECT_TRUE(sameRect(child->frame(), {0, 0, 1000, 1500}));
    EXPECT_TRUE(sameSize(scroll->contentSize(), {1000, 1500}));
    EXPECT_TRUE(samePoint(scroll->maximumContentOffset(), {800, 1200}));

    scroll->setContentOffset({800, 1200});
    window->layoutIfNeeded();
    EXPECT_TRUE(sameRect(child->frame(), {0, 0, 1000, 1500}));
    // The child's bottom-right corner now shows at the scroll view's bottom-right corner.
    EXPECT_TRUE(samePoint(child->convertPointTo({1000, 1500}, nullptr), {210, 320}));
}

// --- scrolling ---

TEST_F(ScrollViewTest, ScrollingMovesTheBoundsAndNoFrame) {
    const Rect scrollFrame = scroll->frame();
    const Rect contentFrame = content->frame();
    const Rect markerFrame = marker->frame();

    scroll->setContentOffset({0, 400});
    EXPECT_TRUE(samePoint(scroll->contentOffset(), {0, 400}));
    EXPECT_TRUE(sameRect(scroll->bounds(), {0, 400, 400, 800}));
    EXPECT_EQ(delegate->events, (Events{"didScroll"}));
    ASSERT_EQ(delegate->offsetsAtDidScroll.size(), 1u);
    EXPECT_TRUE(samePoint(delegate->offsetsAtDidScroll[0], {0, 400}));

    window->layoutIfNeeded();
    EXPECT_TRUE(sameRect(scroll->frame(), scrollFrame));
    EXPECT_TRUE(sameRect(content->frame(), contentFrame));
    EXPECT_TRUE(sameRect(marker->frame(), markerFrame));
    EXPECT_TRUE(sameSize(scroll->contentSize(), {400, 2000}));
    EXPECT_TRUE(samePoint(scroll->contentOffset(), {0, 400}));
    // The marker moved up on screen by the offset.
    EXPECT_TRUE(sameRect(marker->convertRectTo(marker->bounds(), nullptr), {100, 100, 40, 20}));
}

TEST_F(ScrollViewTest, SettingTheSameOffsetSendsNothing) {
    scroll->setContentOffset({0, 0});
    scroll->setContentOffset({0, 0}, true);
    EXPECT_TRUE(delegate->events.empty());

    scroll->setContentOffset({0, 100});
    scroll->setContentOffset({0, 100});
    EXPECT_EQ(delegate->events, (Events{"didScroll"}));
}

TEST_F(ScrollViewTest, AnimatedOffsetChangeLandsAtOnceAndEndsItsAnimation) {
    scroll->setContentOffset({0, 300}, true);
    EXPECT_TRUE(samePoint(scroll->contentOffset(), {0, 300}));
    EXPECT_EQ(delegate->events, (Events{"didScroll", "didEndScrollingAnimation"}));
}

TEST_F(ScrollViewTest, SetContentOffsetDoesNotClamp) {
    scroll->setContentOffset({-30, 5000});
    EXPECT_TRUE(samePoint(scroll->contentOffset(), {-30, 5000}));
    EXPECT_TRUE(samePoint(scroll->clampedContentOffset(scroll->contentOffset()), {0, 1200}));
}

TEST_F(ScrollViewTest, NonFiniteOffsetsAreIgnored) {
    scroll->setContentOffset({0, 100});
    scroll->setContentOffset({std::nan(""), 10});
    scroll->setContentOffset({0, std::numeric_limits<double>::infinity()});
    EXPECT_TRUE(samePoint(scroll->contentOffset(), {0, 100}));
    EXPECT_EQ(delegate->events, (Events{"didScroll"}));
}

// --- insets ---

TEST_F(ScrollViewTest, ContentInsetWidensTheOffsetRangeAndLeavesTheOffset) {
    scroll->setContentOffset({0, 50});
    scroll->setContentInset({10, 20, 30, 40});
    EXPECT_EQ(scroll->contentInset(), (EdgeInsets{10, 20, 30, 40}));
    EXPECT_EQ(scroll->adjustedContentInset(), (EdgeInsets{10, 20, 30, 40}));
    EXPECT_TRUE(samePoint(scroll->contentOffset(), {0, 50}));
    EXPECT_TRUE(samePoint(scroll->minimumContentOffset(), {-20, -10}));
    EXPECT_TRUE(samePoint(scroll->maximumContentOffset(), {40, 1230}));
    EXPECT_TRUE(samePoint(scroll->clampedContentOffset({-50, 5000}), {-20, 1230}));
    EXPECT_TRUE(samePoint(scroll->clampedContentOffset({7, 300}), {7, 300}));
    // Insets change no layout.
    window->layoutIfNeeded();
    EXPECT_TRUE(sameRect(content->frame(), {0, 0, 400, 2000}));
}

TEST(ScrollViewFrames, ContentSmallerThanTheViewRestsAtTheInsetCorner) {
    const auto scroll = std::make_shared<ScrollView>(Rect{0, 0, 200, 300});
    scroll->setContentSize({100, 100});
    scroll->setContentInset({10, 20, 0, 0});
    EXPECT_TRUE(samePoint(scroll->minimumContentOffset(), {-20, -10}));
    EXPECT_TRUE(samePoint(scroll->maximumContentOffset(), {-20, -10}));
    EXPECT_TRUE(samePoint(scroll->clampedContentOffset({50, 50}), {-20, -10}));
}

// --- scroll to top ---

TEST_F(ScrollViewTest, ScrollToTopGoesToTheTopInsetAndTellsTheDelegate) {
    scroll->setContentInset({10, 0, 0, 0});
    scroll->setContentOffset({30, 500});
    delegate->events.clear();

    EXPECT_TRUE(scroll->scrollToTop());
    EXPECT_TRUE(samePoint(scroll->contentOffset(), {30, -10}));
    EXPECT_EQ(delegate->events, (Events{"shouldScrollToTop", "didScroll", "didScrollToTop"}));

    // Already at the top: nothing scrolls, but the request is still answered.
    delegate->events.clear();
    EXPECT_TRUE(scroll->scrollToTop());
    EXPECT_EQ(delegate->events, (Events{"shouldScrollToTop", "didScrollToTop"}));
}

TEST_F(ScrollViewTest, ScrollToTopHonoursTheOptionAndTheDelegate) {
    scroll->setContentOffset({0, 500});
    delegate->events.clear();

    delegate->allowScrollToTop = false;
    EXPECT_FALSE(scroll->scrollToTop());
    EXPECT_TRUE(samePoint(scroll->contentOffset(), {0, 500}));
    EXPECT_EQ(delegate->events, (Events{"shouldScrollToTop"}));

    delegate->events.clear();
    delegate->allowScrollToTop = true;
    scroll->setScrollsToTop(false);
    EXPECT_FALSE(scroll->scrollToTop());
    EXPECT_TRUE(samePoint(scroll->contentOffset(), {0, 500}));
    EXPECT_TRUE(delegate->events.empty());
}

} // namespace
} // namespace ui
