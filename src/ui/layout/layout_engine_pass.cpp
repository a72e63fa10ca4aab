// The layout pass: natural sizes, the pins of views that keep their frames, the solve, frames (with the
// bounds that keep sizes from going negative) and the layoutSubviews walk.

#include "ui/layout/layout_engine.h"

#include "ui/layout/layout_engine_detail.h"

#include <ui/foundation/prefetch.h>
#include <ui/graphics/layer.h>
#include <ui/views/view.h>
#include <ui/views/window.h>

#include <algorithm>
#include <cmath>

namespace ui {

using namespace layout_engine;

void LayoutEngine::setIntrinsic(Slot& s, LayoutAxis axis, double value) {
    const bool horizontal = axis == LayoutAxis::horizontal;
    auto& hug = horizontal ? s.hugW : s.hugH;
    auto& comp = horizontal ? s.compW : s.compH;
    if (!horizontal)
        s.intrinsicH = value;
    remove(hug);
    remove(comp);
    if (!(value >= 0.0) || !std::isfinite(value))
        return;
    const Variable& var = horizontal ? s.width : s.height;
    add(hug, Constraint(var, Relation::lessOrEqual, value, s.raw->contentHuggingPriority(axis)));
    add(comp,
        Constraint(var, Relation::greaterOrEqual, value, s.raw->contentCompressionResistancePriority(axis)));
}

void LayoutEngine::intrinsicChanged(View& view) {
    if (const std::uint32_t i = slotOf(&view); i != kNoSlot)
        intrinsicDirty_.emplace_back(i, slots_[i].generation);
}

// Natural sizes of views that are new or said theirs changed.
void LayoutEngine::refreshIntrinsicSizes() {
    std::vector<std::pair<std::uint32_t, std::uint64_t>> dirty;
    dirty.swap(intrinsicDirty_);
    for (const auto& [index, generation] : dirty) {
        Slot& s = slots_[index];
        if (!s.alive || s.generation != generation || s.translates)
            continue;
        const Size size = s.raw->intrinsicContentSize();
        setIntrinsic(s, LayoutAxis::horizontal, size.width);
        double height = size.height;
        // Measured at the width the last solve gave, or the natural width before any solve; the solve
        // that follows measures it again at its real width.
        const double width = s.width.value() > 0 ? s.width.value() : std::max(size.width, 0.0);
        const auto h = s.raw->intrinsicHeightForWidth(width);
        setHeightForWidth(s, h.has_value());
        if (h)
            height = *h;
        setIntrinsic(s, LayoutAxis::vertical, height);
    }
}

// Views whose natural height depends on their width are measured again at the width the solve gave
// them. Returns whether any height changed (the caller solves again).
bool LayoutEngine::remeasureHeightForWidth() {
    bool changed = false;
    if (heightForWidthCount_ == 0)
        return false;
    for (Slot& s : slots_) {
        if (!s.alive || !s.heightForWidth || s.translates)
            continue;
        const auto h = s.raw->intrinsicHeightForWidth(s.width.value());
        if (h && std::fabs(*h - s.intrinsicH) > 1e-9) {
            setIntrinsic(s, LayoutAxis::vertical, *h);
            changed = true;
        }
    }
    return changed;
}

// Views that keep their frames (the window among them) have their variables held to those frames by
// edit variables: the offset from the superview's origin and the size. A new frame (the window
// resized, a superview's autoresizing) is then only a new suggested value, which the solver absorbs
// incrementally. Returns whether any value moved.
bool LayoutEngine::refreshPins() {
    bool changed = false;
    for (const std::uint32_t i : pinned_) {
        Slot& s = slots_[i];
        if (!s.alive || !s.translates)
            continue; // released since the last sync, which the next pass runs again
        View& v = *s.raw;
        const bool isWindow = &v == &window_;
        const Rect frame = isWindow ? Rect(Point(), v.bounds().size) : v.frame();
        View* const parent = s.parent;

        // What the offset is measured from: the space's origin, the superview's variables, or (for a
        // superview placed by its frame) a fixed point.
        Point offset = frame.origin;
        Point fixed;
        std::uint32_t parentSlot = kNoSlot;
        if (parent && parent != s.space) {
            parentSlot = slotOf(parent);
            if (parentSlot != kNoSlot) {
                offset = Point(frame.origin.x - parent->bounds().origin.x,
                               frame.origin.y - parent->bounds().origin.y);
            } else {
                fixed = positionInSpace(*parent);
            }
        }
        const std::uint64_t parentGeneration = parentSlot == kNoSlot ? 0 : slots_[parentSlot].generation;
        Cold& pins = coldOf(s);
        if (!pins.pinX || parent != pins.pinnedParent || parentGeneration != pins.pinnedParentGeneration ||
            fixed != pins.pinnedFixed) {
            if (!pins.offsetX) {
                auto [offsetX, offsetY] = Variable::group<2>();
                pins.offsetX = std::move(offsetX);
                pins.offsetY = std::move(offsetY);
            }
            Expression x = Expression(*pins.offsetX) + fixed.x;
            Expression y = Expression(*pins.offsetY) + fixed.y;
            if (parentSlot != kNoSlot) {
                x = x + slots_[parentSlot].left;
                y = y + slots_[parentSlot].top;
            }
            add(pins.pinX, Constraint(s.left, Relation::equal, x));
            add(pins.pinY, Constraint(s.top, Relation::equal, y));
            pins.pinnedParent = parent;
            pins.pinnedParentGeneration = parentGeneration;
            pins.pinnedFixed = fixed;
            changed = true;
        }
        if (!s.editing) {
            for (const Variable* var : {&*pins.offsetX, &*pins.offsetY, &s.width, &s.height})
                solver_.addEditVariable(*var, priority::required);
            s.editing = true;
            pins.pinnedOffset = Point(NAN, NAN);
            pins.pinnedSize = Size(NAN, NAN);
        }
        if (offset != pins.pinnedOffset) {
            solver_.suggestValue(*pins.offsetX, offset.x);
            solver_.suggestValue(*pins.offsetY, offset.y);
            pins.pinnedOffset = offset;
            changed = true;
        }
        if (frame.size != pins.pinnedSize) {
            solver_.suggestValue(s.width, frame.size.width);
            solver_.suggestValue(s.height, frame.size.height);
            pins.pinnedSize = frame.size;
            changed = true;
        }
    }
    return changed;
}

// The preference for small views can trade one view's size against another's: a stack as high as an
// unsized header plus a 120-point document is as far from "as small as possible" with the header at -120
// (the stack at 0) as with the header at 0, and a stack's last view, as high as the stack minus the
// views above it, is pulled below zero by the preference on the stack itself. A size that nothing but
// these preferences decides must never come out negative. Bounding every size up front would double the
// tableau of a large layout whose sizes are all defined by its constraints, so bounds are added where a
// solve shows a negative size: on that view, its superview and its siblings (the views that share and
// trade the superview's extent), after which the caller solves again. A solution that satisfies the
// bounds it has and has no negative size is also the best one under bounds on every size. Returns
// whether any bound was added for this view's sizes.
bool LayoutEngine::boundNegativeSizes(Slot& s) {
    bool added = false;
    auto bound = [&](std::optional<Constraint>& holder, const Variable& size) {
        if (holder)
            return;
        add(holder, Constraint(size, Relation::greaterOrEqual, 0.0, kNonNegativeSize));
        added = true;
    };
    auto boundSlot = [&](Slot& slot, bool horizontal) {
        if (!slot.alive || slot.translates || slot.raw == &window_)
            return;
        if (horizontal)
            bound(coldOf(slot).minW, slot.width);
        else
            bound(coldOf(slot).minH, slot.height);
    };
    auto boundAround = [&](Slot& slot, bool horizontal) {
        boundSlot(slot, horizontal);
        View* const parent = slot.parent;
        if (!parent)
            return;
        if (const std::uint32_t pi = slotOf(parent); pi != kNoSlot)
            boundSlot(slots_[pi], horizontal);
        for (const auto& sibling : parent->subviews())
            if (const std::uint32_t si = slotOf(sibling.get()); si != kNoSlot)
                boundSlot(slots_[si], horizontal);
    };
    if (!s.translates && s.raw != &window_) {
        if (s.width.value() < -kNegativeTolerance && !(s.cold && s.cold->minW))
            boundAround(s, true);
        if (s.height.value() < -kNegativeTolerance && !(s.cold && s.cold->minH))
            boundAround(s, false);
    }
    if (Cold* cold = s.cold.get(); cold && cold->contentWidth && s.raw != &window_) {
        if (!cold->contentMinW && cold->contentWidth->value() < -kNegativeTolerance)
            bound(cold->contentMinW, *cold->contentWidth);
        if (!cold->contentMinH && cold->contentHeight->value() < -kNegativeTolerance)
            bound(cold->contentMinH, *cold->contentHeight);
    }
    return added;
}

// Gives every laid-out view its frame, and bounds negative sizes on the way (the frames are then given
// again after another solve). Returns whether bounds were added.
bool LayoutEngine::assignFrames() {
    bool bounded = false;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (i + kPrefetchAhead < slots_.size())
            prefetchSlotView(slots_[i + kPrefetchAhead]);
        if (i + kPrefetchAhead / 2 < slots_.size() && slots_[i + kPrefetchAhead / 2].alive)
            prefetchLines(slots_[i + kPrefetchAhead / 2].raw->layer().get(), sizeof(Layer));
        Slot& s = slots_[i];
        if (!s.alive)
            continue;
        bounded = boundNegativeSizes(s) || bounded;
        View& v = *s.raw;
        if (&v != &window_ && !s.translates) {
            const double w = std::max(0.0, s.width.value());
            const double h = std::max(0.0, s.height.value());
            double x = s.left.value();
            double y = s.top.value();
            View* const parent = s.parent;
            if (parent && parent != s.space) {
                if (const std::uint32_t pi = slotOf(parent); pi != kNoSlot) {
                    x += parent->bounds().origin.x - slots_[pi].left.value();
                    y += parent->bounds().origin.y - slots_[pi].top.value();
                } else {
                    const Point p = positionInSpace(*parent);
                    x -= p.x;
                    y -= p.y;
                }
            }
            // Through the overridable setter, so that views can follow the frames layout gives them.
            v.setFrame(Rect(x, y, w, h));
        }
        if (s.contentBound && &v != &window_)
            v.contentSizeDidResolve(Size(std::max(0.0, s.cold->contentWidth->value()),
                                         std::max(0.0, s.cold->contentHeight->value())));
    }
    return bounded;
}

