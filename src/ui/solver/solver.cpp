#include "ui/solver/solver.h"

#include "ui/solver/solver_impl.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

// The facade `Solver`, and what its implementation does with whole constraints: checking and adding
// them, keeping their records, removing them, rebuilding after removals that the tableau cannot undo
// one by one, and writing the solution into the variables. How the solver is organised is told in
// solver_impl.h.

namespace ui {

std::string_view describe(SolverStatus status) {
    switch (status) {
    case SolverStatus::ok:
        return "ok";
    case SolverStatus::unsatisfiable:
        return "the required constraint cannot be satisfied together with the required constraints "
               "already in the solver";
    case SolverStatus::duplicateConstraint:
        return "the constraint is already in the solver";
    case SolverStatus::unknownConstraint:
        return "the constraint is not in the solver";
    case SolverStatus::duplicateEditVariable:
        return "the variable is already an edit variable";
    case SolverStatus::unknownEditVariable:
        return "the variable is not an edit variable";
    case SolverStatus::invalidPriority:
        return "priorities must be greater than 0 and at most 1000";
    case SolverStatus::nonFiniteValue:
        return "coefficients, constants and suggested values must be finite numbers";
    }
    return "unknown solver status";
}

// --- whole constraints ---

void Solver::Impl::storeRecord(Record record) {
    const std::uintptr_t id = record.constraint.id();
    const Constraint::Data& data = *record.constraint.data_;
    std::uint32_t slot;
    if (!freeRecords_.empty()) {
        slot = freeRecords_.back();
        freeRecords_.pop_back();
        records_[slot] = std::move(record);
    } else {
        slot = static_cast<std::uint32_t>(records_.size());
        records_.push_back(std::move(record));
    }
    if (data.solverEpoch == 0 || data.solverEpoch == epoch_ ||
        (reclaimEpoch_ != 0 && data.solverEpoch == reclaimEpoch_)) {
        data.solverEpoch = epoch_;
        data.solverRecord = slot;
    } else {
        recordIndex_.tryEmplace(id, slot);
    }
    ++liveRecords_;
}

std::uint32_t Solver::Impl::findRecord(const Constraint& c) const {
    const Constraint::Data& data = *c.data_;
    if (data.solverEpoch == epoch_) {
        const std::uint32_t slot = data.solverRecord;
        return slot < records_.size() && records_[slot].alive && records_[slot].constraint.sameAs(c) ? slot
                                                                                                     : kNone;
    }
    if (data.solverEpoch == 0 || recordIndex_.size() == 0)
        return kNone; // never held by any solver, or by none but others
    const std::uint32_t* slot = recordIndex_.find(c.id());
    return slot ? *slot : kNone;
}

Solver::Impl::Record Solver::Impl::takeRecord(std::uint32_t slot) {
    const Constraint::Data& data = *records_[slot].constraint.data_;
    if (data.solverEpoch != epoch_ || data.solverRecord != slot)
        recordIndex_.erase(records_[slot].constraint.id());
    --liveRecords_;
    Record record = std::move(records_[slot]);
    records_[slot].alive = false;
    freeRecords_.push_back(slot);
    return record;
}

SolverStatus Solver::Impl::addRecord(const Constraint& c, bool edit, Tag& tag, Sym& defined) {
    const Expression& e = c.expression();
    const bool required = !edit && c.isRequired();
    if (required && c.relation() == Relation::equal) {
        const Sym subject = chooseDefinitionSubject(e);
        if (subject != kNoSym) {
            define(subject, e);
            defined = subject;
            return SolverStatus::ok;
        }
    }

    Row row = createRow(e, c.relation(), c.priority(), required, tag);
    Sym subject = chooseSubject(row, tag);
    if (subject == kNoSym && allDummies(row)) {
        if (!nearZero(row.constant))
            return SolverStatus::unsatisfiable;
        subject = tag.marker; // redundant but consistent: keep it so that it can be removed later
    }
    if (subject == kNoSym) {
        if (!addWithArtificialVariable(std::move(row), tag))
            return SolverStatus::unsatisfiable;
    } else {
        row.solveFor(subject);
        substitute(subject, row);
        insertRow(subject, std::move(row));
    }
    optimize();
    return SolverStatus::ok;
}

namespace {

bool finite(const Constraint& c) {
    if (!std::isfinite(c.expression().constant))
        return false;
    return std::all_of(c.expression().terms.begin(), c.expression().terms.end(),
                       [](const Term& t) { return std::isfinite(t.coefficient); });
}

} // namespace

SolverStatus Solver::Impl::add(const Constraint& c) {
    if (has(c))
        return SolverStatus::duplicateConstraint;
    if (!validPriority(c.priority()))
        return SolverStatus::invalidPriority;
    if (!finite(c))
        return SolverStatus::nonFiniteValue;
    rebuildIfNeeded();
    Tag tag;
    Sym defined = kNoSym;
    const std::uint64_t order = nextOrder_++;
    const SolverStatus status = addRecord(c, false, tag, defined);
    if (status == SolverStatus::ok)
        storeRecord(Record{c, order, tag, defined, false});
    return status;
}

SolverStatus Solver::Impl::remove(const Constraint& c) {
    const std::uint32_t slot = findRecord(c);
    if (slot == kNone || records_[slot].edit)
        return SolverStatus::unknownConstraint;
    const Record record = takeRecord(slot);
    if (needsRebuild_)
        return SolverStatus::ok; // the rebuild will leave it out
    if (record.defined != kNoSym) {
        SymInfo& info = syms_[record.defined];
        if (info.expanded) {
            // Tableau rows were built from this definition: they cannot be unpicked one by one.
            needsRebuild_ = true;
        } else {
            defs_[info.definition].alive = false;
            deadDefCells_ += defs_[info.definition].count;
            defs_[info.definition].count = 0;
            if (deadDefCells_ > 1024 && deadDefCells_ * 2 > defCells_.size())
                compactDefinitionCells();
            freeDefs_.push_back(info.definition);
            info.definition = kNone;
            noteDefinition(record.defined, false);
            --liveDefinitions_;
            evalOrderStale_ = true;
        }
        return SolverStatus::ok;
    }
    removeFromTableau(record.tag, record.constraint.priority());
    scheduleCompactionIfWasteful();
    return SolverStatus::ok;
}

void Solver::Impl::rebuildIfNeeded() {
    if (!needsRebuild_)
        return;
    needsRebuild_ = false;
    ++rebuilds_;

    std::vector<Record> records;
    records.reserve(liveRecords_);
    for (const Record& r : records_)
        if (r.alive && !r.edit)
            records.push_back(r);
    std::vector<Edit> edits;
    for (auto& [id, e] : edits_)
        edits.push_back(e);

    // Everything starts afresh; variables get new symbols as the constraints come back in.
    syms_.clear();
    acc_.clear();
    mark_.clear();
    varSyms_.clear();
    reclaimEpoch_ = epoch_;
    epoch_ = newEpoch();
    externals_.clear();
    weights_.clear();
    freeWeights_.clear();
    evalOrder_.clear();
    evalOrderStale_ = false;
    rows_.clear();
    freeRows_.clear();
    defs_.clear();
    freeDefs_.clear();
    defCells_.clear();
    deadDefCells_ = 0;
    records_.clear();
    freeRecords_.clear();
    recordIndex_.clear();
    liveRecords_ = 0;
    edits_.clear();
    dirty_.clear();
    infeasible_.clear();
    liveDefinitions_ = 0;
    liveRows_ = 0;

    // Re-add in the original order, edits at their places.
    struct Item {
        std::uint64_t order;
        const Record* record;
        const Edit* edit;
    };
    std::vector<Item> items;
    for (const Record& r : records)
        items.push_back({r.order, &r, nullptr});
    for (const Edit& e : edits)
        items.push_back({e.order, nullptr, &e});
    std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.order < b.order; });
    for (const Item& item : items) {
        Tag tag;
        Sym defined = kNoSym;
        if (item.record) {
            // Every one of these was satisfiable together with the others before the removals, and
            // removing constraints cannot make a required constraint unsatisfiable.
            addRecord(item.record->constraint, false, tag, defined);
            storeRecord(Record{item.record->constraint, item.order, tag, defined, false});
        } else {
            const Edit& e = *item.edit;
            addRecord(e.constraint, true, tag, defined);
            storeRecord(Record{e.constraint, item.order, tag, kNoSym, true});
            edits_.emplace(e.variable.id(), Edit{e.variable, e.constraint, 0.0, item.order});
        }
    }
    reclaimEpoch_ = 0;
    for (const Edit& e : edits)
        suggest(e.variable, e.constant);
}

