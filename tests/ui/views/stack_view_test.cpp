// Stack views: the list of arranged views, vertical stacks and their alignments, hidden arranged views.

#include "ui/views/stack_view_test_support.h"

#include <ui/views/stack_view.h>
#include <ui/views/window.h>

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <span>
#include <stdexcept>
#include <vector>

namespace ui {
namespace {

using namespace stack_view_test;

// --- the list of arranged views ---------------------------------------------------------------------

class StackViewArrangement : public StackViewTest {};

TEST_F(StackViewArrangement, StartsEmptyWithDefaultConfiguration) {
    auto stack = std::make_shared<StackView>();
    EXPECT_TRUE(stack->arrangedSubviews().empty());
    EXPECT_EQ(stack->axis(), LayoutAxis::horizontal);
    EXPECT_EQ(stack->alignment(), StackViewAlignment::fill);
    EXPECT_EQ(stack->distribution(), StackViewDistribution::fill);
    EXPECT_EQ(stack->spacing(), 0.0);
    EXPECT_FALSE(stack->isLayoutMarginsRelativeArrangement());
}

TEST_F(StackViewArrangement, ArrangedViewsBecomeSubviewsThatUseConstraints) {
    auto a = sized(10, 10), b = sized(10, 10), c = sized(10, 10);
    auto stack = StackView::create({a, b});
    EXPECT_EQ(stack->arrangedSubviews(), (std::vector<std::shared_ptr<View>>{a, b}));
    EXPECT_EQ(stack->subviews(), (std::vector<std::shared_ptr<View>>{a, b}));
    EXPECT_EQ(a->superview(), stack);
    EXPECT_FALSE(a->translatesAutoresizingMaskIntoConstraints());
    EXPECT_FALSE(b->translatesAutoresizingMaskIntoConstraints());

    // A view that is a subview already is arranged without being added a second time.
    stack->addSubview(c);
    EXPECT_TRUE(c->translatesAutoresizingMaskIntoConstraints());
    stack->addArrangedSubview(c);
    EXPECT_EQ(stack->subviews().size(), 3u);
    EXPECT_EQ(stack->arrangedSubviews().back(), c);
    EXPECT_FALSE(c->translatesAutoresizingMaskIntoConstraints());

    // A view of another superview moves into the stack.
    auto other = std::make_shared<View>();
    auto d = sized(10, 10);
    other->addSubview(d);
    stack->addArrangedSubview(d);
    EXPECT_EQ(d->superview(), stack);
    EXPECT_TRUE(other->subviews().empty());
}

TEST_F(StackViewArrangement, InsertsAndMovesByIndex) {
    auto a = sized(10, 10), b = sized(10, 10), c = sized(10, 10), d = sized(10, 10);
    auto stack = StackView::create({a, b});
    stack->insertArrangedSubview(c, 0);
    stack->insertArrangedSubview(d, 2);
    EXPECT_EQ(stack->arrangedSubviews(), (std::vector<std::shared_ptr<View>>{c, a, d, b}));

    // Arranging a view again moves it rather than listing it twice.
    stack->insertArrangedSubview(b, 0);
    EXPECT_EQ(stack->arrangedSubviews(), (std::vector<std::shared_ptr<View>>{b, c, a, d}));
    stack->addArrangedSubview(c);
    EXPECT_EQ(stack->arrangedSubviews(), (std::vector<std::shared_ptr<View>>{b, a, d, c}));
    EXPECT_EQ(stack->subviews().size(), 4u);

    // Past the end, a null view or the stack itself are refused, and nothing changes.
    EXPECT_THROW(stack->insertArrangedSubview(sized(1, 1), 5), std::out_of_range);
    EXPECT_THROW(stack->insertArrangedSubview(a, 4), std::out_of_range);
    EXPECT_THROW(stack->addArrangedSubview(nullptr), std::invalid_argument);
    EXPECT_THROW(stack->addArrangedSubview(stack), std::invalid_argument);
    EXPECT_EQ(stack->arrangedSubviews(), (std::vector<std::shared_ptr<View>>{b, a, d, c}));
    EXPECT_EQ(stack->subviews().size(), 4u);
}

TEST_F(StackViewArrangement, RemovingFromArrangementKeepsTheSubview) {
    auto a = ofHeight(40), b = ofHeight(60), c = ofHeight(30);
    auto stack = pinnedColumn({a, b, c}, 10);
    EXPECT_FRAME(c, 0, 120, 320, 30);

    stack->removeArrangedSubview(b);
    EXPECT_EQ(stack->arrangedSubviews(), (std::vector<std::shared_ptr<View>>{a, c}));
    EXPECT_EQ(b->superview(), stack);
    EXPECT_TRUE(contains(stack->subviews(), b));
    // A view that is not arranged is ignored.
    stack->removeArrangedSubview(b);
    stack->removeArrangedSubview(sized(1, 1));
    EXPECT_EQ(stack->arrangedSubviews().size(), 2u);

    layout();
    expectFrames({{a, {0, 0, 320, 40}}, {c, {0, 50, 320, 30}}, {stack, {0, 0, 320, 80}}});
}

TEST_F(StackViewArrangement, RemovingFromSuperviewEndsArrangement) {
    auto a = ofHeight(40), b = ofHeight(60), c = ofHeight(30);
    auto stack = pinnedColumn({a, b, c}, 10);

    b->removeFromSuperview();
    EXPECT_EQ(stack->arrangedSubviews(), (std::vector<std::shared_ptr<View>>{a, c}));
    EXPECT_EQ(b->superview(), nullptr);
    EXPECT_FALSE(contains(stack->subviews(), b));

    layout();
    expectFrames({{a, {0, 0, 320, 40}}, {c, {0, 50, 320, 30}}, {stack, {0, 0, 320, 80}}});

    // The removed view carries none of the stack's constraints into its next superview.
    auto holder = std::make_shared<View>(Rect(0, 300, 320, 100));
    window->addSubview(holder);
    holder->addSubview(b);
    b->leftAnchor().constraintEqualTo(holder->leftAnchor(), 7)->setActive(true);
    b->topAnchor().constraintEqualTo(holder->topAnchor(), 9)->setActive(true);
    b->widthAnchor().constraintEqualToConstant(25)->setActive(true);
    layout();
    expectFrames({{b, {7, 9, 25, 60}}, {c, {0, 50, 320, 30}}});
}

TEST_F(StackViewArrangement, ArrangingInAnotherStackTakesTheViewAway) {
    auto a = ofHeight(40), b = ofHeight(60);
    auto first = column({a, b});
    pin(first);
    auto second = column({});
    pinLeft(second, window->topAnchor(), 200);
    second->widthAnchor().constraintEqualToConstant(100)->setActive(true);
    layout();

    second->addArrangedSubview(a);
    EXPECT_EQ(first->arrangedSubviews(), (std::vector<std::shared_ptr<View>>{b}));
    EXPECT_EQ(a->superview(), second);
    layout();
    expectFrames(
        {{b, {0, 0, 320, 60}}, {first, {0, 0, 320, 60}}, {a, {0, 0, 100, 40}}, {second, {0, 200, 100, 40}}});
}

TEST_F(StackViewArrangement, ArrangesWhetherViewsComeBeforeOrAfterJoiningTheWindow) {
    // Arranged first, then put in the window.
    auto a = ofHeight(40), b = ofHeight(60);
    auto before = pinnedColumn({a, b});
    expectFrames({{b, {0, 40, 320, 60}}, {before, {0, 0, 320, 100}}});

    // Put in the window (and laid out) empty, then arranged.
    auto c = ofHeight(25), d = ofHeight(35);
    auto after = column({});
    pinLeft(after, before->bottomAnchor());
    after->rightAnchor().constraintEqualTo(window->rightAnchor())->setActive(true);
    layout();
    EXPECT_FRAME(after, 0, 100, 320, 0);

    after->addArrangedSubview(c);
    after->addArrangedSubview(d);
    layout();
    expectFrames({{c, {0, 0, 320, 25}}, {d, {0, 25, 320, 35}}, {after, {0, 100, 320, 60}}});
}

// --- vertical stacks ---------------------------------------------------------------------------------

class StackViewVertical : public StackViewTest {};

TEST_F(StackViewVertical, FillStacksFixedHeightsAcrossTheFullWidth) {
    auto a = ofHeight(40), b = ofHeight(60), c = ofHeight(30);
    auto stack = pinnedColumn({a, b, c}, 8);
    expectFrames(
        {{stack, {0, 0, 320, 146}}, {a, {0, 0, 320, 40}}, {b, {0, 48, 320, 60}}, {c, {0, 116, 320, 30}}});
}

// Three views of natural sizes 100x40, 200x60 and 50x30 in a stack as wide as the 320 point window.
// The stack's margins are (top 5, left 12, bottom 7, right 20) and count only when the arrangement is
// relative to them.
//
// The three views of an alignment case in a fresh window, pinned to its top and left edges, and to its
// right edge too when `fullWidth`; laid out.
class StackViewAlignmentCases : public StackViewTest {
protected:
    std::array<std::shared_ptr<View>, 3> layOut(const AlignmentCase& tc, bool fullWidth) {
        window = std::make_shared<Window>(Size{320, 480});
        std::array<std::shared_ptr<View>, 3> views{sized(100, 40), sized(200, 60), sized(50, 30)};
        stack = column({views.begin(), views.end()}, tc.spacing, tc.alignment);
        stack->setLayoutMargins({5, 12, 7, 20});
        stack->setLayoutMarginsRelativeArrangement(tc.marginsRelative);
        pin(stack, fullWidth);
        layout();
        return views;
    }

