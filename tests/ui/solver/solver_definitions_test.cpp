// Definitions and their evaluation order, memory under churn, solvers that share constraints and
// variables, and variable handles.

#include "solver/layout_systems.h"
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