void Solver::Impl::update() {
    rebuildIfNeeded();
    if (evalOrderStale_)
        rebuildEvalOrder();
    std::vector<double>& value = acc_;
    std::fill(value.begin(), value.end(), 0.0);
    for (const TableauRow& r : rows_)
        if (r.alive)
            value[r.basic] = r.row.constant;
    for (const std::uint32_t index : evalOrder_) {
        const Definition& d = defs_[index];
        const Row::Cell* cells = cellsOf(d);
        double v = d.constant;
        for (std::uint32_t i = 0; i < d.count; ++i)
            v += cells[i].coeff * value[cells[i].sym];
        value[d.sym] = v;
    }
    // The variables' own storage lies wherever their owners put it, and a large layout's no longer sits
    // in the cache: each one is asked for a few variables ahead of its write.
    constexpr std::size_t ahead = 16;
    const std::size_t count = externals_.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (i + ahead < count)
            __builtin_prefetch(externals_[i + ahead].variable.data_, 1);
        const External& e = externals_[i];
        e.variable.data_->value = value[e.sym];
    }
}

void Solver::Impl::reserve(std::size_t constraints, std::size_t variables) {
    // A constraint brings at most two symbols of its own (slack and error, or two errors) and defines
    // at most one variable; a variable is one symbol.
    const std::size_t symbols = syms_.size() + variables + 2 * constraints;
    acc_.reserve(symbols);
    mark_.reserve(symbols);
    externals_.reserve(externals_.size() + variables);
    // Each new variable may get a definition; a layout's definitions have two cells on average (a
    // view's top from the previous view's top and height).
    const std::size_t definitions = std::min(constraints, variables);
    defs_.reserve(defs_.size() + definitions);
    defCells_.reserve(defCells_.size() + 2 * definitions);
    evalOrder_.reserve(evalOrder_.size() + definitions);
}

