#include "ui/views/stack_view.h"

#include <algorithm>
#include <stdexcept>

namespace ui {

namespace {

// Below every priority a caller is likely to use (fittingSizeLevel included): the stack's own
// preferences only decide what nothing else decides.
constexpr LayoutPriority kStackPreference = layoutPriority::fittingSizeLevel - 1;

// The attributes and margins of one stack, named by their role along or across its axis.
struct AxisGeometry {
    LayoutAttribute start, end, length;
    LayoutAttribute crossStart, crossEnd, crossCenter, crossLength;
    double startInset, endInset, crossStartInset, crossEndInset;
};

AxisGeometry geometryFor(LayoutAxis axis, const EdgeInsets& m) {
    using A = LayoutAttribute;
    if (axis == LayoutAxis::vertical)
        return {A::top,   A::bottom, A::height, A::leading, A::trailing, A::centerX,
                A::width, m.top,     m.bottom,  m.left,     m.right};
    return {A::leading, A::trailing, A::width, A::top, A::bottom, A::centerY,
            A::height,  m.left,      m.right,  m.top,  m.bottom};
}

} // namespace

StackView::~StackView() {
    // Constraints whose first item is this stack go away with it; the spacing constraints between two
    // arranged views would outlive it in those views if they were not taken down here. A stack still in
    // a window dies only with the whole window, which takes every view and constraint with it.
    if (!window())
        LayoutConstraint::deactivate(generated_);
}

std::shared_ptr<StackView> StackView::create(const std::vector<std::shared_ptr<View>>& views) {
    auto stack = std::make_shared<StackView>();
    for (const auto& view : views)
        stack->addArrangedSubview(view);
    return stack;
}

void StackView::addArrangedSubview(const std::shared_ptr<View>& view) {
    const bool arranged = std::find(arranged_.begin(), arranged_.end(), view) != arranged_.end();
    insertArrangedSubview(view, arranged ? arranged_.size() - 1 : arranged_.size());
}

void StackView::insertArrangedSubview(const std::shared_ptr<View>& view, std::size_t index) {
    if (!view || view.get() == this)
        throw std::invalid_argument("StackView: cannot arrange a null view or the stack itself");
    auto it = std::find(arranged_.begin(), arranged_.end(), view);
    const std::size_t limit = arranged_.size() - (it != arranged_.end() ? 1 : 0);
    if (index > limit)
        throw std::out_of_range("StackView: arranged subview index out of range");

    // Adding the subview first: it may take the view from another stack, and it may throw (a view
    // cannot become a subview of its own descendant) before anything here changed.
    if (view->superview().get() != this)
        addSubview(view);
    it = std::find(arranged_.begin(), arranged_.end(), view);
    if (it != arranged_.end())
        arranged_.erase(it);
    arranged_.insert(arranged_.begin() + static_cast<std::ptrdiff_t>(index), view);
    view->setTranslatesAutoresizingMaskIntoConstraints(false);
    arrangementChanged();
}

void StackView::removeArrangedSubview(const std::shared_ptr<View>& view) {
    auto it = std::find(arranged_.begin(), arranged_.end(), view);
    if (it == arranged_.end())
        return;
    arranged_.erase(it);
    arrangementChanged();
}

void StackView::setAxis(LayoutAxis axis) {
    if (axis == axis_)
        return;
    axis_ = axis;
    arrangementChanged();
}

void StackView::setAlignment(StackViewAlignment alignment) {
    if (alignment == alignment_)
        return;
    alignment_ = alignment;
    arrangementChanged();
}

void StackView::setSpacing(double spacing) {
    if (spacing == spacing_)
        return;
    spacing_ = spacing;
    arrangementChanged();
}

void StackView::setLayoutMarginsRelativeArrangement(bool relative) {
    if (relative == marginsRelative_)
        return;
    marginsRelative_ = relative;
    arrangementChanged();
}

void StackView::arrangementChanged() {
    needsRebuild_ = true;
    setNeedsUpdateConstraints();
}

bool StackView::builtStateIsCurrent() const {
    if (builtHidden_.size() != arranged_.size())
        return false;
    for (std::size_t i = 0; i < arranged_.size(); ++i)
        if (builtHidden_[i] != arranged_[i]->isHidden())
            return false;
    return !marginsRelative_ || builtMargins_ == layoutMargins();
}

void StackView::updateConstraints() {
    // Any subview showing or hiding asks for this, arranged or not; rebuilding only when something the
    // constraints depend on changed keeps the solver from churning.
    if (needsRebuild_ || !builtStateIsCurrent()) {
        dropGeneratedConstraints();
        buildConstraints();
    }
    View::updateConstraints();
}

void StackView::willRemoveSubview(const std::shared_ptr<View>& subview) {
    auto it = std::find(arranged_.begin(), arranged_.end(), subview);
    if (it != arranged_.end()) {
        arranged_.erase(it);
        // The view is leaving this tree and may be laid out elsewhere before this stack is: it must
        // not keep any of the stack's constraints until then.
        dropGeneratedConstraints();
        arrangementChanged();
    }
    View::willRemoveSubview(subview);
}

void StackView::dropGeneratedConstraints() {
    LayoutConstraint::deactivate(generated_);
    generated_.clear();
}

void StackView::buildConstraints() {
    const std::shared_ptr<View> self = shared_from_this();
    const EdgeInsets margins = marginsRelative_ ? layoutMargins() : EdgeInsets::zero();
    const AxisGeometry g = geometryFor(axis_, margins);
    const auto eq = LayoutRelation::equal;

    // first.a relation second.b + constant. The stack is the first item wherever it takes part, so that
    // these constraints are held by the stack and leave with it. The identifiers are short enough for a
    // string to hold without an allocation of its own: a large layout makes tens of thousands of these.
    auto add = [this](const std::shared_ptr<View>& first, LayoutAttribute a, LayoutRelation relation,
                      const std::shared_ptr<View>& second, LayoutAttribute b, double constant,
                      const char* identifier, LayoutPriority priority = layoutPriority::required) {
        auto c = LayoutConstraint::create(first, a, relation, second, b, 1.0, constant);
        c->setPriority(priority);
        c->setIdentifier(identifier);
        generated_.push_back(std::move(c));
    };

    // Along the axis: a chain of the visible views from edge to edge. A hidden view is left out of it
    // and only placed, weakly, where it would start, so that it has a position but no say.
    std::shared_ptr<View> previous;
    for (const auto& view : arranged_) {
        if (view->isHidden()) {
            if (previous)
                add(view, g.start, eq, previous, g.end, 0, "UISV-hidden", kStackPreference);
            else
                add(self, g.start, eq, view, g.start, -g.startInset, "UISV-hidden", kStackPreference);
            add(self, g.crossStart, eq, view, g.crossStart, -g.crossStartInset, "UISV-hidden",
                kStackPreference);
            continue;
        }
        if (previous)
            add(view, g.start, eq, previous, g.end, spacing_, "UISV-spacing");
        else
            add(self, g.start, eq, view, g.start, -g.startInset, "UISV-edge");
        previous = view;
    }
    if (previous)
        add(self, g.end, eq, previous, g.end, g.endInset, "UISV-edge");
    else // nothing to show: the stack would rather be no longer than its margins
        add(self, g.length, eq, nullptr, LayoutAttribute::notAnAttribute, g.startInset + g.endInset,
            "UISV-empty", kStackPreference);

    // Across the axis. With any alignment but fill a view may be narrower than the stack: one inequality
    // keeps it inside (with the centre equality, one edge inside means both are), and a weak equality
    // draws the stack in to its widest view when nothing else sizes it.
    using R = LayoutRelation;
    for (const auto& view : arranged_) {
        if (view->isHidden())
            continue;
        switch (alignment_) {
        case StackViewAlignment::fill:
            add(self, g.crossStart, eq, view, g.crossStart, -g.crossStartInset, "UISV-alignment");
            add(self, g.crossEnd, eq, view, g.crossEnd, g.crossEndInset, "UISV-alignment");
            break;
        case StackViewAlignment::leading:
            add(self, g.crossStart, eq, view, g.crossStart, -g.crossStartInset, "UISV-alignment");
            add(self, g.crossEnd, R::greaterThanOrEqual, view, g.crossEnd, g.crossEndInset, "UISV-bounds");
            break;
        case StackViewAlignment::center:
            add(self, g.crossCenter, eq, view, g.crossCenter, (g.crossEndInset - g.crossStartInset) / 2,
                "UISV-alignment");
            add(self, g.crossStart, R::lessThanOrEqual, view, g.crossStart, -g.crossStartInset,
                "UISV-bounds");
            break;
        case StackViewAlignment::trailing:
            add(self, g.crossEnd, eq, view, g.crossEnd, g.crossEndInset, "UISV-alignment");
            add(self, g.crossStart, R::lessThanOrEqual, view, g.crossStart, -g.crossStartInset,
                "UISV-bounds");
            break;
        }
        if (alignment_ != StackViewAlignment::fill)
            add(self, g.crossLength, eq, view, g.crossLength, g.crossStartInset + g.crossEndInset, "UISV-fit",
                kStackPreference);
    }

    LayoutConstraint::activate(generated_);
    builtHidden_.clear();
    for (const auto& view : arranged_)
        builtHidden_.push_back(view->isHidden());
    builtMargins_ = layoutMargins();
    needsRebuild_ = false;
}

} // namespace ui
