#pragma once

// A view that shows a region of content larger than itself and can scroll and zoom it.
//
// Scrolling moves the origin of the scroll view's bounds (`contentOffset == bounds().origin`): the
// subviews keep their frames, which are in content coordinates, and only the part of the content space
// under the bounds is visible. Changing the offset never changes a layout variable.
//
// Zooming scales one subview, the zoom view named by the delegate, about its top-left corner, so that a
// point of that view's content times `zoomScale` is a point of the scroll view's content space. The
// scroll view gives the zoom view an anchor point of (0, 0) the first time it zooms it, keeping the
// top-left corner where layout put it.
//
// The scroll view is a layout-space root: constraints from its subviews to its edges bind to the content
// area, whose size the layout engine reports through contentSizeDidResolve(); constraints to its width
// and height bind to its frame.
//
// The touch handling that drags, decelerates, bounces and pinches lives in the event layer. That layer
// drives the scroll view through the small set of public calls grouped under "driven by the event
// layer" below, which keep the state flags and the delegate events consistent; programmatic scrolling
// and zooming needs none of them.

#include <ui/views/view.h>

#include <memory>
#include <utility>

namespace ui {

class ScrollView;

// Told about scrolling and zooming. Every method is optional: the defaults do nothing, answer true to
// scrollViewShouldScrollToTop and name no zoom view.
class ScrollViewDelegate {
public:
    virtual ~ScrollViewDelegate() = default;

    // The content offset changed, whatever changed it.
    virtual void scrollViewDidScroll(ScrollView&) {}
    // The zoom scale changed.
    virtual void scrollViewDidZoom(ScrollView&) {}

    // A zoom is about to start: a pinch, or an animated programmatic zoom.
    virtual void scrollViewWillBeginZooming(ScrollView&, View* /*zoomView*/) {}
    // That zoom ended at `scale`.
    virtual void scrollViewDidEndZooming(ScrollView&, View* /*zoomView*/, double /*scale*/) {}

    virtual void scrollViewWillBeginDragging(ScrollView&) {}
    // The finger lifts with `velocity` (points per millisecond); the scroll view will come to rest at
    // `targetContentOffset`, which the delegate may change.
    virtual void scrollViewWillEndDragging(ScrollView&, Point /*velocity*/, Point& /*targetContentOffset*/) {}
    virtual void scrollViewDidEndDragging(ScrollView&, bool /*willDecelerate*/) {}
    virtual void scrollViewWillBeginDecelerating(ScrollView&) {}
    virtual void scrollViewDidEndDecelerating(ScrollView&) {}

    // An animated setContentOffset finished.
    virtual void scrollViewDidEndScrollingAnimation(ScrollView&) {}

    // Whether a scroll-to-top request (a tap on the status bar) may scroll this view.
    virtual bool scrollViewShouldScrollToTop(ScrollView&) { return true; }
    virtual void scrollViewDidScrollToTop(ScrollView&) {}

    // The subview to scale when zooming, or null for a scroll view that does not zoom. Only a direct
    // subview of the scroll view counts.
    virtual std::shared_ptr<View> viewForZoomingInScrollView(ScrollView&) { return nullptr; }
};

class ScrollView : public View {
public:
    ScrollView() = default;
    explicit ScrollView(const Rect& frame) : View(frame) {}

    // --- delegate (held weakly) ---
    std::shared_ptr<ScrollViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<ScrollViewDelegate> delegate) { delegate_ = std::move(delegate); }

    // --- content ---
    // The size of the scrollable content in the scroll view's bounds space. With a zoom view it is the
    // zoom view's frame size, that is its laid-out size times the zoom scale; otherwise it is the size
    // last set here or resolved by layout.
    Size contentSize() const;
    // Sets the content size for content laid out by frames. Constraints that bind the content area's
    // edges override it at the next layout pass.
    void setContentSize(Size size) { contentSize_ = size; }

    Point contentOffset() const { return bounds().origin; }
    // Moves the bounds origin to `offset`, which is not limited to the valid range (a caller may
    // overscroll on purpose). Sends scrollViewDidScroll when the offset changes. There are no scrolling
    // animations yet: an animated change lands at once and is followed by
    // scrollViewDidEndScrollingAnimation, as the end of a real animation would be.
    void setContentOffset(Point offset, bool animated = false);

    // Extra scrollable space around the content. Changing it leaves the offset where it is.
    const EdgeInsets& contentInset() const { return contentInset_; }
    void setContentInset(const EdgeInsets& inset) { contentInset_ = inset; }
    // The inset that scrolling honours. There are no safe areas, so it equals contentInset.
    EdgeInsets adjustedContentInset() const { return contentInset_; }

    // The range of offsets at which the content is at rest: from (-left, -top) inset to the offset that
    // shows the bottom-right corner of the content plus its inset, never less than the minimum.
    Point minimumContentOffset() const;
    Point maximumContentOffset() const;
    // `offset` moved into that range.
    Point clampedContentOffset(Point offset) const;

