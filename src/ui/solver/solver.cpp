#include "ui/solver/solver.h"

#include "ui/foundation/chunked_array.h"
#include "ui/solver/id_map.h"
#include "ui/solver/small_vec.h"
#include "ui/solver/solver_row.h"
#include "ui/solver/symbol.h"
#include "ui/solver/symbolic_weight.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <unordered_map>

// How the solver is organised
// ---------------------------
// Two tiers hold the constraints.
//
// 1. Definitions. A required equality that mentions a variable nothing in the tableau uses yet is kept
//    as a definition of that variable: `v := constant + sum(coefficient * other)`. Definitions may
//    refer to other definitions, never in a cycle. A chain such as "each view's top is the previous
//    view's bottom plus 10" becomes a chain of short definitions evaluated in order, where a textbook
//    tableau would fold every earlier link into every later row and grow quadratically.
//
// 2. The tableau. Every other constraint goes into an incremental simplex tableau in the manner of
//    Cassowary (Badros, Borning and Stuckey), after the definitions it mentions have been expanded into
//    the variables they stand for. Rows are sparse, and each symbol keeps the list of rows that use it,
//    so a pivot or an edit touches only those rows. The objective has symbolic weights, so priorities
//    rank strictly.
//
// Removing a constraint of the tableau is the classic marker pivot. Removing a definition is exact as
// well: while no tableau row was built from it, the variable simply becomes free again; otherwise the
// solver rebuilds both tiers from the remaining constraints before its next use, so that a burst of
// removals costs one rebuild.

namespace ui {

using namespace detail;

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

// --- The implementation -----------------------------------------------------------------------------

class Solver::Impl {
public:
    SolverStatus add(const Constraint& c);
    SolverStatus remove(const Constraint& c);
    bool has(const Constraint& c) const { return findRecord(c) != kNone; }
    SolverStatus addEdit(const Variable& v, float priority);
    SolverStatus removeEdit(const Variable& v);
    bool hasEdit(const Variable& v) const { return edits_.count(v.id()) != 0; }
    SolverStatus suggest(const Variable& v, double value);
    void update();
    void reset();
    void reserve(std::size_t constraints, std::size_t variables);
    std::size_t constraintCount() const { return liveRecords_; }
    bool isDefined(const Variable& v) const {
        if (needsRebuild_)
            return false;
        const Variable::Data& data = *v.data_;
        if (data.solverEpoch == epoch_)
            return data.defined;
        const std::uint32_t* s = varSyms_.find(v.id());
        return s && syms_[*s].definition != kNone;
    }
    Stats stats() const;

private:
    // The markers that let a constraint of the tableau be found and removed again: `marker` is its
    // slack, dummy or first error symbol; `other` the second error symbol of a preferred equality.
    struct Tag {
        Sym marker = kNoSym;
        Sym other = kNoSym;
    };

    struct Record {
        Constraint constraint;
        std::uint64_t order = 0;
        Tag tag;
        Sym defined = kNoSym; // the variable this constraint defines, when it is a definition
        bool edit = false;    // the constraint of an edit variable
        bool alive = true;
    };

    struct Edit {
        Variable variable;
        Constraint constraint;
        double constant = 0.0;
        std::uint64_t order = 0;
    };

    // A symbol: 48 bytes, for there are several per view. What only some symbols have lives in side
    // tables: the variable of an external symbol, the objective weight of a symbol that has one.
    struct SymInfo {
        SymKind kind = SymKind::external;
        bool inTableau = false;            // has been in a tableau row: can no longer be defined
        bool expanded = false;             // its definition has been folded into a tableau row
        bool dirty = false;                // queued in dirty_ as a candidate to enter the basis
        std::uint32_t row = kNone;         // slot of the tableau row this symbol is basic in
        std::uint32_t definition = kNone;  // index into defs_ when the symbol is defined
        std::uint32_t external = kNone;    // index into externals_ (external symbols only)
        std::uint32_t weight = kNone;      // index into weights_ while its objective weight is not zero
        SmallVec<std::uint32_t, 4> column; // row slots that may contain the symbol
    };

    // A variable the solver knows: its symbol, its age, and its state, which the solver holds so that
    // writing the solution never meets a variable that is gone.
    struct External {
        Variable variable;
        std::uint64_t serial = 0;
        Sym sym = kNoSym;
    };

