#pragma once

// Solver::Impl: the state of a solver and the operations on it, shared by the files that define them,
// each for one concern:
//   solver.cpp              whole constraints: adding and removing them, the rebuild after removals,
//                           writing the solution into the variables; and the facade `Solver`
//   solver_edits.cpp        edit variables and suggested values
//   solver_definitions.cpp  definitions and the order in which they are evaluated
//   solver_tableau.cpp      symbols, rows and columns, the objective's weights, substitution and pivots
//   solver_simplex.cpp      optimisation, phase one, dual optimisation, taking a constraint out again
// The small helpers that more than one of them calls are defined inline below the class, so that every
// caller can still inline them.
//
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

#include "ui/foundation/chunked_array.h"
#include "ui/solver/id_map.h"
#include "ui/solver/small_vec.h"
#include "ui/solver/solver_row.h"
#include "ui/solver/symbol.h"
#include "ui/solver/symbolic_weight.h"

#include <ui/solver/solver.h>

#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

namespace ui {

// The solver's files are written in the vocabulary of its building blocks.
using namespace detail;

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
    static bool validPriority(float p) { return std::isfinite(p) && p > 0.0f && p <= priority::required; }
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

// Mirrors a change of an external symbol's definition into its variable, when the variable's cache
// belongs to this solver.
inline void Solver::Impl::noteDefinition(Sym s, bool defined) {
    Variable::Data& data = *externals_[syms_[s].external].variable.data_;
    if (data.solverEpoch == epoch_ && data.solverSymbol == s)
        data.defined = defined;
}

// Removed constraints leave their slack, error and dummy symbols behind. A host that keeps adding and
// removing constraints would grow the symbol table without end, so once most of it is dead the next
// operation rebuilds the solver, which renumbers what is alive.
inline void Solver::Impl::scheduleCompactionIfWasteful() {
    const std::size_t live = externals_.size() + 2 * liveRecords_;
    if (syms_.size() > 4 * live + 4096)
        needsRebuild_ = true;
}

} // namespace ui
