// The sync of the engine with the window's tree: which views need variables, where each sits, which
// constraints are new, changed or gone, and the preferences that keep an underdetermined layout fixed.

#include "ui/layout/layout_engine.h"

#include "ui/layout/layout_engine_detail.h"

#include <ui/foundation/prefetch.h>
#include <ui/views/view.h>
#include <ui/views/window.h>

#include <algorithm>

namespace ui {

using namespace layout_engine;

void LayoutEngine::runUpdateConstraints(View& view) {
    View::LayoutAccess::updateConstraintsIfNeeded(view);
    const auto children = view.subviews();
    for (const auto& child : children)
        runUpdateConstraints(*child);
}

// Views that need variables are marked with the stamp of this sync. A view keeps its mark after the sync,
// and is only ever marked by the engine of the window it is in: a view that moves to another window
// drops its mark on the way (see View::setWindowRecursively), and every mark this engine reads is on a
// view of its own window. So a mark equal to the stamp was set in this sync as long as this engine's
// stamps never repeat and are never 0: a counter of its own, starting at 1, suffices.
void LayoutEngine::sync() {
    structureDirty_ = false;
    ++syncStamp_;
    std::vector<Placed> order;
    order.reserve(slots_.size());
    std::vector<Candidate> candidates;
    candidates.reserve(walkTree(order));
    markViewsAndListConstraints(order, candidates);
    releaseUnmarkedSlots();
    const std::size_t newViews = placeViews(order);
    // Frames first: views that keep their frames (the window above all) then enter the solver as plain
    // definitions, and every constraint added after them reads their sizes as known numbers.
    refreshPins();
    // Constraints that are gone (or whose views got new variables) leave the solver before the new ones
    // come in, so that a set replacing a contradicting set is not refused.
    std::vector<const Candidate*> fresh;
    std::vector<const Candidate*> revised; // changed while inactive: translated again
    matchEntries(candidates, fresh, revised);
    retranslateRevised(revised);
    // Every view that got a slot in this sync brings four variables, and the engine adds constraints of
    // its own (preferences, natural sizes) for it.
    solver_.reserve(fresh.size() + revised.size() + 2 * newViews, 4 * newViews);
    addFreshEntries(fresh);
    refreshAllPreferences();
}

bool LayoutEngine::isMarked(const View& view) const {
    return View::LayoutAccess::mark(view) == syncStamp_;
}

std::size_t LayoutEngine::walkTree(std::vector<Placed>& order) const {
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
    return constraintCount;
}

// A view needs variables when it is laid out by constraints or some constraint that can take part
// names it; the window always has them.
void LayoutEngine::markViewsAndListConstraints(const std::vector<Placed>& order,
                                               std::vector<Candidate>& candidates) {
    const std::uint64_t stamp = syncStamp_;
    auto mark = [stamp](View& v) { View::LayoutAccess::mark(v) = stamp; };
    mark(window_);
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
            mark(*v);
        for (const auto& c : v->constraints()) {
            View* const second = c->secondItemIfAlive();
            const bool secondGone = !second && c->secondAttribute() != LayoutAttribute::notAnAttribute;
            if (secondGone || (second && second->window() != &window_))
                continue; // the other view is gone or elsewhere: the constraint has nothing to relate
            // A first item outside the window cannot be translated: it is left out like a missing one.
            View* const first = c->firstItemIfAlive();
            View* const firstHere = first && first->window() == &window_ ? first : nullptr;
            candidates.push_back({c.get(), firstHere, second, c->uid_, c->revision(), c->engineEntry_});
            mark(*v);
            if (second)
                mark(*second);
        }
    }
}

void LayoutEngine::releaseUnmarkedSlots() {
    for (std::uint32_t i = 0; i < slots_.size(); ++i)
        if (slots_[i].alive && (slots_[i].raw->window() != &window_ || !isMarked(*slots_[i].raw)))
            releaseSlot(i);
}

// Where each view sits is kept in its slot, so that passes need not look it up. Every slot still alive
// belongs to a view of this walk, so the slot's mode is brought up to date here too, while the view and
// its slot are at hand.
std::size_t LayoutEngine::placeViews(const std::vector<Placed>& order) {
    std::size_t newViews = 0;
    pinned_.clear();
    for (const Placed& placed : order) {
        if (!isMarked(*placed.view))
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
    return newViews;
}

void LayoutEngine::matchEntries(const std::vector<Candidate>& candidates,
                                std::vector<const Candidate*>& fresh,
                                std::vector<const Candidate*>& revised) {
    for (Entry& entry : entries_)
        entry.seen = false;
    fresh.reserve(candidates.size());
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
}

void LayoutEngine::retranslateRevised(const std::vector<const Candidate*>& revised) {
    for (const Candidate* candidate : revised) {
        LayoutConstraint* c = candidate->constraint;
        Entry& entry = *findEntry(*c);
        if (entry.revision == c->revision())
            continue; // listed twice
        removeEntry(entry);
        addEntry(*c, entry, candidate->first, candidate->second);
    }
}

// A large layout's constraints and views no longer sit in the cache by the time they are translated, and
// each one is reached through a pointer: what a few constraints further on will read is fetched while
// this one is worked on, so that the waits overlap instead of adding up.
void LayoutEngine::addFreshEntries(const std::vector<const Candidate*>& fresh) {
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
}

// A position that a required equality ties to another view (or to its space's edges) is anchored (see
// Slot::anchorsX); the others get the weak pull to their superview's origin.
void LayoutEngine::refreshAllPreferences() {
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

} // namespace ui
