// The solver against the public API: chains, inequalities, priorities, removal, edit variables, bad
// input, and large stacks and grids.

#include "solver/layout_systems.h"
#include "ui/solver/solver_test_support.h"

#include <ui/solver/solver.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <random>

namespace ui {
namespace {

using namespace solver_test;

TEST(Solver, SolvesChainsInequalitiesAndYieldingPriorities) {
    Solver solver;
    // A chain: each variable 5 more than the previous, the first fixed at 10.
    std::vector<Variable> chain(50);
    ASSERT_EQ(solver.addConstraint(eq(chain[0], 10.0)), SolverStatus::ok);
    for (std::size_t i = 1; i < chain.size(); ++i)
        ASSERT_EQ(solver.addConstraint(eq(chain[i], Expression(chain[i - 1]) + 5.0)), SolverStatus::ok);

    // Bounded by inequalities, pulled outside them by a preference: the bound wins.
    Variable x("x");
    ASSERT_EQ(solver.addConstraint(ge(x, 10.0)), SolverStatus::ok);
    ASSERT_EQ(solver.addConstraint(le(x, 20.0)), SolverStatus::ok);
    ASSERT_EQ(solver.addConstraint(eq(x, 30.0, priority::defaultLow)), SolverStatus::ok);

    // Two preferences in conflict: the higher priority wins, whatever was added first.
    Variable y("y");
    ASSERT_EQ(solver.addConstraint(eq(y, 200.0, priority::defaultLow)), SolverStatus::ok);
    ASSERT_EQ(solver.addConstraint(eq(y, 100.0, priority::defaultHigh)), SolverStatus::ok);

    // Within one priority the sum of violations is minimised: z is pulled to 0 twice and to 9 once.
    Variable z("z");
    ASSERT_EQ(solver.addConstraint(eq(z, 0.0, 500.0f)), SolverStatus::ok);
    ASSERT_EQ(solver.addConstraint(eq(Expression(z) * 2.0, 0.0, 500.0f)), SolverStatus::ok);
    ASSERT_EQ(solver.addConstraint(eq(z, 9.0, 500.0f)), SolverStatus::ok);

    // An inequality between two variables that both have values already.
    Variable a("a"), b("b");
    ASSERT_EQ(solver.addConstraint(eq(a, 40.0, 999.0f)), SolverStatus::ok);
    ASSERT_EQ(solver.addConstraint(eq(b, 70.0, priority::defaultHigh)), SolverStatus::ok);
    ASSERT_EQ(solver.addConstraint(ge(a, Expression(b) + 5.0)), SolverStatus::ok);

    solver.updateVariables();
    for (std::size_t i = 0; i < chain.size(); ++i)
        EXPECT_NEAR(chain[i].value(), 10.0 + 5.0 * static_cast<double>(i), kTol) << i;
    EXPECT_NEAR(x.value(), 20.0, kTol);
    EXPECT_NEAR(y.value(), 100.0, kTol);
    EXPECT_NEAR(z.value(), 0.0, kTol);
    EXPECT_NEAR(a.value(), 40.0, kTol); // 999 holds a; b must give way to a - 5
    EXPECT_NEAR(b.value(), 35.0, kTol);
}

// A constraint made from one expression compared with zero merges the terms of each variable the way
// lhs relation rhs does, drops those that cancel, and solves the same.
TEST(Solver, ConstraintsComparingOneExpressionToZero) {
    Variable left("left"), width("width"), other("other");
    // left + width - (left + 0.5 * width) - 30 == 0, written term by term: left cancels.
    Expression e;
    e.terms.push_back({left, 1.0});
    e.terms.push_back({width, 1.0});
    e.terms.push_back({left, -1.0});
    e.terms.push_back({width, -0.5});
    e.terms.push_back({other, 0.0});
    e.constant = -30.0;
    const Constraint halfWidth = Constraint::comparingToZero(std::move(e), Relation::equal);
    ASSERT_EQ(halfWidth.expression().terms.size(), 1u);
    EXPECT_TRUE(halfWidth.expression().terms[0].variable.sameAs(width));
    EXPECT_EQ(halfWidth.expression().terms[0].coefficient, 0.5);
    EXPECT_EQ(halfWidth.expression().constant, -30.0);
    EXPECT_TRUE(halfWidth.isRequired());

    // The same as the two-sided form, term for term.
    const Constraint twoSided =
        eq(Expression(left) + width, Expression(left) + Expression(width) * 0.5 + 30.0);
    ASSERT_EQ(twoSided.expression().terms.size(), 1u);
    EXPECT_EQ(twoSided.expression().terms[0].coefficient, 0.5);
    EXPECT_EQ(twoSided.expression().constant, -30.0);

    Solver solver;
    ASSERT_EQ(solver.addConstraint(halfWidth), SolverStatus::ok);
    Expression bound;
    bound.terms.push_back({other, 1.0});
    bound.terms.push_back({width, -2.0});
    ASSERT_EQ(solver.addConstraint(Constraint::comparingToZero(std::move(bound), Relation::greaterOrEqual,
                                                               priority::required)),
              SolverStatus::ok);
    Expression pull;
    pull.terms.push_back({other, 1.0});
    ASSERT_EQ(solver.addConstraint(Constraint::comparingToZero(std::move(pull), Relation::equal, 10.0f)),
              SolverStatus::ok);
    ASSERT_EQ(solver.addConstraint(halfWidth), SolverStatus::duplicateConstraint);
    solver.updateVariables();
    EXPECT_NEAR(width.value(), 60.0, kTol);
    EXPECT_NEAR(other.value(), 120.0, kTol); // at least twice the width, pulled down to it
}

TEST(Solver, RefusesUnsatisfiableRequiredConstraintsAndKeepsItsState) {
    Solver solver;
    Variable x("x"), y("y"), w("w");
    ASSERT_EQ(solver.addConstraint(eq(x, 10.0)), SolverStatus::ok);
    ASSERT_EQ(solver.addConstraint(eq(Expression(y), Expression(x) * 2.0)), SolverStatus::ok);
    ASSERT_EQ(solver.addConstraint(ge(w, 0.0)), SolverStatus::ok);
    ASSERT_EQ(solver.addConstraint(le(w, 50.0)), SolverStatus::ok);
    ASSERT_EQ(solver.addConstraint(eq(w, 80.0, priority::defaultLow)), SolverStatus::ok);
    solver.updateVariables();
    ASSERT_NEAR(w.value(), 50.0, kTol);

    // A contradiction found by substitution alone, one found by the simplex, one between inequalities.
    const Constraint contradiction = eq(y, 25.0);
    const Constraint throughSimplex = ge(Expression(w) + y, 100.0);
    const Constraint emptyRange = le(w, -1.0);
    EXPECT_EQ(solver.addConstraint(contradiction), SolverStatus::unsatisfiable);
    EXPECT_EQ(solver.addConstraint(throughSimplex), SolverStatus::unsatisfiable);
    EXPECT_EQ(solver.addConstraint(emptyRange), SolverStatus::unsatisfiable);
    EXPECT_FALSE(solver.hasConstraint(contradiction));
    EXPECT_FALSE(solver.hasConstraint(throughSimplex));
    EXPECT_EQ(solver.constraintCount(), 5u);
    EXPECT_EQ(solver.removeConstraint(contradiction), SolverStatus::unknownConstraint);

    solver.updateVariables();
    EXPECT_NEAR(x.value(), 10.0, kTol);
    EXPECT_NEAR(y.value(), 20.0, kTol);
    EXPECT_NEAR(w.value(), 50.0, kTol);

    // What was refused left no trace: a constraint that is satisfiable now still goes in and is honoured.
    ASSERT_EQ(solver.addConstraint(ge(Expression(w) + y, 60.0)), SolverStatus::ok);
    ASSERT_EQ(solver.addConstraint(le(w, 45.0)), SolverStatus::ok);
    solver.updateVariables();
    EXPECT_NEAR(w.value(), 45.0, kTol);
    EXPECT_NEAR(w.value() + y.value(), 65.0, kTol);

    // A redundant copy of a required constraint is accepted, and removing either copy keeps the other.
    const Constraint again = eq(x, 10.0);
    ASSERT_EQ(solver.addConstraint(again), SolverStatus::ok);
    ASSERT_EQ(solver.removeConstraint(again), SolverStatus::ok);
    solver.updateVariables();
    EXPECT_NEAR(x.value(), 10.0, kTol);
}

TEST(Solver, RemovalLeavesAnExactSolution) {
    Solver solver;
    Variable left("left"), width("width"), right("right"), mid("mid");
    const Constraint fixLeft = eq(left, 10.0);
    const Constraint defineRight = eq(right, Expression(left) + width);
    const Constraint defineMid = eq(mid, (Expression(left) + right) / 2.0);
    const Constraint minWidth = ge(width, 100.0);
    const Constraint preferWidth = eq(width, 300.0, priority::defaultLow);
    const Constraint capRight = le(right, 250.0);
    for (const Constraint& c : {fixLeft, defineRight, defineMid, minWidth, preferWidth, capRight})
        ASSERT_EQ(solver.addConstraint(c), SolverStatus::ok);
    solver.updateVariables();
    EXPECT_NEAR(width.value(), 240.0, kTol);
    EXPECT_NEAR(mid.value(), 130.0, kTol);

    // Removing the cap lets the preference through.
    ASSERT_EQ(solver.removeConstraint(capRight), SolverStatus::ok);
    solver.updateVariables();
    EXPECT_NEAR(width.value(), 300.0, kTol);
    EXPECT_NEAR(right.value(), 310.0, kTol);

    // Removing a definition that other rows were built from: the variable is free again and the rest
    // of the system still holds exactly.
    ASSERT_EQ(solver.removeConstraint(defineRight), SolverStatus::ok);
    ASSERT_EQ(solver.addConstraint(eq(right, 1000.0)), SolverStatus::ok);
    solver.updateVariables();
    EXPECT_NEAR(right.value(), 1000.0, kTol);
    EXPECT_NEAR(mid.value(), 505.0, kTol);
    EXPECT_NEAR(width.value(), 300.0, kTol);

    // Removing everything leaves nothing behind.
    ASSERT_EQ(solver.removeConstraint(preferWidth), SolverStatus::ok);
    solver.updateVariables();
    EXPECT_NEAR(width.value(), 100.0, kTol); // only the minimum is left
    ASSERT_EQ(solver.removeConstraint(minWidth), SolverStatus::ok);
    ASSERT_EQ(solver.removeConstraint(fixLeft), SolverStatus::ok);
    ASSERT_EQ(solver.removeConstraint(defineMid), SolverStatus::ok);
    EXPECT_EQ(solver.removeConstraint(defineMid), SolverStatus::unknownConstraint);
    EXPECT_EQ(solver.constraintCount(), 1u);
    // Re-adding what was removed behaves as new.
    ASSERT_EQ(solver.addConstraint(fixLeft), SolverStatus::ok);
    ASSERT_EQ(solver.addConstraint(defineMid), SolverStatus::ok);
    solver.updateVariables();
    EXPECT_NEAR(left.value(), 10.0, kTol);
    EXPECT_NEAR(mid.value(), 505.0, kTol);
}

TEST(Solver, EditVariablesResolveAfterManySuggestions) {
    Solver solver;
    Variable containerWidth("container.width");
    std::vector<Variable> widths(20);
    for (std::size_t i = 0; i < widths.size(); ++i) {
        ASSERT_EQ(solver.addConstraint(eq(widths[i], Expression(containerWidth) - 16.0, 999.0f)),
                  SolverStatus::ok);
        ASSERT_EQ(solver.addConstraint(ge(widths[i], 10.0 * static_cast<double>(i))), SolverStatus::ok);
    }
    ASSERT_EQ(solver.addEditVariable(containerWidth, priority::required), SolverStatus::ok);
    EXPECT_EQ(solver.addEditVariable(containerWidth, 500.0f), SolverStatus::duplicateEditVariable);

    std::mt19937 rng(7);
    std::uniform_real_distribution<double> dist(0.0, 1000.0);
    for (int round = 0; round < 500; ++round) {
        const double suggested = dist(rng);
        ASSERT_EQ(solver.suggestValue(containerWidth, suggested), SolverStatus::ok);
        if (round % 7 != 0)
            continue;
        solver.updateVariables();
        ASSERT_NEAR(containerWidth.value(), suggested, kTol);
        for (std::size_t i = 0; i < widths.size(); ++i)
            ASSERT_NEAR(widths[i].value(), std::max(suggested - 16.0, 10.0 * static_cast<double>(i)), kTol)
                << "round " << round << " child " << i;
    }

    // Once the edit is removed, nothing pulls the container: the children's preferences decide.
    ASSERT_EQ(solver.removeEditVariable(containerWidth), SolverStatus::ok);
    EXPECT_EQ(solver.suggestValue(containerWidth, 5.0), SolverStatus::unknownEditVariable);
    EXPECT_EQ(solver.removeEditVariable(containerWidth), SolverStatus::unknownEditVariable);
    ASSERT_EQ(solver.addConstraint(eq(containerWidth, 116.0)), SolverStatus::ok);
    solver.updateVariables();
    EXPECT_NEAR(widths[3].value(), 100.0, kTol);
    EXPECT_NEAR(widths[19].value(), 190.0, kTol);
}

TEST(Solver, RefusesBadNumbersAndBadCalls) {
    Solver solver;
    Variable x("x");
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(solver.addConstraint(eq(x, nan)), SolverStatus::nonFiniteValue);
    EXPECT_EQ(solver.addConstraint(eq(Expression(x) * inf, 1.0)), SolverStatus::nonFiniteValue);
    EXPECT_EQ(solver.addConstraint(eq(x, 1.0, 0.0f)), SolverStatus::invalidPriority);
    EXPECT_EQ(solver.addConstraint(eq(x, 1.0, 1001.0f)), SolverStatus::invalidPriority);
    EXPECT_EQ(solver.addConstraint(eq(x, 1.0, std::numeric_limits<float>::quiet_NaN())),
              SolverStatus::invalidPriority);
    EXPECT_EQ(solver.addEditVariable(x, -5.0f), SolverStatus::invalidPriority);
    EXPECT_EQ(solver.constraintCount(), 0u);

    const Constraint c = eq(x, 3.0);
    ASSERT_EQ(solver.addConstraint(c), SolverStatus::ok);
    EXPECT_EQ(solver.addConstraint(c), SolverStatus::duplicateConstraint);
    ASSERT_EQ(solver.addEditVariable(x, 500.0f), SolverStatus::ok);
    EXPECT_EQ(solver.suggestValue(x, inf), SolverStatus::nonFiniteValue);
    EXPECT_EQ(solver.suggestValue(x, 9.0), SolverStatus::ok);
    solver.updateVariables();
    EXPECT_NEAR(x.value(), 3.0, kTol); // the required constraint beats the edit
    EXPECT_FALSE(describe(SolverStatus::unsatisfiable).empty());

    // Terms of one variable are merged: x - x is no term at all, and 0 = 1 is a contradiction.
    Variable y("y");
    EXPECT_EQ(solver.addConstraint(eq(Expression(y) - y, 1.0)), SolverStatus::unsatisfiable);
}

TEST(Solver, PrioritiesRankStrictlyNotAsWeightedSums) {
    Solver solver;
    Variable x("x");
    ASSERT_EQ(solver.addConstraint(eq(x, 0.0, 999.0f)), SolverStatus::ok);
    std::vector<Constraint> many;
    for (int i = 0; i < 10000; ++i) {
        many.push_back(eq(x, 1.0 + i % 3, priority::defaultLow));
        ASSERT_EQ(solver.addConstraint(many.back()), SolverStatus::ok);
    }
    solver.updateVariables();
    EXPECT_NEAR(x.value(), 0.0, kTol);

    // The same against an edit variable: nine rows hugging their content at 250 must not outvote the
    // container's width being set at 1000.
    Solver layout;
    bench::GridSystem grid;
    grid.build(layout, 27, 320.0);
    ASSERT_EQ(grid.failures, 0u);
    std::vector<Constraint> hugs;
    for (const bench::Box& row : grid.rows) {
        for (int k = 0; k < 1000; ++k) {
            hugs.push_back(eq(row.width, 100.0, priority::defaultLow));
            ASSERT_EQ(layout.addConstraint(hugs.back()), SolverStatus::ok);
        }
    }
    layout.suggestValue(grid.container.width, 768.0);
    layout.updateVariables();
    EXPECT_NEAR(grid.container.width.value(), 768.0, kTol);
    EXPECT_NEAR(grid.tiles[0].width.value(), (768.0 - 16.0) / 3.0, kTol);
}

TEST(Solver, LaysOutLargeStacksAndGridsExactly) {
    Solver stackSolver;
    bench::StackSystem stack;
    stack.build(stackSolver, 10000, 375.0);
    ASSERT_EQ(stack.failures, 0u);
    for (std::size_t i = 0; i < stack.children.size(); i += 997) {
        const bench::Box& c = stack.children[i];
        EXPECT_NEAR(c.top.value(), 8.0 + 54.0 * static_cast<double>(i), kTol);
        EXPECT_NEAR(c.left.value(), 8.0, kTol);
        EXPECT_NEAR(c.width.value(), 359.0, kTol);
        EXPECT_NEAR(c.height.value(), 44.0, kTol);
    }
    stackSolver.suggestValue(stack.container.width, 1024.0);
    stackSolver.updateVariables();
    EXPECT_NEAR(stack.children.back().width.value(), 1008.0, kTol);
    EXPECT_NEAR(stack.children.back().top.value(), 8.0 + 54.0 * 9999.0, kTol);

    for (double width : {320.0, 768.0}) {
        Solver gridSolver;
        bench::GridSystem grid;
        grid.build(gridSolver, 300, width);
        ASSERT_EQ(grid.failures, 0u);
        const double tileWidth = (width - 16.0) / 3.0;
        const double tileHeight = 1.4 * tileWidth;
        for (std::size_t i = 0; i < grid.tiles.size(); i += 13) {
            const bench::Box& t = grid.tiles[i];
            const double row = static_cast<double>(i / 3);
            const double column = static_cast<double>(i % 3);
            EXPECT_NEAR(t.width.value(), tileWidth, kTol) << i;
            EXPECT_NEAR(t.height.value(), tileHeight, kTol) << i;
            EXPECT_NEAR(t.left.value(), column * (tileWidth + 8.0), kTol) << i;
            EXPECT_NEAR(t.top.value(), row * (tileHeight + 8.0), kTol) << i;
        }
        EXPECT_NEAR(grid.rows.back().height.value(), tileHeight, kTol);
    }
}

} // namespace
} // namespace ui
