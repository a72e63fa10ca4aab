#include "ui/solver/solver.h"

#include "ui/solver/solver_impl.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// The tableau: the symbols, the sparse rows with the columns that index them, and the objective's
// weights; turning an expression into a row over parametric symbols; and the two operations the
// simplex steps are made of, substituting a row for a symbol and pivoting.

namespace ui {

// --- symbols and their objective weights ---

Sym Solver::Impl::newSymbol(SymKind kind) {
    const Sym s = static_cast<Sym>(syms_.size());
    SymInfo& info = syms_.emplace_back();
    info.kind = kind;
    acc_.push_back(0.0);
    mark_.push_back(0);
    return s;
}

// A variable first used by this solver keeps its symbol itself, so finding it needs no lookup; the map
// holds only variables whose cache another solver claimed first.
Sym Solver::Impl::symbolFor(const Variable& v) {
    Variable::Data& data = *v.data_;
    if (data.solverEpoch == epoch_)
        return data.solverSymbol;
    auto addExternal = [&](Sym s) {
        newSymbol(SymKind::external);
        syms_[s].external = static_cast<std::uint32_t>(externals_.size());
        externals_.push_back(External{v, v.data_->serial, s});
    };
    const bool unclaimed = data.solverEpoch == 0 || (reclaimEpoch_ != 0 && data.solverEpoch == reclaimEpoch_);
    if (!unclaimed) {
        auto [value, inserted] = varSyms_.tryEmplace(v.id(), static_cast<std::uint32_t>(syms_.size()));
        if (inserted)
            addExternal(*value);
        return *value;
    }
    const Sym s = static_cast<Sym>(syms_.size());
    addExternal(s);
    data.solverEpoch = epoch_;
    data.solverSymbol = s;
    data.defined = false;
    return s;
}

void Solver::Impl::markDirty(Sym s) {
    if (!syms_[s].dirty) {
        syms_[s].dirty = true;
        dirty_.push_back(s);
    }
}

SymbolicWeight& Solver::Impl::objectiveToChange(Sym s) {
    std::uint32_t& w = syms_[s].weight;
    if (w == kNone) {
        if (!freeWeights_.empty()) {
            w = freeWeights_.back();
            freeWeights_.pop_back();
        } else {
            w = static_cast<std::uint32_t>(weights_.size());
            weights_.emplace_back();
        }
    }
    return weights_[w];
}

void Solver::Impl::dropObjective(Sym s) {
    std::uint32_t& w = syms_[s].weight;
    if (w == kNone)
        return;
    weights_[w].clear();
    freeWeights_.push_back(w);
    w = kNone;
}

void Solver::Impl::releaseObjectiveIfZero(Sym s) {
    const std::uint32_t w = syms_[s].weight;
    if (w != kNone && weights_[w].isZero())
        dropObjective(s);
}

void Solver::Impl::adjustObjective(Sym s, float priority, double amount) {
    objectiveToChange(s).add(priority, amount);
    releaseObjectiveIfZero(s);
    markDirty(s);
}

// --- rows, substitution and pivots ---

// The expression in terms of parametric symbols: definitions are expanded and basic symbols are
// replaced by their rows.
Row Solver::Impl::expand(const Expression& e) {
    const std::uint64_t stamp = ++stamp_;
    std::vector<Sym>& touched = scratchTouched_;
    touched.clear();
    auto accumulate = [&](Sym s, double k) {
        if (mark_[s] != stamp) {
            mark_[s] = stamp;
            acc_[s] = 0.0;
            touched.push_back(s);
        }
        acc_[s] += k;
    };

    // Definitions refer only to older variables, so expanding the newest pending definition first
    // expands each one once, with its total coefficient. A definition whose terms cancel (a view's top
    // and its superview's top, both far down one chain) is never expanded at all, so the cost follows
    // what the expression really depends on, not the length of the chains behind it.
    std::vector<std::pair<std::uint64_t, Sym>>& heap = scratchHeap_;
    heap.clear();
    double constant = e.constant;
    auto accumulateAndQueue = [&](Sym s, double k) {
        const bool fresh = mark_[s] != stamp;
        accumulate(s, k);
        if (fresh && syms_[s].definition != kNone) {
            heap.emplace_back(serialOf(s), s);
            std::push_heap(heap.begin(), heap.end());
        }
    };
    for (const Term& t : e.terms)
        accumulateAndQueue(symbolFor(t.variable), t.coefficient);
    while (!heap.empty()) {
        std::pop_heap(heap.begin(), heap.end());
        const Sym s = heap.back().second;
        heap.pop_back();
        const double k = acc_[s];
        if (nearZero(k))
            continue;
        acc_[s] = 0.0;
        syms_[s].expanded = true;
        const Definition& def = defs_[syms_[s].definition];
        constant += k * def.constant;
        const Row::Cell* cells = cellsOf(def);
        for (std::uint32_t i = 0; i < def.count; ++i)
            accumulateAndQueue(cells[i].sym, k * cells[i].coeff);
    }

    // The row is sized once for every cell it can get, and for the slack and error symbols that
    // createRow may add, instead of growing step by step.
    std::size_t bound = 2;
    for (Sym s : touched) {
        if (syms_[s].definition == kNone && !nearZero(acc_[s]))
            bound += syms_[s].row != kNone ? rows_[syms_[s].row].row.size() : 1;
    }
    Row out(constant);
    out.reserve(bound);
    for (Sym s : touched) {
        const double k = acc_[s];
        if (syms_[s].definition != kNone || nearZero(k))
            continue;
        if (syms_[s].row != kNone) {
            const Row& basic = rows_[syms_[s].row].row;
            out.constant += k * basic.constant;
            for (const Row::Cell& c : basic.cells())
                out.add(c.sym, k * c.coeff);
        } else {
            out.add(s, k);
        }
    }
    return out;
}

Row Solver::Impl::createRow(const Expression& e, Relation relation, float priority, bool required, Tag& tag) {
    Row row = expand(e);
    if (relation != Relation::equal) {
        // expr <= 0 becomes expr + slack = 0; expr >= 0 becomes expr - slack = 0.
        const double coeff = relation == Relation::lessOrEqual ? 1.0 : -1.0;
        const Sym slack = newSymbol(SymKind::slack);
        tag.marker = slack;
        row.add(slack, coeff);
        if (!required) {
            const Sym error = newSymbol(SymKind::error);
            tag.other = error;
            row.add(error, -coeff);
            adjustObjective(error, priority, 1.0);
        }
    } else if (!required) {
        // expr = errorPlus - errorMinus, both weighted.
        const Sym plus = newSymbol(SymKind::error);
        const Sym minus = newSymbol(SymKind::error);
        tag.marker = plus;
        tag.other = minus;
        row.add(plus, -1.0);
        row.add(minus, 1.0);
        adjustObjective(plus, priority, 1.0);
        adjustObjective(minus, priority, 1.0);
    } else {
        const Sym dummy = newSymbol(SymKind::dummy);
        tag.marker = dummy;
        row.add(dummy, 1.0);
    }
    // A restricted symbol chosen as the subject must come out non-negative.
    if (row.constant < 0.0)
        row.scale(-1.0);
    return row;
}

// The symbol a new row is solved for: the newest external variable (see chooseDefinitionSubject), else a
// restricted marker that comes out non-negative.
Sym Solver::Impl::chooseSubject(const Row& row, const Tag& tag) const {
    Sym newest = kNoSym;
    for (const Row::Cell& c : row.cells())
        if (syms_[c.sym].kind == SymKind::external &&
            (newest == kNoSym || serialOf(c.sym) > serialOf(newest)))
            newest = c.sym;
    if (newest != kNoSym)
        return newest;
    for (Sym m : {tag.marker, tag.other}) {
        if (m == kNoSym)
            continue;
        const SymKind k = syms_[m].kind;
        if ((k == SymKind::slack || k == SymKind::error) && row.coefficient(m) < 0.0)
            return m;
    }
    return kNoSym;
}

bool Solver::Impl::allDummies(const Row& row) const {
    return std::all_of(row.cells().begin(), row.cells().end(),
                       [this](const Row::Cell& c) { return syms_[c.sym].kind == SymKind::dummy; });
}

std::uint32_t Solver::Impl::insertRow(Sym basic, Row row) {
    std::uint32_t slot;
    if (!freeRows_.empty()) {
        slot = freeRows_.back();
        freeRows_.pop_back();
    } else {
        slot = static_cast<std::uint32_t>(rows_.size());
        rows_.emplace_back();
    }
    for (const Row::Cell& c : row.cells()) {
        syms_[c.sym].column.push_back(slot);
        syms_[c.sym].inTableau = true;
    }
    rows_[slot].row = std::move(row);
    rows_[slot].basic = basic;
    rows_[slot].alive = true;
    syms_[basic].row = slot;
    syms_[basic].inTableau = true;
    ++liveRows_;
    return slot;
}

Row Solver::Impl::takeRow(std::uint32_t slot) {
    TableauRow& r = rows_[slot];
    syms_[r.basic].row = kNone;
    r.alive = false;
    r.basic = kNoSym;
    freeRows_.push_back(slot);
    --liveRows_;
    return std::move(r.row);
}

void Solver::Impl::addToRow(std::uint32_t slot, Sym s, double k) {
    if (rows_[slot].row.add(s, k)) {
        syms_[s].column.push_back(slot);
        syms_[s].inTableau = true;
    }
}

// The live rows that contain s, each once. The symbol's column list is compacted on the way: entries of
// rows that died or no longer contain s are dropped.
const std::vector<std::uint32_t>& Solver::Impl::rowsContaining(Sym s) {
    const std::uint64_t stamp = ++stamp_;
    auto& column = syms_[s].column;
    std::size_t kept = 0;
    for (std::uint32_t slot : column) {
        TableauRow& r = rows_[slot];
        if (!r.alive || r.stamp == stamp || !r.row.contains(s))
            continue;
        r.stamp = stamp;
        column[kept++] = slot;
    }
    column.shrink(kept);
    scratchRows_.assign(column.begin(), column.end());
    return scratchRows_;
}

// s has become basic with `row`: replace it everywhere else.
void Solver::Impl::substitute(Sym s, const Row& row) {
    // Substituting never changes s's column, so the scratch list stays valid through the loop.
    for (std::uint32_t slot : rowsContaining(s)) {
        Row& target = rows_[slot].row;
        const double k = target.coefficient(s);
        target.remove(s);
        target.constant += k * row.constant;
        for (const Row::Cell& c : row.cells())
            addToRow(slot, c.sym, k * c.coeff);
        const Sym basic = rows_[slot].basic;
        if (isRestricted(basic) && target.constant < 0.0)
            infeasible_.push_back(basic);
    }
    syms_[s].column.clear();

    if (syms_[s].weight != kNone) {
        const SymbolicWeight w = std::move(weights_[syms_[s].weight]);
        dropObjective(s);
        for (const Row::Cell& c : row.cells()) {
            objectiveToChange(c.sym).addScaled(w, c.coeff);
            releaseObjectiveIfZero(c.sym);
            markDirty(c.sym);
        }
    }
    if (artificial_) {
        const double k = artificial_->coefficient(s);
        if (k != 0.0) {
            artificial_->remove(s);
            artificial_->constant += k * row.constant;
            for (const Row::Cell& c : row.cells())
                artificial_->add(c.sym, k * c.coeff);
        }
    }
}

// The basic symbol of `slot` leaves the basis and `entering` takes its place.
void Solver::Impl::pivot(std::uint32_t slot, Sym entering) {
    ++pivots_;
    TableauRow& r = rows_[slot];
    const Sym leaving = r.basic;
    syms_[leaving].row = kNone;
    r.row.solveFor(leaving, entering);
    syms_[leaving].column.push_back(slot);
    r.basic = entering;
    syms_[entering].row = slot;
    // The pivot row no longer contains `entering`, so substitution leaves it alone.
    substitute(entering, r.row);
}

} // namespace ui