    struct TableauRow {
        Row row;
        Sym basic = kNoSym;
        bool alive = false;
        std::uint64_t stamp = 0;
    };

    // sym = constant + sum(cells), where the cells are defCells_[begin, begin + count). Definitions never
    // change once made, so their cells are packed one after another in a single array.
    struct Definition {
        Sym sym = kNoSym;
        bool alive = false;
        std::uint32_t begin = 0;
        std::uint32_t count = 0;
        double constant = 0.0;
        std::uint64_t serial = 0; // age of the defined variable, the key of the evaluation order
    };
    const Row::Cell* cellsOf(const Definition& d) const { return defCells_.data() + d.begin; }

    // Symbols.
    Sym newSymbol(SymKind kind);
    Sym symbolFor(const Variable& v);
    bool isBasic(Sym s) const { return syms_[s].row != kNone; }
    bool isDefined(Sym s) const { return syms_[s].definition != kNone; }
    void noteDefinition(Sym s, bool defined);
    bool isRestricted(Sym s) const { return syms_[s].kind != SymKind::external; }

    // Definitions.
    Sym chooseDefinitionSubject(const Expression& e);
    void define(Sym s, const Expression& e);

    // Tableau.
    Row expand(const Expression& e);
    Row createRow(const Expression& e, Relation relation, float priority, bool required, Tag& tag);
    Sym chooseSubject(const Row& row, const Tag& tag) const;
    bool allDummies(const Row& row) const;
    bool addWithArtificialVariable(Row row, const Tag& tag);
    std::uint32_t insertRow(Sym basic, Row row);
    Row takeRow(std::uint32_t slot);
    void addToRow(std::uint32_t slot, Sym s, double k);
    const std::vector<std::uint32_t>& rowsContaining(Sym s);
    void substitute(Sym s, const Row& row);
    void pivot(std::uint32_t slot, Sym entering);
    void optimize();
    std::uint32_t leavingRow(Sym entering, int direction);
    bool optimizeArtificial(Row& artificial);
    void dualOptimize();
    std::uint32_t markerLeavingRow(Sym marker);
    void removeFromTableau(const Tag& tag, float priority);
    void dropMarkerRow(Sym marker);
    void rebuildObjective();
    void adjustObjective(Sym s, float priority, double amount);
    void markDirty(Sym s);

    // Whole constraints.
    SolverStatus addRecord(const Constraint& c, bool edit, Tag& tag, Sym& defined);
    void rebuildIfNeeded();
    void rebuildEvalOrder();
    void storeRecord(Record record);
    Record takeRecord(std::uint32_t slot);
    std::uint32_t findRecord(const Constraint& c) const;
    void scheduleCompactionIfWasteful();

    // These grow by the ten thousand while a layout is built; a chunked array never holds twice its size
    // while it grows, nor moves what it holds.
    ChunkedArray<SymInfo> syms_;
    IdMap varSyms_;
    // Names this solver's numbering of symbols in the variables' caches; renewed when symbols are
    // renumbered (rebuild, reset).
    std::uint64_t epoch_ = newEpoch();
    static std::uint64_t newEpoch() {
        static std::atomic<std::uint64_t> epochs{0};
        return ++epochs;
    }
    ChunkedArray<TableauRow> rows_;
    std::vector<std::uint32_t> freeRows_;
    std::vector<Definition> defs_; // contiguous: an update sweeps them in order
    std::vector<std::uint32_t> freeDefs_;
    ChunkedArray<Record> records_; // by slot; dead slots are reused
    std::vector<std::uint32_t> freeRecords_;
    // A constraint first used by this solver keeps the slot of its record itself; the map holds only
    // those whose cache another solver had claimed.
    IdMap recordIndex_;
    std::size_t liveRecords_ = 0;
    std::uint64_t reclaimEpoch_ = 0; // during a rebuild: the epoch the records were stored under
    std::unordered_map<std::uintptr_t, Edit> edits_;
    std::vector<Sym> dirty_;
    std::vector<Sym> infeasible_;
    std::vector<std::uint32_t> scratchRows_;
    std::vector<Sym> scratchTouched_;
    std::vector<std::pair<std::uint64_t, Sym>> scratchHeap_;
    std::uint64_t stamp_ = 0;
    std::uint64_t nextOrder_ = 0;
    std::size_t liveDefinitions_ = 0;
    std::size_t liveRows_ = 0;
    std::size_t rebuilds_ = 0;
    std::size_t pivots_ = 0;
    bool needsRebuild_ = false;

