#include "ui/layout/layout_engine.h"

#include <ui/foundation/prefetch.h>
#include <ui/graphics/layer.h>
#include <ui/views/view.h>
#include <ui/views/window.h>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace ui {

namespace {

constexpr std::uint32_t kNoSlot = UINT32_MAX;
// How many items ahead a sweep asks for what it will read (see prefetchLines).
constexpr std::size_t kPrefetchAhead = 8;

// Preferences below any priority a caller can state (callers use 1...1000).
constexpr float kPreferSmall = 0.02f;
constexpr float kPreferOrigin = 0.01f;
// Sizes are kept from going negative above every preference a caller can state but below required, so
// that a caller's required constraint (and a window's own size) always wins.
constexpr float kNonNegativeSize = priority::required - 0.5f;
// How far below zero a solved size may come out by rounding alone.
constexpr double kNegativeTolerance = 1e-9;

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

// A slot's four variables, which share one allocation (see ensureSlot).
template <class Slot>
[[gnu::always_inline]] inline void prefetchVariables(const Slot& slot) {
    prefetchLines(reinterpret_cast<const void*>(slot.left.id()), 4 * Variable::stateBytes);
}

} // namespace

// What a sweep over the slots reads of a slot's view and variables; the slots themselves lie in order.
[[gnu::always_inline]] inline void LayoutEngine::prefetchSlotView(const Slot& slot) {
    if (!slot.alive)
        return;
    View::LayoutAccess::prefetchLayoutState(*slot.raw);
    prefetchVariables(slot);
}

LayoutEngine::LayoutEngine(Window& window) : window_(window) {}

LayoutEngine::~LayoutEngine() {
    for (Slot& slot : slots_)
        if (slot.alive && slot.raw)
            View::LayoutAccess::slot(*slot.raw) = kNoSlot;
}

// --- slots ---

std::uint32_t LayoutEngine::slotOf(const View* view) const {
    if (!view)
        return kNoSlot;
    const std::uint32_t i = View::LayoutAccess::slot(*view);
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
    slot.translates = view.translatesAutoresizingMaskIntoConstraints();
    auto [left, top, width, height] = Variable::group<4>();
    slot.left = std::move(left);
    slot.top = std::move(top);
    slot.width = std::move(width);
    slot.height = std::move(height);
    if (!slot.translates)
        intrinsicDirty_.emplace_back(i, slot.generation);
    if (view.isLayoutSpaceRoot() && &view != &window_) {
        auto [contentWidth, contentHeight] = Variable::group<2>();
        coldOf(slot).contentWidth = std::move(contentWidth);
        coldOf(slot).contentHeight = std::move(contentHeight);
    }
    View::LayoutAccess::slot(view) = i;
    return i;
}

