// Stack views: horizontal stacks, changes after a layout, and stacks in stacks.

#include "ui/views/stack_view_test_support.h"

#include <ui/views/stack_view.h>
#include <ui/views/window.h>

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

namespace ui {
namespace {

using namespace stack_view_test;

// --- horizontal stacks --------------------------------------------------------------------------------

class StackViewHorizontal : public StackViewTest {};

// Views of natural sizes 60x40, 80x100 and 50x20, 5 points apart, in a stack placed at the window's
// corner with no size of its own: it is as wide as the row and as tall as the tallest view.
TEST_F(StackViewHorizontal, AlignsViewsOfDifferentHeights) {
    using A = StackViewAlignment;
    const AlignmentCase cases[] = {
        {"center", A::center, false, 5, {{{0, 30, 60, 40}, {65, 0, 80, 100}, {150, 40, 50, 20}}}, 100},
        {"top", A::top, false, 5, {{{0, 0, 60, 40}, {65, 0, 80, 100}, {150, 0, 50, 20}}}, 100},
        {"bottom", A::bottom, false, 5, {{{0, 60, 60, 40}, {65, 0, 80, 100}, {150, 80, 50, 20}}}, 100},
        {"fill", A::fill, false, 5, {{{0, 0, 60, 100}, {65, 0, 80, 100}, {150, 0, 50, 100}}}, 100},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        window = std::make_shared<Window>(Size{320, 480});
        std::array<std::shared_ptr<View>, 3> views{sized(60, 40), sized(80, 100), sized(50, 20)};
        auto stack = StackView::create({views.begin(), views.end()});
        stack->setAlignment(tc.alignment);
        stack->setSpacing(tc.spacing);
        pin(stack, false);
        layout();
        EXPECT_FRAME(stack, 0, 0, 200, tc.stackHeight);
        expectFrames(views, tc.frames);
    }
}

TEST_F(StackViewHorizontal, CenterAlignmentWithMarginsInAFullWidthStack) {
    auto a = sized(60, 40), b = sized(80, 100), c = sized(50, 20);
    c->setContentHuggingPriority(200, LayoutAxis::horizontal);
    auto stack = StackView::create({a, b, c});
    stack->setAlignment(StackViewAlignment::center);
    stack->setSpacing(5);
    stack->setLayoutMargins({5, 12, 7, 20});
    stack->setLayoutMarginsRelativeArrangement(true);
    pin(stack);
    layout();
    // 288 points inside the margins: c, the least hugging, takes what a, b and the spacing leave.
    expectFrames(
        {{stack, {0, 0, 320, 112}}, {a, {12, 35, 60, 40}}, {b, {77, 5, 80, 100}}, {c, {162, 45, 138, 20}}});
}

TEST_F(StackViewHorizontal, FillDistributionStretchesTheLeastHuggingView) {
    struct Case {
        const char* name;
        int loose; // index of the view with the lowest hugging priority
        std::array<double, 3> x, width;
    };
    const Case cases[] = {
        {"last stretches", 2, {0, 65, 150}, {60, 80, 170}},
        {"first stretches", 0, {0, 185, 270}, {180, 80, 50}},
        {"middle stretches", 1, {0, 65, 270}, {60, 200, 50}},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        window = std::make_shared<Window>(Size{320, 480});
        std::array<std::shared_ptr<View>, 3> views{sized(60, 40), sized(80, 100), sized(50, 20)};
        views[tc.loose]->setContentHuggingPriority(200, LayoutAxis::horizontal);
        auto stack = StackView::create({views.begin(), views.end()});
        stack->setSpacing(5);
        pin(stack);
        layout();
        expectFrames(views, {Rect(tc.x[0], 0, tc.width[0], 100), Rect(tc.x[1], 0, tc.width[1], 100),
                             Rect(tc.x[2], 0, tc.width[2], 100)});
    }
}

TEST_F(StackViewHorizontal, FillDistributionShrinksTheLeastResistingView) {
    // 150 + 150 + 100 and two gaps of 5 do not fit in 320 points: b resists least and gives 90.
    auto a = sized(150, 20), b = sized(150, 20), c = sized(100, 20);
    b->setContentCompressionResistancePriority(500, LayoutAxis::horizontal);
    auto stack = StackView::create({a, b, c});
    stack->setSpacing(5);
    pin(stack);
    layout();
    expectFrames({{a, {0, 0, 150, 20}}, {b, {155, 0, 60, 20}}, {c, {220, 0, 100, 20}}});
}

// --- changes after a layout ------------------------------------------------------------------------------

class StackViewReconfiguration : public StackViewTest {
protected:
    void SetUp() override {
        stack = column({a, b, c});
        stack->setLayoutMargins({5, 12, 7, 20});
        pin(stack);
        layout();
        ASSERT_PRED_FORMAT2(sameRect, c->frame(), Rect(0, 100, 320, 30));
    }

