#include "ui/layout/layout_constraint.h"

#include "ui/layout/layout_engine.h"

#include <ui/views/view.h>
#include <ui/views/window.h>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace ui {

bool isHorizontal(LayoutAttribute a) {
    switch (a) {
    case LayoutAttribute::left:
    case LayoutAttribute::right:
    case LayoutAttribute::leading:
    case LayoutAttribute::trailing:
    case LayoutAttribute::centerX:
    case LayoutAttribute::width:
        return true;
    default:
        return false;
    }
}

bool isSize(LayoutAttribute a) {
    return a == LayoutAttribute::width || a == LayoutAttribute::height;
}

std::shared_ptr<LayoutConstraint>
LayoutConstraint::create(const std::shared_ptr<View>& firstItem, LayoutAttribute firstAttribute,
                         LayoutRelation relation, const std::shared_ptr<View>& secondItem,
                         LayoutAttribute secondAttribute, double multiplier, double constant) {
    // These are programming errors the platform refuses the same way: a constraint that can never mean
    // anything.
    if (!firstItem || firstAttribute == LayoutAttribute::notAnAttribute)
        throw std::invalid_argument("LayoutConstraint: the first item and its attribute are required");
    if (secondItem && secondAttribute == LayoutAttribute::notAnAttribute)
        throw std::invalid_argument("LayoutConstraint: a second item needs an attribute");
    if (!secondItem && !isSize(firstAttribute))
        throw std::invalid_argument("LayoutConstraint: a position needs a second item to be relative to");
    if (secondItem && isSize(firstAttribute) != isSize(secondAttribute))
        throw std::invalid_argument("LayoutConstraint: a size cannot be related to a position");
    if (secondItem && isHorizontal(firstAttribute) != isHorizontal(secondAttribute) &&
        !isSize(firstAttribute))
        throw std::invalid_argument("LayoutConstraint: an x position cannot be related to a y position");
    static std::atomic<std::uint64_t> uids{0};
    auto c = std::make_shared<LayoutConstraint>(Private{});
    c->uid_ = ++uids;
    c->firstItem_ = firstItem;
    c->firstRaw_ = firstItem.get();
    c->firstAttribute_ = firstAttribute;
    c->relation_ = relation;
    c->secondItem_ = secondItem;
    c->secondRaw_ = secondItem.get();
    c->secondAttribute_ = secondItem ? secondAttribute : LayoutAttribute::notAnAttribute;
    c->multiplier_ = secondItem ? multiplier : 0.0;
    c->constant_ = constant;
    return c;
}

void LayoutConstraint::changed() {
    ++revision_;
    if (!active_)
        return;
    if (auto first = firstItem(); first && first->window()) {
        first->window()->layoutEngine().constraintChanged(*this);
        first->window()->needsLayoutPass();
    }
}

void LayoutConstraint::setConstant(double constant) {
    if (constant == constant_)
        return;
    constant_ = constant;
    changed();
}

void LayoutConstraint::setPriority(LayoutPriority priority) {
    if (!(priority >= 1.0f))
        priority = 1.0f;
    priority = std::min(priority, layoutPriority::required);
    if (priority == priority_)
        return;
    priority_ = priority;
    changed();
}

void LayoutConstraint::setActive(bool active) {
    if (active == active_)
        return;
    auto first = firstItem();
    if (!first)
        return; // its view is gone: nothing to install on
    active_ = active;
    auto& list = first->constraints_;
    if (active)
        list.push_back(shared_from_this());
    else
        std::erase_if(list, [this](const std::shared_ptr<LayoutConstraint>& c) { return c.get() == this; });
    ++revision_;
    first->structureChanged();
    if (auto second = secondItem(); second && second->window() != first->window())
        second->structureChanged();
}

void LayoutConstraint::activate(const std::vector<std::shared_ptr<LayoutConstraint>>& constraints) {
    for (const auto& c : constraints)
        if (c)
            c->setActive(true);
}

void LayoutConstraint::deactivate(const std::vector<std::shared_ptr<LayoutConstraint>>& constraints) {
    for (const auto& c : constraints)
        if (c)
            c->setActive(false);
}

std::shared_ptr<LayoutConstraint> LayoutAnchor::make(LayoutRelation relation, const LayoutAnchor* other,
                                                     double multiplier, double constant) const {
    return LayoutConstraint::create(view(), attribute_, relation, other ? other->view() : nullptr,
                                    other ? other->attribute() : LayoutAttribute::notAnAttribute, multiplier,
                                    constant);
}

} // namespace ui
