#include "solver/layout_systems.h"

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

constexpr double kTol = 1e-6;

Constraint eq(const Expression& a, const Expression& b, float p = priority::required) {
    return Constraint(a, Relation::equal, b, p);
}
Constraint le(const Expression& a, const Expression& b, float p = priority::required) {
    return Constraint(a, Relation::lessOrEqual, b, p);
}
Constraint ge(const Expression& a, const Expression& b, float p = priority::required) {
    return Constraint(a, Relation::greaterOrEqual, b, p);
}

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

// --- randomized cross-check against brute force -------------------------------------------------------

// A small system over three integer-valued variables in 0...10, with integer coefficients, so that every
// point of the grid can be tried. The solver's optimum is over the reals, so it must be at least as good,
// priority by priority, as the best grid point; and it must satisfy every required constraint.
struct RandomSystem {
    struct RandomConstraint {
        std::array<int, 3> coeffs{};
        int constant = 0;
        Relation relation = Relation::equal;
        float priority = priority::required;
    };
    std::vector<RandomConstraint> constraints;

    static double lhs(const RandomConstraint& s, const std::array<double, 3>& p) {
        return s.coeffs[0] * p[0] + s.coeffs[1] * p[1] + s.coeffs[2] * p[2] + s.constant;
    }
    static double violation(const RandomConstraint& s, const std::array<double, 3>& p) {
        const double v = lhs(s, p);
        switch (s.relation) {
        case Relation::equal:
            return std::fabs(v);
        case Relation::lessOrEqual:
            return std::max(0.0, v);
        case Relation::greaterOrEqual:
            return std::max(0.0, -v);
        }
        return 0.0;
    }
};

constexpr std::array<float, 3> kLevels{999.0f, 750.0f, 250.0f};

// Total violation per preference level, highest first; nullopt when a required constraint is broken.
std::optional<std::array<double, 3>> score(const std::vector<RandomSystem::RandomConstraint>& constraints,
                                           const std::array<double, 3>& p, double tolerance) {
    std::array<double, 3> total{};
    for (const auto& s : constraints) {
        const double v = RandomSystem::violation(s, p);
        if (s.priority >= priority::required) {
            if (v > tolerance)
                return std::nullopt;
            continue;
        }
        for (std::size_t l = 0; l < kLevels.size(); ++l)
            if (s.priority == kLevels[l])
                total[l] += v;
    }
    return total;
}

