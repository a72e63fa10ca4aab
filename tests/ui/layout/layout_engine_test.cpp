#include <ui/views/scroll_view.h>
#include <ui/views/stack_view.h>
#include <ui/views/view.h>
#include <ui/views/window.h>

#include <gtest/gtest.h>

#include <cmath>

namespace ui {
namespace {

constexpr double kTol = 1e-6;

void expectFrame(const View& v, double x, double y, double w, double h, const char* what = "") {
    const Rect f = v.frame();
    EXPECT_NEAR(f.origin.x, x, kTol) << what;
    EXPECT_NEAR(f.origin.y, y, kTol) << what;
    EXPECT_NEAR(f.size.width, w, kTol) << what;
    EXPECT_NEAR(f.size.height, h, kTol) << what;
}

std::shared_ptr<View> makeAutoLayoutView(const std::shared_ptr<View>& parent) {
    auto v = std::make_shared<View>();
    v->setTranslatesAutoresizingMaskIntoConstraints(false);
    parent->addSubview(v);
    return v;
}

// A view with a fixed natural size, like an image.
class SizedView : public View {
public:
    explicit SizedView(Size s) : size_(s) {}
    Size intrinsicContentSize() const override { return size_; }
    void setSize(Size s) {
        size_ = s;
        invalidateIntrinsicContentSize();
    }

private:
    Size size_;
};

// Wrapping text: 1,000 square points of content, so its height is 1000 / width.
class WrappingView : public View {
public:
    Size intrinsicContentSize() const override { return {noIntrinsicMetric, noIntrinsicMetric}; }
    std::optional<double> intrinsicHeightForWidth(double width) const override {
        return width > 0 ? std::ceil(1000.0 / width) : 1000.0;
    }
};

TEST(LayoutEngine, PinsAndCentresViews) {
    auto window = std::make_shared<Window>(Size(320, 480));
    auto pinned = makeAutoLayoutView(window);
    auto centred = makeAutoLayoutView(window);
    LayoutConstraint::activate({
        pinned->leadingAnchor().constraintEqualTo(window->leadingAnchor(), 16),
        pinned->trailingAnchor().constraintEqualTo(window->trailingAnchor(), -16),
        pinned->topAnchor().constraintEqualTo(window->topAnchor(), 20),
        pinned->heightAnchor().constraintEqualToConstant(44),
        centred->centerXAnchor().constraintEqualTo(window->centerXAnchor()),
        centred->centerYAnchor().constraintEqualTo(window->centerYAnchor(), 10),
        centred->widthAnchor().constraintEqualTo(pinned->widthAnchor(), 0.5),
        centred->heightAnchor().constraintEqualTo(centred->widthAnchor()),
    });
    window->layoutIfNeeded();
    expectFrame(*pinned, 16, 20, 288, 44, "pinned");
    expectFrame(*centred, 88, 178, 144, 144, "centred");

    // The window grows: everything follows in the next pass.
    window->setSize(Size(768, 1024));
    window->layoutIfNeeded();
    expectFrame(*pinned, 16, 20, 736, 44, "pinned, wide");
    expectFrame(*centred, 200, 338, 368, 368, "centred, wide");

    // A constant changed while active takes effect at the next pass.
    pinned->constraints().front()->setConstant(40);
    window->layoutIfNeeded();
    expectFrame(*pinned, 40, 20, 712, 44, "pinned, moved");
}

TEST(LayoutEngine, LowerPrioritiesYield) {
    auto window = std::make_shared<Window>(Size(320, 480));
    auto box = makeAutoLayoutView(window);
    auto wide = makeAutoLayoutView(window);
    auto matchParent = wide->widthAnchor().constraintEqualTo(window->widthAnchor());
    matchParent->setPriority(999);
    auto cap = wide->widthAnchor().constraintLessThanOrEqualToConstant(200);
    auto atLeast = box->widthAnchor().constraintGreaterThanOrEqualToConstant(100);
    auto prefer = box->widthAnchor().constraintEqualToConstant(50);
    prefer->setPriority(999);
    LayoutConstraint::activate({box->leftAnchor().constraintEqualTo(window->leftAnchor()),
                                box->topAnchor().constraintEqualTo(window->topAnchor()),
                                box->heightAnchor().constraintEqualToConstant(10), atLeast, prefer,
                                wide->leftAnchor().constraintEqualTo(window->leftAnchor()),
                                wide->topAnchor().constraintEqualTo(box->bottomAnchor(), 8),
                                wide->heightAnchor().constraintEqualToConstant(10), matchParent, cap});
    window->layoutIfNeeded();
    // The required minimum beats the 999 preference; the required cap beats the 999 "match parent".
    expectFrame(*box, 0, 0, 100, 10, "box");
    expectFrame(*wide, 0, 18, 200, 10, "wide");

    // Without the cap, "match parent" wins.
    cap->setActive(false);
    window->layoutIfNeeded();
    expectFrame(*wide, 0, 18, 320, 10, "wide, uncapped");
}

TEST(LayoutEngine, IntrinsicSizesHugAndResist) {
    auto window = std::make_shared<Window>(Size(300, 480));
    auto a = std::make_shared<SizedView>(Size(100, 30));
    auto b = std::make_shared<SizedView>(Size(80, 20));
    for (const auto& v : {a, b}) {
        v->setTranslatesAutoresizingMaskIntoConstraints(false);
        window->addSubview(v);
    }
    // a and b side by side across the window: the one that hugs less stretches.
    b->setContentHuggingPriority(249, LayoutAxis::horizontal);
    LayoutConstraint::activate({a->leadingAnchor().constraintEqualTo(window->leadingAnchor()),
                                b->leadingAnchor().constraintEqualTo(a->trailingAnchor(), 10),
                                b->trailingAnchor().constraintEqualTo(window->trailingAnchor()),
                                a->topAnchor().constraintEqualTo(window->topAnchor()),
                                b->topAnchor().constraintEqualTo(window->topAnchor())});
    window->layoutIfNeeded();
    expectFrame(*a, 0, 0, 100, 30, "a keeps its size");
    expectFrame(*b, 110, 0, 190, 20, "b stretches");

    // Too narrow: the one that resists compression less gives way.
    window->setSize(Size(150, 480));
    a->setContentCompressionResistancePriority(700, LayoutAxis::horizontal);
    window->layoutIfNeeded();
    expectFrame(*a, 0, 0, 60, 30, "a compressed");
    expectFrame(*b, 70, 0, 80, 20, "b at its size");

    // A new natural size is picked up once invalidated: now both fit at their natural widths.
    b->setSize(Size(40, 60));
    window->layoutIfNeeded();
    expectFrame(*a, 0, 0, 100, 30, "a back to its size");
    expectFrame(*b, 110, 0, 40, 60, "b narrower and taller");
}

TEST(LayoutEngine, HeightThatDependsOnWidthIsMeasuredAgain) {
    auto window = std::make_shared<Window>(Size(200, 480));
    auto text = std::make_shared<WrappingView>();
    text->setTranslatesAutoresizingMaskIntoConstraints(false);
    window->addSubview(text);
    auto below = makeAutoLayoutView(window);
    LayoutConstraint::activate({text->leadingAnchor().constraintEqualTo(window->leadingAnchor()),
                                text->trailingAnchor().constraintEqualTo(window->trailingAnchor()),
                                text->topAnchor().constraintEqualTo(window->topAnchor()),
                                below->topAnchor().constraintEqualTo(text->bottomAnchor(), 4),
                                below->leadingAnchor().constraintEqualTo(window->leadingAnchor()),
                                below->widthAnchor().constraintEqualToConstant(10),
                                below->heightAnchor().constraintEqualToConstant(10)});
    window->layoutIfNeeded();
    expectFrame(*text, 0, 0, 200, 5);
    expectFrame(*below, 0, 9, 10, 10);
    window->setSize(Size(50, 480));
    window->layoutIfNeeded();
    expectFrame(*text, 0, 0, 50, 20);
    expectFrame(*below, 0, 24, 10, 10);
}

TEST(LayoutEngine, UnsatisfiableConstraintIsLeftOutAndTheRestLaysOut) {
    auto window = std::make_shared<Window>(Size(320, 480));
    auto v = makeAutoLayoutView(window);
    auto contradiction = v->widthAnchor().constraintEqualToConstant(200);
    LayoutConstraint::activate({v->leadingAnchor().constraintEqualTo(window->leadingAnchor(), 10),
                                v->topAnchor().constraintEqualTo(window->topAnchor(), 10),
                                v->widthAnchor().constraintEqualToConstant(100),
                                v->heightAnchor().constraintEqualToConstant(30), contradiction});
    window->layoutIfNeeded();
    expectFrame(*v, 10, 10, 100, 30);
    EXPECT_EQ(window->refusedConstraintCount(), 1u);

    // A constraint relating positions of two different layout spaces is left out too, not misapplied.
    auto other = std::make_shared<Window>(Size(100, 100));
    auto stranger = makeAutoLayoutView(other);
    auto cross = stranger->leftAnchor().constraintEqualTo(v->leftAnchor());
    cross->setActive(true);
    window->layoutIfNeeded();
    other->layoutIfNeeded();
    expectFrame(*v, 10, 10, 100, 30);
}

TEST(LayoutEngine, UnderdeterminedLayoutsComeOutSmallAndAtTheOrigin) {
    auto window = std::make_shared<Window>(Size(320, 480));
    // A container that only bounds its children from one side: it hugs them.
    auto container = makeAutoLayoutView(window);
    auto first = makeAutoLayoutView(container);
    auto second = makeAutoLayoutView(container);
    LayoutConstraint::activate({
        container->topAnchor().constraintEqualTo(window->topAnchor(), 50),
        container->leadingAnchor().constraintEqualTo(window->leadingAnchor(), 20),
        first->topAnchor().constraintEqualTo(container->topAnchor(), 8),
        first->leadingAnchor().constraintEqualTo(container->leadingAnchor(), 8),
        first->widthAnchor().constraintEqualToConstant(100),
        first->heightAnchor().constraintEqualToConstant(40),
        second->topAnchor().constraintEqualTo(first->bottomAnchor(), 8),
        second->leadingAnchor().constraintEqualTo(first->leadingAnchor()),
        second->widthAnchor().constraintEqualToConstant(150),
        second->heightAnchor().constraintEqualToConstant(40),
        container->bottomAnchor().constraintGreaterThanOrEqualTo(second->bottomAnchor(), 8),
        container->trailingAnchor().constraintGreaterThanOrEqualTo(first->trailingAnchor(), 8),
        container->trailingAnchor().constraintGreaterThanOrEqualTo(second->trailingAnchor(), 8),
    });
    // A view with only a size: nothing places it, so it sits at its superview's origin.
    auto loose = makeAutoLayoutView(container);
    LayoutConstraint::activate({loose->widthAnchor().constraintEqualToConstant(5),
                                loose->heightAnchor().constraintEqualToConstant(5)});
    window->layoutIfNeeded();
    expectFrame(*container, 20, 50, 166, 104, "container hugs");
    expectFrame(*first, 8, 8, 100, 40, "first");
    expectFrame(*second, 8, 56, 150, 40, "second");
    expectFrame(*loose, 0, 0, 5, 5, "loose");

    // The same document laid out again from scratch gives the same frames.
    const Rect before = container->frame();
    container->removeFromSuperview();
    window->layoutIfNeeded();
    window->addSubview(container);
    LayoutConstraint::activate({container->topAnchor().constraintEqualTo(window->topAnchor(), 50),
                                container->leadingAnchor().constraintEqualTo(window->leadingAnchor(), 20)});
    window->layoutIfNeeded();
    EXPECT_EQ(container->frame(), before);
}

// A plain view that nothing sizes along the stack's axis, above a view of fixed height: the engine's
// preference for small views must leave it empty, never at a negative height that would pull the next
// view above the top of the content.
TEST(LayoutEngine, ViewsThatNothingSizesComeOutEmptyNotNegative) {
    auto window = std::make_shared<Window>(Size(320, 480));
    auto scroll = std::make_shared<ScrollView>();
    scroll->setTranslatesAutoresizingMaskIntoConstraints(false);
    window->addSubview(scroll);
    auto stack = std::make_shared<StackView>();
    stack->setAxis(LayoutAxis::vertical);
    stack->setTranslatesAutoresizingMaskIntoConstraints(false);
    scroll->addSubview(stack);
    auto header = std::make_shared<View>();
    auto document = std::make_shared<View>();
    stack->addArrangedSubview(header);
    stack->addArrangedSubview(document);
    LayoutConstraint::activate({
        scroll->leadingAnchor().constraintEqualTo(window->leadingAnchor()),
        scroll->trailingAnchor().constraintEqualTo(window->trailingAnchor()),
        scroll->topAnchor().constraintEqualTo(window->topAnchor()),
        scroll->bottomAnchor().constraintEqualTo(window->bottomAnchor()),
        stack->leadingAnchor().constraintEqualTo(scroll->leadingAnchor()),
        stack->trailingAnchor().constraintEqualTo(scroll->trailingAnchor()),
        stack->topAnchor().constraintEqualTo(scroll->topAnchor()),
        stack->bottomAnchor().constraintEqualTo(scroll->bottomAnchor()),
        stack->widthAnchor().constraintEqualTo(scroll->widthAnchor()),
        document->heightAnchor().constraintEqualToConstant(120),
    });
    window->layoutIfNeeded();
    expectFrame(*header, 0, 0, 320, 0, "header");
    expectFrame(*document, 0, 0, 320, 120, "document");
    expectFrame(*stack, 0, 0, 320, 120, "stack");
    EXPECT_NEAR(scroll->contentSize().width, 320, kTol);
    EXPECT_NEAR(scroll->contentSize().height, 120, kTol);

    // A second unsized view below the document: every size that nothing defines is empty, so the
    // document still sits at the top of the stack.
    auto footer = std::make_shared<View>();
    stack->addArrangedSubview(footer);
    window->layoutIfNeeded();
    expectFrame(*header, 0, 0, 320, 0, "header above a footer");
    expectFrame(*document, 0, 0, 320, 120, "document above a footer");
    expectFrame(*footer, 0, 120, 320, 0, "footer");
    expectFrame(*stack, 0, 0, 320, 120, "stack above a footer");
    EXPECT_NEAR(scroll->contentSize().height, 120, kTol);

    // The same along the other axis, in a stack placed in the window itself.
    auto plainStack = std::make_shared<StackView>();
    plainStack->setAxis(LayoutAxis::horizontal);
    plainStack->setTranslatesAutoresizingMaskIntoConstraints(false);
    window->addSubview(plainStack);
    auto leading = std::make_shared<View>();
    auto fixed = std::make_shared<View>();
    plainStack->addArrangedSubview(leading);
    plainStack->addArrangedSubview(fixed);
    LayoutConstraint::activate({
        plainStack->leadingAnchor().constraintEqualTo(window->leadingAnchor(), 10),
        plainStack->topAnchor().constraintEqualTo(window->topAnchor(), 10),
        fixed->widthAnchor().constraintEqualToConstant(50),
        fixed->heightAnchor().constraintEqualToConstant(30),
    });
    window->layoutIfNeeded();
    expectFrame(*plainStack, 10, 10, 50, 30, "horizontal stack");
    expectFrame(*leading, 0, 0, 0, 30, "unsized leading view");
    expectFrame(*fixed, 0, 0, 50, 30, "fixed view");

    // Keeping sizes from going negative never overrides a caller's required constraints: a view pinned
    // 200 points inside both edges of a 320-point window is -80 wide, and the view after it starts
    // where that width says.
    auto squeezed = makeAutoLayoutView(window);
    auto after = makeAutoLayoutView(window);
    LayoutConstraint::activate({
        squeezed->leadingAnchor().constraintEqualTo(window->leadingAnchor(), 200),
        squeezed->trailingAnchor().constraintEqualTo(window->trailingAnchor(), -200),
        squeezed->topAnchor().constraintEqualTo(window->topAnchor()),
        squeezed->heightAnchor().constraintEqualToConstant(10),
        after->leadingAnchor().constraintEqualTo(squeezed->trailingAnchor()),
        after->topAnchor().constraintEqualTo(window->topAnchor()),
        after->widthAnchor().constraintEqualToConstant(10),
        after->heightAnchor().constraintEqualToConstant(10),
    });
    window->layoutIfNeeded();
    expectFrame(*squeezed, 200, 0, 0, 10, "squeezed view (its frame shows no negative width)");
    expectFrame(*after, 120, 0, 10, 10, "view after the squeezed one");
}

TEST(LayoutEngine, FrameViewsFollowTheirAutoresizingMask) {
    auto window = std::make_shared<Window>(Size(300, 200));
    auto header = std::make_shared<View>(Rect(10, 10, 280, 40));
    header->setAutoresizingMask(flexibleWidth);
    auto badge = std::make_shared<View>(Rect(250, 150, 40, 40));
    badge->setAutoresizingMask(flexibleLeftMargin | flexibleTopMargin);
    window->addSubview(header);
    window->addSubview(badge);
    // An auto-layout view pinned below a view that keeps its frame.
    auto below = makeAutoLayoutView(window);
    LayoutConstraint::activate({below->topAnchor().constraintEqualTo(header->bottomAnchor(), 5),
                                below->leadingAnchor().constraintEqualTo(header->leadingAnchor()),
                                below->trailingAnchor().constraintEqualTo(header->trailingAnchor()),
                                below->heightAnchor().constraintEqualToConstant(20)});
    window->layoutIfNeeded();
    expectFrame(*below, 10, 55, 280, 20, "below");

    window->setSize(Size(400, 300));
    window->layoutIfNeeded();
    expectFrame(*header, 10, 10, 380, 40, "header stretches");
    expectFrame(*badge, 350, 250, 40, 40, "badge keeps to the corner");
    expectFrame(*below, 10, 55, 380, 20, "below follows the header");
}

// Whether a subview follows its superview's size is decided when the size changes, by what the subview
// says then: masks set after the view was added, views switching between frames and layout, and views
// that moved to another superview.
TEST(LayoutEngine, AutoresizingFollowsMasksAndModesSetAfterTheViewWasAdded) {
    auto window = std::make_shared<Window>(Size(300, 200));
    auto panel = std::make_shared<View>(Rect(0, 0, 300, 200));
    panel->setAutoresizingMask(flexibleWidth | flexibleHeight);
    window->addSubview(panel);
    auto stretched = std::make_shared<View>(Rect(10, 10, 280, 40));
    auto cornered = std::make_shared<View>(Rect(250, 150, 40, 40));
    auto moved = std::make_shared<View>(Rect(0, 100, 100, 20));
    auto elsewhere = std::make_shared<View>(Rect(0, 0, 50, 50));
    panel->addSubview(stretched);
    panel->addSubview(cornered);
    panel->addSubview(moved);
    window->addSubview(elsewhere);
    stretched->setAutoresizingMask(flexibleWidth);
    cornered->setAutoresizingMask(flexibleLeftMargin | flexibleTopMargin);
    moved->setAutoresizingMask(flexibleWidth);
    elsewhere->addSubview(moved); // it follows its new superview, not the panel
    window->layoutIfNeeded();

    window->setSize(Size(400, 300));
    window->layoutIfNeeded();
    expectFrame(*panel, 0, 0, 400, 300, "panel");
    expectFrame(*stretched, 10, 10, 380, 40, "mask set after adding");
    expectFrame(*cornered, 350, 250, 40, 40, "corner mask set after adding");
    expectFrame(*moved, 0, 100, 100, 20, "moved away from the panel");

    // Laid out by constraints, a view leaves autoresizing; back on its frame, it follows its mask again.
    stretched->setTranslatesAutoresizingMaskIntoConstraints(false);
    const std::vector<std::shared_ptr<LayoutConstraint>> placed = {
        stretched->leftAnchor().constraintEqualTo(panel->leftAnchor(), 10),
        stretched->topAnchor().constraintEqualTo(panel->topAnchor(), 10),
        stretched->widthAnchor().constraintEqualToConstant(100),
        stretched->heightAnchor().constraintEqualToConstant(40)};
    LayoutConstraint::activate(placed);
    window->setSize(Size(500, 300));
    window->layoutIfNeeded();
    expectFrame(*stretched, 10, 10, 100, 40, "laid out by its constraints");
    expectFrame(*cornered, 450, 250, 40, 40, "the other subview still follows");
    LayoutConstraint::deactivate(placed);
    stretched->setTranslatesAutoresizingMaskIntoConstraints(true);
    window->layoutIfNeeded();
    window->setSize(Size(550, 300));
    window->layoutIfNeeded();
    expectFrame(*stretched, 10, 10, 150, 40, "back on its frame, its mask applies");

    elsewhere->setFrame(Rect(0, 0, 80, 50));
    expectFrame(*moved, 0, 100, 130, 20, "the new superview resizes it");
    moved->setAutoresizingMask(autoresizingNone);
    elsewhere->setFrame(Rect(0, 0, 50, 50));
    expectFrame(*moved, 0, 100, 130, 20, "a mask cleared after adding stops it");
}

TEST(LayoutEngine, ConvertsAndHitTestsThroughOffsetsAndTransforms) {
    auto window = std::make_shared<Window>(Size(400, 400));
    auto panel = std::make_shared<View>(Rect(50, 50, 200, 200));
    panel->setBounds(Rect(0, 100, 200, 200)); // scrolled down by 100
    auto zoomed = std::make_shared<View>(Rect(0, 100, 100, 100));
    zoomed->setAnchorPoint(Point(0, 0));
    zoomed->setTransform(AffineTransform::makeScale(2, 2));
    auto item = std::make_shared<View>(Rect(10, 20, 30, 30));
    window->addSubview(panel);
    panel->addSubview(zoomed);
    zoomed->addSubview(item);

    // item's origin (10, 20) in zoomed is (20, 40) after the zoom, (20, 140) in the panel's content,
    // (20, 40) in the panel's frame after scrolling, and (70, 90) in the window.
    const Point inWindow = item->convertPointTo(Point(0, 0), nullptr);
    EXPECT_NEAR(inWindow.x, 70, kTol);
    EXPECT_NEAR(inWindow.y, 90, kTol);
    const Point back = item->convertPointFrom(Point(70, 90), window.get());
    EXPECT_NEAR(back.x, 0, kTol);
    EXPECT_NEAR(back.y, 0, kTol);
    const Rect r = item->convertRectTo(item->bounds(), panel.get());
    EXPECT_NEAR(r.origin.x, 20, kTol);
    EXPECT_NEAR(r.origin.y, 140, kTol);
    EXPECT_NEAR(r.size.width, 60, kTol);

    // Hit testing follows the same path; hidden, transparent and non-interactive views are skipped.
    EXPECT_EQ(window->hitTest(Point(75, 95)), item);
    EXPECT_EQ(window->hitTest(Point(69, 95)), zoomed);
    EXPECT_EQ(window->hitTest(Point(300, 300)), window);
    item->setAlpha(0.005);
    EXPECT_EQ(window->hitTest(Point(75, 95)), zoomed);
    item->setAlpha(1);
    zoomed->setUserInteractionEnabled(false);
    EXPECT_EQ(window->hitTest(Point(75, 95)), panel);
    zoomed->setUserInteractionEnabled(true);
    panel->setHidden(true);
    EXPECT_EQ(window->hitTest(Point(75, 95)), window);
    panel->setHidden(false);
    // Edges are half-open: the far edge belongs to the neighbour.
    EXPECT_EQ(window->hitTest(Point(250, 60)), window);
    EXPECT_EQ(window->hitTest(Point(249.5, 60)), zoomed);
}

TEST(LayoutEngine, TreeEditsKeepLayoutConsistent) {
    auto window = std::make_shared<Window>(Size(320, 480));
    auto a = makeAutoLayoutView(window);
    auto b = makeAutoLayoutView(window);
    LayoutConstraint::activate({a->topAnchor().constraintEqualTo(window->topAnchor(), 10),
                                a->heightAnchor().constraintEqualToConstant(30),
                                a->widthAnchor().constraintEqualTo(window->widthAnchor()),
                                b->topAnchor().constraintEqualTo(a->bottomAnchor(), 10),
                                b->heightAnchor().constraintEqualToConstant(30),
                                b->widthAnchor().constraintEqualTo(window->widthAnchor())});
    window->layoutIfNeeded();
    expectFrame(*b, 0, 50, 320, 30);
    EXPECT_EQ(window->subviews().back(), b);
    window->bringSubviewToFront(a);
    EXPECT_EQ(window->subviews().back(), a);

    // Removing a view drops the constraints that tie others to it; b keeps a valid layout.
    a->removeFromSuperview();
    window->layoutIfNeeded();
    expectFrame(*b, 0, 0, 320, 30);
    EXPECT_EQ(a->window(), nullptr);
    // A view cannot be added to its own subtree.
    auto child = makeAutoLayoutView(b);
    child->addSubview(b);
    EXPECT_EQ(b->superview(), window);
    EXPECT_EQ(window->viewWithTag(0), window);
    child->setTag(7);
    EXPECT_EQ(window->viewWithTag(7), child);
}

} // namespace
} // namespace ui
