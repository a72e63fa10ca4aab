#include "ui/views/view.h"

#include "ui/layout/layout_engine.h"

#include <ui/views/window.h>

#include <algorithm>

namespace ui {

View::View() : layer_(std::make_shared<Layer>()) {
    layer_->setDelegate(this);
    layer_->setBacksView(true);
}

View::View(const Rect& frame) : View() {
    setFrame(frame);
}

View::~View() {
    // The layer may outlive the view (a caller can hold it): it must not call back into a dead view.
    layer_->setDelegate(nullptr);
    layer_->setBacksView(false);
}

void View::drawLayer(Layer&, cairo_t* context, const Rect& rect) {
    draw(context, rect);
}

// --- geometry ---

Rect View::frame() const {
    const Size s = bounds_.size;
    const Rect local(-anchorPoint_.x * s.width, -anchorPoint_.y * s.height, s.width, s.height);
    if (transform_.isIdentity())
        return local.offsetBy(center_.x, center_.y);
    return transform_.apply(local).offsetBy(center_.x, center_.y);
}

void View::setFrame(const Rect& frame) {
    const Rect f = frame.standardized();
    const Point center(f.origin.x + anchorPoint_.x * f.size.width,
                       f.origin.y + anchorPoint_.y * f.size.height);
    setBounds(Rect(bounds_.origin, f.size));
    setCenter(center);
}

void View::setBounds(const Rect& bounds) {
    if (bounds == bounds_)
        return;
    const Size old = bounds_.size;
    bounds_ = bounds;
    layer_->setBounds(bounds);
    if (old != bounds.size) {
        resizeSubviewsWithOldSize(old);
        setNeedsLayout();
    }
}

void View::setCenter(Point center) {
    center_ = center;
    layer_->setPosition(center);
}

void View::setTransform(const AffineTransform& transform) {
    transform_ = transform;
    layer_->setTransform(transform);
}

void View::setAnchorPoint(Point anchorPoint) {
    // The frame stays where it is: moving the anchor moves the centre with it.
    const Rect before = frame();
    anchorPoint_ = anchorPoint;
    const Rect after = frame();
    center_.x += before.origin.x - after.origin.x;
    center_.y += before.origin.y - after.origin.y;
    layer_->setAnchorPoint(anchorPoint);
    layer_->setPosition(center_);
}

AffineTransform View::toSuperview() const {
    const Size s = bounds_.size;
    const AffineTransform toAnchor = AffineTransform::makeTranslation(
        -(bounds_.origin.x + anchorPoint_.x * s.width), -(bounds_.origin.y + anchorPoint_.y * s.height));
    return AffineTransform::concat(AffineTransform::concat(toAnchor, transform_),
                                   AffineTransform::makeTranslation(center_.x, center_.y));
}

// From this view's bounds space to the bounds space of the root of its tree.
AffineTransform View::toRoot() const {
    AffineTransform t;
    for (const View* v = this; v->superviewIfAlive(); v = v->superviewIfAlive())
        t = AffineTransform::concat(t, v->toSuperview());
    return t;
}

Point View::convertPointTo(Point point, const View* view) const {
    const Point inRoot = toRoot().apply(point);
    if (!view)
        return inRoot;
    const auto inverse = view->toRoot().inverted();
    return inverse ? inverse->apply(inRoot) : inRoot;
}

Point View::convertPointFrom(Point point, const View* view) const {
    const Point inRoot = view ? view->toRoot().apply(point) : point;
    const auto inverse = toRoot().inverted();
    return inverse ? inverse->apply(inRoot) : inRoot;
}

Rect View::convertRectTo(const Rect& rect, const View* view) const {
    if (rect.isNull())
        return rect;
    AffineTransform t = toRoot();
    if (view) {
        const auto inverse = view->toRoot().inverted();
        if (inverse)
            t = AffineTransform::concat(t, *inverse);
    }
    return t.apply(rect);
}

Rect View::convertRectFrom(const Rect& rect, const View* view) const {
    if (rect.isNull())
        return rect;
    AffineTransform t = view ? view->toRoot() : AffineTransform();
    const auto inverse = toRoot().inverted();
    if (inverse)
        t = AffineTransform::concat(t, *inverse);
    return t.apply(rect);
}

// --- hierarchy ---

void View::addSubview(const std::shared_ptr<View>& view) {
    insertSubview(view, subviews_.size() + 1);
}

void View::insertSubview(const std::shared_ptr<View>& view, std::size_t index) {
    // Adding a view to itself or to one of its descendants would make a cycle: ignore it.
    if (!view || view.get() == this || isDescendantOf(*view))
        return;
    if (view->superview().get() == this) {
        auto it = std::find(subviews_.begin(), subviews_.end(), view);
        const auto from = static_cast<std::size_t>(it - subviews_.begin());
        subviews_.erase(it);
        if (index > from)
            --index;
        index = std::min(index, subviews_.size());
        subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(index), view);
        placeSublayerOfSubview(index);
        structureChanged();
        return;
    }
    const std::shared_ptr<View> keep = view;
    view->removeFromSuperview();
    attach(view, std::min(index, subviews_.size()));
}

