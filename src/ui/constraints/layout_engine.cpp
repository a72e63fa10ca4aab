#include "layout_engine.h"

#include <ui/views/view.h>
#include <ui/views/window.h>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace ui {

namespace {

constexpr std::uint32_t kNoSlot = UINT32_MAX;

// Preferences below any priority a caller can state (callers use 1...1000).
constexpr float kPreferSmall = 0.02f;
constexpr float kPreferOrigin = 0.01f;

Relation toRelation(LayoutRelation r) {
    switch (r) {
    case LayoutRelation::lessThanOrEqual:
        return Relation::lessOrEqual;
    case LayoutRelation::greaterThanOrEqual:
        return Relation::greaterOrEqual;
    case LayoutRelation::equal:
        break;
    }
    return Relation::equal;
}

} // namespace

LayoutEngine::LayoutEngine(Window& window) : window_(window) {}

LayoutEngine::~LayoutEngine() {
    for (Slot& slot : slots_)
        if (slot.alive && slot.raw)
            slot.raw->layoutSlot_ = kNoSlot;
}

// --- slots ---

std::uint32_t LayoutEngine::slotOf(const View* view) const {
    if (!view)
        return kNoSlot;
    const std::uint32_t i = view->layoutSlot_;
    return i < slots_.size() && slots_[i].alive && slots_[i].raw == view ? i : kNoSlot;
}

std::uint32_t LayoutEngine::ensureSlot(View& view) {
    if (const std::uint32_t i = slotOf(&view); i != kNoSlot)
        return i;
    std::uint32_t i;
    if (!freeSlots_.empty()) {
        i = freeSlots_.back();
        freeSlots_.pop_back();
        slots_[i] = Slot();
    } else {
        i = static_cast<std::uint32_t>(slots_.size());
        slots_.emplace_back();
    }
    Slot& slot = slots_[i];
    slot.generation = nextGeneration_++;
    slot.raw = &view;
    slot.alive = true;
    slot.translates = view.translatesAutoresizingMask_;
    if (!slot.translates)
        intrinsicDirty_.emplace_back(i, slot.generation);
    if (view.isLayoutSpaceRoot() && &view != &window_) {
        slot.contentWidth = Variable();
        slot.contentHeight = Variable();
    }
    view.layoutSlot_ = i;
    return i;
}

void LayoutEngine::releaseSlot(std::uint32_t i) {
    Slot& slot = slots_[i];
    for (auto* holder :
         {&slot.hugW, &slot.compW, &slot.hugH, &slot.compH, &slot.pinX, &slot.pinY, &slot.prefW, &slot.prefH,
          &slot.prefX, &slot.prefY, &slot.contentPrefW, &slot.contentPrefH})
        remove(*holder);
    if (slot.editing) {
        for (const Variable* var : {&*slot.offsetX, &*slot.offsetY, &slot.width, &slot.height})
            solver_.removeEditVariable(*var);
    }
    if (slot.raw && slot.raw->layoutSlot_ == i)
        slot.raw->layoutSlot_ = kNoSlot;
    setHeightForWidth(slot, false);
    slot = Slot();
    freeSlots_.push_back(i);
}

void LayoutEngine::viewDidLeave(View& view) {
    if (const std::uint32_t i = slotOf(&view); i != kNoSlot)
        releaseSlot(i);
    structureDirty_ = true;
}

void LayoutEngine::add(std::optional<Constraint>& holder, const Constraint& c) {
    remove(holder);
    if (solver_.addConstraint(c) == SolverStatus::ok)
        holder = c;
}

void LayoutEngine::remove(std::optional<Constraint>& holder) {
    if (holder) {
        solver_.removeConstraint(*holder);
        holder.reset();
    }
}

View* LayoutEngine::spaceOf(const View& view) const {
    if (const std::uint32_t i = slotOf(&view); i != kNoSlot && slots_[i].placed)
        return slots_[i].space;
    for (auto p = view.superview(); p; p = p->superview())
        if (p.get() == &window_ || p->isLayoutSpaceRoot())
            return p.get();
    return nullptr;
}