TEST(Solver, RandomSystemsMatchBruteForce) {
    std::mt19937 rng(20261209);
    std::uniform_int_distribution<int> coeff(-3, 3);
    std::uniform_int_distribution<int> value(0, 10);
    std::uniform_int_distribution<int> pick(0, 2);
    int checked = 0;
    for (int trial = 0; trial < 400; ++trial) {
        // A hidden integer point that every required constraint accepts.
        const std::array<double, 3> hidden{double(value(rng)), double(value(rng)), double(value(rng))};
        std::vector<RandomSystem::RandomConstraint> constraints;
        const int required = 1 + trial % 4;
        const int preferences = 2 + trial % 5;
        for (int i = 0; i < required + preferences; ++i) {
            RandomSystem::RandomConstraint s;
            for (int& c : s.coeffs)
                c = coeff(rng);
            if (s.coeffs == std::array<int, 3>{})
                s.coeffs[static_cast<std::size_t>(pick(rng))] = 1;
            s.relation = static_cast<Relation>(pick(rng));
            const double at = s.coeffs[0] * hidden[0] + s.coeffs[1] * hidden[1] + s.coeffs[2] * hidden[2];
            if (i < required) {
                // Satisfied by the hidden point: equal, or with slack on the right side.
                const int slack = value(rng) / 3;
                s.constant = -static_cast<int>(at);
                if (s.relation == Relation::lessOrEqual)
                    s.constant -= slack;
                if (s.relation == Relation::greaterOrEqual)
                    s.constant += slack;
            } else {
                s.constant = -value(rng) * 3 + 10;
                s.priority = kLevels[static_cast<std::size_t>(pick(rng))];
            }
            constraints.push_back(s);
        }

        // Variables are created in a random order so that definitions and tableau rows both get used.
        std::array<Variable, 3> vars;
        std::array<std::size_t, 3> order{0, 1, 2};
        std::shuffle(order.begin(), order.end(), rng);
        for (std::size_t k : order)
            vars[k] = Variable("v" + std::to_string(k));
        auto toConstraint = [&](const RandomSystem::RandomConstraint& s) {
            Expression e(static_cast<double>(s.constant));
            for (std::size_t k = 0; k < 3; ++k)
                if (s.coeffs[k] != 0)
                    e = e + Expression(vars[k]) * s.coeffs[k];
            return Constraint(e, s.relation, 0.0, s.priority);
        };

        Solver solver;
        std::vector<Constraint> added;
        for (const auto& s : constraints) {
            added.push_back(toConstraint(s));
            ASSERT_EQ(solver.addConstraint(added.back()), SolverStatus::ok) << "trial " << trial;
        }

        auto check = [&](const std::vector<RandomSystem::RandomConstraint>& active, const char* stage) {
            solver.updateVariables();
            const std::array<double, 3> got{vars[0].value(), vars[1].value(), vars[2].value()};
            const auto mine = score(active, got, 1e-6);
            ASSERT_TRUE(mine.has_value())
                << stage << " trial " << trial << ": a required constraint is broken";
            std::optional<std::array<double, 3>> best;
            for (int a = 0; a <= 10; ++a)
                for (int b = 0; b <= 10; ++b)
                    for (int c = 0; c <= 10; ++c) {
                        const auto s = score(active, {double(a), double(b), double(c)}, 0.0);
                        if (s && (!best || *s < *best))
                            best = s;
                    }
            ASSERT_TRUE(best.has_value());
            for (std::size_t l = 0; l < 3; ++l) {
                if (std::fabs((*mine)[l] - (*best)[l]) <= 1e-6)
                    continue;
                ASSERT_LT((*mine)[l], (*best)[l]) << stage << " trial " << trial << " level " << kLevels[l];
                break; // strictly better at a higher level: lower levels may be anything
            }
            ++checked;
        };
        check(constraints, "after adding");

        // Remove about half of the constraints, required ones included, and check again.
        std::vector<RandomSystem::RandomConstraint> kept;
        for (std::size_t i = 0; i < constraints.size(); ++i) {
            if (i % 2 == static_cast<std::size_t>(trial % 2)) {
                ASSERT_EQ(solver.removeConstraint(added[i]), SolverStatus::ok);
            } else {
                kept.push_back(constraints[i]);
            }
        }
        check(kept, "after removing");
    }
    EXPECT_EQ(checked, 800);
}

TEST(Solver, RemovingADefinitionTheTableauWasBuiltFromStaysExact) {
    Solver solver;
    std::vector<bench::Box> boxes;
    std::vector<Constraint> heights;
    for (int i = 0; i < 10; ++i) {
        bench::Box b = bench::makeBox();
        heights.push_back(eq(b.height, 44.0));
        ASSERT_EQ(solver.addConstraint(heights.back()), SolverStatus::ok);
        ASSERT_EQ(solver.addConstraint(i == 0 ? eq(b.top, 0.0) : eq(b.top, boxes.back().bottom() + 10.0)),
                  SolverStatus::ok);
        boxes.push_back(b);
    }
    // A bound on the end of the chain folds the whole chain into a tableau row.
    Variable end("end");
    ASSERT_EQ(solver.addConstraint(eq(end, boxes.back().bottom())), SolverStatus::ok);
    const Constraint bound = le(end, 700.0);
    ASSERT_EQ(solver.addConstraint(bound), SolverStatus::ok);
    solver.updateVariables();
    EXPECT_NEAR(end.value(), 9 * 54.0 + 44.0, kTol);

    // Make the fifth box taller.
    ASSERT_EQ(solver.removeConstraint(heights[4]), SolverStatus::ok);
    const Constraint taller = eq(boxes[4].height, 100.0);
    ASSERT_EQ(solver.addConstraint(taller), SolverStatus::ok);
    solver.updateVariables();
    EXPECT_EQ(solver.stats().rebuilds, 1u);
    EXPECT_NEAR(boxes[5].top.value(), 4 * 54.0 + 110.0, kTol);
    EXPECT_NEAR(end.value(), 9 * 54.0 + 44.0 + 56.0, kTol);

    // The bound still holds after the rebuild: a box taller than it allows is refused and changes nothing.
    ASSERT_EQ(solver.removeConstraint(taller), SolverStatus::ok);
    EXPECT_EQ(solver.addConstraint(eq(boxes[4].height, 300.0)), SolverStatus::unsatisfiable);
    ASSERT_EQ(solver.addConstraint(eq(boxes[4].height, 150.0)), SolverStatus::ok);
    solver.updateVariables();
    EXPECT_NEAR(end.value(), 9 * 54.0 + 44.0 + 106.0, kTol);
    ASSERT_EQ(solver.removeConstraint(bound), SolverStatus::ok);
    EXPECT_EQ(solver.addConstraint(eq(end, 5000.0)),
              SolverStatus::unsatisfiable); // still defined by the chain
}