void View::attach(const std::shared_ptr<View>& view, std::size_t index) {
    view->superview_ = weak_from_this();
    view->superviewRaw_ = this;
    autoresizingSubviews_ += view->autoresizes() ? 1 : 0;
    subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(index), view);
    placeSublayerOfSubview(index);
    view->setWindowRecursively(window_);
    structureChanged();
    didAddSubview(view);
    view->didMoveToSuperview();
}

void View::placeSublayerOfSubview(std::size_t index) {
    const auto& layer = subviews_[index]->layer_;
    if (index + 1 < subviews_.size() && subviews_[index + 1]->layer_->superlayer() == layer_)
        layer_->insertSublayerBelow(layer, subviews_[index + 1]->layer_);
    else
        layer_->addSublayer(layer);
}

void View::insertSubviewAbove(const std::shared_ptr<View>& view, const std::shared_ptr<View>& sibling) {
    auto it = std::find(subviews_.begin(), subviews_.end(), sibling);
    if (it == subviews_.end())
        return addSubview(view);
    insertSubview(view, static_cast<std::size_t>(it - subviews_.begin()) + 1);
}

void View::insertSubviewBelow(const std::shared_ptr<View>& view, const std::shared_ptr<View>& sibling) {
    auto it = std::find(subviews_.begin(), subviews_.end(), sibling);
    if (it == subviews_.end())
        return insertSubview(view, 0);
    insertSubview(view, static_cast<std::size_t>(it - subviews_.begin()));
}

void View::removeFromSuperview() {
    auto parent = superview();
    if (!parent)
        return;
    const std::shared_ptr<View> self = shared_from_this();
    parent->willRemoveSubview(self);
    std::erase(parent->subviews_, self);
    parent->autoresizingSubviews_ -= autoresizes() ? 1 : 0;
    superview_.reset();
    superviewRaw_ = nullptr;
    if (layer_->superlayer() == parent->layer_)
        layer_->removeFromSuperlayer();
    parent->structureChanged();
    setWindowRecursively(nullptr);
    didMoveToSuperview();
}

void View::bringSubviewToFront(const std::shared_ptr<View>& view) {
    if (view && view->superview().get() == this)
        insertSubview(view, subviews_.size());
}

void View::sendSubviewToBack(const std::shared_ptr<View>& view) {
    if (view && view->superview().get() == this)
        insertSubview(view, 0);
}

bool View::isDescendantOf(const View& view) const {
    for (const View* v = this; v; v = v->superviewIfAlive())
        if (v == &view)
            return true;
    return false;
}

std::shared_ptr<View> View::viewWithTag(int tag) {
    if (tag_ == tag)
        return shared_from_this();
    for (const auto& sub : subviews_)
        if (auto found = sub->viewWithTag(tag))
            return found;
    return nullptr;
}

void View::setWindowRecursively(Window* window) {
    if (window_ == window)
        return;
    // A window being destroyed has dropped its engine already: there is nothing to tell it.
    if (window_ && window_->engine_)
        window_->engine_->viewDidLeave(*this);
    window_ = window;
    // Only the engine of the view's window marks it, with stamps of its own (see LayoutEngine::sync).
    layoutMark_ = 0;
    if (window_) {
        window_->engine_->markStructureDirty();
        if (needsUpdateConstraints_)
            window_->engine_->markUpdateConstraints();
        window_->needsLayoutPass();
    }
    for (const auto& sub : subviews_)
        sub->setWindowRecursively(window);
    didMoveToWindow();
}

void View::structureChanged() {
    if (window_) {
        window_->layoutEngine().markStructureDirty();
        window_->needsLayoutPass();
    }
}

// --- appearance ---

void View::setAlpha(double alpha) {
    alpha_ = std::clamp(alpha, 0.0, 1.0);
    layer_->setOpacity(alpha_);
}

void View::setBackgroundColor(std::optional<Color> color) {
    backgroundColor_ = color;
    layer_->setBackgroundColor(color);
}

void View::setClipsToBounds(bool clips) {
    clipsToBounds_ = clips;
    layer_->setMasksToBounds(clips);
}

void View::setHidden(bool hidden) {
    if (hidden == hidden_)
        return;
    hidden_ = hidden;
    layer_->setHidden(hidden);
    if (auto parent = superview())
        parent->setNeedsUpdateConstraints();
}

// --- hit testing ---

bool View::pointInside(Point point) const {
    return bounds_.contains(point);
}

std::shared_ptr<View> View::hitTest(Point point) {
    if (hidden_ || alpha_ < 0.01 || !userInteractionEnabled_ || !pointInside(point))
        return nullptr;
    for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
        const auto inverse = (*it)->toSuperview().inverted();
        if (!inverse)
            continue;
        if (auto hit = (*it)->hitTest(inverse->apply(point)))
            return hit;
    }
    return shared_from_this();
}