// Where the top-left corner of a view's bounds space lies in its layout space, for views positioned by
// frames (and, through them, for their subviews).
Point LayoutEngine::positionInSpace(const View& view) const {
    if (&view == &window_ || view.isLayoutSpaceRoot())
        return {0, 0};
    if (const std::uint32_t i = slotOf(&view); i != kNoSlot)
        return {slots_[i].left.value() - view.bounds().origin.x,
                slots_[i].top.value() - view.bounds().origin.y};
    auto parent = view.superview();
    const Rect f = view.frame();
    const Point base = parent ? positionInSpace(*parent) : Point{0, 0};
    return {base.x + f.origin.x - view.bounds().origin.x, base.y + f.origin.y - view.bounds().origin.y};
}

// --- translating constraints ---

std::optional<Expression> LayoutEngine::attributeExpression(View& item, LayoutAttribute attribute,
                                                            bool contentArea) {
    const std::uint32_t i = slotOf(&item);
    if (i == kNoSlot)
        return std::nullopt;
    Slot& s = slots_[i];
    if (contentArea) {
        const bool isWindow = &item == &window_;
        const Variable& cw = isWindow ? s.width : *s.contentWidth;
        const Variable& ch = isWindow ? s.height : *s.contentHeight;
        switch (attribute) {
        case LayoutAttribute::left:
        case LayoutAttribute::leading:
        case LayoutAttribute::top:
            return Expression(0.0);
        case LayoutAttribute::right:
        case LayoutAttribute::trailing:
            s.contentBound = true;
            return Expression(cw);
        case LayoutAttribute::centerX:
            s.contentBound = true;
            return Expression(cw) * 0.5;
        case LayoutAttribute::bottom:
            s.contentBound = true;
            return Expression(ch);
        case LayoutAttribute::centerY:
            s.contentBound = true;
            return Expression(ch) * 0.5;
        default:
            break;
        }
    }
    switch (attribute) {
    case LayoutAttribute::left:
    case LayoutAttribute::leading:
        return Expression(s.left);
    case LayoutAttribute::right:
    case LayoutAttribute::trailing:
        return Expression(s.left) + s.width;
    case LayoutAttribute::centerX:
        return Expression(s.left) + Expression(s.width) * 0.5;
    case LayoutAttribute::top:
        return Expression(s.top);
    case LayoutAttribute::bottom:
        return Expression(s.top) + s.height;
    case LayoutAttribute::centerY:
        return Expression(s.top) + Expression(s.height) * 0.5;
    case LayoutAttribute::width:
        return Expression(s.width);
    case LayoutAttribute::height:
        return Expression(s.height);
    case LayoutAttribute::notAnAttribute:
        break;
    }
    return std::nullopt;
}

std::optional<Constraint> LayoutEngine::translate(LayoutConstraint& c) {
    auto a = c.firstItem();
    auto b = c.secondItem();
    if (!a)
        return std::nullopt;
    bool contentA = false;
    bool contentB = false;
    if (b && !isSize(c.firstAttribute())) {
        View* spaceA = spaceOf(*a);
        View* spaceB = spaceOf(*b);
        if (b.get() == spaceA)
            contentB = true; // a inside b: b's edges are its content area
        else if (a.get() == spaceB)
            contentA = true;
        else if (spaceA != spaceB)
            return std::nullopt; // positions in two different spaces cannot be related
    }
    auto lhs = attributeExpression(*a, c.firstAttribute(), contentA);
    if (!lhs)
        return std::nullopt;
    Expression rhs(c.constant());
    if (b) {
        auto other = attributeExpression(*b, c.secondAttribute(), contentB);
        if (!other)
            return std::nullopt;
        rhs = *other * c.multiplier() + c.constant();
    }
    return Constraint(*lhs, toRelation(c.relation()), rhs, c.priority());
}