// Definitions are evaluated by the age of the variable they define. A chain whose links arrive in a
// scrambled order, far from the order of its variables, must still evaluate every link after the ones
// it reads: some links come in order, many come late, and some come late in a run of their own. The
// chain's variables are made one after another (ages close together) or far apart (other variables made
// in between), which the solver orders in different ways.
TEST(Solver, ChainsDefinedOutOfOrderEvaluateFromTheirRoots) {
    constexpr int kLinks = 600;
    for (const int spacing : {0, 20}) {
        SCOPED_TRACE(spacing == 0 ? "variables made together" : "variables made far apart");
        std::vector<Variable> v;
        std::vector<Variable> others;
        for (int i = 0; i <= kLinks; ++i) {
            v.emplace_back();
            for (int k = 0; k < spacing; ++k)
                others.emplace_back();
        }
        std::vector<int> order(kLinks);
        for (int i = 0; i < kLinks; ++i)
            order[i] = i + 1;
        std::mt19937 random(7);
        // The last link first, then a third in order, the rest shuffled, with one stretch reversed.
        std::rotate(order.begin(), order.end() - 1, order.end());
        std::shuffle(order.begin() + kLinks / 3, order.end(), random);
        std::reverse(order.begin() + kLinks / 2, order.begin() + kLinks / 2 + 100);

        Solver solver;
        for (const int i : order)
            ASSERT_EQ(solver.addConstraint(eq(v[i], v[i - 1] + 1.0)), SolverStatus::ok);
        ASSERT_EQ(solver.addConstraint(eq(v[0], 5.0)), SolverStatus::ok);
        solver.updateVariables();
        for (int i = 0; i <= kLinks; ++i)
            ASSERT_NEAR(v[i].value(), 5.0 + i, kTol) << "link " << i;
    }
}

TEST(Solver, ConstraintChurnKeepsMemoryBounded) {
    Solver solver;
    Variable x("x"), y("y");
    ASSERT_EQ(solver.addConstraint(eq(y, Expression(x) + 1.0)), SolverStatus::ok);
    ASSERT_EQ(solver.addConstraint(le(x, 1000.0)), SolverStatus::ok);
    for (int i = 0; i < 20000; ++i) {
        const Constraint pull = eq(x, static_cast<double>(i % 1500), 500.0f);
        ASSERT_EQ(solver.addConstraint(pull), SolverStatus::ok);
        if (i % 1000 == 0) {
            solver.updateVariables();
            ASSERT_NEAR(x.value(), std::min(1000.0, static_cast<double>(i % 1500)), kTol) << i;
            ASSERT_NEAR(y.value(), x.value() + 1.0, kTol);
        }
        ASSERT_EQ(solver.removeConstraint(pull), SolverStatus::ok);
    }
    EXPECT_GT(solver.stats().rebuilds, 0u);
    EXPECT_LT(solver.stats().symbols, 10000u);
    EXPECT_EQ(solver.constraintCount(), 2u);

    // Definitions that come and go leave their terms behind until the solver packs the rest again;
    // the definitions that stay keep their values through that.
    ASSERT_EQ(solver.addConstraint(eq(x, 10.0, 500.0f)), SolverStatus::ok);
    Variable doubled("doubled");
    ASSERT_EQ(solver.addConstraint(eq(doubled, Expression(y) * 2.0)), SolverStatus::ok);
    ASSERT_TRUE(solver.isDefined(doubled));
    for (int i = 0; i < 3000; ++i) {
        Variable z;
        const Constraint define = eq(z, Expression(x) + Expression(y) + static_cast<double>(i));
        ASSERT_EQ(solver.addConstraint(define), SolverStatus::ok);
        if (i % 500 == 0) {
            ASSERT_TRUE(solver.isDefined(z)) << i;
            solver.updateVariables();
            ASSERT_NEAR(z.value(), 21.0 + i, kTol) << i;
            ASSERT_NEAR(doubled.value(), 22.0, kTol) << i;
        }
        ASSERT_EQ(solver.removeConstraint(define), SolverStatus::ok);
    }
    solver.updateVariables();
    EXPECT_NEAR(doubled.value(), 22.0, kTol);
    EXPECT_EQ(solver.stats().definitions, 2u);
    EXPECT_EQ(solver.constraintCount(), 4u);
}

