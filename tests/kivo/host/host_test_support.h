#pragma once

// Documents, recording delegates and load helpers shared by the host view tests.

#include "ui/runloop/hang_guard.h"

#include <kivo/host/kivo_view.h>
#include <kivo/model/document_element.h>
#include <ui/runloop/main_thread.h>
#include <ui/views/scroll_view.h>
#include <ui/views/window.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kivo::host_testing {

// Version 2, two styled columns in a row, no fonts to download.
inline const std::string kWeeklyDeals =
    R"(<storefront kivo-version="2.0" title="Weekly Deals" subtitle="Week 12" uuid="DOC-1" content-hash="abc">
  <head>
    <styles><style id="tile" padding="4 4 4 4"/></styles>
  </head>
  <body>
    <flexbox width="match-parent" height="wrap-content" orientation="horizontal">
      <linear-layout width="0" flex-grow="1" height="120" style-id="tile"/>
      <linear-layout width="0" flex-grow="1" height="120"/>
    </flexbox>
  </body>
</storefront>)";

// Version 1 without a subtitle.
inline const std::string kFlyerWithoutSubtitle = R"(<storefront title="Flyer" uuid="DOC-2">
  <head/>
  <body>
    <linear-layout width="match-parent" height="300"/>
  </body>
</storefront>)";

// A flexbox with an orientation that does not exist, on line 4.
inline const std::string kBadOrientation = R"(<storefront kivo-version="2.0" title="Weekly" uuid="U-3">
  <head/>
  <body>
    <flexbox width="match-parent" height="wrap-content" orientation="diagonal"/>
  </body>
</storefront>)";

// Appends what it hears, prefixed with its name, to a log it shares with other recorders.
class RecordingDelegate : public KIVOViewDelegate {
public:
    RecordingDelegate(std::string name, std::shared_ptr<std::vector<std::string>> log)
        : name_(std::move(name)), log_(std::move(log)) {}

    void kivoViewVisibilityChangedIsVisible(KIVOView&, bool isVisible) override {
        record(std::string("visible:") + (isVisible ? "true" : "false"));
    }
    void kivoViewDidTapItemWithAttributes(KIVOView&, const KIVOItemAttributes& attributes) override {
        record("tap:" + attributes.itemID().sourceID());
    }
    void kivoViewDidLongPressItemWithAttributes(KIVOView&, const KIVOItemAttributes& attributes) override {
        record("longPress:" + attributes.itemID().sourceID());
    }
    void kivoViewDoubleTappedPointDidZoomIn(KIVOView&, ui::Point, bool didZoomIn) override {
        record(std::string("doubleTap:") + (didZoomIn ? "in" : "out"));
    }
    void kivoViewDidScroll(KIVOView&) override { record("scroll"); }

private:
    void record(const std::string& event) { log_->push_back(name_ + ":" + event); }

    std::string name_;
    std::shared_ptr<std::vector<std::string>> log_;
};

// Implements only what a delegate must; every optional method keeps its default.
class MinimalDelegate : public KIVOViewDelegate {
public:
    explicit MinimalDelegate(std::shared_ptr<std::vector<std::string>> log) : log_(std::move(log)) {}

    void kivoViewVisibilityChangedIsVisible(KIVOView&, bool) override { log_->push_back("minimal:visible"); }
    void kivoViewDidTapItemWithAttributes(KIVOView&, const KIVOItemAttributes&) override {}
    void kivoViewDidLongPressItemWithAttributes(KIVOView&, const KIVOItemAttributes&) override {}
    void kivoViewDoubleTappedPointDidZoomIn(KIVOView&, ui::Point, bool) override {}

private:
    std::shared_ptr<std::vector<std::string>> log_;
};

// What the callbacks of one load received.
struct LoadRecord {
    std::vector<std::string> events;
    std::optional<std::string> title;
    std::optional<std::string> subtitle;
    std::optional<Error> error;
    bool completed = false;
    bool callbacksOnMainThread = true;
};

// Starts a load whose callbacks append "preload" and "completion" to `record->events` (and to `log`, when
// given, so that they can be ordered against other events).
inline std::shared_ptr<LoadRecord> startLoad(KIVOView& view, std::string markup,
                                             std::shared_ptr<std::vector<std::string>> log = nullptr) {
    auto record = std::make_shared<LoadRecord>();
    view.load(
        std::move(markup), nullptr, nullptr,
        [record, log](const std::optional<std::string>& title, const std::optional<std::string>& subtitle) {
            record->events.push_back("preload");
            if (log) {
                log->push_back("preload");
            }
            record->title = title;
            record->subtitle = subtitle;
            record->callbacksOnMainThread = record->callbacksOnMainThread && ui::isMainThread();
        },
        [record, log](const std::optional<Error>& error) {
            record->events.push_back("completion");
            if (log) {
                log->push_back("completion");
            }
            record->error = error;
            record->completed = true;
            record->callbacksOnMainThread = record->callbacksOnMainThread && ui::isMainThread();
        });
    return record;
}

inline bool waitFor(const LoadRecord& record) {
    return ui::testing::runMainUntil([&] { return record.completed; });
}

// Loads `markup` and waits for the completion.
inline std::shared_ptr<LoadRecord> loadAndWait(KIVOView& view, std::string markup) {
    auto record = startLoad(view, std::move(markup));
    EXPECT_TRUE(waitFor(*record)) << "the load did not complete";
    return record;
}

// A host view filling a window of `size`, laid out.
struct HostedView {
    std::shared_ptr<ui::Window> window;
    std::shared_ptr<KIVOView> view;
};

inline HostedView hostedView(ui::Size size = {390, 844}) {
    HostedView hosted{std::make_shared<ui::Window>(size), KIVOView::create(nullptr)};
    hosted.view->setFrame(hosted.window->bounds());
    hosted.window->addSubview(hosted.view);
    hosted.window->layoutIfNeeded();
    return hosted;
}

// The host view's scroll view, found the way any view of the tree is: by its accessibility identifier.
inline std::shared_ptr<ui::ScrollView> scrollViewOf(const KIVOView& view) {
    for (const auto& subview : view.subviews()) {
        if (subview->accessibilityIdentifier() == "scrollView") {
            return std::dynamic_pointer_cast<ui::ScrollView>(subview);
        }
    }
    return nullptr;
}

} // namespace kivo::host_testing