    std::shared_ptr<View> a = sized(100, 40), b = sized(200, 60), c = sized(50, 30);
    std::shared_ptr<StackView> stack;
};

TEST_F(StackViewReconfiguration, SpacingChangesReplaceTheChain) {
    stack->setSpacing(10);
    layout();
    expectFrames({{b, {0, 50, 320, 60}}, {c, {0, 120, 320, 30}}, {stack, {0, 0, 320, 150}}});

    stack->setSpacing(2);
    layout();
    expectFrames({{b, {0, 42, 320, 60}}, {c, {0, 104, 320, 30}}, {stack, {0, 0, 320, 134}}});
}

TEST_F(StackViewReconfiguration, AlignmentChangesReplaceTheCrossConstraints) {
    stack->setAlignment(StackViewAlignment::trailing);
    layout();
    expectFrames({{a, {220, 0, 100, 40}}, {b, {120, 40, 200, 60}}});

    stack->setAlignment(StackViewAlignment::center);
    layout();
    expectFrames({{a, {110, 0, 100, 40}}, {c, {135, 100, 50, 30}}});

    stack->setAlignment(StackViewAlignment::fill);
    layout();
    expectFrames({{a, {0, 0, 320, 40}}, {c, {0, 100, 320, 30}}});
}

TEST_F(StackViewReconfiguration, AxisChangeTurnsTheColumnIntoARow) {
    // 350 points of views in a 320 point row: c resists least and gives 30.
    c->setContentCompressionResistancePriority(700, LayoutAxis::horizontal);
    stack->setAxis(LayoutAxis::horizontal);
    stack->setAlignment(StackViewAlignment::top);
    layout();
    expectFrames(
        {{stack, {0, 0, 320, 60}}, {a, {0, 0, 100, 40}}, {b, {100, 0, 200, 60}}, {c, {300, 0, 20, 30}}});

    stack->setAxis(LayoutAxis::vertical);
    layout();
    expectFrames({{stack, {0, 0, 320, 130}}, {b, {0, 40, 200, 60}}});
}

TEST_F(StackViewReconfiguration, MarginChangesApplyWhileTheArrangementIsRelativeToThem) {
    stack->setLayoutMarginsRelativeArrangement(true);
    layout();
    expectFrames({{a, {12, 5, 288, 40}}, {stack, {0, 0, 320, 142}}});

    stack->setLayoutMargins({1, 2, 3, 4});
    layout();
    expectFrames({{a, {2, 1, 314, 40}}, {c, {2, 101, 314, 30}}, {stack, {0, 0, 320, 134}}});

    stack->setLayoutMarginsRelativeArrangement(false);
    layout();
    expectFrames({{a, {0, 0, 320, 40}}, {stack, {0, 0, 320, 130}}});

    // Ignored while the arrangement is not relative to them.
    stack->setLayoutMargins({30, 30, 30, 30});
    layout();
    expectFrames({{a, {0, 0, 320, 40}}, {stack, {0, 0, 320, 130}}});
}

TEST_F(StackViewReconfiguration, ViewsAddedLaterJoinTheChain) {
    auto d = sized(10, 15);
    stack->insertArrangedSubview(d, 0);
    auto e = sized(10, 5);
    stack->addArrangedSubview(e);
    layout();
    expectFrames({{d, {0, 0, 320, 15}},
                  {a, {0, 15, 320, 40}},
                  {c, {0, 115, 320, 30}},
                  {e, {0, 145, 320, 5}},
                  {stack, {0, 0, 320, 150}}});
}

// --- stacks in stacks -------------------------------------------------------------------------------------

class StackViewNested : public StackViewTest {};

TEST_F(StackViewNested, ColumnOfRows) {
    auto x = sized(50, 20), y = sized(70, 30), z = sized(100, 10);
    auto firstRow = StackView::create({x, y});
    firstRow->setAlignment(StackViewAlignment::center);
    firstRow->setSpacing(4);
    auto secondRow = StackView::create({z});
    auto column = StackViewTest::column({firstRow, secondRow}, 8, StackViewAlignment::leading);
    pin(column);
    layout();

    expectFrames({{column, {0, 0, 320, 48}},
                  {firstRow, {0, 0, 124, 30}},
                  {secondRow, {0, 38, 100, 10}},
                  {x, {0, 5, 50, 20}},
                  {y, {54, 0, 70, 30}},
                  {z, {0, 0, 100, 10}}});
    EXPECT_PRED_FORMAT2(sameRect, z->convertRectTo(z->bounds(), nullptr), Rect(0, 38, 100, 10));

    // Hiding a view inside a row resizes the row, and the column follows.
    y->setHidden(true);
    layout();
    expectFrames({{firstRow, {0, 0, 50, 20}},
                  {x, {0, 0, 50, 20}},
                  {secondRow, {0, 28, 100, 10}},
                  {column, {0, 0, 320, 38}}});

    // Hiding a whole row closes the column up.
    y->setHidden(false);
    firstRow->setHidden(true);
    layout();
    expectFrames({{secondRow, {0, 0, 100, 10}}, {column, {0, 0, 320, 10}}});
}

TEST_F(StackViewNested, FillColumnGivesRowsItsWidth) {
    // The row is as tall as its tallest view; the right view, hugging least, takes the width left over.
    auto left = sized(100, 20), right = sized(50, 30);
    right->setContentHuggingPriority(200, LayoutAxis::horizontal);
    auto row = StackView::create({left, right});
    row->setSpacing(10);
    auto footer = ofHeight(15);
    auto column = StackViewTest::column({row, footer});
    column->setLayoutMargins({8, 8, 8, 8});
    column->setLayoutMarginsRelativeArrangement(true);
    pin(column);
    layout();

    expectFrames({{column, {0, 0, 320, 61}},
                  {row, {8, 8, 304, 30}},
                  {left, {0, 0, 100, 30}},
                  {right, {110, 0, 194, 30}},
                  {footer, {8, 38, 304, 15}}});
}

} // namespace
} // namespace ui