void LayoutEngine::addEntry(LayoutConstraint& c, Entry& entry) {
    entry.revision = c.revision();
    entry.firstGeneration = slotGeneration(c.firstItem().get());
    entry.secondGeneration = slotGeneration(c.secondItem().get());
    entry.solverConstraint.reset();
    if (auto translated = translate(c)) {
        if (solver_.addConstraint(*translated) == SolverStatus::ok)
            entry.solverConstraint = *translated;
    }
    if (!entry.solverConstraint)
        ++refused_;
}

std::uint64_t LayoutEngine::slotGeneration(const View* view) const {
    const std::uint32_t i = slotOf(view);
    return i == kNoSlot ? 0 : slots_[i].generation;
}

void LayoutEngine::removeEntry(Entry& entry) {
    if (entry.solverConstraint)
        remove(entry.solverConstraint);
    else
        --refused_;
}

// An entry stands for the constraint it was made from only while that constraint is alive at the same
// address and its views still have the slots (the variables) it was translated with: a view that left
// the window and came back has new variables.
bool LayoutEngine::entryIsCurrent(const Entry& entry, const LayoutConstraint& c) const {
    if (entry.constraint.lock().get() != &c)
        return false;
    return slotGeneration(c.firstItem().get()) == entry.firstGeneration &&
           slotGeneration(c.secondItem().get()) == entry.secondGeneration;
}

// --- the pass ---

void LayoutEngine::runUpdateConstraints(View& view) {
    if (view.needsUpdateConstraints_) {
        view.needsUpdateConstraints_ = false;
        view.updateConstraints();
    }
    const auto children = view.subviews_;
    for (const auto& child : children)
        runUpdateConstraints(*child);
}

void LayoutEngine::sync() {
    structureDirty_ = false;

    // Every view of the window, parents first, and the constraints whose views are all in it.
    std::vector<View*> order;
    std::vector<View*> stack{&window_};
    while (!stack.empty()) {
        View* v = stack.back();
        stack.pop_back();
        order.push_back(v);
        for (auto it = v->subviews_.rbegin(); it != v->subviews_.rend(); ++it)
            stack.push_back(it->get());
    }
    std::vector<LayoutConstraint*> candidates;
    // Views that need variables are marked with this sync's stamp.
    static std::atomic<std::uint64_t> stamps{0}; // shared by all windows: a view can move between them
    const std::uint64_t stamp = ++stamps;
    auto need = [stamp](View& v) { v.layoutMark_ = stamp; };
    auto needed = [stamp](const View* v) { return v->layoutMark_ == stamp; };
    need(window_);
    for (View* v : order) {
        if (!v->translatesAutoresizingMask_)
            need(*v);
        for (const auto& c : v->constraints_) {
            auto second = c->secondItem();
            const bool secondGone = !second && c->secondAttribute() != LayoutAttribute::notAnAttribute;
            if (secondGone || (second && second->window() != &window_))
                continue; // the other view is gone or elsewhere: the constraint has nothing to relate
            candidates.push_back(c.get());
            need(*v);
            if (second)
                need(*second);
        }
    }

    for (std::uint32_t i = 0; i < slots_.size(); ++i)
        if (slots_[i].alive && (slots_[i].raw->window() != &window_ || !needed(slots_[i].raw)))
            releaseSlot(i);
    for (View* v : order)
        if (needed(v))
            ensureSlot(*v);
    // Where each view sits is looked up here once, not on every pass.
    for (std::uint32_t i = 0; i < slots_.size(); ++i) {
        Slot& slot = slots_[i];
        if (!slot.alive)
            continue;
        slot.placed = false;
        slot.space = slot.raw == &window_ ? nullptr : spaceOf(*slot.raw);
        slot.placed = true;
        slot.parent = slot.raw->superview().get();
        const bool translates = slot.raw->translatesAutoresizingMask_;
        if (!translates && slot.translates)
            intrinsicDirty_.emplace_back(i, slot.generation);
        slot.translates = translates;
    }
    // A view that switched between keeping its frame and being laid out drops what the other mode added.
    for (Slot& slot : slots_) {
        if (!slot.alive || slot.raw == &window_)
            continue;
        if (slot.translates) {
            for (auto* holder : {&slot.hugW, &slot.compW, &slot.hugH, &slot.compH})
                remove(*holder);
            setHeightForWidth(slot, false);
        } else if (slot.editing) {
            remove(slot.pinX);
            remove(slot.pinY);
            for (const Variable* var : {&*slot.offsetX, &*slot.offsetY, &slot.width, &slot.height})
                solver_.removeEditVariable(*var);
            slot.editing = false;
        }
    }
    // Frames first: views that keep their frames (the window above all) then enter the solver as plain
    // definitions, and every constraint added after them reads their sizes as known numbers.
    refreshPins();

    // Constraints that are gone (or whose views got new variables) leave the solver before the new ones
    // come in, so that a set replacing a contradicting set is not refused.
    for (auto& [key, entry] : entries_)
        entry.seen = false;
    std::vector<LayoutConstraint*> fresh;
    for (LayoutConstraint* c : candidates) {
        auto it = entries_.find(c);
        if (it != entries_.end() && entryIsCurrent(it->second, *c))
            it->second.seen = true;
        else
            fresh.push_back(c);
    }
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (!it->second.seen) {
            removeEntry(it->second);
            it = entries_.erase(it);
        } else {
            ++it;
        }
    }
    for (LayoutConstraint* c : fresh) {
        auto [it, inserted] = entries_.try_emplace(c);
        if (!inserted)
            continue;
        it->second.seen = true;
        it->second.constraint = c->weak_from_this();
        addEntry(*c, it->second);
    }

    // A position that a required equality ties to another view (or to its space's edges) is anchored;
    // the others get the weak pull to their superview's origin.
    for (Slot& s : slots_) {
        s.anchoredX = false;
        s.anchoredY = false;
    }
    for (auto& [key, entry] : entries_) {
        auto c = entry.constraint.lock();
        if (!c || !entry.solverConstraint || c->relation() != LayoutRelation::equal ||
            c->priority() < layoutPriority::required || isSize(c->firstAttribute()))
            continue;
        const bool horizontal = isHorizontal(c->firstAttribute());
        for (const View* item : {c->firstItem().get(), c->secondItem().get()}) {
            if (const std::uint32_t i = slotOf(item); i != kNoSlot)
                (horizontal ? slots_[i].anchoredX : slots_[i].anchoredY) = true;
        }
    }
    for (Slot& s : slots_)
        if (s.alive)
            refreshPreferences(s);
}

