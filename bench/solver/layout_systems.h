#pragma once

// Two constraint systems shaped like real storefront layouts, shared by the solver benchmarks, the
// solver demo and the solver tests: a vertical stack of fixed-height rows, and a grid of product tiles
// in rows of three whose heights follow their widths.

#include <ui/solver/solver.h>

#include <cstddef>
#include <utility>
#include <vector>

namespace ui::bench {

struct Box {
    Variable left, top, width, height;
    Expression right() const { return Expression(left) + width; }
    Expression bottom() const { return Expression(top) + height; }
};

// The four variables of a box in one allocation, unnamed, as the layout engine makes a view's.
inline Box makeBox() {
    auto [left, top, width, height] = Variable::group<4>();
    return Box{std::move(left), std::move(top), std::move(width), std::move(height)};
}

inline void addOrDie(Solver& solver, const Constraint& c, std::size_t* failures) {
    if (solver.addConstraint(c) != SolverStatus::ok && failures)
        ++*failures;
}

// A vertical stack of n children, 44 points high and 10 apart, inset by 8 in its container.
struct StackSystem {
    Box container = makeBox();
    std::vector<Box> children;
    std::size_t failures = 0;

    void build(Solver& solver, std::size_t n, double width) {
        children.reserve(n);
        for (std::size_t i = 0; i < n; ++i) {
            Box child = makeBox();
            addOrDie(solver, Constraint(child.left, Relation::equal, Expression(container.left) + 8.0),
                     &failures);
            addOrDie(solver,
                     Constraint(child.width, Relation::equal, Expression(container.width) - 16.0, 999.0f),
                     &failures);
            addOrDie(solver, Constraint(child.height, Relation::equal, 44.0), &failures);
            if (i == 0)
                addOrDie(solver, Constraint(child.top, Relation::equal, Expression(container.top) + 8.0),
                         &failures);
            else
                addOrDie(solver, Constraint(child.top, Relation::equal, children.back().bottom() + 10.0),
                         &failures);
            children.push_back(child);
        }
        solver.addEditVariable(container.width, priority::required);
        solver.suggestValue(container.width, width);
        solver.updateVariables();
    }
};

// n tiles in rows of three. Each tile is 1.4 times as high as it is wide; each row hugs its tiles at
// priority 250 but is never shorter than any of them.
struct GridSystem {
    Box container = makeBox();
    std::vector<Box> rows;
    std::vector<Box> tiles;
    std::size_t failures = 0;

    void build(Solver& solver, std::size_t n, double width) {
        const std::size_t rowCount = (n + 2) / 3;
        rows.reserve(rowCount);
        tiles.reserve(n);
        for (std::size_t r = 0; r < rowCount; ++r) {
            Box row = makeBox();
            const std::size_t first = tiles.size();
            for (std::size_t t = 0; t < 3 && tiles.size() < n; ++t) {
                Box tile = makeBox();
                if (t == 0)
                    addOrDie(solver, Constraint(tile.left, Relation::equal, row.left), &failures);
                else
                    addOrDie(solver, Constraint(tile.left, Relation::equal, tiles.back().right() + 8.0),
                             &failures);
                addOrDie(solver, Constraint(tile.top, Relation::equal, row.top), &failures);
                addOrDie(solver, Constraint(tile.height, Relation::equal, Expression(tile.width) * 1.4),
                         &failures);
                addOrDie(solver, Constraint(row.height, Relation::greaterOrEqual, tile.height), &failures);
                addOrDie(solver, Constraint(row.height, Relation::equal, tile.height, priority::defaultLow),
                         &failures);
                tiles.push_back(tile);
            }
            addOrDie(solver, Constraint(tiles.back().right(), Relation::equal, row.right()), &failures);
            for (std::size_t t = first + 1; t < tiles.size(); ++t)
                addOrDie(solver, Constraint(tiles[t - 1].width, Relation::equal, tiles[t].width), &failures);
            addOrDie(solver, Constraint(row.width, Relation::equal, container.width), &failures);
            if (r == 0)
                addOrDie(solver, Constraint(row.top, Relation::equal, container.top), &failures);
            else
                addOrDie(solver, Constraint(row.top, Relation::equal, rows.back().bottom() + 8.0), &failures);
            rows.push_back(row);
        }
        solver.addEditVariable(container.width, priority::required);
        solver.suggestValue(container.width, width);
        solver.updateVariables();
    }
};

} // namespace ui::bench
