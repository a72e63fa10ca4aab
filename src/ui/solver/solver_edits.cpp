#include "ui/solver/solver.h"

#include "ui/solver/solver_impl.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

// Edit variables: each is a preferred equality `variable = constant` whose constant a suggestion moves;
// the dual simplex then restores the optimum from there instead of solving again.

namespace ui {

SolverStatus Solver::Impl::addEdit(const Variable& v, float priority) {
    if (hasEdit(v))
        return SolverStatus::duplicateEditVariable;
    if (!validPriority(priority))
        return SolverStatus::invalidPriority;
    rebuildIfNeeded();
    const Constraint c(Expression(v), Relation::equal, Expression(0.0), priority);
    Tag tag;
    Sym defined = kNoSym;
    const std::uint64_t order = nextOrder_++;
    addRecord(c, true, tag, defined);
    storeRecord(Record{c, order, tag, kNoSym, true});
    edits_.emplace(v.id(), Edit{v, c, 0.0, order});
    return SolverStatus::ok;
}

SolverStatus Solver::Impl::removeEdit(const Variable& v) {
    auto it = edits_.find(v.id());
    if (it == edits_.end())
        return SolverStatus::unknownEditVariable;
    const Constraint c = it->second.constraint;
    edits_.erase(it);
    const Tag tag = takeRecord(findRecord(c)).tag;
    if (!needsRebuild_) {
        removeFromTableau(tag, c.priority());
        scheduleCompactionIfWasteful();
    }
    return SolverStatus::ok;
}

SolverStatus Solver::Impl::suggest(const Variable& v, double value) {
    if (!std::isfinite(value))
        return SolverStatus::nonFiniteValue;
    auto it = edits_.find(v.id());
    if (it == edits_.end())
        return SolverStatus::unknownEditVariable;
    Edit& edit = it->second;
    const double delta = value - edit.constant;
    edit.constant = value;
    if (needsRebuild_) {
        rebuildIfNeeded(); // re-adds the edit with its new value
        return SolverStatus::ok;
    }
    const Tag tag = records_[findRecord(edit.constraint)].tag;

    // The edit row reads v - errorPlus + errorMinus = constant. Moving the constant by delta moves
    // whichever error symbol is basic, or shifts every row that depends on them.
    if (syms_[tag.marker].row != kNone) {
        Row& row = rows_[syms_[tag.marker].row].row;
        row.constant -= delta;
        if (row.constant < 0.0)
            infeasible_.push_back(tag.marker);
    } else if (syms_[tag.other].row != kNone) {
        Row& row = rows_[syms_[tag.other].row].row;
        row.constant += delta;
        if (row.constant < 0.0)
            infeasible_.push_back(tag.other);
    } else {
        // One look at each row: find the coefficient, drop stale column entries, shift the constant.
        const std::uint64_t stamp = ++stamp_;
        auto& column = syms_[tag.marker].column;
        std::size_t kept = 0;
        for (std::uint32_t slot : column) {
            TableauRow& r = rows_[slot];
            if (!r.alive || r.stamp == stamp)
                continue;
            const double c = r.row.coefficient(tag.marker);
            if (c == 0.0)
                continue;
            r.stamp = stamp;
            column[kept++] = slot;
            r.row.constant += delta * c;
            if (isRestricted(r.basic) && r.row.constant < 0.0)
                infeasible_.push_back(r.basic);
        }
        column.shrink(kept);
    }
    dualOptimize();
    return SolverStatus::ok;
}

} // namespace ui
