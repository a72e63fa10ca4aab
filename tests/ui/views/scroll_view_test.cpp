#include <ui/views/scroll_view.h>
#include <ui/views/window.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace ui {
namespace {

constexpr double tolerance = 1e-9;

std::string describe(Point p) {
    std::ostringstream out;
    out << "(" << p.x << ", " << p.y << ")";
    return out.str();
}

std::string describe(Size s) {
    std::ostringstream out;
    out << "(" << s.width << " x " << s.height << ")";
    return out.str();
}

std::string describe(const Rect& r) {
    std::ostringstream out;
    out << "(" << r.origin.x << ", " << r.origin.y << ", " << r.size.width << " x " << r.size.height << ")";
    return out.str();
}

bool near(double a, double b) {
    return std::fabs(a - b) <= tolerance;
}

::testing::AssertionResult samePoint(Point actual, Point expected) {
    if (near(actual.x, expected.x) && near(actual.y, expected.y)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "got " << describe(actual) << ", expected " << describe(expected);
}

::testing::AssertionResult sameSize(Size actual, Size expected) {
    if (near(actual.width, expected.width) && near(actual.height, expected.height)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "got " << describe(actual) << ", expected " << describe(expected);
}

::testing::AssertionResult sameRect(const Rect& actual, const Rect& expected) {
    if (samePoint(actual.origin, expected.origin) && sameSize(actual.size, expected.size)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "got " << describe(actual) << ", expected " << describe(expected);
}

using Events = std::vector<std::string>;

// Writes down every delegate event, in order, with what the scroll view looked like at the time.
class RecordingDelegate : public ScrollViewDelegate {
public:
    void scrollViewDidScroll(ScrollView& view) override {
        events.push_back("didScroll");
        offsetsAtDidScroll.push_back(view.contentOffset());
    }
    void scrollViewDidZoom(ScrollView& view) override {
        events.push_back("didZoom");
        scalesAtDidZoom.push_back(view.zoomScale());
    }
    void scrollViewWillBeginZooming(ScrollView&, View* view) override {
        events.push_back("willBeginZooming");
        zoomViewsSeen.push_back(view);
    }
    void scrollViewDidEndZooming(ScrollView&, View* view, double scale) override {
        events.push_back("didEndZooming");
        zoomViewsSeen.push_back(view);
        endZoomScales.push_back(scale);
    }
    void scrollViewWillBeginDragging(ScrollView&) override { events.push_back("willBeginDragging"); }
    void scrollViewWillEndDragging(ScrollView&, Point velocity, Point& target) override {
        events.push_back("willEndDragging");
        velocities.push_back(velocity);
        proposedTargets.push_back(target);
        if (replacementTarget) {
            target = *replacementTarget;
        }
    }
    void scrollViewDidEndDragging(ScrollView&, bool willDecelerate) override {
        events.push_back(willDecelerate ? "didEndDragging(decelerate)" : "didEndDragging(stop)");
    }
    void scrollViewWillBeginDecelerating(ScrollView&) override { events.push_back("willBeginDecelerating"); }
    void scrollViewDidEndDecelerating(ScrollView&) override { events.push_back("didEndDecelerating"); }
    void scrollViewDidEndScrollingAnimation(ScrollView&) override {
        events.push_back("didEndScrollingAnimation");
    }
    bool scrollViewShouldScrollToTop(ScrollView&) override {
        events.push_back("shouldScrollToTop");
        return allowScrollToTop;
    }
    void scrollViewDidScrollToTop(ScrollView&) override { events.push_back("didScrollToTop"); }
    std::shared_ptr<View> viewForZoomingInScrollView(ScrollView&) override { return zoomTarget; }

    Events events;
    std::vector<Point> offsetsAtDidScroll;
    std::vector<double> scalesAtDidZoom;
    std::vector<View*> zoomViewsSeen;
    std::vector<double> endZoomScales;
    std::vector<Point> velocities;
    std::vector<Point> proposedTargets;
    std::optional<Point> replacementTarget;
    bool allowScrollToTop = true;
    std::shared_ptr<View> zoomTarget;
};

void activate(const std::vector<std::shared_ptr<LayoutConstraint>>& constraints) {
    LayoutConstraint::activate(constraints);
}

// A 400 x 800 window filled by a scroll view whose content is one view as wide as the scroll view and
// 2000 points tall, pinned to the content area's four edges. The content holds a 40 x 20 marker at
// (100, 500), placed by its frame.
class ScrollViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_shared<Window>(Size{400, 800});
        scroll = std::make_shared<ScrollView>();
        content = std::make_shared<View>();
        marker = std::make_shared<View>(Rect{100, 500, 40, 20});
        delegate = std::make_shared<RecordingDelegate>();

        window->addSubview(scroll);
        scroll->addSubview(content);
        content->addSubview(marker);
        scroll->setTranslatesAutoresizingMaskIntoConstraints(false);
        content->setTranslatesAutoresizingMaskIntoConstraints(false);
        contentHeight = content->heightAnchor().constraintEqualToConstant(2000);
        activate({
            scroll->leftAnchor().constraintEqualTo(window->leftAnchor()),
            scroll->topAnchor().constraintEqualTo(window->topAnchor()),
            scroll->rightAnchor().constraintEqualTo(window->rightAnchor()),
            scroll->bottomAnchor().constraintEqualTo(window->bottomAnchor()),
            content->leadingAnchor().constraintEqualTo(scroll->leadingAnchor()),
            content->topAnchor().constraintEqualTo(scroll->topAnchor()),
            content->trailingAnchor().constraintEqualTo(scroll->trailingAnchor()),
            content->bottomAnchor().constraintEqualTo(scroll->bottomAnchor()),
            content->widthAnchor().constraintEqualTo(scroll->widthAnchor()),
            contentHeight,
        });
        scroll->setDelegate(delegate);
        window->layoutIfNeeded();
    }

    // Lets the delegate name the content as the zoom view, zoomable from `minimum` to `maximum`.
    void makeZoomable(double minimum, double maximum) {
        delegate->zoomTarget = content;
        scroll->setMinimumZoomScale(minimum);
        scroll->setMaximumZoomScale(maximum);
    }

    std::shared_ptr<Window> window;
    std::shared_ptr<ScrollView> scroll;
    std::shared_ptr<View> content;
    std::shared_ptr<View> marker;
    std::shared_ptr<RecordingDelegate> delegate;
    std::shared_ptr<LayoutConstraint> contentHeight;
};

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

// --- zooming ---

TEST_F(ScrollViewTest, ZoomingWithoutAZoomViewDoesNothing) {
    scroll->setMaximumZoomScale(3);
    scroll->setZoomScale(2);
    scroll->zoomToRect({0, 0, 100, 100}, true);
    EXPECT_EQ(scroll->zoomScale(), 1.0);
    EXPECT_TRUE(delegate->events.empty());

    // A view that is not a subview of the scroll view does not count.
    delegate->zoomTarget = marker;
    EXPECT_EQ(scroll->zoomView(), nullptr);
    scroll->setZoomScale(2);
    EXPECT_EQ(scroll->zoomScale(), 1.0);
    EXPECT_TRUE(sameRect(marker->frame(), {100, 500, 40, 20}));
    EXPECT_TRUE(sameSize(scroll->contentSize(), {400, 2000}));
    EXPECT_TRUE(delegate->events.empty());
}

TEST_F(ScrollViewTest, SetZoomScaleClampsAndScalesTheContent) {
    makeZoomable(0.5, 3);
    EXPECT_EQ(scroll->zoomView(), content);

    scroll->setZoomScale(5);
    EXPECT_EQ(scroll->zoomScale(), 3.0);
    EXPECT_EQ(content->anchorPoint(), (Point{0, 0}));
    EXPECT_EQ(content->transform(), AffineTransform::makeScale(3, 3));
    EXPECT_TRUE(sameRect(content->frame(), {0, 0, 1200, 6000}));
    EXPECT_TRUE(sameSize(scroll->contentSize(), {1200, 6000}));
    // The middle of the visible area, (200, 400), stays under the middle: it is now at (600, 1200).
    EXPECT_TRUE(samePoint(scroll->contentOffset(), {400, 800}));
    EXPECT_EQ(delegate->events, (Events{"didZoom", "didScroll"}));
    EXPECT_EQ(delegate->scalesAtDidZoom, (std::vector<double>{3.0}));

    scroll->setZoomScale(3);
    scroll->setZoomScale(4);
    EXPECT_EQ(delegate->events.size(), 2u);

    scroll->setZoomScale(0.1);
    EXPECT_EQ(scroll->zoomScale(), 0.5);
    EXPECT_TRUE(sameSize(scroll->contentSize(), {200, 1000}));
    EXPECT_TRUE(sameRect(content->frame(), {0, 0, 200, 1000}));
    // The shrunken content allows no horizontal scrolling and 200 points of vertical scrolling.
    EXPECT_TRUE(samePoint(scroll->contentOffset(), {0, 0}));
    EXPECT_EQ(delegate->events, (Events{"didZoom", "didScroll", "didZoom", "didScroll"}));
}

TEST_F(ScrollViewTest, SetZoomScaleKeepsTheMiddleOfTheVisibleArea) {
    makeZoomable(1, 4);
    scroll->setContentOffset({0, 400});
    const Point middle{200, 800};
    EXPECT_TRUE(samePoint(scroll->convertPointTo(middle, content.get()), {200, 800}));

    scroll->setZoomScale(2);
    EXPECT_TRUE(samePoint(scroll->contentOffset(), {200, 1200}));
    const Point newMiddle{scroll->contentOffset().x + 200, scroll->contentOffset().y + 400};
    EXPECT_TRUE(samePoint(scroll->convertPointTo(newMiddle, content.get()), {200, 800}));
}

TEST_F(ScrollViewTest, ZoomingSendsNoDidScrollWhenTheOffsetStays) {
    makeZoomable(1, 2);
    scroll->setZoomScale(2);
    scroll->setContentOffset({0, 0});
    delegate->events.clear();

    // The middle of the visible area, (200, 400), would move to (100, 200): that needs the offset
    // (-100, -200), which the valid range turns back into (0, 0), where it already is.
    scroll->setZoomScale(1);
    EXPECT_EQ(scroll->zoomScale(), 1.0);
    EXPECT_TRUE(samePoint(scroll->contentOffset(), {0, 0}));
    EXPECT_EQ(delegate->events, (Events{"didZoom"}));
}

TEST_F(ScrollViewTest, ZoomToRectPicksTheScaleThatFitsAndCentresTheRect) {
    makeZoomable(0.25, 4);
    scroll->zoomToRect({100, 500, 100, 100}, false);
    // 400 / 100 and 800 / 100: the smaller ratio fits the rectangle.
    EXPECT_EQ(scroll->zoomScale(), 4.0);
    EXPECT_TRUE(sameSize(scroll->contentSize(), {1600, 8000}));
    EXPECT_TRUE(samePoint(scroll->contentOffset(), {400, 1800}));
    EXPECT_EQ(delegate->events, (Events{"didZoom", "didScroll"}));
    // On screen the rectangle fills the width and sits in the middle vertically.
    EXPECT_TRUE(sameRect(content->convertRectTo({100, 500, 100, 100}, nullptr), {0, 200, 400, 400}));

    // The whole content: 400 / 400 and 800 / 2000 fit at 0.4.
    scroll->zoomToRect({0, 0, 400, 2000}, false);
    EXPECT_NEAR(scroll->zoomScale(), 0.4, tolerance);
    EXPECT_TRUE(sameSize(scroll->contentSize(), {160, 800}));
    EXPECT_TRUE(samePoint(scroll->contentOffset(), {0, 0}));
}

TEST_F(ScrollViewTest, ZoomToRectClampsTheScaleAndTheOffset) {
    makeZoomable(1, 2);
    // 8 times would fit; 2 is the most allowed. Centring (375, 1975) would need the offset (550, 3550),
    // past the end of the 800 x 4000 content.
    scroll->zoomToRect({350, 1950, 50, 50}, false);
    EXPECT_EQ(scroll->zoomScale(), 2.0);
    EXPECT_TRUE(samePoint(scroll->contentOffset(), {400, 3200}));
    EXPECT_TRUE(samePoint(scroll->contentOffset(), scroll->maximumContentOffset()));

    // A rectangle of no size zooms in as far as allowed.
    scroll->setZoomScale(1);
    scroll->zoomToRect({200, 1000, 0, 0}, false);
    EXPECT_EQ(scroll->zoomScale(), 2.0);
    EXPECT_TRUE(samePoint(scroll->contentOffset(), {200, 1600}));
}

TEST_F(ScrollViewTest, AnimatedZoomsAreFramedByZoomingEvents) {
    makeZoomable(1, 4);
    scroll->zoomToRect({100, 500, 100, 100}, true);
    EXPECT_EQ(delegate->events, (Events{"willBeginZooming", "didZoom", "didScroll", "didEndZooming"}));
    EXPECT_EQ(delegate->endZoomScales, (std::vector<double>{4.0}));
    EXPECT_EQ(delegate->zoomViewsSeen, (std::vector<View*>{content.get(), content.get()}));
    EXPECT_FALSE(scroll->isZooming());

    delegate->events.clear();
    scroll->setZoomScale(2, true);
    EXPECT_EQ(delegate->events, (Events{"willBeginZooming", "didZoom", "didScroll", "didEndZooming"}));
    EXPECT_EQ(delegate->endZoomScales, (std::vector<double>{4.0, 2.0}));

    // Nothing to do, nothing to tell.
    delegate->events.clear();
    scroll->setZoomScale(2, true);
    scroll->zoomToRect({100, 500, 100, 100}, true);
    scroll->zoomToRect({100, 500, 100, 100}, true);
    EXPECT_EQ(delegate->events, (Events{"willBeginZooming", "didZoom", "didScroll", "didEndZooming"}));
}

TEST_F(ScrollViewTest, ConversionAndHitTestingGoThroughTheOffsetAndTheZoom) {
    makeZoomable(1, 2);
    scroll->setZoomScale(2);
    scroll->setContentOffset({0, 400});
    window->layoutIfNeeded();

    // The marker at (100, 500) of the content is at (200, 1000) of the zoomed content space and 400
    // points higher on screen.
    EXPECT_TRUE(samePoint(content->convertPointTo({100, 500}, scroll.get()), {200, 1000}));
    EXPECT_TRUE(samePoint(marker->convertPointTo({0, 0}, scroll.get()), {200, 1000}));
    EXPECT_TRUE(samePoint(marker->convertPointTo({0, 0}, nullptr), {200, 600}));
    EXPECT_TRUE(sameRect(marker->convertRectTo(marker->bounds(), nullptr), {200, 600, 80, 40}));
    EXPECT_TRUE(sameRect(marker->convertRectTo(marker->bounds(), scroll.get()), {200, 1000, 80, 40}));

    EXPECT_TRUE(samePoint(scroll->convertPointFrom({210, 610}, nullptr), {210, 1010}));
    EXPECT_TRUE(samePoint(marker->convertPointFrom({210, 610}, nullptr), {5, 5}));
    EXPECT_TRUE(samePoint(scroll->convertPointTo({210, 1010}, marker.get()), {5, 5}));
    EXPECT_TRUE(samePoint(marker->convertPointFrom({210, 1010}, scroll.get()), {5, 5}));
    EXPECT_TRUE(sameRect(marker->convertRectFrom({200, 600, 80, 40}, nullptr), {0, 0, 40, 20}));
    EXPECT_TRUE(sameRect(scroll->convertRectFrom({200, 600, 80, 40}, nullptr), {200, 1000, 80, 40}));

    EXPECT_EQ(window->hitTest({210, 610}), marker);
    EXPECT_EQ(window->hitTest({279, 639}), marker);
    EXPECT_EQ(window->hitTest({210, 590}), content);
    EXPECT_EQ(window->hitTest({281, 610}), content);
    EXPECT_EQ(scroll->hitTest({210, 1010}), marker);
    // Without the offset the marker would be here.
    EXPECT_EQ(window->hitTest({210, 210}), content);
}

TEST_F(ScrollViewTest, LayoutAfterZoomingKeepsTheZoomViewScaledFromTheTopLeft) {
    makeZoomable(1, 2);
    scroll->setZoomScale(2);
    window->setSize({300, 800});
    window->layoutIfNeeded();

    EXPECT_EQ(scroll->zoomScale(), 2.0);
    EXPECT_EQ(content->transform(), AffineTransform::makeScale(2, 2));
    EXPECT_TRUE(sameSize(content->bounds().size, {300, 2000}));
    EXPECT_TRUE(sameRect(content->frame(), {0, 0, 600, 4000}));
    EXPECT_TRUE(sameSize(scroll->contentSize(), {600, 4000}));
    EXPECT_TRUE(sameRect(marker->frame(), {100, 500, 40, 20}));
}

TEST_F(ScrollViewTest, ZoomingChangesNoLayout) {
    makeZoomable(1, 2);
    scroll->setZoomScale(2);
    window->layoutIfNeeded();
    EXPECT_TRUE(sameRect(scroll->frame(), {0, 0, 400, 800}));
    EXPECT_TRUE(sameSize(content->bounds().size, {400, 2000}));
    EXPECT_TRUE(sameRect(content->frame(), {0, 0, 800, 4000}));
    EXPECT_TRUE(sameRect(marker->frame(), {100, 500, 40, 20}));
}

// --- events driven by the event layer ---

TEST_F(ScrollViewTest, DraggingThatFlingsDeceleratesToTheDelegatesTarget) {
    scroll->beginDragging();
    EXPECT_TRUE(scroll->isTracking());
    EXPECT_TRUE(scroll->isDragging());
    EXPECT_EQ(delegate->events, (Events{"willBeginDragging"}));

    delegate->replacementTarget = Point{0, 500};
    const Point target = scroll->endDragging({0, 2}, {0, 640});
    EXPECT_TRUE(samePoint(target, {0, 500}));
    ASSERT_EQ(delegate->velocities.size(), 1u);
    EXPECT_TRUE(samePoint(delegate->velocities[0], {0, 2}));
    EXPECT_TRUE(samePoint(delegate->proposedTargets[0], {0, 640}));
    EXPECT_FALSE(scroll->isTracking());
    EXPECT_FALSE(scroll->isDragging());
    EXPECT_TRUE(scroll->isDecelerating());
    EXPECT_EQ(delegate->events, (Events{"willBeginDragging", "willEndDragging", "didEndDragging(decelerate)",
                                        "willBeginDecelerating"}));

    scroll->setContentOffset(target);
    scroll->endDecelerating();
    EXPECT_FALSE(scroll->isDecelerating());
    EXPECT_EQ(delegate->events.back(), "didEndDecelerating");
    scroll->endDecelerating();
    EXPECT_EQ(delegate->events.size(), 6u);
}

TEST_F(ScrollViewTest, DraggingThatStopsDoesNotDecelerate) {
    scroll->beginDragging();
    scroll->setContentOffset({0, 120});
    const Point target = scroll->endDragging({0, 0});
    EXPECT_TRUE(samePoint(target, {0, 120}));
    EXPECT_FALSE(scroll->isDecelerating());
    EXPECT_EQ(delegate->events,
              (Events{"willBeginDragging", "didScroll", "willEndDragging", "didEndDragging(stop)"}));

    // Lifting a finger that never dragged tells nobody.
    delegate->events.clear();
    EXPECT_TRUE(samePoint(scroll->endDragging({0, 3}, {0, 900}), {0, 120}));
    EXPECT_TRUE(delegate->events.empty());
}

TEST_F(ScrollViewTest, ATouchCatchesADeceleratingView) {
    scroll->beginDragging();
    scroll->endDragging({0, 2}, {0, 640});
    ASSERT_TRUE(scroll->isDecelerating());
    delegate->events.clear();

    scroll->beginDragging();
    EXPECT_FALSE(scroll->isDecelerating());
    EXPECT_TRUE(scroll->isDragging());
    EXPECT_EQ(delegate->events, (Events{"willBeginDragging"}));
}

TEST_F(ScrollViewTest, PinchIsFramedByZoomingEvents) {
    scroll->beginZooming();
    EXPECT_FALSE(scroll->isZooming());
    EXPECT_TRUE(delegate->events.empty());

    makeZoomable(1, 3);
    scroll->beginZooming();
    EXPECT_TRUE(scroll->isZooming());
    scroll->setZoomScale(1.5);
    scroll->setZoomScale(2.5);
    scroll->endZooming();
    EXPECT_FALSE(scroll->isZooming());
    EXPECT_EQ(delegate->events,
              (Events{"willBeginZooming", "didZoom", "didScroll", "didZoom", "didScroll", "didEndZooming"}));
    EXPECT_EQ(delegate->endZoomScales, (std::vector<double>{2.5}));

    scroll->endZooming();
    EXPECT_EQ(delegate->events.size(), 6u);
}

} // namespace
} // namespace ui