    // --- zooming ---
    double zoomScale() const { return zoomScale_; }
    // Clamps `scale` to [minimumZoomScale, maximumZoomScale] and scales the zoom view to it, keeping the
    // content point at the middle of the visible area in place as far as the valid offset range allows.
    // Sends scrollViewDidZoom when the scale changes, then scrollViewDidScroll when the offset changed.
    // An animated zoom (which lands at once for now) is framed by scrollViewWillBeginZooming and
    // scrollViewDidEndZooming. Without a zoom view nothing happens.
    void setZoomScale(double scale, bool animated = false);
    double minimumZoomScale() const { return minimumZoomScale_; }
    double maximumZoomScale() const { return maximumZoomScale_; }
    // Zoom limits must be positive and finite; other values are ignored. The current scale is not
    // re-clamped until it next changes. Should the minimum exceed the maximum, the minimum wins.
    void setMinimumZoomScale(double scale);
    void setMaximumZoomScale(double scale);
    // Zooms so that `rect` (in the zoom view's coordinates) fits the scroll view's bounds, at the
    // largest scale allowed that shows all of it, and centres it as far as the valid offset range
    // allows. Sends the same events as setZoomScale (did-zoom, did-scroll, and will-begin / did-end
    // zooming around an animated change). Without a zoom view, or for a null rectangle, nothing happens.
    void zoomToRect(const Rect& rect, bool animated);
    // The view the delegate names for zooming when it is a subview of this scroll view, otherwise null.
    std::shared_ptr<View> zoomView() const;

    // --- state, set by the event layer ---
    bool isTracking() const { return tracking_; }
    bool isDragging() const { return dragging_; }
    bool isDecelerating() const { return decelerating_; }
    bool isZooming() const { return zooming_; }
    bool isZoomBouncing() const { return zoomBouncing_; }

    // --- options ---
    bool showsVerticalScrollIndicator() const { return showsVerticalScrollIndicator_; }
    void setShowsVerticalScrollIndicator(bool shows) { showsVerticalScrollIndicator_ = shows; }
    bool showsHorizontalScrollIndicator() const { return showsHorizontalScrollIndicator_; }
    void setShowsHorizontalScrollIndicator(bool shows) { showsHorizontalScrollIndicator_ = shows; }
    // Whether scrollToTop() may act on this view.
    bool scrollsToTop() const { return scrollsToTop_; }
    void setScrollsToTop(bool scrolls) { scrollsToTop_ = scrolls; }
    bool bounces() const { return bounces_; }
    void setBounces(bool bounces) { bounces_ = bounces; }
    bool isScrollEnabled() const { return scrollEnabled_; }
    void setScrollEnabled(bool enabled) { scrollEnabled_ = enabled; }

    // Scrolls to the top of the content (offset y = -adjustedContentInset().top, x unchanged) when
    // scrollsToTop is on and the delegate agrees, then sends scrollViewDidScrollToTop. Returns whether it
    // acted. The move lands at once for now.
    bool scrollToTop();

    // --- driven by the event layer ---
    // A touch went down on (true) or left (false) the scroll view.
    void setTracking(bool tracking) { tracking_ = tracking; }
    // A drag starts: stops any deceleration (without scrollViewDidEndDecelerating, as a touch that
    // catches a moving view does), marks the view as tracking and dragging, and sends
    // scrollViewWillBeginDragging.
    void beginDragging();
    // The finger lifts with `velocity`. The delegate may change `targetContentOffset` (where the scroll
    // view proposes to come to rest) in scrollViewWillEndDragging; the view then stops tracking and
    // dragging and sends scrollViewDidEndDragging. When the final target differs from the current
    // offset, the view starts decelerating (scrollViewWillBeginDecelerating) and the event layer is
    // expected to move it to the returned target and then call endDecelerating(). Without a drag in
    // progress it does nothing and returns the current offset.
    Point endDragging(Point velocity, Point targetContentOffset);
    // The same, proposing to rest where the view is now.
    Point endDragging(Point velocity) { return endDragging(velocity, contentOffset()); }
    // Deceleration came to rest: sends scrollViewDidEndDecelerating if the view was decelerating.
    void endDecelerating();
    // A pinch starts (scrollViewWillBeginZooming) or ends (scrollViewDidEndZooming at the current scale);
    // in between the event layer calls setZoomScale. A pinch cannot start without a zoom view, and
    // ending one that did not start does nothing.
    void beginZooming();
    void endZooming();
    void setZoomBouncing(bool bouncing) { zoomBouncing_ = bouncing; }

    // --- layout ---
    bool isLayoutSpaceRoot() const override { return true; }
    void contentSizeDidResolve(Size size) override { contentSize_ = size; }

private:
    // Scales `view` to `scale` about its top-left corner and moves to `offset`, sending the events of a
    // programmatic zoom.
    void applyZoom(View& view, double scale, Point offset, bool animated);
    double clampedZoomScale(double scale) const;

    std::weak_ptr<ScrollViewDelegate> delegate_;
    // Set by setContentSize or by layout; the unzoomed size of the content.
    Size contentSize_;
    EdgeInsets contentInset_;
    double zoomScale_ = 1.0;
    double minimumZoomScale_ = 1.0;
    double maximumZoomScale_ = 1.0;
    bool tracking_ = false;
    bool dragging_ = false;
    bool decelerating_ = false;
    bool zooming_ = false;
    bool zoomBouncing_ = false;
    bool showsVerticalScrollIndicator_ = true;
    bool showsHorizontalScrollIndicator_ = true;
    bool scrollsToTop_ = true;
    bool bounces_ = true;
    bool scrollEnabled_ = true;
};

} // namespace ui
