#pragma once

// Helpers shared by the stack view's tests: frames compared within a tolerance, views with natural sizes
// or fixed heights, and a fixture that places stacks in a 320 x 480 window.

#include <ui/views/stack_view.h>
#include <ui/views/window.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <source_location>
#include <sstream>
#include <string>
#include <vector>

namespace ui::stack_view_test {

inline constexpr double kTol = 1e-6;

inline std::string describe(const Rect& r) {
    std::ostringstream out;
    out << "(" << r.origin.x << ", " << r.origin.y << ", " << r.size.width << ", " << r.size.height << ")";
    return out.str();
}

inline ::testing::AssertionResult sameRect(const char* actualExpr, const char* expectedExpr,
                                           const Rect& actual, const Rect& expected) {
    if (std::abs(actual.origin.x - expected.origin.x) <= kTol &&
        std::abs(actual.origin.y - expected.origin.y) <= kTol &&
        std::abs(actual.size.width - expected.size.width) <= kTol &&
        std::abs(actual.size.height - expected.size.height) <= kTol)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actualExpr << " is " << describe(actual) << ", expected "
                                         << expectedExpr << " = " << describe(expected);
}

#define EXPECT_FRAME(view, x, y, w, h) EXPECT_PRED_FORMAT2(sameRect, (view)->frame(), Rect(x, y, w, h))

// A view with a natural size, as a label or an image would have.
class SizedView : public View {
public:
    explicit SizedView(Size size) : size_(size) {}
    Size intrinsicContentSize() const override { return size_; }

private:
    Size size_;
};

inline std::shared_ptr<View> sized(double width, double height) {
    return std::make_shared<SizedView>(Size{width, height});
}

// A plain view whose height alone is fixed by a constraint.
inline std::shared_ptr<View> ofHeight(double height) {
    auto view = std::make_shared<View>();
    view->heightAnchor().constraintEqualToConstant(height)->setActive(true);
    return view;
}

inline bool contains(const std::vector<std::shared_ptr<View>>& views, const std::shared_ptr<View>& view) {
    return std::find(views.begin(), views.end(), view) != views.end();
}

class StackViewTest : public ::testing::Test {
protected:
    // Puts the stack at the window's top-left corner, stretched to the window's width when `fullWidth`,
    // otherwise free to take the width its content asks for. Its height is always its content's.
    void pin(const std::shared_ptr<StackView>& stack, bool fullWidth = true) {
        pinLeft(stack, window->topAnchor());
        if (fullWidth)
            stack->rightAnchor().constraintEqualTo(window->rightAnchor())->setActive(true);
    }

    // Puts `stack` in the window against its left edge, its top `offset` points below `top`.
    void pinLeft(const std::shared_ptr<StackView>& stack, LayoutYAxisAnchor top, double offset = 0) {
        stack->setTranslatesAutoresizingMaskIntoConstraints(false);
        window->addSubview(stack);
        stack->topAnchor().constraintEqualTo(top, offset)->setActive(true);
        stack->leftAnchor().constraintEqualTo(window->leftAnchor())->setActive(true);
    }

    // A vertical stack of `views`, `spacing` points apart, aligned by `alignment`.
    static std::shared_ptr<StackView> column(const std::vector<std::shared_ptr<View>>& views,
                                             double spacing = 0,
                                             StackViewAlignment alignment = StackViewAlignment::fill) {
        auto stack = StackView::create(views);
        stack->setAxis(LayoutAxis::vertical);
        stack->setSpacing(spacing);
        stack->setAlignment(alignment);
        return stack;
    }

    // A column of `views` pinned across the window's width, laid out.
    std::shared_ptr<StackView> pinnedColumn(const std::vector<std::shared_ptr<View>>& views,
                                            double spacing = 0) {
        auto stack = column(views, spacing);
        pin(stack);
        layout();
        return stack;
    }

    void layout() { window->layoutIfNeeded(); }

    // One expected frame: the view and where it must be.
    struct FrameCheck {
        std::shared_ptr<View> view;
        Rect frame;
    };

    // Checks the frame of each view against its expected frame; a failure names the check and the line
    // of the call.
    static void expectFrames(std::initializer_list<FrameCheck> checks,
                             std::source_location where = std::source_location::current()) {
        std::size_t i = 0;
        for (const auto& check : checks)
            EXPECT_PRED_FORMAT2(sameRect, check.view->frame(), check.frame)
                << "check " << i++ << " of line " << where.line();
    }

    // Checks the frame of each of `views` against the same place in `frames`.
    template <std::size_t N>
    static void expectFrames(const std::array<std::shared_ptr<View>, N>& views,
                             const std::array<Rect, N>& frames) {
        for (std::size_t i = 0; i < N; ++i)
            EXPECT_PRED_FORMAT2(sameRect, views[i]->frame(), frames[i]) << "view " << i;
    }

    std::shared_ptr<Window> window = std::make_shared<Window>(Size{320, 480});
};

// One case of an alignment table: how three views are arranged, and the frames they and the stack end up
// with.
struct AlignmentCase {
    const char* name;
    StackViewAlignment alignment;
    bool marginsRelative;
    double spacing;
    std::array<Rect, 3> frames;
    double stackHeight;
};

} // namespace ui::stack_view_test
