#include "ui/views/scroll_view.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ui {

namespace {

// Calls `f` with the delegate if there still is one. The delegate is locked for each event on its own,
// so that a delegate replaced or released by one callback no longer hears the following ones.
template <class F>
void tell(const std::weak_ptr<ScrollViewDelegate>& delegate, F f) {
    if (const std::shared_ptr<ScrollViewDelegate> d = delegate.lock()) {
        f(*d);
    }
}

bool isFinite(Point p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// Where the top-left corner of `view`'s bounds lies in its superview, whatever its anchor point and
// transform.
Point topLeftOf(const View& view) {
    const Size size = view.bounds().size;
    const Point anchor = view.anchorPoint();
    const Size toCorner = view.transform().apply(Size{-anchor.x * size.width, -anchor.y * size.height});
    return {view.center().x + toCorner.width, view.center().y + toCorner.height};
}

// Makes `view` pivot on its top-left corner without moving it.
void anchorAtTopLeft(View& view) {
    if (view.anchorPoint() == Point{0, 0}) {
        return;
    }
    const Point corner = topLeftOf(view);
    view.setAnchorPoint({0, 0});
    view.setCenter(corner);
}

// `offset` moved into the rest range of content of `contentSize` seen through `boundsSize`.
Point clampOffset(Point offset, Size contentSize, Size boundsSize, const EdgeInsets& inset) {
    const double minX = -inset.left;
    const double minY = -inset.top;
    const double maxX = std::max(contentSize.width + inset.right - boundsSize.width, minX);
    const double maxY = std::max(contentSize.height + inset.bottom - boundsSize.height, minY);
    return {std::clamp(offset.x, minX, maxX), std::clamp(offset.y, minY, maxY)};
}

} // namespace

// --- content ---

Size ScrollView::contentSize() const {
    if (const std::shared_ptr<View> view = zoomView()) {
        return view->frame().size;
    }
    return contentSize_;
}

void ScrollView::setContentOffset(Point offset, bool animated) {
    if (!isFinite(offset) || offset == contentOffset()) {
        return;
    }
    setBounds({offset, bounds().size});
    tell(delegate_, [&](ScrollViewDelegate& d) { d.scrollViewDidScroll(*this); });
    if (animated) {
        tell(delegate_, [&](ScrollViewDelegate& d) { d.scrollViewDidEndScrollingAnimation(*this); });
    }
}

Point ScrollView::minimumContentOffset() const {
    const EdgeInsets inset = adjustedContentInset();
    return {-inset.left, -inset.top};
}

Point ScrollView::maximumContentOffset() const {
    const EdgeInsets inset = adjustedContentInset();
    const Size content = contentSize();
    const Size size = bounds().size;
    return {std::max(content.width + inset.right - size.width, -inset.left),
            std::max(content.height + inset.bottom - size.height, -inset.top)};
}

Point ScrollView::clampedContentOffset(Point offset) const {
    return clampOffset(offset, contentSize(), bounds().size, adjustedContentInset());
}

// --- zooming ---

std::shared_ptr<View> ScrollView::zoomView() const {
    const std::shared_ptr<ScrollViewDelegate> d = delegate();
    if (!d) {
        return nullptr;
    }
    // The delegate is handed the scroll view only to tell which one asks; naming a view changes nothing.
    std::shared_ptr<View> view = d->viewForZoomingInScrollView(const_cast<ScrollView&>(*this));
    if (!view || view->superview().get() != this) {
        return nullptr;
    }
    return view;
}

double ScrollView::clampedZoomScale(double scale) const {
    return std::max(minimumZoomScale_, std::min(maximumZoomScale_, scale));
}

void ScrollView::setMinimumZoomScale(double scale) {
    if (std::isfinite(scale) && scale > 0) {
        minimumZoomScale_ = scale;
    }
}

void ScrollView::setMaximumZoomScale(double scale) {
    if (std::isfinite(scale) && scale > 0) {
        maximumZoomScale_ = scale;
    }
}

void ScrollView::setZoomScale(double scale, bool animated) {
    const std::shared_ptr<View> view = zoomView();
    if (!view || !std::isfinite(scale) || scale <= 0) {
        return;
    }
    const double newScale = clampedZoomScale(scale);
    if (newScale == zoomScale_) {
        return;
    }
    // Keep the content point under the middle of the visible area there: the zoom view grows or shrinks
    // away from its top-left corner, so that point's distance from the corner scales with the zoom.
    const Size size = bounds().size;
    const Point corner = topLeftOf(*view);
    const Point offset = contentOffset();
    const double ratio = newScale / zoomScale_;
    const Point middle{corner.x + (offset.x + size.width / 2 - corner.x) * ratio,
                       corner.y + (offset.y + size.height / 2 - corner.y) * ratio};
    const Size zoomedContent{view->bounds().size.width * newScale, view->bounds().size.height * newScale};
    const Point target = clampOffset({middle.x - size.width / 2, middle.y - size.height / 2}, zoomedContent,
                                     size, adjustedContentInset());
    applyZoom(*view, newScale, target, animated);
}

void ScrollView::zoomToRect(const Rect& rect, bool animated) {
    const std::shared_ptr<View> view = zoomView();
    if (!view || rect.isNull()) {
        return;
    }
    const Rect r = rect.standardized();
    const Size size = bounds().size;
    constexpr double unbounded = std::numeric_limits<double>::infinity();
    const double fitX = r.size.width > 0 ? size.width / r.size.width : unbounded;
    const double fitY = r.size.height > 0 ? size.height / r.size.height : unbounded;
    // A rectangle of no size at all asks for as close a look as allowed.
    const double fit = std::min(fitX, fitY);
    const double newScale = clampedZoomScale(std::isfinite(fit) ? fit : maximumZoomScale_);

    // The rectangle's middle in the scroll view's content space once zoomed: the zoom view's top-left
    // corner stays put and its bounds scale away from it.
    const Point corner = topLeftOf(*view);
    const Point origin = view->bounds().origin;
    const Point middle{corner.x + (r.midX() - origin.x) * newScale,
                       corner.y + (r.midY() - origin.y) * newScale};
    const Size zoomedContent{view->bounds().size.width * newScale, view->bounds().size.height * newScale};
    const Point target = clampOffset({middle.x - size.width / 2, middle.y - size.height / 2}, zoomedContent,
                                     size, adjustedContentInset());
    applyZoom(*view, newScale, target, animated);
}

void ScrollView::applyZoom(View& view, double scale, Point offset, bool animated) {
    const bool scaleChanges = scale != zoomScale_;
    const bool offsetChanges = offset != contentOffset();
    if (!scaleChanges && !offsetChanges) {
        return;
    }
    if (animated) {
        tell(delegate_, [&](ScrollViewDelegate& d) { d.scrollViewWillBeginZooming(*this, &view); });
    }
    // Both changes land before either event, so that each callback sees the final scale and offset.
    if (scaleChanges) {
        anchorAtTopLeft(view);
        view.setTransform(AffineTransform::makeScale(scale, scale));
        zoomScale_ = scale;
    }
    if (offsetChanges) {
        setBounds({offset, bounds().size});
    }
    if (scaleChanges) {
        tell(delegate_, [&](ScrollViewDelegate& d) { d.scrollViewDidZoom(*this); });
    }
    if (offsetChanges) {
        tell(delegate_, [&](ScrollViewDelegate& d) { d.scrollViewDidScroll(*this); });
    }
    if (animated) {
        tell(delegate_, [&](ScrollViewDelegate& d) { d.scrollViewDidEndZooming(*this, &view, zoomScale_); });
    }
}

// --- scroll to top ---

bool ScrollView::scrollToTop() {
    if (!scrollsToTop_) {
        return false;
    }
    if (const std::shared_ptr<ScrollViewDelegate> d = delegate();
        d && !d->scrollViewShouldScrollToTop(*this)) {
        return false;
    }
    setContentOffset({contentOffset().x, -adjustedContentInset().top}, false);
    tell(delegate_, [&](ScrollViewDelegate& d) { d.scrollViewDidScrollToTop(*this); });
    return true;
}

// --- driven by the event layer ---

void ScrollView::beginDragging() {
    decelerating_ = false;
    tracking_ = true;
    dragging_ = true;
    tell(delegate_, [&](ScrollViewDelegate& d) { d.scrollViewWillBeginDragging(*this); });
}

Point ScrollView::endDragging(Point velocity, Point targetContentOffset) {
    if (!dragging_) {
        return contentOffset();
    }
    Point target = targetContentOffset;
    tell(delegate_, [&](ScrollViewDelegate& d) { d.scrollViewWillEndDragging(*this, velocity, target); });
    tracking_ = false;
    dragging_ = false;
    const bool willDecelerate = target != contentOffset();
    tell(delegate_, [&](ScrollViewDelegate& d) { d.scrollViewDidEndDragging(*this, willDecelerate); });
    if (willDecelerate) {
        decelerating_ = true;
        tell(delegate_, [&](ScrollViewDelegate& d) { d.scrollViewWillBeginDecelerating(*this); });
    }
    return target;
}

void ScrollView::endDecelerating() {
    if (!decelerating_) {
        return;
    }
    decelerating_ = false;
    tell(delegate_, [&](ScrollViewDelegate& d) { d.scrollViewDidEndDecelerating(*this); });
}

void ScrollView::beginZooming() {
    const std::shared_ptr<View> view = zoomView();
    if (!view) {
        return;
    }
    zooming_ = true;
    tell(delegate_, [&](ScrollViewDelegate& d) { d.scrollViewWillBeginZooming(*this, view.get()); });
}

void ScrollView::endZooming() {
    if (!zooming_) {
        return;
    }
    zooming_ = false;
    // The delegate may have stopped naming the view meanwhile; the pinch still ends.
    const std::shared_ptr<View> view = zoomView();
    tell(delegate_, [&](ScrollViewDelegate& d) { d.scrollViewDidEndZooming(*this, view.get(), zoomScale_); });
}

} // namespace ui