    // Lays out every case and checks its frames: the stack's is `width` wide, `widthWithMargins` when the
    // arrangement is relative to the margins.
    void expectCases(std::span<const AlignmentCase> cases, bool fullWidth, double width,
                     double widthWithMargins) {
        for (const auto& tc : cases) {
            SCOPED_TRACE(tc.name);
            const auto views = layOut(tc, fullWidth);
            EXPECT_FRAME(stack, 0, 0, tc.marginsRelative ? widthWithMargins : width, tc.stackHeight);
            expectFrames(views, tc.frames);
        }
    }

    std::shared_ptr<StackView> stack;
};

TEST_F(StackViewAlignmentCases, PlacesViewsAcrossByAlignmentSpacingAndMargins) {
    using A = StackViewAlignment;
    // One case a line.
    // clang-format off
    const AlignmentCase cases[] = {
        {"fill", A::fill, false, 0, {{{0, 0, 320, 40}, {0, 40, 320, 60}, {0, 100, 320, 30}}}, 130},
        {"leading", A::leading, false, 0, {{{0, 0, 100, 40}, {0, 40, 200, 60}, {0, 100, 50, 30}}}, 130},
        {"center", A::center, false, 0, {{{110, 0, 100, 40}, {60, 40, 200, 60}, {135, 100, 50, 30}}}, 130},
        {"trailing", A::trailing, false, 0, {{{220, 0, 100, 40}, {120, 40, 200, 60}, {270, 100, 50, 30}}}, 130},

        {"fill+spacing", A::fill, false, 10, {{{0, 0, 320, 40}, {0, 50, 320, 60}, {0, 120, 320, 30}}}, 150},
        {"leading+spacing", A::leading, false, 10, {{{0, 0, 100, 40}, {0, 50, 200, 60}, {0, 120, 50, 30}}}, 150},
        {"center+spacing", A::center, false, 10, {{{110, 0, 100, 40}, {60, 50, 200, 60}, {135, 120, 50, 30}}}, 150},
        {"trailing+spacing", A::trailing, false, 10, {{{220, 0, 100, 40}, {120, 50, 200, 60}, {270, 120, 50, 30}}}, 150},

        {"fill+margins", A::fill, true, 10, {{{12, 5, 288, 40}, {12, 55, 288, 60}, {12, 125, 288, 30}}}, 162},
        {"leading+margins", A::leading, true, 10, {{{12, 5, 100, 40}, {12, 55, 200, 60}, {12, 125, 50, 30}}}, 162},
        // The margins leave 288 points from x = 12, centred on x = 156.
        {"center+margins", A::center, true, 10, {{{106, 5, 100, 40}, {56, 55, 200, 60}, {131, 125, 50, 30}}}, 162},
        {"trailing+margins", A::trailing, true, 10, {{{200, 5, 100, 40}, {100, 55, 200, 60}, {250, 125, 50, 30}}}, 162},
        {"center+margins without spacing", A::center, true, 0, {{{106, 5, 100, 40}, {56, 45, 200, 60}, {131, 105, 50, 30}}}, 142},
    };
    // clang-format on
    expectCases(cases, true, 320, 320);
}

// Without a width of its own the stack wraps its widest view (200 points), plus the margins when they
// count.
TEST_F(StackViewAlignmentCases, StackWithoutWidthWrapsItsWidestView) {
    using A = StackViewAlignment;
    // One case a line.
    // clang-format off
    const AlignmentCase cases[] = {
        {"leading", A::leading, false, 0, {{{0, 0, 100, 40}, {0, 40, 200, 60}, {0, 100, 50, 30}}}, 130},
        {"center", A::center, false, 0, {{{50, 0, 100, 40}, {0, 40, 200, 60}, {75, 100, 50, 30}}}, 130},
        {"trailing", A::trailing, false, 0, {{{100, 0, 100, 40}, {0, 40, 200, 60}, {150, 100, 50, 30}}}, 130},
        // Fill stretches every view to the stack's width; the widest one resists compression harder than
        // the others hug, so the stack is as wide as it.
        {"fill", A::fill, false, 0, {{{0, 0, 200, 40}, {0, 40, 200, 60}, {0, 100, 200, 30}}}, 130},
        {"leading+margins", A::leading, true, 10, {{{12, 5, 100, 40}, {12, 55, 200, 60}, {12, 125, 50, 30}}}, 162},
        {"center+margins", A::center, true, 0, {{{62, 5, 100, 40}, {12, 45, 200, 60}, {87, 105, 50, 30}}}, 142},
    };
    // clang-format on
    expectCases(cases, false, 200, 232);
}

// A view with no width of its own is drawn out to the stack's width by the stack's pull towards its
// views, whatever the alignment; a view with a natural width keeps it.
TEST_F(StackViewVertical, ViewsWithoutWidthSpanTheStack) {
    for (auto alignment :
         {StackViewAlignment::leading, StackViewAlignment::center, StackViewAlignment::trailing}) {
        SCOPED_TRACE(static_cast<int>(alignment));
        window = std::make_shared<Window>(Size{320, 480});
        auto unsized = ofHeight(20), natural = sized(100, 30);
        auto stack = column({unsized, natural}, 0, alignment);
        pin(stack);
        layout();
        EXPECT_FRAME(unsized, 0, 0, 320, 20);
        const double x = alignment == StackViewAlignment::leading  ? 0
                         : alignment == StackViewAlignment::center ? 110
                                                                   : 220;
        EXPECT_FRAME(natural, x, 20, 100, 30);
    }
}

TEST_F(StackViewVertical, EmptyStackHasNoHeightBeyondItsMargins) {
    auto stack = column({});
    stack->setLayoutMargins({5, 12, 7, 20});
    pin(stack);
    layout();
    EXPECT_FRAME(stack, 0, 0, 320, 0);

    stack->setLayoutMarginsRelativeArrangement(true);
    layout();
    EXPECT_FRAME(stack, 0, 0, 320, 12);

    // A preference of the caller's outweighs the stack's own.
    auto height = stack->heightAnchor().constraintEqualToConstant(44);
    height->setPriority(layoutPriority::defaultLow);
    height->setActive(true);
    layout();
    EXPECT_FRAME(stack, 0, 0, 320, 44);
}

// --- hidden arranged views -----------------------------------------------------------------------------

class StackViewHidden : public StackViewTest {
protected:
    void SetUp() override { stack = pinnedColumn({a, b, c}, 10); }