void LayoutEngine::releaseSlot(std::uint32_t i) {
    Slot& slot = slots_[i];
    for (auto* holder : {&slot.hugW, &slot.compW, &slot.hugH, &slot.compH, &slot.prefW, &slot.prefH,
                         &slot.prefX, &slot.prefY})
        remove(*holder);
    if (Cold* cold = slot.cold.get()) {
        for (auto* holder : {&cold->pinX, &cold->pinY, &cold->contentPrefW, &cold->contentPrefH, &cold->minW,
                             &cold->minH, &cold->contentMinW, &cold->contentMinH})
            remove(*holder);
        if (slot.editing) {
            for (const Variable* var : {&*cold->offsetX, &*cold->offsetY, &slot.width, &slot.height})
                solver_.removeEditVariable(*var);
        }
    }
    if (slot.raw && View::LayoutAccess::slot(*slot.raw) == i)
        View::LayoutAccess::slot(*slot.raw) = kNoSlot;
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

bool LayoutEngine::appendAttribute(Expression& e, View& item, LayoutAttribute attribute, bool contentArea,
                                   double k) {
    const std::uint32_t i = slotOf(&item);
    if (i == kNoSlot)
        return false;
    Slot& s = slots_[i];
    auto add = [&e](const Variable& v, double coefficient) { e.terms.push_back({v, coefficient}); };
    if (contentArea) {
        const bool isWindow = &item == &window_;
        const Variable& cw = isWindow ? s.width : *s.cold->contentWidth;
        const Variable& ch = isWindow ? s.height : *s.cold->contentHeight;
        switch (attribute) {
        case LayoutAttribute::left:
        case LayoutAttribute::leading:
        case LayoutAttribute::top:
            return true; // the content area starts at 0
        case LayoutAttribute::right:
        case LayoutAttribute::trailing:
            s.contentBound = true;
            add(cw, k);
            return true;
        case LayoutAttribute::centerX:
            s.contentBound = true;
            add(cw, 0.5 * k);
            return true;
        case LayoutAttribute::bottom:
            s.contentBound = true;
            add(ch, k);
            return true;
        case LayoutAttribute::centerY:
            s.contentBound = true;
            add(ch, 0.5 * k);
            return true;
        default:
            break;
        }
    }
    switch (attribute) {
    case LayoutAttribute::left:
    case LayoutAttribute::leading:
        add(s.left, k);
        return true;
    case LayoutAttribute::right:
    case LayoutAttribute::trailing:
        add(s.left, k);
        add(s.width, k);
        return true;
    case LayoutAttribute::centerX:
        add(s.left, k);
        add(s.width, 0.5 * k);
        return true;
    case LayoutAttribute::top:
        add(s.top, k);
        return true;
    case LayoutAttribute::bottom:
        add(s.top, k);
        add(s.height, k);
        return true;
    case LayoutAttribute::centerY:
        add(s.top, k);
        add(s.height, 0.5 * k);
        return true;
    case LayoutAttribute::width:
        add(s.width, k);
        return true;
    case LayoutAttribute::height:
        add(s.height, k);
        return true;
    case LayoutAttribute::notAnAttribute:
        break;
    }
    return false;
}

// first.a relation second.b * multiplier + constant, as the one expression
// first.a - multiplier * second.b - constant relation 0, built in place.
std::optional<Constraint> LayoutEngine::translate(LayoutConstraint& c, View* a, View* b) {
    if (!a)
        return std::nullopt;
    bool contentA = false;
    bool contentB = false;
    if (b && !isSize(c.firstAttribute())) {
        View* spaceA = spaceOf(*a);
        View* spaceB = spaceOf(*b);
        if (b == spaceA)
            contentB = true; // a inside b: b's edges are its content area
        else if (a == spaceB)
            contentA = true;
        else if (spaceA != spaceB)
            return std::nullopt; // positions in two different spaces cannot be related
    }
    Expression e;
    if (!appendAttribute(e, *a, c.firstAttribute(), contentA, 1.0))
        return std::nullopt;
    if (b && !appendAttribute(e, *b, c.secondAttribute(), contentB, -c.multiplier()))
        return std::nullopt;
    e.constant = 0.0 - c.constant(); // +0 for a constant of 0, as a subtraction gives
    return Constraint::comparingToZero(std::move(e), toRelation(c.relation()), c.priority());
}

void LayoutEngine::addEntry(LayoutConstraint& c, Entry& entry, View* first, View* second) {
    entry.revision = c.revision();
    entry.firstSlot = slotOf(first);
    entry.secondSlot = slotOf(second);
    entry.firstGeneration = entry.firstSlot == kNoSlot ? 0 : slots_[entry.firstSlot].generation;
    entry.secondGeneration = entry.secondSlot == kNoSlot ? 0 : slots_[entry.secondSlot].generation;
    entry.hasSecond = c.secondAttribute() != LayoutAttribute::notAnAttribute;
    entry.solverConstraint.reset();
    if (auto translated = translate(c, first, second)) {
        if (solver_.addConstraint(*translated) == SolverStatus::ok)
            entry.solverConstraint = std::move(translated);
    }
    if (!entry.solverConstraint)
        ++refused_;
    entry.anchors = entry.solverConstraint && c.relation() == LayoutRelation::equal &&
                    c.priority() >= layoutPriority::required && !isSize(c.firstAttribute());
    entry.horizontal = isHorizontal(c.firstAttribute());
    countAnchors(entry, 1);
}

// Keeps each slot's count of the entries that anchor it. An entry's slot may have been released (and
// reused) since: the generation tells, and a released slot's count went with it.
void LayoutEngine::countAnchors(const Entry& entry, int delta) {
    if (!entry.anchors)
        return;
    for (const auto& [i, generation] : {std::pair{entry.firstSlot, entry.firstGeneration},
                                        std::pair{entry.secondSlot, entry.secondGeneration}}) {
        if (i == kNoSlot || i >= slots_.size() || !slots_[i].alive || slots_[i].generation != generation)
            continue;
        auto& count = entry.horizontal ? slots_[i].anchorsX : slots_[i].anchorsY;
        count = static_cast<std::uint32_t>(static_cast<int>(count) + delta);
    }
}

std::uint64_t LayoutEngine::slotGeneration(const View* view) const {
    const std::uint32_t i = slotOf(view);
    return i == kNoSlot ? 0 : slots_[i].generation;
}

LayoutEngine::Entry* LayoutEngine::findEntry(const LayoutConstraint& c) {
    const std::uint32_t i = c.engineEntry_;
    return i < entries_.size() && entries_[i].key == c.uid_ ? &entries_[i] : nullptr;
}

LayoutEngine::Entry& LayoutEngine::newEntry(LayoutConstraint& c) {
    std::uint32_t i;
    if (!freeEntries_.empty()) {
        i = freeEntries_.back();
        freeEntries_.pop_back();
    } else {
        i = static_cast<std::uint32_t>(entries_.size());
        entries_.emplace_back();
    }
    entries_[i].key = c.uid_;
    c.engineEntry_ = i;
    return entries_[i];
}

// The constraint may be gone: only its entry is touched.
void LayoutEngine::freeEntry(std::uint32_t index) {
    entries_[index] = Entry();
    freeEntries_.push_back(index);
}

void LayoutEngine::removeEntry(Entry& entry) {
    countAnchors(entry, -1);
    entry.anchors = false;
    if (entry.solverConstraint)
        remove(entry.solverConstraint);
    else
        --refused_;
}

// An entry stands for the constraint it was made from while its views still have the slots (the
// variables) it was translated with: a view that left the window and came back has new variables. The
// entry is found by the constraint's own number (see findEntry), so a constraint made at the address of
// one that is gone never finds the old entry.
bool LayoutEngine::entryIsCurrent(const Entry& entry, const LayoutConstraint& c) const {
    auto generationAt = [this](std::uint32_t i) {
        return i < slots_.size() && slots_[i].alive ? slots_[i].generation : 0;
    };
    if (entry.firstSlot != kNoSlot && (entry.secondSlot != kNoSlot || !entry.hasSecond))
        return generationAt(entry.firstSlot) == entry.firstGeneration &&
               generationAt(entry.secondSlot) == entry.secondGeneration;
    // A view had no variables when the constraint was translated: it may have them now.
    return slotGeneration(c.firstItem().get()) == entry.firstGeneration &&
           slotGeneration(c.secondItem().get()) == entry.secondGeneration;
}

// --- the pass ---

void LayoutEngine::runUpdateConstraints(View& view) {
    View::LayoutAccess::updateConstraintsIfNeeded(view);
    const auto children = view.subviews();
    for (const auto& child : children)
        runUpdateConstraints(*child);
}

void LayoutEngine::sync() {
    structureDirty_ = false;

    // Every view of the window, parents first, with its superview and the root of its layout space, and
    // the constraints whose views are all in it.
    struct Placed {
        View* view;
        View* parent;
        View* space;
    };
    std::vector<Placed> order;
    order.reserve(slots_.size());
    std::vector<Placed> stack{{&window_, nullptr, nullptr}};
    std::size_t constraintCount = 0;
    while (!stack.empty()) {
        const Placed placed = stack.back();
        stack.pop_back();
        order.push_back(placed);
        View* const v = placed.view;
        constraintCount += v->constraints().size();
        View* const spaceOfChildren = v == &window_ || v->isLayoutSpaceRoot() ? v : placed.space;
        const auto& subviews = v->subviews();
        for (auto it = subviews.rbegin(); it != subviews.rend(); ++it)
            stack.push_back({it->get(), v, spaceOfChildren});
    }
    // Each constraint with what the comparison with its entry needs, read while it is at hand, and its
    // items, which the window's tree holds for the whole sync.
    struct Candidate {
        LayoutConstraint* constraint;
        View* first;
        View* second;
        std::uint64_t uid;
        std::uint64_t revision;
        std::uint32_t entry;
    };
    std::vector<Candidate> candidates;
    candidates.reserve(constraintCount);
    // Views that need variables are marked with this sync's stamp.
    static std::atomic<std::uint64_t> stamps{0}; // shared by all windows: a view can move between them
    const std::uint64_t stamp = ++stamps;
    auto need = [stamp](View& v) { View::LayoutAccess::mark(v) = stamp; };
    auto needed = [stamp](const View* v) { return View::LayoutAccess::mark(*v) == stamp; };
    need(window_);
    for (std::size_t j = 0; j < order.size(); ++j) {
        // The constraints of views a little further on: first the list, then the constraints in it.
        if (j + 4 < order.size()) {
            const auto& list = order[j + 4].view->constraints();
            prefetchLines(list.data(), list.size() * sizeof list[0]);
        }
        if (j + 2 < order.size())
            for (const auto& c : order[j + 2].view->constraints())
                prefetchLines(c.get(), sizeof(LayoutConstraint));
        View* const v = order[j].view;
        if (!v->translatesAutoresizingMaskIntoConstraints())
            need(*v);
        for (const auto& c : v->constraints()) {
            View* const second = c->secondItemIfAlive();
            const bool secondGone = !second && c->secondAttribute() != LayoutAttribute::notAnAttribute;
            if (secondGone || (second && second->window() != &window_))
                continue; // the other view is gone or elsewhere: the constraint has nothing to relate
            // A first item outside the window cannot be translated: it is left out like a missing one.
            View* const first = c->firstItemIfAlive();
            View* const firstHere = first && first->window() == &window_ ? first : nullptr;
            candidates.push_back({c.get(), firstHere, second, c->uid_, c->revision(), c->engineEntry_});
            need(*v);
            if (second)
                need(*second);
        }
    }

    for (std::uint32_t i = 0; i < slots_.size(); ++i)
        if (slots_[i].alive && (slots_[i].raw->window() != &window_ || !needed(slots_[i].raw)))
            releaseSlot(i);
    // Where each view sits is kept in its slot, so that passes need not look it up. Every slot still
    // alive belongs to a view of this walk, so the slot's mode is brought up to date here too, while
    // the view and its slot are at hand.
    std::size_t newViews = 0;
    pinned_.clear();
    for (const Placed& placed : order) {
        if (!needed(placed.view))
            continue;
        newViews += slotOf(placed.view) == kNoSlot ? 1 : 0;
        const std::uint32_t i = ensureSlot(*placed.view);
        Slot& slot = slots_[i];
        slot.parent = placed.parent;
        slot.parentSlot = slotOf(placed.parent); // the parent came first in the walk
        slot.space = placed.space;
        slot.placed = true;
        const bool translates = placed.view->translatesAutoresizingMaskIntoConstraints();
        if (!translates && slot.translates)
            intrinsicDirty_.emplace_back(i, slot.generation);
        slot.translates = translates;
        if (translates)
            pinned_.push_back(i);
        if (placed.view == &window_)
            continue;
        // A view that switched between keeping its frame and being laid out drops what the other mode
        // added.
        if (slot.translates) {
            for (auto* holder : {&slot.hugW, &slot.compW, &slot.hugH, &slot.compH})
                remove(*holder);
            if (slot.cold) {
                remove(slot.cold->minW);
                remove(slot.cold->minH);
            }
            setHeightForWidth(slot, false);
        } else if (slot.editing) {
            Cold& cold = *slot.cold;
            remove(cold.pinX);
            remove(cold.pinY);
            for (const Variable* var : {&*cold.offsetX, &*cold.offsetY, &slot.width, &slot.height})
                solver_.removeEditVariable(*var);
            slot.editing = false;
        }
    }
    // The pins enter the solver in slot order, whatever order the walk met their views in.
    std::sort(pinned_.begin(), pinned_.end());
    // Frames first: views that keep their frames (the window above all) then enter the solver as plain
    // definitions, and every constraint added after them reads their sizes as known numbers.
    refreshPins();

    // Constraints that are gone (or whose views got new variables) leave the solver before the new ones
    // come in, so that a set replacing a contradicting set is not refused.
    for (Entry& entry : entries_)
        entry.seen = false;
    std::vector<const Candidate*> fresh;
    fresh.reserve(candidates.size());
    std::vector<const Candidate*> revised; // changed while inactive: translated again
    for (const Candidate& candidate : candidates) {
        LayoutConstraint* c = candidate.constraint;
        Entry* entry = candidate.entry < entries_.size() && entries_[candidate.entry].key == candidate.uid
                           ? &entries_[candidate.entry]
                           : nullptr;
        if (entry && entryIsCurrent(*entry, *c)) {
            entry->seen = true;
            if (entry->revision != candidate.revision)
                revised.push_back(&candidate);
        } else {
            fresh.push_back(&candidate);
        }
    }
    for (std::uint32_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].key && !entries_[i].seen) {
            removeEntry(entries_[i]);
            freeEntry(i);
        }
    }
    for (const Candidate* candidate : revised) {
        LayoutConstraint* c = candidate->constraint;
        Entry& entry = *findEntry(*c);
        if (entry.revision == c->revision())
            continue; // listed twice
        removeEntry(entry);
        addEntry(*c, entry, candidate->first, candidate->second);
    }
    // Every view that got a slot in this sync brings four variables, and the engine adds constraints of
    // its own (preferences, natural sizes) for it.
    solver_.reserve(fresh.size() + revised.size() + 2 * newViews, 4 * newViews);
    // A large layout's constraints and views no longer sit in the cache by the time they are translated,
    // and each one is reached through a pointer: what a few constraints further on will read is fetched
    // while this one is worked on, so that the waits overlap instead of adding up.
    for (std::size_t k = 0; k < fresh.size(); ++k) {
        if (k + kPrefetchAhead < fresh.size()) {
            const Candidate& next = *fresh[k + kPrefetchAhead];
            prefetchLines(next.constraint, sizeof(LayoutConstraint));
            for (const View* view : {next.first, next.second})
                if (view)
                    prefetchLines(&View::LayoutAccess::slot(*view), sizeof(std::uint32_t));
        }
        // By now the slot numbers of these views have arrived.
        if (k + kPrefetchAhead / 2 < fresh.size()) {
            const Candidate& next = *fresh[k + kPrefetchAhead / 2];
            for (const View* view : {next.first, next.second}) {
                if (!view || View::LayoutAccess::slot(*view) >= slots_.size())
                    continue;
                const Slot& slot = slots_[View::LayoutAccess::slot(*view)];
                prefetchLines(&slot, sizeof(Slot));
                prefetchVariables(slot);
            }
        }
        const Candidate& candidate = *fresh[k];
        LayoutConstraint* c = candidate.constraint;
        if (findEntry(*c))
            continue; // listed twice
        Entry& entry = newEntry(*c);
        entry.seen = true;
        addEntry(*c, entry, candidate.first, candidate.second);
    }

    // A position that a required equality ties to another view (or to its space's edges) is anchored
    // (see Slot::anchorsX); the others get the weak pull to their superview's origin.
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (i + kPrefetchAhead < slots_.size() && slots_[i + kPrefetchAhead].alive)
            prefetchVariables(slots_[i + kPrefetchAhead]);
        if (slots_[i].alive)
            refreshPreferences(slots_[i]);
    }
}