TEST(Solver, SolversSharingConstraintsAndVariablesKeepTheirOwnState) {
    Variable x("x"), y("y");
    const Constraint fixX = eq(x, 10.0);
    const Constraint follow = eq(y, Expression(x) + 5.0);
    const Constraint capY = le(y, 100.0);
    Solver a, b;
    for (Solver* s : {&a, &b}) {
        ASSERT_EQ(s->addConstraint(fixX), SolverStatus::ok);
        ASSERT_EQ(s->addConstraint(follow), SolverStatus::ok);
        ASSERT_EQ(s->addConstraint(capY), SolverStatus::ok);
        EXPECT_EQ(s->addConstraint(follow), SolverStatus::duplicateConstraint);
    }
    EXPECT_EQ(a.constraintCount(), 3u);
    EXPECT_EQ(b.constraintCount(), 3u);

    ASSERT_EQ(a.removeConstraint(follow), SolverStatus::ok); // folded into a row: a rebuilds
    EXPECT_FALSE(a.hasConstraint(follow));
    EXPECT_TRUE(b.hasConstraint(follow));
    EXPECT_EQ(a.removeConstraint(follow), SolverStatus::unknownConstraint);

    const Constraint onlyB = eq(x, 20.0, 500.0f);
    ASSERT_EQ(b.addConstraint(onlyB), SolverStatus::ok);
    EXPECT_FALSE(a.hasConstraint(onlyB));
    ASSERT_EQ(a.addConstraint(eq(y, 1.0)), SolverStatus::ok);
    a.updateVariables();
    EXPECT_NEAR(x.value(), 10.0, kTol);
    EXPECT_NEAR(y.value(), 1.0, kTol);
    b.updateVariables();
    EXPECT_NEAR(x.value(), 10.0, kTol);
    EXPECT_NEAR(y.value(), 15.0, kTol);

    // The constraint a dropped can come back, and b can let go of it too.
    ASSERT_EQ(b.removeConstraint(follow), SolverStatus::ok);
    ASSERT_EQ(b.removeConstraint(fixX), SolverStatus::ok);
    b.updateVariables();
    EXPECT_NEAR(x.value(), 20.0, kTol);
    EXPECT_EQ(a.addConstraint(follow), SolverStatus::unsatisfiable); // y is fixed at 1 in a
    EXPECT_EQ(b.addConstraint(follow), SolverStatus::ok);
    EXPECT_TRUE(b.hasConstraint(follow));
    EXPECT_FALSE(a.hasConstraint(follow));
    EXPECT_EQ(a.constraintCount(), 3u);
    EXPECT_EQ(b.constraintCount(), 3u);
}

// Variables made together share one allocation but are separate variables: each solves to its own value,
// outlives the handles of the others, and keeps its own name. Constraints and variables stay alive
// while the solver holds them, even with every handle of the caller gone.
TEST(Solver, WhetherAVariableIsDefinedFollowsRemovalRebuildsAndOtherSolvers) {
    Solver a;
    Variable x("x"), y("y"), z("z");
    const Constraint yFromX = eq(y, Expression(x) + 1.0);
    ASSERT_EQ(a.addConstraint(yFromX), SolverStatus::ok);
    EXPECT_TRUE(a.isDefined(y));
    EXPECT_FALSE(a.isDefined(x));
    ASSERT_EQ(a.removeConstraint(yFromX), SolverStatus::ok);
    EXPECT_FALSE(a.isDefined(y));
    ASSERT_EQ(a.addConstraint(yFromX), SolverStatus::ok);
    EXPECT_TRUE(a.isDefined(y));

    // z is defined from y, and an inequality on z builds a tableau row from both definitions: taking
    // z's definition away renumbers everything, after which y is defined again and z no longer is.
    const Constraint zFromY = eq(z, Expression(y) + 2.0);
    ASSERT_EQ(a.addConstraint(zFromY), SolverStatus::ok);
    ASSERT_EQ(a.addConstraint(ge(z, 10.0)), SolverStatus::ok);
    ASSERT_EQ(a.addConstraint(eq(x, 0.0, priority::defaultLow)), SolverStatus::ok);
    EXPECT_TRUE(a.isDefined(z));
    ASSERT_EQ(a.removeConstraint(zFromY), SolverStatus::ok);
    ASSERT_EQ(a.addConstraint(eq(z, 12.0, priority::defaultHigh)), SolverStatus::ok);
    EXPECT_GT(a.stats().rebuilds, 0u);
    EXPECT_TRUE(a.isDefined(y));
    EXPECT_FALSE(a.isDefined(z));
    a.updateVariables();
    EXPECT_NEAR(x.value(), 0.0, kTol);
    EXPECT_NEAR(y.value(), 1.0, kTol);
    EXPECT_NEAR(z.value(), 12.0, kTol);

    // A second solver answers for its own definitions only, and defining x there changes nothing here.
    Solver b;
    ASSERT_EQ(b.addConstraint(eq(x, 4.0)), SolverStatus::ok);
    EXPECT_TRUE(b.isDefined(x));
    EXPECT_FALSE(b.isDefined(y));
    EXPECT_FALSE(a.isDefined(x));
    EXPECT_TRUE(a.isDefined(y));
    ASSERT_EQ(a.removeConstraint(yFromX), SolverStatus::ok);
    EXPECT_FALSE(a.isDefined(y));
    EXPECT_TRUE(b.isDefined(x));
}

