// The translation of layout constraints into solver constraints, and the entries that keep what the
// solver has for each constraint.

#include "ui/layout/layout_engine.h"

#include "ui/layout/layout_engine_detail.h"

#include <ui/views/view.h>
#include <ui/views/window.h>

namespace ui {

using namespace layout_engine;

namespace {

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

// --- entries ---

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

} // namespace ui
