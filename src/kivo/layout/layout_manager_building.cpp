// View building, sizing and stacking: every width, height and position of a document's views becomes a
// constraint, and the solver computes the frames.

#include "kivo/layout/layout_manager.h"

#include <kivo/layout/kivo_stack_views.h>
#include <kivo/model/badge_element.h>
#include <kivo/model/body_elements.h>
#include <kivo/model/source_elements.h>
#include <kivo/views/badge_view.h>
#include <kivo/views/kivo_borderable_view.h>
#include <kivo/views/kivo_web_image_view.h>
#include <ui/foundation/color.h>
#include <ui/foundation/uuid.h>
#include <ui/views/stack_view.h>

#include <cmath>

namespace kivo {

using ui::LayoutAttribute;
using ui::LayoutConstraint;
using ui::LayoutRelation;

namespace {

constexpr ui::LayoutPriority kMatchParentPriority = 999;

void activate(const std::shared_ptr<LayoutConstraint>& constraint, ui::LayoutPriority priority = 1000) {
    constraint->setPriority(priority);
    constraint->setActive(true);
}

std::shared_ptr<LayoutConstraint> constant(const std::shared_ptr<ui::View>& view, LayoutAttribute attribute,
                                           double value) {
    return LayoutConstraint::create(view, attribute, LayoutRelation::equal, nullptr,
                                    LayoutAttribute::notAnAttribute, 1, value);
}

[[noreturn]] void missingAspectRatio() {
    throw Error(KIVOError::missingRequiredAttribute("preserve-aspect", "preserve-aspect"));
}

} // namespace

// --- making views ---------------------------------------------------------------------------------------

std::shared_ptr<ui::View> LayoutManager::view(const UIElement& element) {
    if (std::holds_alternative<std::shared_ptr<LinearLayoutElement>>(element) ||
        std::holds_alternative<std::shared_ptr<FlexboxElement>>(element)) {
        auto container = std::make_shared<KIVOBorderableView>();
        container->setBackgroundColor(ui::Color::white());
        registerItemsContainer(baseElement(element), container);
        return container;
    }
    if (const auto* image = std::get_if<std::shared_ptr<ImageElement>>(&element)) {
        return imageView(*image);
    }
    // The views of item atoms and collapsible layouts are not built by this version of the framework:
    // refuse the document with a clear error rather than render part of it.
    const std::shared_ptr<BaseUIElement> base = baseElement(element);
    throw Error(KIVOError::general("Cannot render " + std::string(base->typeName()) +
                                   ": this kind of element has no view yet."));
}

std::shared_ptr<ui::View> LayoutManager::imageView(const std::shared_ptr<ImageElement>& element) {
    if (element->sources().empty()) {
        throw Error(KIVOError::general("No sources for " + element->debugDescription()));
    }
    const SourceElement& source = element->sources().front();
    if (const auto* flyer = std::get_if<std::shared_ptr<FlyerSourceElement>>(&source)) {
        throw Error(KIVOError::general("Cannot render " + (*flyer)->debugDescription() +
                                       ": flyer pages have no view yet."));
    }
    const auto& urlSource = std::get<std::shared_ptr<URLSource>>(source);
    auto container = KIVOWebImageViewContainer::create(provider_);
    // Once the picture is in, the style is applied again so that padding and border fit the final size.
    // The callback must not keep the manager or the element alive.
    std::weak_ptr<LayoutManager> weakManager = weak_from_this();
    std::weak_ptr<ImageElement> weakElement = element;
    container->setImage(urlSource->url(), [weakManager, weakElement](const std::shared_ptr<ui::Image>&) {
        const auto manager = weakManager.lock();
        const auto imageElement = weakElement.lock();
        if (!manager || !imageElement) {
            return;
        }
        if (const auto style = manager->styleElement(imageElement->styleID())) {
            imageElement->applyStyle(*style);
        }
    });
    // A URL source is no item container: images with one never register.
    return container;
}

void LayoutManager::registerItemsContainer(const std::shared_ptr<BaseUIElement>& element,
                                           const std::shared_ptr<ui::View>& view) {
    if (dynamic_cast<KIVOInteractiveItemsContainer*>(element.get()) == nullptr) {
        return;
    }
    (void)view;
    const std::string id = ui::makeUUIDString();
    baseItemsContainerIDElements_[id] = element;
    baseItemsContainerIDs_.push_back(id);
}

std::shared_ptr<BaseUIElement>
LayoutManager::baseItemsContainerElement(const std::string& containerID) const {
    const auto it = baseItemsContainerIDElements_.find(containerID);
    return it == baseItemsContainerIDElements_.end() ? nullptr : it->second;
}

// --- sizing ---------------------------------------------------------------------------------------------

ui::EdgeInsets LayoutManager::paddingOf(const BaseUIElement* element) const {
    if (element == nullptr) {
        return {};
    }
    const auto style = styleElement(element->styleID());
    return element->getPadding(kivoVersion(), style.get());
}

ui::EdgeInsets LayoutManager::marginOf(const BaseUIElement& element) const {
    const auto style = styleElement(element.styleID());
    return element.getMargin(kivoVersion(), style.get());
}

void LayoutManager::size(BaseUIElement& child, const std::shared_ptr<ui::View>& childView,
                         BaseUIElement* parent, const std::shared_ptr<ui::View>& layOutIn) {
    sizeWidth(child, childView, parent, layOutIn);
    sizeHeight(child, childView, parent, layOutIn);
}

void LayoutManager::sizeWidth(BaseUIElement& child, const std::shared_ptr<ui::View>& childView,
                              BaseUIElement* parent, const std::shared_ptr<ui::View>& layOutIn) {
    sizeAlong(ui::LayoutAxis::horizontal, child, childView, parent, layOutIn);
}

void LayoutManager::sizeHeight(BaseUIElement& child, const std::shared_ptr<ui::View>& childView,
                               BaseUIElement* parent, const std::shared_ptr<ui::View>& layOutIn) {
    sizeAlong(ui::LayoutAxis::vertical, child, childView, parent, layOutIn);
}

void LayoutManager::sizeAlong(ui::LayoutAxis axis, BaseUIElement& child, const std::shared_ptr<ui::View>& v,
                              BaseUIElement* parent, const std::shared_ptr<ui::View>& l) {
    const bool horizontal = axis == ui::LayoutAxis::horizontal;
    const LayoutAttribute along = horizontal ? LayoutAttribute::width : LayoutAttribute::height;
    const LayoutAttribute across = horizontal ? LayoutAttribute::height : LayoutAttribute::width;
    const MeasureSpec& measure = horizontal ? child.widthSpec() : child.heightSpec();
    if (measure.isWrapContent()) {
        return;
    }
    if (const auto length = measure.numberValue()) {
        // Only a width may ask to follow its parent whatever number it was given.
        if (horizontal && child.shouldWidthMatchParent(kivoVersion())) {
            activate(LayoutConstraint::create(v, along, LayoutRelation::equal, l, along, 1, 0));
        } else {
            activate(constant(v, along, *length));
        }
        return;
    }
    if (measure.isMatchParent()) {
        const ui::EdgeInsets p = paddingOf(parent);
        const ui::EdgeInsets m = marginOf(child);
        const double insets =
            horizontal ? p.left + p.right + m.left + m.right : p.top + p.bottom + m.top + m.bottom;
        activate(LayoutConstraint::create(v, along, LayoutRelation::equal, l, along, 1, -insets),
                 kMatchParentPriority);
        return;
    }
    const auto ratio = child.aspectRatio();
    if (!ratio) {
        missingAspectRatio();
    }
    activate(LayoutConstraint::create(v, along, LayoutRelation::equal, v, across, *ratio, 0));
}

void LayoutManager::sizeFlexGrow(BaseUIElement& child, BaseUIElement* comparison, FlexboxElement& parent,
                                 const std::shared_ptr<ui::View>& parentView) {
    const std::shared_ptr<ui::View> v = child.view();
    if (!child.flexGrow() || !v) {
        return;
    }
    const bool horizontal = parent.orientation() == LinearLayoutElement::Orientation::horizontal;
    const LayoutAttribute main = horizontal ? LayoutAttribute::width : LayoutAttribute::height;
    if (comparison != nullptr && comparison->flexGrow() && comparison->view()) {
        const double ratio =
            static_cast<double>(*child.flexGrow()) / static_cast<double>(*comparison->flexGrow());
        // A comparison weight of 0 gives no finite ratio: such a child gets no weight constraint at all
        // rather than one that would poison the solver.
        if (std::isfinite(ratio)) {
            activate(
                LayoutConstraint::create(v, main, LayoutRelation::equal, comparison->view(), main, ratio, 0));
        }
    }
    // The main axis is sized by the weights above; the cross axis as any other child.
    if (horizontal) {
        sizeHeight(child, v, &parent, parentView);
    } else {
        sizeWidth(child, v, &parent, parentView);
    }
}

// --- stacking -------------------------------------------------------------------------------------------

void LayoutManager::layout(const std::vector<std::shared_ptr<BaseUIElement>>& children, BaseUIElement* parent,
                           const std::shared_ptr<ui::View>& l, ui::LayoutAxis orientation) {
    if (children.empty()) {
        return;
    }
    std::vector<std::shared_ptr<ui::View>> views;
    views.reserve(children.size());
    for (const auto& child : children) {
        if (!child->view()) {
            return;
        }
        views.push_back(child->view());
    }
    for (const auto& v : views) {
        v->setTranslatesAutoresizingMaskIntoConstraints(false);
    }
    const bool horizontal = orientation == ui::LayoutAxis::horizontal;

    std::vector<ui::EdgeInsets> margins;
    margins.reserve(children.size());
    for (const auto& child : children) {
        margins.push_back(marginOf(*child));
    }
    std::vector<double> spacings;
    for (std::size_t i = 0; i + 1 < children.size(); ++i) {
        spacings.push_back(horizontal ? margins[i].right + margins[i + 1].left
                                      : margins[i].bottom + margins[i + 1].top);
    }
    const ui::EdgeInsets p = paddingOf(parent);
    const ui::EdgeInsets& first = margins.front();
    const ui::EdgeInsets& last = margins.back();

    ui::EdgeInsets insets;
    std::optional<RectEdge> pinned;
    if (horizontal) {
        insets = ui::EdgeInsets(p.top, p.left + first.left, p.bottom, p.right + last.right);
        const bool open = parent != nullptr && (parent->widthSpec().isWrapContent() ||
                                                dynamic_cast<FlexboxElement*>(parent) != nullptr);
        if (!open) {
            pinned = RectEdge::left;
        }
    } else {
        insets = ui::EdgeInsets(p.top + first.top, p.left, p.bottom + last.bottom, p.right);
        const bool open = parent != nullptr && parent->heightSpec().isWrapContent();
        if (!open) {
            pinned = RectEdge::top;
        }
    }
    LayoutConstraint::activate(kivoStackViews(views, orientation, l, spacings, insets, false, pinned));

    for (std::size_t i = 0; i < children.size(); ++i) {
        const BaseUIElement& child = *children[i];
        const std::shared_ptr<ui::View>& v = views[i];
        const ui::EdgeInsets& m = margins[i];
        if (horizontal) {
            activate(LayoutConstraint::create(v, LayoutAttribute::top, LayoutRelation::equal, l,
                                              LayoutAttribute::top, 1, m.top + p.top));
            if (parent != nullptr && parent->heightSpec().isWrapContent()) {
                const MeasureSpec& height = child.heightSpec();
                // A wrap-content row closes below every child, a numeric height included, so that the row is
                // as tall as its tallest child instead of collapsing under fixed-height tiles.
                const LayoutRelation relation =
                    height.isMatchParent() ? LayoutRelation::equal : LayoutRelation::lessThanOrEqual;
                activate(LayoutConstraint::create(v, LayoutAttribute::bottom, relation, l,
                                                  LayoutAttribute::bottom, 1, -(m.bottom + p.bottom)));
            }
        } else {
            activate(LayoutConstraint::create(v, LayoutAttribute::leading, LayoutRelation::equal, l,
                                              LayoutAttribute::leading, 1, m.left + p.left));
            if (parent != nullptr && parent->widthSpec().isWrapContent()) {
                activate(LayoutConstraint::create(v, LayoutAttribute::trailing,
                                                  LayoutRelation::lessThanOrEqual, l,
                                                  LayoutAttribute::trailing, 1, -(m.right + p.right)));
            }
        }
    }
}

// --- overlays and walks ---------------------------------------------------------------------------------

const std::shared_ptr<ui::View>& LayoutManager::badgeContainerView() {
    if (!badgeContainerView_) {
        badgeContainerView_ = std::make_shared<ui::View>();
    }
    return badgeContainerView_;
}

const std::shared_ptr<ui::View>& LayoutManager::annotationClippingsContainerView() {
    if (!annotationClippingsContainerView_) {
        annotationClippingsContainerView_ = std::make_shared<ui::View>();
    }
    return annotationClippingsContainerView_;
}

namespace {

// Lays `overlay` over the whole content stack as a plain subview that lets touches through.
void installOverlay(const std::shared_ptr<ui::View>& overlay, const std::shared_ptr<ui::StackView>& stack) {
    if (!stack) {
        return;
    }
    stack->addSubview(overlay);
    overlay->setUserInteractionEnabled(false);
    overlay->setTranslatesAutoresizingMaskIntoConstraints(false);
    LayoutConstraint::activate({
        overlay->leadingAnchor().constraintEqualTo(stack->leadingAnchor()),
        overlay->topAnchor().constraintEqualTo(stack->topAnchor()),
        overlay->trailingAnchor().constraintEqualTo(stack->trailingAnchor()),
        overlay->bottomAnchor().constraintEqualTo(stack->bottomAnchor()),
    });
}

} // namespace

namespace {

using Constraints = std::vector<std::shared_ptr<LayoutConstraint>>;

// Where a badge is marked along one axis: an anchor of the anchor box, and a distance from it.
template <class AxisAnchor>
struct BadgeMark {
    AxisAnchor anchor;
    double offset;
};

// The anchor box along one axis runs from the parent's near (leading or top) edge to the mark, whichever
// side of the edge the mark is on; a position of 0 gets a 1-point box whose far edge is then 1 point past
// the mark.
template <class AxisAnchor>
BadgeMark<AxisAnchor> layOutAnchorBoxAlong(double position, const AxisAnchor& boxNear,
                                           const AxisAnchor& boxFar, const ui::LayoutDimension& boxSize,
                                           const AxisAnchor& parentNear,
                                           const ui::LayoutDimension& parentSize, Constraints& out) {
    if (position > 0) {
        out.push_back(boxNear.constraintEqualTo(parentNear));
        out.push_back(boxSize.constraintEqualTo(parentSize, position));
        return {boxFar, 0};
    }
    if (position < 0) {
        out.push_back(boxFar.constraintEqualTo(parentNear));
        out.push_back(boxSize.constraintEqualTo(parentSize, -position));
        return {boxNear, 0};
    }
    out.push_back(boxNear.constraintEqualTo(parentNear));
    out.push_back(boxSize.constraintEqualToConstant(1));
    return {boxFar, -1};
}

// The badge's edge along one axis: its near edge on the mark (start), its far edge on the mark (end), or
// its far edge half its length past the mark (center).
template <class AxisAnchor>
std::shared_ptr<LayoutConstraint> placeBadgeAlong(BadgeElement::AnchorPosition position,
                                                  const AxisAnchor& badgeNear, const AxisAnchor& badgeFar,
                                                  const BadgeMark<AxisAnchor>& mark, double length) {
    switch (position) {
    case BadgeElement::AnchorPosition::start:
        return badgeNear.constraintEqualTo(mark.anchor, mark.offset);
    case BadgeElement::AnchorPosition::center:
        return badgeFar.constraintEqualTo(mark.anchor, mark.offset + length / 2);
    case BadgeElement::AnchorPosition::end:
        break;
    }
    return badgeFar.constraintEqualTo(mark.anchor, mark.offset);
}

} // namespace

void LayoutManager::layoutBadge(const std::shared_ptr<BadgeView>& badgeView,
                                const std::shared_ptr<ui::View>& parentView,
                                const std::shared_ptr<ui::View>& badgeContainerView,
                                const BadgeElement& badgeElement) {
    auto anchor = std::make_shared<ui::View>();
    anchor->setTranslatesAutoresizingMaskIntoConstraints(false);
    anchor->setUserInteractionEnabled(false);
    badgeContainerView->addSubview(anchor);
    badgeView->setTranslatesAutoresizingMaskIntoConstraints(false);
    anchor->addSubview(badgeView);

    Constraints box;
    const auto horizontalMark = layOutAnchorBoxAlong(
        badgeElement.hPos(), anchor->leadingAnchor(), anchor->trailingAnchor(), anchor->widthAnchor(),
        parentView->leadingAnchor(), parentView->widthAnchor(), box);
    const auto verticalMark = layOutAnchorBoxAlong(badgeElement.vPos(), anchor->topAnchor(),
                                                   anchor->bottomAnchor(), anchor->heightAnchor(),
                                                   parentView->topAnchor(), parentView->heightAnchor(), box);
    LayoutConstraint::activate(box);

    const double width = badgeElement.width();
    const double height = badgeElement.height();
    LayoutConstraint::activate({
        placeBadgeAlong(badgeElement.x(), badgeView->leadingAnchor(), badgeView->trailingAnchor(),
                        horizontalMark, width),
        placeBadgeAlong(badgeElement.y(), badgeView->topAnchor(), badgeView->bottomAnchor(), verticalMark,
                        height),
        badgeView->widthAnchor().constraintEqualToConstant(width),
        badgeView->heightAnchor().constraintEqualToConstant(height),
    });
}

void LayoutManager::loadBadges() {
    if (!documentElement_) {
        return;
    }
    const std::shared_ptr<ui::View>& container = badgeContainerView();
    mapUIElements(documentElement_->content(), [&](const UIElement& element) {
        const std::shared_ptr<BaseUIElement> base = baseElement(element);
        const auto* badgeable = dynamic_cast<const KIVOBadgeable*>(base.get());
        if (badgeable == nullptr) {
            return true;
        }
        for (const auto& badge : badgeable->badges()) {
            const auto parent = badgeable->parentView(badge->application());
            if (!parent) {
                continue;
            }
            layoutBadge(BadgeView::create(*badge, provider_), parent, container, *badge);
        }
        return true;
    });
}

void LayoutManager::layoutBadgeContainerView() {
    installOverlay(badgeContainerView(), contentView());
}

void LayoutManager::layoutAnnotationClippingsContainerView() {
    installOverlay(annotationClippingsContainerView(), contentView());
}

void LayoutManager::mapUIElements(const UIElement& start,
                                  const std::function<bool(const UIElement&)>& visitor) {
    if (!visitor(start)) {
        return;
    }
    if (const auto* linear = std::get_if<std::shared_ptr<LinearLayoutElement>>(&start)) {
        for (const UIElement& child : (*linear)->content()) {
            mapUIElements(child, visitor);
        }
    } else if (const auto* flexbox = std::get_if<std::shared_ptr<FlexboxElement>>(&start)) {
        for (const UIElement& child : (*flexbox)->content()) {
            mapUIElements(child, visitor);
        }
    } else if (const auto* collapsible = std::get_if<std::shared_ptr<CollapsibleLayoutElement>>(&start)) {
        mapUIElements((*collapsible)->content(), visitor);
    }
}

} // namespace kivo
