// KIVOView as its scroll view's delegate: scrolling and zooming events become delegate callbacks.

#include "kivo/host/kivo_view.h"

namespace kivo {

std::shared_ptr<ui::View> KIVOView::viewForZoomingInScrollView(ui::ScrollView&) {
    return contentView();
}

void KIVOView::scrollViewDidScroll(ui::ScrollView& scrollView) {
    if (isOwnScrollView(scrollView)) {
        onDidScroll();
    }
}

void KIVOView::scrollViewWillBeginDragging(ui::ScrollView& scrollView) {
    if (isOwnScrollView(scrollView)) {
        onWillBeginDragging();
    }
}

void KIVOView::scrollViewWillEndDragging(ui::ScrollView&, ui::Point velocity,
                                         ui::Point& targetContentOffset) {
    forEachDelegate([&](KIVOViewDelegate& d) {
        d.kivoViewWillEndDraggingWithVelocityTargetContentOffset(*this, velocity, targetContentOffset);
    });
}

void KIVOView::scrollViewDidEndDragging(ui::ScrollView& scrollView, bool willDecelerate) {
    if (isOwnScrollView(scrollView)) {
        onDidEndDragging(willDecelerate);
    }
}

void KIVOView::scrollViewDidEndDecelerating(ui::ScrollView& scrollView) {
    if (isOwnScrollView(scrollView)) {
        forEachDelegate([&](KIVOViewDelegate& d) { d.kivoViewDidEndDecelerating(*this); });
    }
}

void KIVOView::scrollViewDidEndScrollingAnimation(ui::ScrollView& scrollView) {
    if (isOwnScrollView(scrollView)) {
        forEachDelegate([&](KIVOViewDelegate& d) { d.kivoViewDidEndScrollingAnimation(*this); });
    }
}

void KIVOView::scrollViewDidScrollToTop(ui::ScrollView& scrollView) {
    if (isOwnScrollView(scrollView)) {
        forEachDelegate([&](KIVOViewDelegate& d) { d.kivoViewDidScrollToTop(*this); });
    }
}

void KIVOView::scrollViewDidZoom(ui::ScrollView&) {
    forEachDelegate([&](KIVOViewDelegate& d) { d.kivoViewDidZoom(*this); });
}

void KIVOView::scrollViewDidEndZooming(ui::ScrollView& scrollView, ui::View*, double scale) {
    if (isOwnScrollView(scrollView)) {
        forEachDelegate([&](KIVOViewDelegate& d) { d.kivoViewDidEndZoomingAtScale(*this, scale); });
    }
}

void KIVOView::onWillBeginDragging() {}

void KIVOView::onDidEndDragging(bool willDecelerate) {
    forEachDelegate(
        [&](KIVOViewDelegate& d) { d.kivoViewDidEndDraggingWillDecelerate(*this, willDecelerate); });
}

void KIVOView::onDidScroll() {
    forEachDelegate([&](KIVOViewDelegate& d) { d.kivoViewDidScroll(*this); });
}

} // namespace kivo
