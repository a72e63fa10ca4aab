// Randomized cross-check of the solver against brute force.

#include "ui/solver/solver_test_support.h"

#include <ui/solver/solver.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <random>
#include <vector>

namespace ui {
namespace {

using namespace solver_test;

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

} // namespace
} // namespace ui