void Solver::Impl::reset() {
    *this = Impl();
}

Solver::Stats Solver::Impl::stats() const {
    Stats st;
    st.definitions = liveDefinitions_;
    st.rows = liveRows_;
    for (const TableauRow& r : rows_) {
        if (r.alive) {
            st.cells += r.row.size();
            st.largestRow = std::max(st.largestRow, r.row.size());
        }
    }
    st.pivots = pivots_;
    st.symbols = syms_.size();
    st.rebuilds = rebuilds_;
    return st;
}

// --- the facade ---

Solver::Solver() : impl_(std::make_unique<Impl>()) {}
Solver::~Solver() = default;
Solver::Solver(Solver&&) noexcept = default;
Solver& Solver::operator=(Solver&&) noexcept = default;

SolverStatus Solver::addConstraint(const Constraint& c) {
    return impl_->add(c);
}
SolverStatus Solver::removeConstraint(const Constraint& c) {
    return impl_->remove(c);
}
bool Solver::hasConstraint(const Constraint& c) const {
    return impl_->has(c);
}
SolverStatus Solver::addEditVariable(const Variable& v, float p) {
    return impl_->addEdit(v, p);
}
SolverStatus Solver::removeEditVariable(const Variable& v) {
    return impl_->removeEdit(v);
}
bool Solver::hasEditVariable(const Variable& v) const {
    return impl_->hasEdit(v);
}
SolverStatus Solver::suggestValue(const Variable& v, double value) {
    return impl_->suggest(v, value);
}
void Solver::updateVariables() {
    impl_->update();
}
void Solver::reset() {
    impl_->reset();
}
void Solver::reserve(std::size_t constraints, std::size_t variables) {
    impl_->reserve(constraints, variables);
}
std::size_t Solver::constraintCount() const {
    return impl_->constraintCount();
}
bool Solver::isDefined(const Variable& v) const {
    return impl_->isDefined(v);
}
Solver::Stats Solver::stats() const {
    return impl_->stats();
}

} // namespace ui