void LayoutEngine::refreshPreferences(Slot& s) {
    View& v = *s.raw;
    const bool laidOut = !v.translatesAutoresizingMask_ && &v != &window_;
    auto prefer = [this](std::optional<Constraint>& holder, bool wanted, auto&& make) {
        if (!wanted) {
            remove(holder);
        } else if (!holder) {
            add(holder, make());
        }
    };
    // A size that a required equality defines follows the sizes and positions it is made of, and those
    // carry preferences of their own.
    prefer(s.prefW, laidOut && (s.prefW || !solver_.isDefined(s.width)),
           [&] { return Constraint(s.width, Relation::equal, 0.0, kPreferSmall); });
    prefer(s.prefH, laidOut && (s.prefH || !solver_.isDefined(s.height)),
           [&] { return Constraint(s.height, Relation::equal, 0.0, kPreferSmall); });
    const bool root = v.isLayoutSpaceRoot() && &v != &window_;
    prefer(s.contentPrefW, root,
           [&] { return Constraint(*s.contentWidth, Relation::equal, 0.0, kPreferSmall); });
    prefer(s.contentPrefH, root,
           [&] { return Constraint(*s.contentHeight, Relation::equal, 0.0, kPreferSmall); });

    // The superview's origin in this view's space.
    auto originOf = [&](bool horizontal) -> Expression {
        auto parent = v.superview();
        if (!parent || parent.get() == spaceOf(v))
            return Expression(0.0);
        if (const std::uint32_t pi = slotOf(parent.get()); pi != kNoSlot)
            return Expression(horizontal ? slots_[pi].left : slots_[pi].top);
        const Point p = positionInSpace(*parent);
        return Expression(horizontal ? p.x + parent->bounds().origin.x : p.y + parent->bounds().origin.y);
    };
    if (laidOut && s.anchoredX)
        remove(s.prefX);
    else
        prefer(s.prefX, laidOut,
               [&] { return Constraint(s.left, Relation::equal, originOf(true), kPreferOrigin); });
    if (laidOut && s.anchoredY)
        remove(s.prefY);
    else
        prefer(s.prefY, laidOut,
               [&] { return Constraint(s.top, Relation::equal, originOf(false), kPreferOrigin); });
}

