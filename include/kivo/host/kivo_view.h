#pragma once

// The view a host places on screen to show a markup document. It owns a scroll view, a vertical content
// stack inside it and the LayoutManager that loads documents into that stack, and it is the framework's
// public face: the host loads documents through it and hears about them through KIVOViewDelegate.
//
// Everything here runs on the main thread. Nothing is thrown across this interface: a load's failure
// reaches the host as an error value in the load's completion.

#include <kivo/base/errors.h>
#include <kivo/model/element_parser.h>
#include <ui/foundation/geometry.h>
#include <ui/foundation/weak.h>
#include <ui/runloop/object_lock.h>
#include <ui/views/scroll_view.h>
#include <ui/views/view.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ui {
class StackView;
}

namespace kivo {

class KIVOView;
class KIVOAnnotationView;
class KIVODocumentElement;
class KIVOImageDownloadTaskProvider;
class LayoutManager;

// What a host hears from a KIVOView. The view passes itself as the first argument. The first four are
// required; the others are optional and do nothing (or answer null) unless overridden.
class KIVOViewDelegate {
public:
    virtual ~KIVOViewDelegate() = default;

    // The host changed the view's isVisible property.
    virtual void kivoViewVisibilityChangedIsVisible(KIVOView& kivoView, bool isVisible) = 0;
    // A single tap landed on an item.
    virtual void kivoViewDidTapItemWithAttributes(KIVOView& kivoView,
                                                  const KIVOItemAttributes& attributes) = 0;
    // A long press began on an item.
    virtual void kivoViewDidLongPressItemWithAttributes(KIVOView& kivoView,
                                                        const KIVOItemAttributes& attributes) = 0;
    // A double tap at `point` (in the content view) zoomed in, or back out to the minimum scale.
    virtual void kivoViewDoubleTappedPointDidZoomIn(KIVOView& kivoView, ui::Point point, bool didZoomIn) = 0;

    // The view to mark clipped items with, or null for none.
    virtual std::shared_ptr<KIVOAnnotationView> clippingAnnotationViewForKIVOView(KIVOView& kivoView) {
        (void)kivoView;
        return nullptr;
    }
    // The view to mark the coupon item `itemID` with, or null for none.
    virtual std::shared_ptr<KIVOAnnotationView> couponAnnotationViewForIn(const KIVOItemID& itemID,
                                                                          KIVOView& kivoView) {
        (void)itemID;
        (void)kivoView;
        return nullptr;
    }
    // Part of the protocol hosts implement; the view itself asks couponAnnotationViewForIn instead.
    virtual std::shared_ptr<KIVOAnnotationView> couponAnnotationViewForKIVOView(KIVOView& kivoView) {
        (void)kivoView;
        return nullptr;
    }
    // The view's own scroll view scrolled (whatever moved it).
    virtual void kivoViewDidScroll(KIVOView& kivoView) { (void)kivoView; }
    virtual void kivoViewDidScrollToTop(KIVOView& kivoView) { (void)kivoView; }
    // A drag ends with `velocity`; the delegate may change where the scroll view comes to rest.
    virtual void kivoViewWillEndDraggingWithVelocityTargetContentOffset(KIVOView& kivoView,
                                                                        ui::Point velocity,
                                                                        ui::Point& targetContentOffset) {
        (void)kivoView;
        (void)velocity;
        (void)targetContentOffset;
    }
    virtual void kivoViewDidEndDraggingWillDecelerate(KIVOView& kivoView, bool willDecelerate) {
        (void)kivoView;
        (void)willDecelerate;
    }
    virtual void kivoViewDidEndScrollingAnimation(KIVOView& kivoView) { (void)kivoView; }
    virtual void kivoViewDidZoom(KIVOView& kivoView) { (void)kivoView; }
    virtual void kivoViewDidEndZoomingAtScale(KIVOView& kivoView, double scale) {
        (void)kivoView;
        (void)scale;
    }
    virtual void kivoViewDidEndDecelerating(KIVOView& kivoView) { (void)kivoView; }
};

class KIVOView : public ui::View, public ui::ScrollViewDelegate {
public:
    // Receives the document's title and subtitle (each null when the document has none) before the load
    // completes.
    using TitlePreload = std::function<void(const std::optional<std::string>& title,
                                            const std::optional<std::string>& subtitle)>;
    // Receives nothing when the document was loaded, otherwise why it was refused.
    using LoadCompletion = std::function<void(const std::optional<Error>& error)>;
    using Block = std::function<void()>;
    using DelegateList = std::vector<std::shared_ptr<ui::Weak<KIVOViewDelegate>>>;

