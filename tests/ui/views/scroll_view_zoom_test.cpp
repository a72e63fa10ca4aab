// The scroll view: zooming, and the dragging, deceleration and pinching that the event layer drives.

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