void LayoutEngine::constraintChanged(LayoutConstraint& c) {
    changed_.push_back(c.weak_from_this());
}

// Constraints whose constant or priority changed since they were translated are translated again.
void LayoutEngine::refreshChangedConstraints() {
    std::vector<std::weak_ptr<LayoutConstraint>> changed;
    changed.swap(changed_);
    for (const auto& weak : changed) {
        auto c = weak.lock();
        if (!c)
            continue;
        auto it = entries_.find(c.get());
        if (it == entries_.end() || !entryIsCurrent(it->second, *c) || c->revision() == it->second.revision)
            continue;
        removeEntry(it->second);
        addEntry(*c, it->second);
    }
}

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

void LayoutEngine::setHeightForWidth(Slot& s, bool value) {
    if (s.heightForWidth != value)
        heightForWidthCount_ += value ? 1 : -1;
    s.heightForWidth = value;
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
    for (Slot& s : slots_) {
        if (!s.alive || !s.translates)
            continue;
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
        if (!s.pinX || parent != s.pinnedParent || parentGeneration != s.pinnedParentGeneration ||
            fixed != s.pinnedFixed) {
            if (!s.offsetX) {
                s.offsetX = Variable();
                s.offsetY = Variable();
            }
            Expression x = Expression(*s.offsetX) + fixed.x;
            Expression y = Expression(*s.offsetY) + fixed.y;
            if (parentSlot != kNoSlot) {
                x = x + slots_[parentSlot].left;
                y = y + slots_[parentSlot].top;
            }
            add(s.pinX, Constraint(s.left, Relation::equal, x));
            add(s.pinY, Constraint(s.top, Relation::equal, y));
            s.pinnedParent = parent;
            s.pinnedParentGeneration = parentGeneration;
            s.pinnedFixed = fixed;
            changed = true;
        }
        if (!s.editing) {
            for (const Variable* var : {&*s.offsetX, &*s.offsetY, &s.width, &s.height})
                solver_.addEditVariable(*var, priority::required);
            s.editing = true;
            s.pinnedOffset = Point(NAN, NAN);
            s.pinnedSize = Size(NAN, NAN);
        }
        if (offset != s.pinnedOffset) {
            solver_.suggestValue(*s.offsetX, offset.x);
            solver_.suggestValue(*s.offsetY, offset.y);
            s.pinnedOffset = offset;
            changed = true;
        }
        if (frame.size != s.pinnedSize) {
            solver_.suggestValue(s.width, frame.size.width);
            solver_.suggestValue(s.height, frame.size.height);
            s.pinnedSize = frame.size;
            changed = true;
        }
    }
    return changed;
}

void LayoutEngine::assignFrames() {
    for (Slot& s : slots_) {
        if (!s.alive)
            continue;
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
            v.contentSizeDidResolve(
                Size(std::max(0.0, s.contentWidth->value()), std::max(0.0, s.contentHeight->value())));
    }
}

void LayoutEngine::layoutSubviewsWalk(View& view) {
    if (view.needsLayout_) {
        view.needsLayout_ = false;
        view.layoutSubviews();
    }
    // By index, holding each child while it lays out: layoutSubviews may change the tree.
    for (std::size_t k = 0; k < view.subviews_.size(); ++k) {
        const std::shared_ptr<View> child = view.subviews_[k];
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
        assignFrames();
        // Autoresizing may have moved views that keep their frames; their pins then need a new solve.
        if (!refreshPins() && !structureDirty_ && !updateConstraintsRequested_)
            break;
    }
    window_.passRequested_ = false;
    layoutSubviewsWalk(window_);
}

} // namespace ui