    // A view with no frame, ready to load. The provider supplies image downloads to the views of the
    // documents; it is not kept alive by the view, so the host holds on to it. It may be null (pictures
    // then stay empty).
    static std::shared_ptr<KIVOView> create(const std::shared_ptr<KIVOImageDownloadTaskProvider>& provider);

protected:
    // Only KIVOView and its subclasses can make one: construction is finished by initialize(), which
    // makeView() calls once the view is owned by a shared_ptr.
    struct Passkey {
        explicit Passkey() = default;
    };

public:
    KIVOView(Passkey, const std::shared_ptr<KIVOImageDownloadTaskProvider>& provider);
    ~KIVOView() override;

    // --- loading ---
    // Loads the markup `kivo` into the content stack, between the optional header and footer views,
    // replacing the document shown. Returns at once. `titlePreload` and then `completion` run later on the
    // main thread, never during this call; `completion` runs even when the view has gone away meanwhile.
    // A view that still exists first rebuilds its gesture recognisers, runs renderCompletion and drains its
    // completion queue.
    void load(std::string kivo, std::shared_ptr<ui::View> headerView = nullptr,
              std::shared_ptr<ui::View> footerView = nullptr, TitlePreload titlePreload = nullptr,
              LoadCompletion completion = nullptr);

    // Queues `block` and runs the queue: at once when a document is loaded, otherwise right after the
    // next document is rendered and before that load's completion. Blocks run in the order queued.
    void addBlockToCompletionQueueAndRun(Block block);
    // Runs every queued block, in order, holding the view's object lock; does nothing until a document is
    // loaded.
    void runCompletionQueue();

    // --- delegates ---
    // The delegate assigned last, if it is still alive.
    std::shared_ptr<KIVOViewDelegate> delegate() const { return delegate_.lock(); }
    // Makes `delegate` the current one and, when it is not null, adds it to the delegates every callback
    // goes to. Earlier delegates keep hearing callbacks for as long as they live; a delegate assigned twice
    // hears each callback twice. The view does not keep delegates alive.
    void setDelegate(const std::shared_ptr<KIVOViewDelegate>& delegate);

    // --- document ---
    std::optional<std::string> uuid() const;
    std::optional<std::string> contentHash() const;
    bool isLoaded() const;
    // The attributes of every item of the loaded document.
    const ItemAttributesMap& itemIDAttributes() const;

    // --- geometry (of the scroll view) ---
    ui::Size viewportSize() const;
    ui::Rect visibleBounds() const;
    ui::Point contentOffset() const;
    ui::Size contentSize() const;
    void setContentSize(ui::Size size);
    double zoomScale() const;
    ui::EdgeInsets contentInset() const;
    void setContentInset(const ui::EdgeInsets& inset);
    // How far down the content is scrolled: 0 at the top, 1 at the bottom; 0 when the content does not
    // fill the viewport. Writing scrolls (without animation) to that fraction, clamped to [0, 1]; a value
    // that is not a number counts as 0.
    double contentOffsetPercentage() const;
    void setContentOffsetPercentage(double percentage);