TEST(Solver, GroupedVariablesHandlesAndNamesBehaveLikeSingleVariables) {
    Solver solver;
    std::optional<Variable> kept;
    {
        auto [left, top, width, height] = Variable::group<4>();
        EXPECT_FALSE(left.sameAs(top));
        EXPECT_FALSE(width.sameAs(height));
        EXPECT_TRUE(Variable(left).sameAs(left));
        EXPECT_NE(left.id(), top.id());
        EXPECT_EQ(left.name(), "");
        height.setName("height");
        EXPECT_EQ(height.name(), "height");
        EXPECT_EQ(Variable(height).name(), "height"); // a copy is the same variable
        EXPECT_EQ(width.name(), "");
        ASSERT_EQ(solver.addConstraint(eq(left, 8.0)), SolverStatus::ok);
        ASSERT_EQ(solver.addConstraint(eq(width, Expression(left) * 2.0 + 4.0)), SolverStatus::ok);
        ASSERT_EQ(solver.addConstraint(eq(height, Expression(width) * 1.5)), SolverStatus::ok);
        ASSERT_EQ(solver.addConstraint(ge(top, Expression(height) + 1.0, priority::defaultLow)),
                  SolverStatus::ok);
        kept = height;
    }
    // Only `kept` and the solver's own references are left.
    solver.updateVariables();
    EXPECT_NEAR(kept->value(), 30.0, kTol);
    EXPECT_EQ(kept->name(), "height");
    kept->setName("renamed");
    EXPECT_EQ(kept->name(), "renamed");
    kept->setName("");
    EXPECT_EQ(kept->name(), "");

    // A group's members are told apart by the solver: the newest is defined in terms of the older.
    auto pair = Variable::group<2>();
    ASSERT_EQ(solver.addConstraint(eq(pair[1], Expression(pair[0]) + 3.0)), SolverStatus::ok);
    ASSERT_EQ(solver.addConstraint(eq(pair[0], 2.0, priority::defaultHigh)), SolverStatus::ok);
    EXPECT_TRUE(solver.isDefined(pair[1]));
    EXPECT_FALSE(solver.isDefined(pair[0]));
    solver.updateVariables();
    EXPECT_NEAR(pair[0].value(), 2.0, kTol);
    EXPECT_NEAR(pair[1].value(), 5.0, kTol);

    // Handles copy, move and assign like values; a moved handle leaves the variable to its new owner.
    Variable named("first");
    Variable moved(std::move(named));
    EXPECT_EQ(moved.name(), "first");
    Variable assigned("second");
    assigned = moved;
    EXPECT_TRUE(assigned.sameAs(moved));
    EXPECT_EQ(assigned.name(), "first");
    const Constraint c = eq(assigned, 7.0);
    Constraint copy(c);
    Constraint other = eq(moved, 1.0, priority::defaultLow);
    other = copy;
    EXPECT_TRUE(other.sameAs(c));
    ASSERT_EQ(solver.addConstraint(other), SolverStatus::ok);
    EXPECT_EQ(solver.addConstraint(c), SolverStatus::duplicateConstraint);
    solver.updateVariables();
    EXPECT_NEAR(moved.value(), 7.0, kTol);
}

} // namespace
} // namespace ui