    // Phase one of adding a row that has no obvious subject: the artificial objective, when active.
    Row* artificial_ = nullptr;

    // The cells of all definitions, and how many of them belong to definitions that are gone.
    std::vector<Row::Cell> defCells_;
    std::size_t deadDefCells_ = 0;
    void compactDefinitionCells();
    // Live definitions in evaluation order (the age of the variable each defines).
    std::vector<std::uint32_t> evalOrder_;
    bool evalOrderStale_ = false;
    std::vector<std::uint32_t> scratchByAge_; // rebuildEvalOrder's table of definitions by age
    void placeInEvalOrder(std::uint32_t index);
    // Every variable the solver knows, in the order it met them.
    std::vector<External> externals_; // contiguous: an update sweeps them in order
    // Objective weights of the symbols that have one; freed entries are reused.
    ChunkedArray<SymbolicWeight> weights_;
    std::vector<std::uint32_t> freeWeights_;
    const SymbolicWeight& objective(Sym s) const {
        static const SymbolicWeight zero;
        const std::uint32_t w = syms_[s].weight;
        return w == kNone ? zero : weights_[w];
    }
    SymbolicWeight& objectiveToChange(Sym s);
    void dropObjective(Sym s);
    void releaseObjectiveIfZero(Sym s);
    std::uint64_t serialOf(Sym s) const { return externals_[syms_[s].external].serial; }