// Called at the end of a sync, whose slot sweep brought every live slot's mode and parent up to date.
void LayoutEngine::refreshPreferences(Slot& s) {
    const bool laidOut = !s.translates && s.raw != &window_;
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
    const bool root = isRoot(s);
    if (root) {
        Cold& cold = coldOf(s);
        prefer(cold.contentPrefW, true,
               [&] { return Constraint(*cold.contentWidth, Relation::equal, 0.0, kPreferSmall); });
        prefer(cold.contentPrefH, true,
               [&] { return Constraint(*cold.contentHeight, Relation::equal, 0.0, kPreferSmall); });
    } else if (s.cold) {
        remove(s.cold->contentPrefW);
        remove(s.cold->contentPrefH);
    }
    // Bounds that keep sizes from going negative (see boundNegativeSizes) belong to laid-out views only.
    if (s.cold && !laidOut) {
        remove(s.cold->minW);
        remove(s.cold->minH);
    }
    if (s.cold && !root) {
        remove(s.cold->contentMinW);
        remove(s.cold->contentMinH);
    }

    // The superview's origin in this view's space.
    auto originOf = [&](bool horizontal) -> Expression {
        View* const parent = s.parent;
        if (!parent || parent == s.space)
            return Expression(0.0);
        if (const std::uint32_t pi = s.parentSlot; pi != kNoSlot)
            return Expression(horizontal ? slots_[pi].left : slots_[pi].top);
        const Point p = positionInSpace(*parent);
        return Expression(horizontal ? p.x + parent->bounds().origin.x : p.y + parent->bounds().origin.y);
    };
    if (laidOut && s.anchorsX > 0)
        remove(s.prefX);
    else
        prefer(s.prefX, laidOut,
               [&] { return Constraint(s.left, Relation::equal, originOf(true), kPreferOrigin); });
    if (laidOut && s.anchorsY > 0)
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
        Entry* entry = findEntry(*c);
        if (!entry || !entryIsCurrent(*entry, *c) || c->revision() == entry->revision)
            continue;
        removeEntry(*entry);
        addEntry(*c, *entry, c->firstItemIfAlive(), c->secondItemIfAlive());
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
