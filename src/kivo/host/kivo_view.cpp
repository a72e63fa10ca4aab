#include "kivo/host/kivo_view.h"

#include <kivo/layout/layout_manager.h>
#include <kivo/views/image_loading.h>
#include <ui/foundation/color.h>
#include <ui/layout/layout_constraint.h>
#include <ui/runloop/main_thread.h>
#include <ui/views/stack_view.h>

#include <algorithm>
#include <cmath>

namespace kivo {

// --- construction -----------------------------------------------------------------------------------------

std::shared_ptr<KIVOView> KIVOView::create(const std::shared_ptr<KIVOImageDownloadTaskProvider>& provider) {
    return makeView<KIVOView>(provider);
}

KIVOView::KIVOView(Passkey, const std::shared_ptr<KIVOImageDownloadTaskProvider>& provider)
    : ui::View(ui::Rect()), scrollView_(std::make_shared<ui::ScrollView>()) {
    layoutManager_ = LayoutManager::create(scrollView_, contentStackView(), provider);
}

KIVOView::~KIVOView() = default;

void KIVOView::initialize() {
    setupScrollView();
    const std::shared_ptr<ui::StackView> content = contentStackView();
    content->setTranslatesAutoresizingMaskIntoConstraints(false);
    scrollView_->addSubview(content);
    const std::map<std::string, std::shared_ptr<ui::View>> views{{"contentView", content}};
    ui::LayoutConstraint::activate(ui::LayoutConstraint::constraints("H:|[contentView]|", {}, views));
    ui::LayoutConstraint::activate(ui::LayoutConstraint::constraints("V:|[contentView]|", {}, views));
}

void KIVOView::setupScrollView() {
    scrollView_->setAccessibilityIdentifier("scrollView");
    scrollView_->setBackgroundColor(
        ui::Color::rgba(0.9490196108818054, 0.9490196108818054, 0.95686274766922, 1));
    scrollView_->setMinimumZoomScale(1.0);
    scrollView_->setMaximumZoomScale(3.0);
    scrollView_->setZoomScale(scrollView_->minimumZoomScale());
    scrollView_->setTranslatesAutoresizingMaskIntoConstraints(false);
    addSubview(scrollView_);
    const std::shared_ptr<ui::ScrollViewDelegate> self =
        std::static_pointer_cast<KIVOView>(shared_from_this());
    scrollView_->setDelegate(self);
    const std::map<std::string, std::shared_ptr<ui::View>> views{{"scrollView", scrollView_}};
    ui::LayoutConstraint::activate(ui::LayoutConstraint::constraints("H:|[scrollView]|", {}, views));
    ui::LayoutConstraint::activate(ui::LayoutConstraint::constraints("V:|[scrollView]|", {}, views));
}

std::shared_ptr<ui::StackView> KIVOView::contentStackView() {
    if (!contentStackView_) {
        contentStackView_ = std::make_shared<ui::StackView>();
        contentStackView_->setAccessibilityIdentifier("main content stack view");
        contentStackView_->setAxis(ui::LayoutAxis::vertical);
    }
    return contentStackView_;
}

std::shared_ptr<ui::View> KIVOView::contentView() {
    return contentStackView();
}

// --- loading ----------------------------------------------------------------------------------------------

void KIVOView::load(std::string kivo, std::shared_ptr<ui::View> headerView,
                    std::shared_ptr<ui::View> footerView, TitlePreload titlePreload,
                    LoadCompletion completion) {
    KIVO_ASSERT_MAIN_THREAD();
    if (!layoutManager_) {
        return;
    }

    LayoutManager::PreloadCallback preload;
    if (titlePreload) {
        preload = [titlePreload = std::move(titlePreload)](const TitleReport& report) {
            const auto value = [&report](const char* key) -> std::optional<std::string> {
                const auto it = report.find(key);
                return it == report.end() ? std::nullopt : std::optional<std::string>(it->second);
            };
            titlePreload(value(LayoutManagerUserInfoKey::documentTitle),
                         value(LayoutManagerUserInfoKey::documentSubtitle));
        };
    }

    // The view is held weakly so that a load in flight does not keep a view the host let go of; the host's
    // completion runs either way.
    std::weak_ptr<KIVOView> weakSelf = std::static_pointer_cast<KIVOView>(shared_from_this());
    auto done = [weakSelf, completion = std::move(completion)](std::shared_ptr<KIVODocumentElement> document,
                                                               std::optional<Error> error) {
        if (const std::shared_ptr<KIVOView> self = weakSelf.lock()) {
            self->loadDidFinish(document);
        }
        if (completion) {
            completion(error);
        }
    };

    layoutManager_->renderBody(std::move(kivo), std::move(headerView), std::move(footerView),
                               std::move(preload), std::move(done));
}

void KIVOView::loadDidFinish(const std::shared_ptr<KIVODocumentElement>& documentElement) {
    setupGestures();
    renderCompletion(documentElement);
    runCompletionQueue();
}

void KIVOView::setupGestures() {
    // The recognisers come with touch handling. Until then touches go to the document's views themselves.
}

void KIVOView::renderCompletion(const std::shared_ptr<KIVODocumentElement>& documentElement) {
    (void)documentElement;
}

void KIVOView::addBlockToCompletionQueueAndRun(Block block) {
    if (block) {
        ui::synchronized(objectLock_, [&] { completionQueue_.push_back(std::move(block)); });
    }
    runCompletionQueue();
}

void KIVOView::runCompletionQueue() {
    if (!isLoaded()) {
        return;
    }
    // A block may queue another: the lock is recursive, and the nested drain runs the new block (after any
    // still waiting before it) before this one carries on.
    ui::synchronized(objectLock_, [&] {
        while (!completionQueue_.empty()) {
            Block block = std::move(completionQueue_.front());
            completionQueue_.pop_front();
            block();
        }
    });
}

// --- delegates --------------------------------------------------------------------------------------------

void KIVOView::setDelegate(const std::shared_ptr<KIVOViewDelegate>& delegate) {
    delegate_ = delegate;
    if (delegate) {
        delegates_.push_back(std::make_shared<ui::Weak<KIVOViewDelegate>>(delegate));
    }
}

// --- document ---------------------------------------------------------------------------------------------

std::optional<std::string> KIVOView::uuid() const {
    return layoutManager_ ? layoutManager_->kivoUUID() : std::nullopt;
}

std::optional<std::string> KIVOView::contentHash() const {
    return layoutManager_ ? layoutManager_->contentHash() : std::nullopt;
}

bool KIVOView::isLoaded() const {
    return layoutManager_ && layoutManager_->isLoaded();
}

const ItemAttributesMap& KIVOView::itemIDAttributes() const {
    static const ItemAttributesMap none;
    return layoutManager_ ? layoutManager_->itemIDAttributes() : none;
}

std::optional<std::string> KIVOView::customFontName() const {
    return layoutManager_ ? layoutManager_->customFontName() : std::nullopt;
}

void KIVOView::setCustomFontName(std::optional<std::string> name) {
    if (layoutManager_) {
        layoutManager_->setCustomFontName(std::move(name));
    }
}

// --- geometry ---------------------------------------------------------------------------------------------

ui::Size KIVOView::viewportSize() const {
    return scrollView_->frame().size;
}

ui::Rect KIVOView::visibleBounds() const {
    return scrollView_->bounds();
}

ui::Point KIVOView::contentOffset() const {
    return scrollView_->contentOffset();
}

ui::Size KIVOView::contentSize() const {
    return scrollView_->contentSize();
}

void KIVOView::setContentSize(ui::Size size) {
    scrollView_->setContentSize(size);
}

double KIVOView::zoomScale() const {
    return scrollView_->zoomScale();
}

ui::EdgeInsets KIVOView::contentInset() const {
    return scrollView_->contentInset();
}

void KIVOView::setContentInset(const ui::EdgeInsets& inset) {
    scrollView_->setContentInset(inset);
}

double KIVOView::contentOffsetPercentage() const {
    const double top = scrollView_->adjustedContentInset().top;
    const double scrollable = scrollView_->contentSize().height - (scrollView_->frame().size.height - top);
    if (!(scrollable > 0)) {
        return 0.0;
    }
    return (top + scrollView_->contentOffset().y) / scrollable;
}

void KIVOView::setContentOffsetPercentage(double percentage) {
    // Not-a-number passes both comparisons of a clamp and would put NaN into the bounds.
    const double p = std::isnan(percentage) ? 0.0 : std::clamp(percentage, 0.0, 1.0);
    const double y = (scrollView_->contentSize().height - scrollView_->frame().size.height) * p;
    scrollView_->setContentOffset({scrollView_->contentOffset().x, y}, false);
}

// --- visibility -------------------------------------------------------------------------------------------

void KIVOView::setIsVisible(bool visible) {
    if (!isLoaded() || visible == visible_) {
        return;
    }
    visible_ = visible;
    forEachDelegate([&](KIVOViewDelegate& d) { d.kivoViewVisibilityChangedIsVisible(*this, visible); });
}

} // namespace kivo