void LayoutEngine::layoutSubviewsWalk(View& view) {
    View::LayoutAccess::layoutSubviewsIfNeeded(view);
    // By index, holding each child while it lays out: layoutSubviews may change the tree.
    for (std::size_t k = 0; k < view.subviews().size(); ++k) {
        const std::shared_ptr<View> child = view.subviews()[k];
        layoutSubviewsWalk(*child);
    }
}

void LayoutEngine::layoutPass() {
    for (int round = 0; round < 8; ++round) {
        if (updateConstraintsRequested_) {
            updateConstraintsRequested_ = false;
            runUpdateConstraints(window_);
        }
        if (structureDirty_)
            sync();
        refreshChangedConstraints();
        refreshIntrinsicSizes();
        refreshPins();
        solver_.updateVariables();
        if (remeasureHeightForWidth())
            solver_.updateVariables();
        // Every solve that shows a negative size adds at least one bound, and there are two per view at
        // most.
        while (assignFrames())
            solver_.updateVariables();
        // Autoresizing may have moved views that keep their frames; their pins then need a new solve.
        if (!refreshPins() && !structureDirty_ && !updateConstraintsRequested_)
            break;
    }
    window_.passRequested_ = false;
    layoutSubviewsWalk(window_);
}

} // namespace ui
