#pragma once

// Helpers shared by the scroll view's tests: geometry compared within a tolerance, a delegate that writes
// down every event, and a fixture of a window filled by a scroll view with tall content.

#include <ui/views/scroll_view.h>
#include <ui/views/window.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace ui::scroll_view_test {

inline constexpr double tolerance = 1e-9;

inline std::string describe(Point p) {
    std::ostringstream out;
    out << "(" << p.x << ", " << p.y << ")";
    return out.str();
}

inline std::string describe(Size s) {
    std::ostringstream out;
    out << "(" << s.width << " x " << s.height << ")";
    return out.str();
}

inline std::string describe(const Rect& r) {
    std::ostringstream out;
    out << "(" << r.origin.x << ", " << r.origin.y << ", " << r.size.width << " x " << r.size.height << ")";
    return out.str();
}

inline bool near(double a, double b) {
    return std::fabs(a - b) <= tolerance;
}

inline ::testing::AssertionResult samePoint(Point actual, Point expected) {
    if (near(actual.x, expected.x) && near(actual.y, expected.y)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "got " << describe(actual) << ", expected " << describe(expected);
}

inline ::testing::AssertionResult sameSize(Size actual, Size expected) {
    if (near(actual.width, expected.width) && near(actual.height, expected.height)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "got " << describe(actual) << ", expected " << describe(expected);
}

inline ::testing::AssertionResult sameRect(const Rect& actual, const Rect& expected) {
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

inline void activate(const std::vector<std::shared_ptr<LayoutConstraint>>& constraints) {
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

} // namespace ui::scroll_view_test