// --- layout ---

void View::setNeedsLayout() {
    needsLayout_ = true;
    if (window_)
        window_->needsLayoutPass();
}

void View::setNeedsUpdateConstraints() {
    needsUpdateConstraints_ = true;
    if (window_) {
        window_->layoutEngine().markUpdateConstraints();
        window_->needsLayoutPass();
    }
}

void View::layoutIfNeeded() {
    if (window_) {
        window_->layoutIfNeeded();
        return;
    }
    // Outside a window there is nothing to solve: give views that asked their layoutSubviews.
    if (needsLayout_) {
        needsLayout_ = false;
        layoutSubviews();
    }
    for (const auto& sub : subviews_)
        sub->layoutIfNeeded();
}

template <class Change>
void View::changeAutoresizing(Change change) {
    const bool before = autoresizes();
    change();
    const std::shared_ptr<View> parent = superview();
    if (!parent || autoresizes() == before)
        return;
    if (before)
        --parent->autoresizingSubviews_;
    else
        ++parent->autoresizingSubviews_;
}

void View::setTranslatesAutoresizingMaskIntoConstraints(bool translates) {
    if (translates == translatesAutoresizingMask_)
        return;
    changeAutoresizing([&] { translatesAutoresizingMask_ = translates; });
    structureChanged();
}

void View::setAutoresizingMask(std::uint32_t mask) {
    changeAutoresizing([&] { autoresizingMask_ = mask; });
}

std::optional<double> View::intrinsicHeightForWidth(double) const {
    return std::nullopt;
}

void View::invalidateIntrinsicContentSize() {
    if (window_ && window_->engine_) {
        window_->engine_->intrinsicChanged(*this);
        window_->needsLayoutPass();
    }
}

void View::setContentHuggingPriority(LayoutPriority priority, LayoutAxis axis) {
    hugging_[int(axis)] = std::clamp(priority, 1.0f, layoutPriority::required);
    invalidateIntrinsicContentSize();
}

void View::setContentCompressionResistancePriority(LayoutPriority priority, LayoutAxis axis) {
    compression_[int(axis)] = std::clamp(priority, 1.0f, layoutPriority::required);
    invalidateIntrinsicContentSize();
}

Size View::sizeThatFits(Size) const {
    const Size intrinsic = intrinsicContentSize();
    return {intrinsic.width >= 0 ? intrinsic.width : bounds_.size.width,
            intrinsic.height >= 0 ? intrinsic.height : bounds_.size.height};
}

void View::sizeToFit() {
    const Rect f = frame();
    setFrame(Rect(f.origin, sizeThatFits(f.size)));
}

void View::setLayoutMargins(const EdgeInsets& margins) {
    if (margins == layoutMargins_)
        return;
    layoutMargins_ = margins;
    setNeedsUpdateConstraints();
    setNeedsLayout();
}

// A view that keeps its frame follows its superview's resize according to its mask: the flexible parts
// of each axis (margins, size) share the change in proportion to their current lengths.
void View::resizeSubviewsWithOldSize(Size oldSize) {
    if (autoresizingSubviews_ == 0)
        return;
    const Size newSize = bounds_.size;
    auto distribute = [](double& before, double& length, double& after, double delta, bool flexBefore,
                         bool flexLength, bool flexAfter) {
        const int count = int(flexBefore) + int(flexLength) + int(flexAfter);
        if (count == 0 || delta == 0.0)
            return;
        double total = (flexBefore ? std::max(before, 0.0) : 0) + (flexLength ? std::max(length, 0.0) : 0) +
                       (flexAfter ? std::max(after, 0.0) : 0);
        auto share = [&](double part) {
            return total > 0 ? delta * std::max(part, 0.0) / total : delta / count;
        };
        const double dBefore = flexBefore ? share(before) : 0.0;
        const double dLength = flexLength ? share(length) : 0.0;
        before += dBefore;
        length += dLength;
    };
    for (const auto& sub : subviews_) {
        if (!sub->autoresizes())
            continue;
        Rect f = sub->frame();
        const std::uint32_t m = sub->autoresizingMask_;
        double left = f.origin.x, width = f.size.width, right = oldSize.width - f.origin.x - f.size.width;
        distribute(left, width, right, newSize.width - oldSize.width, m & flexibleLeftMargin,
                   m & flexibleWidth, m & flexibleRightMargin);
        double top = f.origin.y, height = f.size.height, bottom = oldSize.height - f.origin.y - f.size.height;
        distribute(top, height, bottom, newSize.height - oldSize.height, m & flexibleTopMargin,
                   m & flexibleHeight, m & flexibleBottomMargin);
        sub->setFrame(Rect(left, top, width, height));
    }
}

} // namespace ui