    std::shared_ptr<View> a = ofHeight(40), b = ofHeight(60), c = ofHeight(30);
    std::shared_ptr<StackView> stack;
};

TEST_F(StackViewHidden, HiddenMiddleViewTakesNoSpaceAndNoSpacing) {
    EXPECT_FRAME(c, 0, 120, 320, 30);

    b->setHidden(true);
    layout();
    expectFrames({{a, {0, 0, 320, 40}}, {c, {0, 50, 320, 30}}, {stack, {0, 0, 320, 80}}});
    // Still arranged, and placed where it would start.
    EXPECT_EQ(stack->arrangedSubviews().size(), 3u);
    EXPECT_DOUBLE_EQ(b->frame().minY(), 40);

    b->setHidden(false);
    layout();
    expectFrames(
        {{a, {0, 0, 320, 40}}, {b, {0, 50, 320, 60}}, {c, {0, 120, 320, 30}}, {stack, {0, 0, 320, 150}}});
}

TEST_F(StackViewHidden, HiddenFirstOrLastViewLeavesNoSpacingAtTheEdge) {
    a->setHidden(true);
    layout();
    expectFrames({{b, {0, 0, 320, 60}}, {c, {0, 70, 320, 30}}, {stack, {0, 0, 320, 100}}});

    a->setHidden(false);
    c->setHidden(true);
    layout();
    expectFrames({{a, {0, 0, 320, 40}}, {b, {0, 50, 320, 60}}, {stack, {0, 0, 320, 110}}});
}

TEST_F(StackViewHidden, AllHiddenCollapsesTheStack) {
    a->setHidden(true);
    b->setHidden(true);
    c->setHidden(true);
    layout();
    EXPECT_FRAME(stack, 0, 0, 320, 0);

    b->setHidden(false);
    layout();
    expectFrames({{b, {0, 0, 320, 60}}, {stack, {0, 0, 320, 60}}});
}

TEST_F(StackViewHidden, ViewHiddenBeforeBeingArrangedIsLeftOut) {
    auto d = ofHeight(99);
    d->setHidden(true);
    stack->insertArrangedSubview(d, 1);
    layout();
    expectFrames({{b, {0, 50, 320, 60}}, {stack, {0, 0, 320, 150}}});

    d->setHidden(false);
    layout();
    expectFrames(
        {{d, {0, 50, 320, 99}}, {b, {0, 159, 320, 60}}, {c, {0, 229, 320, 30}}, {stack, {0, 0, 320, 259}}});
}

TEST_F(StackViewHidden, HiddenWideViewDoesNotWidenAWrappingStack) {
    auto narrow = sized(100, 40), wide = sized(200, 60);
    auto wrapping = column({narrow, wide}, 0, StackViewAlignment::center);
    pinLeft(wrapping, stack->bottomAnchor());
    layout();
    expectFrames({{wrapping, {0, 150, 200, 100}}, {narrow, {50, 0, 100, 40}}});

    wide->setHidden(true);
    layout();
    expectFrames({{wrapping, {0, 150, 100, 40}}, {narrow, {0, 0, 100, 40}}});
    // The other stack in the window is untouched.
    EXPECT_FRAME(stack, 0, 0, 320, 150);
}

} // namespace
} // namespace ui
