#include "ui/graphics/layer.h"

#include "ui/graphics/transaction_state.h"

#include <ui/graphics/image.h>
#include <ui/runloop/run_loop.h>

#include <algorithm>
#include <chrono>
#include <optional>

namespace ui {

namespace {

std::uint64_t nextAnimationId() {
    static std::uint64_t next = 0;
    return ++next;
}

Clock::duration toDuration(double seconds) {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

// Calls `f` with the field of `state` that holds `property`, and returns what it returns.
template <typename State, typename F>
auto withField(State& state, LayerProperty property, F&& f) {
    switch (property) {
    case LayerProperty::bounds:
        return f(state.bounds);
    case LayerProperty::position:
        return f(state.position);
    case LayerProperty::transform:
        return f(state.transform);
    case LayerProperty::backgroundColor:
        return f(state.backgroundColor);
    case LayerProperty::cornerRadius:
        return f(state.cornerRadius);
    case LayerProperty::borderWidth:
        return f(state.borderWidth);
    case LayerProperty::shadowOpacity:
        return f(state.shadowOpacity);
    case LayerProperty::contentsRect:
        return f(state.contentsRect);
    case LayerProperty::opacity:
        break;
    }
    return f(state.opacity); // opacity, and any value outside the enumeration
}

// A field's value as an animation sees it: a missing background colour animates as clear.
template <typename T>
AnimatedValue animatedValue(const T& field) {
    return field;
}
AnimatedValue animatedValue(const std::optional<Color>& field) {
    return field.value_or(Color::clear());
}

template <typename T>
void assignAnimatedValue(T& field, const AnimatedValue& value) {
    field = std::get<T>(value);
}
void assignAnimatedValue(std::optional<Color>& field, const AnimatedValue& value) {
    field = std::get<Color>(value);
}

} // namespace

Layer::Layer() = default;

const Layer::Extras& Layer::defaultExtras() {
    static const Extras defaults;
    return defaults;
}

Layer::Extras& Layer::extrasToChange() {
    if (!extras_)
        extras_ = std::make_unique<Extras>();
    return *extras_;
}

template <typename T>
void Layer::setExtra(T Extras::*field, T value) {
    if (extras_ || value != defaultExtras().*field)
        extrasToChange().*field = std::move(value);
}

void Layer::setName(std::string name) {
    setExtra(&Extras::name, std::move(name));
}
void Layer::setBorderColor(Color color) {
    setExtra(&Extras::borderColor, color);
}
void Layer::setShadowColor(Color color) {
    setExtra(&Extras::shadowColor, color);
}
void Layer::setShadowOffset(Size offset) {
    setExtra(&Extras::shadowOffset, offset);
}
void Layer::setShadowRadius(double radius) {
    setExtra(&Extras::shadowRadius, radius < 0 ? 0 : radius);
}
void Layer::setShadowPath(std::optional<BezierPath> path) {
    setExtra(&Extras::shadowPath, std::move(path));
}
void Layer::setContents(std::shared_ptr<Image> image) {
    setExtra(&Extras::contents, std::move(image));
}
void Layer::setContentsGravity(ContentsGravity gravity) {
    setExtra(&Extras::contentsGravity, gravity);
}
void Layer::setShouldRasterize(bool rasterize) {
    setExtra(&Extras::shouldRasterize, rasterize);
}
void Layer::setRasterizationScale(double scale) {
    setExtra(&Extras::rasterizationScale, scale);
}

Layer::~Layer() {
    // Transactions waiting for these animations would otherwise wait for ever.
    for (auto& animation : animations_)
        for (auto group = animation.groups.rbegin(); group != animation.groups.rend(); ++group)
            (*group)->animationEnded(false, false);
    for (auto& sub : sublayers_) {
        sub->superlayer_.reset();
        sub->superlayerRaw_ = nullptr;
    }
}

// --- geometry ---

void Layer::setBounds(const Rect& bounds) {
    change(LayerProperty::bounds, model_.bounds, bounds);
}

void Layer::setPosition(Point position) {
    change(LayerProperty::position, model_.position, position);
}

void Layer::setTransform(const AffineTransform& transform) {
    change(LayerProperty::transform, model_.transform, transform);
}

Rect Layer::frame() const {
    const Size s = model_.bounds.size;
    const Rect local(-anchorPoint_.x * s.width, -anchorPoint_.y * s.height, s.width, s.height);
    const Rect placed = model_.transform.isIdentity() ? local : model_.transform.apply(local);
    return placed.offsetBy(model_.position.x, model_.position.y);
}

void Layer::setFrame(const Rect& frame) {
    const Rect f = frame.standardized();
    setBounds(Rect(model_.bounds.origin, f.size));
    setPosition({f.origin.x + anchorPoint_.x * f.size.width, f.origin.y + anchorPoint_.y * f.size.height});
}

// --- appearance ---

void Layer::setOpacity(double opacity) {
    change(LayerProperty::opacity, model_.opacity, std::clamp(opacity, 0.0, 1.0));
}

void Layer::setBackgroundColor(std::optional<Color> color) {
    change(LayerProperty::backgroundColor, model_.backgroundColor, color);
}

void Layer::setCornerRadius(double radius) {
    change(LayerProperty::cornerRadius, model_.cornerRadius, std::max(radius, 0.0));
}

void Layer::setBorderWidth(double width) {
    change(LayerProperty::borderWidth, model_.borderWidth, std::max(width, 0.0));
}

void Layer::setShadowOpacity(double opacity) {
    change(LayerProperty::shadowOpacity, model_.shadowOpacity, std::clamp(opacity, 0.0, 1.0));
}

void Layer::setContentsRect(const Rect& rect) {
    change(LayerProperty::contentsRect, model_.contentsRect, rect.standardized());
}

// --- tree ---

void Layer::addSublayer(const std::shared_ptr<Layer>& layer) {
    insertSublayer(layer, sublayers_.size() + 1);
}

void Layer::insertSublayer(const std::shared_ptr<Layer>& layer, std::size_t index) {
    if (!layer || layer.get() == this || isDescendantOf(*layer))
        return;
    const std::shared_ptr<Layer> keep = layer;
    if (layer->superlayer().get() == this) {
        auto it = std::find(sublayers_.begin(), sublayers_.end(), layer);
        const auto from = static_cast<std::size_t>(it - sublayers_.begin());
        sublayers_.erase(it);
        if (index > from)
            --index;
    } else {
        layer->removeFromSuperlayer();
        layer->superlayer_ = weak_from_this();
        layer->superlayerRaw_ = this;
        plainSublayers_ += layer->backsView_ ? 0 : 1;
    }
    index = std::min(index, sublayers_.size());
    sublayers_.insert(sublayers_.begin() + static_cast<std::ptrdiff_t>(index), layer);
}

void Layer::insertSublayerBelow(const std::shared_ptr<Layer>& layer, const std::shared_ptr<Layer>& sibling) {
    auto it = std::find(sublayers_.begin(), sublayers_.end(), sibling);
    if (!sibling || it == sublayers_.end())
        return insertSublayer(layer, 0);
    insertSublayer(layer, static_cast<std::size_t>(it - sublayers_.begin()));
}

void Layer::insertSublayerAbove(const std::shared_ptr<Layer>& layer, const std::shared_ptr<Layer>& sibling) {
    auto it = std::find(sublayers_.begin(), sublayers_.end(), sibling);
    if (!sibling || it == sublayers_.end())
        return addSublayer(layer);
    insertSublayer(layer, static_cast<std::size_t>(it - sublayers_.begin()) + 1);
}

void Layer::removeFromSuperlayer() {
    auto parent = superlayer();
    superlayer_.reset();
    superlayerRaw_ = nullptr;
    if (!parent)
        return;
    auto it = std::find_if(parent->sublayers_.begin(), parent->sublayers_.end(),
                           [this](const std::shared_ptr<Layer>& l) { return l.get() == this; });
    if (it != parent->sublayers_.end()) {
        parent->plainSublayers_ -= backsView_ ? 0 : 1;
        parent->sublayers_.erase(it); // may destroy this layer: nothing may follow
    }
}

void Layer::setBacksView(bool backsView) {
    if (backsView == backsView_)
        return;
    backsView_ = backsView;
    if (const std::shared_ptr<Layer> parent = superlayer()) {
        if (backsView)
            --parent->plainSublayers_;
        else
            ++parent->plainSublayers_;
    }
}

bool Layer::isDescendantOf(const Layer& layer) const {
    for (const Layer* l = this; l; l = l->superlayerIfAlive())
        if (l == &layer)
            return true;
    return false;
}

void Layer::drawInContext(cairo_t*, const Rect&) {}

// --- animation ---

AnimatedValue Layer::valueOf(const LayerState& state, LayerProperty property) const {
    return withField(state, property, [](const auto& field) { return animatedValue(field); });
}

void Layer::apply(LayerState& state, LayerProperty property, const AnimatedValue& value) const {
    withField(state, property, [&value](auto& field) { assignAnimatedValue(field, value); });
}

LayerState Layer::presentation() const {
    if (animations_.empty())
        return model_;
    return presentationAt(RunLoop::main().clock()->now());
}

LayerState Layer::presentationAt(Clock::time_point now) const {
    LayerState state = model_;
    for (const auto& animation : animations_) {
        // An animation that reached its end shows its target, which is the model value.
        if (now >= animation.end())
            continue;
        apply(state, animation.property, animation.valueAt(now));
    }
    return state;
}

template <typename T>
void Layer::change(LayerProperty property, T& field, const T& value) {
    if (field == value)
        return;
    const detail::TransactionFrame* transaction = detail::animatingTransaction();
    if (!transaction) {
        field = value;
        removeAnimation(property);
        return;
    }
    const Clock::time_point now = RunLoop::main().clock()->now();
    AnimatedValue from = transaction->beginFromCurrentState ? valueOf(presentationAt(now), property)
                                                            : valueOf(model_, property);
    field = value;
    // A new animation of a property replaces the one in flight.
    removeAnimation(property);

    LayerAnimation animation;
    animation.id = nextAnimationId();
    animation.property = property;
    animation.from = std::move(from);
    animation.to = valueOf(model_, property);
    animation.begin = addSaturating(now, toDuration(transaction->delay));
    animation.duration = toDuration(transaction->duration);
    animation.timing = transaction->timing;
    animation.allowsUserInteraction = transaction->allowUserInteraction;
    animation.groups = detail::openCompletionGroups();
    for (auto& group : animation.groups)
        group->animationAdded();
    const std::uint64_t id = animation.id;
    const Clock::time_point end = animation.end();
    animations_.push_back(std::move(animation));
    RunLoop::main().performAt(end, [weak = weak_from_this(), id] {
        if (auto layer = weak.lock())
            layer->animationEnded(id);
    });
}

void Layer::cancelAnimations(std::vector<LayerAnimation>::iterator first,
                             std::vector<LayerAnimation>::iterator last, bool finished) {
    std::vector<LayerAnimation> removed(std::make_move_iterator(first), std::make_move_iterator(last));
    animations_.erase(first, last);
    // Innermost transaction first: groups are listed outermost first.
    for (auto& animation : removed)
        for (auto group = animation.groups.rbegin(); group != animation.groups.rend(); ++group)
            (*group)->animationEnded(finished, false);
}

void Layer::removeAllAnimations() {
    cancelAnimations(animations_.begin(), animations_.end(), false);
}

void Layer::removeAnimation(LayerProperty property) {
    auto it = std::stable_partition(animations_.begin(), animations_.end(),
                                    [property](const LayerAnimation& a) { return a.property != property; });
    if (it != animations_.end())
        cancelAnimations(it, animations_.end(), false);
}

void Layer::animationEnded(std::uint64_t id) {
    auto it = std::find_if(animations_.begin(), animations_.end(),
                           [id](const LayerAnimation& a) { return a.id == id; });
    if (it == animations_.end())
        return;
    const auto groups = std::move(it->groups);
    animations_.erase(it);
    // This runs in a pass of the main run loop: completion blocks may run right here.
    // Innermost transaction first, so that an inner completion block runs before the outer one's.
    for (auto group = groups.rbegin(); group != groups.rend(); ++group)
        (*group)->animationEnded(true, true);
}

bool Layer::isAnimatingWithoutInteraction(Clock::time_point now) const {
    return std::any_of(animations_.begin(), animations_.end(),
                       [now](const LayerAnimation& a) { return !a.allowsUserInteraction && now < a.end(); });
}

} // namespace ui