    // --- configuration ---
    // The host's statement that the view is on screen. Ignored until a document is loaded; a change is
    // told to every delegate.
    bool isVisible() const { return visible_; }
    void setIsVisible(bool visible);
    // The vertical stack the document is rendered into.
    std::shared_ptr<ui::View> contentView();
    std::optional<std::string> customFontName() const;
    void setCustomFontName(std::optional<std::string> name);
    // Whether clipped items get the built-in annotation instead of one the delegate supplies.
    bool shouldUseDefaultClippingAnnotation() const { return shouldUseDefaultClippingAnnotation_; }
    void setShouldUseDefaultClippingAnnotation(bool use) { shouldUseDefaultClippingAnnotation_ = use; }

    // The view's object lock, the one runCompletionQueue holds while it drains.
    ui::ObjectLock& objectLock() { return objectLock_; }

    // --- scroll view delegate ---
    void scrollViewDidScroll(ui::ScrollView& scrollView) override;
    void scrollViewWillBeginDragging(ui::ScrollView& scrollView) override;
    void scrollViewWillEndDragging(ui::ScrollView& scrollView, ui::Point velocity,
                                   ui::Point& targetContentOffset) override;
    void scrollViewDidEndDragging(ui::ScrollView& scrollView, bool willDecelerate) override;
    void scrollViewDidEndDecelerating(ui::ScrollView& scrollView) override;
    void scrollViewDidEndScrollingAnimation(ui::ScrollView& scrollView) override;
    void scrollViewDidScrollToTop(ui::ScrollView& scrollView) override;
    void scrollViewDidZoom(ui::ScrollView& scrollView) override;
    void scrollViewDidEndZooming(ui::ScrollView& scrollView, ui::View* zoomView, double scale) override;
    std::shared_ptr<ui::View> viewForZoomingInScrollView(ui::ScrollView& scrollView) override;

protected:
    // Makes a view of class T (constructed with a Passkey and `args`) and finishes its construction.
    template <class T, class... Args>
    static std::shared_ptr<T> makeView(Args&&... args) {
        auto view = std::make_shared<T>(Passkey{}, std::forward<Args>(args)...);
        view->initialize();
        return view;
    }

    // Sets up the scroll view and places the content stack in it.
    void initialize();

    // Configures the scroll view and pins it to this view's edges.
    virtual void setupScrollView();
    // Builds the recognisers for taps, long presses and double taps on the document's root view. Runs after
    // every load, once the previous document's recognisers have been let go.
    virtual void setupGestures();
    // Called after every load, before the completion queue is drained, with the document (null when the
    // load failed). Subclasses set up what depends on the document here.
    virtual void renderCompletion(const std::shared_ptr<KIVODocumentElement>& documentElement);

    // Scroll hooks that subclasses extend; they run for the view's own scroll view only.
    virtual void onWillBeginDragging();
    virtual void onDidEndDragging(bool willDecelerate);
    virtual void onDidScroll();

    // Calls `f(KIVOViewDelegate&)` for every live delegate, in the order they were assigned.
    template <class F>
    void forEachDelegate(F f) const {
        ui::forEachLive(delegates_, f);
    }

    const std::shared_ptr<LayoutManager>& layoutManager() const { return layoutManager_; }
    const std::shared_ptr<ui::ScrollView>& scrollView() const { return scrollView_; }
    std::shared_ptr<ui::StackView> contentStackView();

private:
    // Whether `scrollView` is this view's own scroll view.
    bool isOwnScrollView(const ui::ScrollView& scrollView) const { return &scrollView == scrollView_.get(); }
    // What every load does on the main queue once the layout manager is done with the document.
    void loadDidFinish(const std::shared_ptr<KIVODocumentElement>& documentElement);

    std::weak_ptr<KIVOViewDelegate> delegate_;
    DelegateList delegates_;
    bool visible_ = false;
    std::shared_ptr<LayoutManager> layoutManager_;
    std::shared_ptr<ui::StackView> contentStackView_;
    std::shared_ptr<ui::ScrollView> scrollView_;
    std::deque<Block> completionQueue_;
    bool shouldUseDefaultClippingAnnotation_ = false;
    ui::ObjectLock objectLock_;
};

} // namespace kivo
