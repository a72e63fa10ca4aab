#include "ui/solver/solver.h"

#include "ui/solver/solver_impl.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// Definitions: required equalities kept outside the tableau, each as `v := constant + sum(...)`, and the
// order in which an update evaluates them.

namespace ui {

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

} // namespace ui