    // Scratch space of `expand` and `update`: per-symbol accumulators and visit marks.
    std::vector<double> acc_;
    std::vector<std::uint64_t> mark_;
};

// --- symbols ---

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

// Mirrors a change of an external symbol's definition into its variable, when the variable's cache
// belongs to this solver.
void Solver::Impl::noteDefinition(Sym s, bool defined) {
    Variable::Data& data = *externals_[syms_[s].external].variable.data_;
    if (data.solverEpoch == epoch_ && data.solverSymbol == s)
        data.defined = defined;
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

// --- definitions ---

// A required equality can define a variable that appears in no tableau row and has no definition yet.
// Only the newest variable of the equation is considered: layouts are built containers first, so the
// newest variable is the child being placed ("this view's top is the previous view's bottom plus 10"),
// and defining it keeps chains running from containers to children. Defining an older variable (a
// container's width in terms of its first child) would make every later child depend on that child.
// Every definition thus refers only to variables older than the one it defines, so following definitions
// always leads to older variables and can never come back to where it started: no cycle can form.
Sym Solver::Impl::chooseDefinitionSubject(const Expression& e) {
    const Term* newest = nullptr;
    for (const Term& t : e.terms)
        if (!newest || t.variable.data_->serial > newest->variable.data_->serial)
            newest = &t;
    if (!newest || nearZero(newest->coefficient))
        return kNoSym;
    const Sym s = symbolFor(newest->variable);
    const SymInfo& info = syms_[s];
    if (info.inTableau || info.definition != kNone)
        return kNoSym;
    return s;
}

void Solver::Impl::define(Sym s, const Expression& e) {
    // e = a*s + rest = 0, so s = -(rest) / a.
    double a = 0.0;
    Row expr(e.constant);
    for (const Term& t : e.terms) {
        const Sym ts = symbolFor(t.variable);
        if (ts == s)
            a += t.coefficient;
        else
            expr.add(ts, t.coefficient);
    }
    expr.scale(-1.0 / a);

    std::uint32_t index;
    if (!freeDefs_.empty()) {
        index = freeDefs_.back();
        freeDefs_.pop_back();
    } else {
        index = static_cast<std::uint32_t>(defs_.size());
        defs_.emplace_back();
    }
    Definition& d = defs_[index];
    d.sym = s;
    d.alive = true;
    d.begin = static_cast<std::uint32_t>(defCells_.size());
    d.count = static_cast<std::uint32_t>(expr.size());
    defCells_.insert(defCells_.end(), expr.cells().begin(), expr.cells().end());
    d.constant = expr.constant;
    d.serial = serialOf(s);
    syms_[s].definition = index;
    syms_[s].expanded = false;
    noteDefinition(s, true);
    ++liveDefinitions_;
    placeInEvalOrder(index);
}

// Keeps the evaluation order current as definitions come in. Layouts make their definitions nearly in
// the order of the variables' ages, so a new definition belongs at or near the end; one that belongs
// further back leaves the order to be sorted again before the next update.
void Solver::Impl::placeInEvalOrder(std::uint32_t index) {
    if (evalOrderStale_)
        return;
    constexpr std::size_t kLookBack = 64;
    const std::uint64_t serial = defs_[index].serial;
    std::size_t at = evalOrder_.size();
    const std::size_t limit = at > kLookBack ? at - kLookBack : 0;
    while (at > limit && defs_[evalOrder_[at - 1]].serial > serial)
        --at;
    if (at > 0 && defs_[evalOrder_[at - 1]].serial > serial) {
        evalOrderStale_ = true;
        return;
    }
    evalOrder_.insert(evalOrder_.begin() + static_cast<std::ptrdiff_t>(at), index);
}

// --- the tableau ---

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

bool validPriority(float p) {
    return std::isfinite(p) && p > 0.0f && p <= priority::required;
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

// Removed constraints leave their slack, error and dummy symbols behind. A host that keeps adding and
// removing constraints would grow the symbol table without end, so once most of it is dead the next
// operation rebuilds the solver, which renumbers what is alive.
void Solver::Impl::scheduleCompactionIfWasteful() {
    const std::size_t live = externals_.size() + 2 * liveRecords_;
    if (syms_.size() > 4 * live + 4096)
        needsRebuild_ = true;
}

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

// Packs the cells of the live definitions again, dropping those of definitions that are gone.
void Solver::Impl::compactDefinitionCells() {
    std::vector<Row::Cell> packed;
    packed.reserve(defCells_.size() - deadDefCells_);
    for (Definition& d : defs_) {
        if (!d.alive)
            continue;
        const auto begin = static_cast<std::uint32_t>(packed.size());
        packed.insert(packed.end(), defCells_.begin() + d.begin, defCells_.begin() + d.begin + d.count);
        d.begin = begin;
    }
    defCells_ = std::move(packed);
    deadDefCells_ = 0;
}

// Definitions refer only to older variables, so evaluating them by the age of the variable they define
// evaluates every definition after the ones it uses. Definitions are mostly made in that order, so an
// update after an edit sweeps the definitions and their packed cells nearly front to back.
void Solver::Impl::rebuildEvalOrder() {
    evalOrder_.clear();
    evalOrder_.reserve(liveDefinitions_);
    std::uint64_t lowest = UINT64_MAX;
    std::uint64_t highest = 0;
    for (const Definition& d : defs_) {
        if (!d.alive)
            continue;
        lowest = std::min(lowest, d.serial);
        highest = std::max(highest, d.serial);
    }
    if (lowest > highest) {
        evalOrderStale_ = false;
        return;
    }
    // Each variable has one definition at most, so the ages are distinct. The variables of one layout
    // are made close together, so their ages usually span a range not much wider than their number:
    // then every definition goes straight to its place in a table indexed by age, in linear time.
    const std::uint64_t span = highest - lowest;
    if (span <= 8 * static_cast<std::uint64_t>(liveDefinitions_) + 64) {
        std::vector<std::uint32_t>& byAge = scratchByAge_; // definition + 1; 0: no definition of that age
        byAge.assign(static_cast<std::size_t>(span) + 1, 0);
        for (std::uint32_t i = 0; i < defs_.size(); ++i)
            if (defs_[i].alive)
                byAge[static_cast<std::size_t>(defs_[i].serial - lowest)] = i + 1;
        for (const std::uint32_t entry : byAge)
            if (entry != 0)
                evalOrder_.push_back(entry - 1);
    } else {
        std::vector<std::pair<std::uint64_t, std::uint32_t>>
            keyed; // (age of the defined variable, definition)
        keyed.reserve(liveDefinitions_);
        for (std::uint32_t i = 0; i < defs_.size(); ++i)
            if (defs_[i].alive)
                keyed.emplace_back(defs_[i].serial, i);
        std::sort(keyed.begin(), keyed.end());
        for (const auto& [serial, index] : keyed)
            evalOrder_.push_back(index);
    }
    evalOrderStale_ = false;
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
