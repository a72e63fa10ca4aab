#include "ui/solver/solver.h"

#include "ui/solver/solver_impl.h"

#include <cstddef>
#include <cstdint>
#include <utility>

// The simplex steps on the tableau: primal optimisation of the objective, the phase one that proves a
// row without an obvious subject satisfiable (and takes it out again when it is not), dual optimisation
// after an edit, and the marker pivot that removes a constraint.

namespace ui {

// Primal simplex on the objective. Only symbols whose weight changed since the last optimum can have
// become improving, so only those are examined.
void Solver::Impl::optimize() {
    while (true) {
        Sym entering = kNoSym;
        int direction = 0;
        while (!dirty_.empty()) {
            const Sym s = dirty_.back();
            const SymInfo& info = syms_[s];
            if (info.row == kNone && info.kind != SymKind::dummy) {
                const int sign = objective(s).sign();
                if (sign < 0) {
                    entering = s;
                    direction = 1; // increase s
                    break;
                }
                if (sign > 0 && info.kind == SymKind::external) {
                    entering = s;
                    direction = -1; // an unrestricted symbol may also decrease
                    break;
                }
            }
            syms_[s].dirty = false;
            dirty_.pop_back();
        }
        if (entering == kNoSym)
            return;

        const std::uint32_t leaving = leavingRow(entering, direction);
        if (leaving == kNone) {
            // Unbounded in this direction: impossible while every weight sits on non-negative error
            // symbols. Stop looking at this symbol rather than loop.
            syms_[entering].dirty = false;
            dirty_.pop_back();
            continue;
        }
        pivot(leaving, entering);
    }
}

// Ratio test: the row whose restricted basic symbol reaches zero first as `entering` moves in
// `direction` (+1 up, -1 down); kNone when nothing bounds the move.
std::uint32_t Solver::Impl::leavingRow(Sym entering, int direction) {
    std::uint32_t leaving = kNone;
    double best = 0.0;
    for (std::uint32_t slot : rowsContaining(entering)) {
        const TableauRow& r = rows_[slot];
        if (!isRestricted(r.basic))
            continue;
        const double coeff = r.row.coefficient(entering) * direction;
        if (coeff < 0.0) {
            const double ratio = -r.row.constant / coeff;
            if (leaving == kNone || ratio < best) {
                best = ratio;
                leaving = slot;
            }
        }
    }
    return leaving;
}

// Primal simplex on the artificial objective of phase one; returns false if it could not be finished.
bool Solver::Impl::optimizeArtificial(Row& artificial) {
    for (std::size_t guard = 0; guard < 1000000; ++guard) {
        Sym entering = kNoSym;
        for (const Row::Cell& c : artificial.cells()) {
            if (syms_[c.sym].kind != SymKind::dummy && c.coeff < 0.0) {
                entering = c.sym;
                break;
            }
        }
        if (entering == kNoSym)
            return true;
        const std::uint32_t leaving = leavingRow(entering, 1);
        if (leaving == kNone)
            return false;
        pivot(leaving, entering);
    }
    return false;
}

// Dual simplex: restores feasibility of rows whose constant went negative after an edit.
void Solver::Impl::dualOptimize() {
    while (!infeasible_.empty()) {
        const Sym leaving = infeasible_.back();
        infeasible_.pop_back();
        const std::uint32_t slot = syms_[leaving].row;
        if (slot == kNone)
            continue;
        const Row& row = rows_[slot].row;
        if (row.constant >= 0.0)
            continue;
        Sym entering = kNoSym;
        double enteringCoeff = 0.0;
        for (const Row::Cell& c : row.cells()) {
            if (c.coeff <= 0.0 || syms_[c.sym].kind == SymKind::dummy)
                continue;
            if (entering == kNoSym || SymbolicWeight::compareRatios(objective(c.sym), c.coeff,
                                                                    objective(entering), enteringCoeff) < 0) {
                entering = c.sym;
                enteringCoeff = c.coeff;
            }
        }
        if (entering == kNoSym)
            continue; // cannot happen for a feasible system; leave the row rather than loop
        pivot(slot, entering);
    }
}

// The row in which to pivot a parametric marker into the basis so that its constraint can be dropped,
// keeping the other rows feasible.
std::uint32_t Solver::Impl::markerLeavingRow(Sym marker) {
    std::uint32_t first = kNone, second = kNone, third = kNone;
    double r1 = 0.0, r2 = 0.0;
    for (std::uint32_t slot : rowsContaining(marker)) {
        const TableauRow& r = rows_[slot];
        const double c = r.row.coefficient(marker);
        if (!isRestricted(r.basic)) {
            third = slot;
        } else if (c < 0.0) {
            const double ratio = -r.row.constant / c;
            if (first == kNone || ratio < r1) {
                r1 = ratio;
                first = slot;
            }
        } else {
            const double ratio = r.row.constant / c;
            if (second == kNone || ratio < r2) {
                r2 = ratio;
                second = slot;
            }
        }
    }
    if (first != kNone)
        return first;
    if (second != kNone)
        return second;
    return third;
}

void Solver::Impl::removeFromTableau(const Tag& tag, float priority) {
    // Take the constraint's weights out of the objective.
    for (Sym m : {tag.marker, tag.other}) {
        if (m == kNoSym || syms_[m].kind != SymKind::error)
            continue;
        if (syms_[m].row != kNone) {
            const Row& row = rows_[syms_[m].row].row;
            for (const Row::Cell& c : row.cells())
                adjustObjective(c.sym, priority, -c.coeff);
        } else {
            adjustObjective(m, priority, -1.0);
        }
    }
    dropMarkerRow(tag.marker);
    for (Sym m : {tag.marker, tag.other}) {
        if (m != kNoSym) {
            dropObjective(m);
            syms_[m].column.clear();
        }
    }
    optimize();
}

// Drops the constraint that `marker` belongs to: its row directly if the marker is basic, otherwise the
// row it is pivoted into. The marker appears in no other constraint, so no remaining row depends on the
// dropped one.
void Solver::Impl::dropMarkerRow(Sym marker) {
    if (syms_[marker].row != kNone) {
        takeRow(syms_[marker].row);
        return;
    }
    const std::uint32_t slot = markerLeavingRow(marker);
    if (slot == kNone)
        return; // a redundant constraint left no trace in the tableau
    const Sym leaving = rows_[slot].basic;
    Row row = takeRow(slot);
    row.solveFor(leaving, marker);
    substitute(marker, row);
}

// Recomputes the objective from the error symbols of the constraints in the tableau. Needed only after a
// failed phase one, whose pivots may have expressed the objective through the refused row.
void Solver::Impl::rebuildObjective() {
    for (Sym s = 0; s < syms_.size(); ++s)
        dropObjective(s);
    for (const Record& record : records_) {
        if (!record.alive)
            continue;
        for (Sym m : {record.tag.marker, record.tag.other}) {
            if (m == kNoSym || syms_[m].kind != SymKind::error)
                continue;
            const float p = record.constraint.priority();
            if (syms_[m].row != kNone) {
                for (const Row::Cell& c : rows_[syms_[m].row].row.cells())
                    adjustObjective(c.sym, p, c.coeff);
            } else {
                adjustObjective(m, p, 1.0);
            }
        }
    }
}

bool Solver::Impl::addWithArtificialVariable(Row row, const Tag& tag) {
    // Phase one: an artificial symbol takes the new row as its basic row; minimising it to zero proves
    // the row satisfiable and leaves the tableau ready for it.
    const Sym art = newSymbol(SymKind::slack);
    Row artificial = row;
    insertRow(art, std::move(row));
    artificial_ = &artificial;
    optimizeArtificial(artificial);
    artificial_ = nullptr;
    const bool success = nearZero(artificial.constant);

    if (!success) {
        // The tableau holds the old constraints plus the refused row (relaxed by the artificial symbol).
        // Dropping the row of the refused constraint's marker takes exactly that row out again.
        dropMarkerRow(tag.marker);
        for (std::uint32_t slot : rowsContaining(art))
            rows_[slot].row.remove(art);
        syms_[art].column.clear();
        syms_[tag.marker].column.clear();
        rebuildObjective();
        optimize();
        return false;
    }

    if (syms_[art].row != kNone) {
        const std::uint32_t slot = syms_[art].row;
        if (rows_[slot].row.empty()) {
            takeRow(slot); // the new row was implied by the others
        } else {
            // Pivot the artificial symbol out; prefer a restricted symbol, and fall back to a dummy of
            // a redundant equality so that the constraint can still be found on removal.
            Sym entering = kNoSym;
            for (const Row::Cell& c : rows_[slot].row.cells()) {
                const SymKind k = syms_[c.sym].kind;
                if (k == SymKind::slack || k == SymKind::error) {
                    entering = c.sym;
                    break;
                }
            }
            if (entering == kNoSym)
                entering = rows_[slot].row.contains(tag.marker) ? tag.marker : rows_[slot].row.cells()[0].sym;
            pivot(slot, entering);
        }
    }
    for (std::uint32_t slot : rowsContaining(art))
        rows_[slot].row.remove(art);
    syms_[art].column.clear();
    dropObjective(art);
    return true;
}

} // namespace ui
