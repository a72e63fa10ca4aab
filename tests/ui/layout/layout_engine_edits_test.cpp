// Layouts that change between passes: constraints replaced, views moved, views that ask for their
// constraints to be rebuilt before they are in a window.

#include <ui/layout/layout_constraint.h>
#include <ui/views/view.h>
#include <ui/views/window.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace ui {
namespace {

class CountingView : public View {
public:
    int updates = 0;

protected:
    void updateConstraints() override { ++updates; }
};

TEST(LayoutEngineEdits, ConstraintsAskedForBeforeJoiningAWindowAreBuilt) {
    auto window = std::make_shared<Window>(Size{320, 480});
    auto probe = std::make_shared<CountingView>();
    probe->setNeedsUpdateConstraints();
    window->addSubview(probe);
    window->layoutIfNeeded();
    EXPECT_EQ(probe->updates, 1);
    window->layoutIfNeeded();
    EXPECT_EQ(probe->updates, 1); // nobody asked again
}

// Names of every length: short ones are kept inside the constraint, long ones apart; renaming either way
// and dropping the name leave no trace of the one before.
TEST(LayoutEngineEdits, ConstraintsKeepTheirNames) {
    auto window = std::make_shared<Window>(Size{320, 480});
    auto v = std::make_shared<View>();
    v->setTranslatesAutoresizingMaskIntoConstraints(false);
    window->addSubview(v);
    auto c = v->widthAnchor().constraintEqualToConstant(40);
    EXPECT_EQ(c->identifier(), "");
    const std::string names[] = {"w",
                                 "fourteen-chars",
                                 "fifteen-chars-x",
                                 "sixteen-chars-xy",
                                 "a name well past any inline buffer",
                                 "short again",
                                 "",
                                 std::string("nul\0inside", 11)};
    for (const std::string& name : names) {
        c->setIdentifier(name);
        EXPECT_EQ(c->identifier(), name);
    }
    // A name changes nothing in the layout.
    c->setIdentifier("a long name for the width constraint");
    c->setActive(true);
    window->layoutIfNeeded();
    EXPECT_EQ(v->frame().size.width, 40);
    EXPECT_EQ(c->identifier(), "a long name for the width constraint");
}

TEST(LayoutEngineEdits, ReplacedConstraintsTakeEffect) {
    auto window = std::make_shared<Window>(Size{320, 480});
    auto v = std::make_shared<View>();
    v->setTranslatesAutoresizingMaskIntoConstraints(false);
    window->addSubview(v);
    // A replacement that may well land at the address of the constraint it replaces.
    for (double width : {10.0, 20.0, 30.0}) {
        auto c = v->widthAnchor().constraintEqualToConstant(width);
        c->setActive(true);
        window->layoutIfNeeded();
        EXPECT_EQ(v->frame().size.width, width);
        c->setActive(false);
    }

    // A set that contradicts only the set it replaces is not refused.
    auto a = std::make_shared<View>(), b = std::make_shared<View>();
    for (auto& view : {a, b}) {
        view->setTranslatesAutoresizingMaskIntoConstraints(false);
        window->addSubview(view);
        view->heightAnchor().constraintEqualToConstant(20)->setActive(true);
    }
    std::vector<std::shared_ptr<LayoutConstraint>> old{
        a->topAnchor().constraintEqualTo(window->topAnchor()),
        b->topAnchor().constraintEqualTo(a->bottomAnchor(), 10)};
    LayoutConstraint::activate(old);
    window->layoutIfNeeded();
    ASSERT_EQ(b->frame().origin.y, 30);
    LayoutConstraint::deactivate(old);
    std::vector<std::shared_ptr<LayoutConstraint>> replacement{
        b->topAnchor().constraintEqualTo(window->topAnchor()),
        a->topAnchor().constraintEqualTo(b->bottomAnchor(), 10)};
    LayoutConstraint::activate(replacement);
    window->layoutIfNeeded();
    EXPECT_EQ(b->frame().origin.y, 0);
    EXPECT_EQ(a->frame().origin.y, 30);
    EXPECT_EQ(window->refusedConstraintCount(), 0u);
}

TEST(LayoutEngineEdits, AViewMovedWithinTheWindowKeepsItsConstraints) {
    auto window = std::make_shared<Window>(Size{320, 480});
    auto first = std::make_shared<View>(Rect(0, 0, 100, 100));
    auto second = std::make_shared<View>(Rect(0, 200, 100, 100));
    window->addSubview(first);
    window->addSubview(second);
    auto v = std::make_shared<View>();
    v->setTranslatesAutoresizingMaskIntoConstraints(false);
    first->addSubview(v);
    v->heightAnchor().constraintEqualToConstant(40)->setActive(true);
    v->widthAnchor().constraintEqualToConstant(30)->setActive(true);
    window->layoutIfNeeded();
    ASSERT_EQ(v->frame().size.height, 40);
    second->addSubview(v);
    window->layoutIfNeeded();
    EXPECT_EQ(v->frame(), Rect(0, 0, 30, 40));
    // And it can leave the window and come back.
    v->removeFromSuperview();
    window->layoutIfNeeded();
    first->addSubview(v);
    window->layoutIfNeeded();
    EXPECT_EQ(v->frame(), Rect(0, 0, 30, 40));
}

// A view that a child's constraints name goes from keeping its frame to being laid out and back: each
// mode leaves nothing behind that would hold the view where the other mode put it.
TEST(LayoutEngineEdits, AViewSwitchingBetweenItsFrameAndConstraintsDropsWhatTheOtherModeAdded) {
    auto window = std::make_shared<Window>(Size{400, 400});
    auto box = std::make_shared<View>(Rect(10, 20, 100, 50));
    window->addSubview(box);
    auto child = std::make_shared<View>();
    child->setTranslatesAutoresizingMaskIntoConstraints(false);
    box->addSubview(child);
    LayoutConstraint::activate({
        child->leadingAnchor().constraintEqualTo(box->leadingAnchor()),
        child->trailingAnchor().constraintEqualTo(box->trailingAnchor()),
        child->topAnchor().constraintEqualTo(box->topAnchor()),
        child->bottomAnchor().constraintEqualTo(box->bottomAnchor()),
    });
    window->layoutIfNeeded();
    ASSERT_EQ(box->frame(), Rect(10, 20, 100, 50));
    ASSERT_EQ(child->frame(), Rect(0, 0, 100, 50));

    box->setTranslatesAutoresizingMaskIntoConstraints(false);
    const std::vector<std::shared_ptr<LayoutConstraint>> placed = {
        box->leftAnchor().constraintEqualTo(window->leftAnchor(), 30),
        box->topAnchor().constraintEqualTo(window->topAnchor(), 40),
        box->widthAnchor().constraintEqualToConstant(200),
        box->heightAnchor().constraintEqualToConstant(80),
    };
    // Below required, where the pins of a frame would still outweigh them if they were left in.
    placed[0]->setPriority(999);
    placed[1]->setPriority(999);
    LayoutConstraint::activate(placed);
    window->layoutIfNeeded();
    EXPECT_EQ(box->frame(), Rect(30, 40, 200, 80));
    EXPECT_EQ(child->frame(), Rect(0, 0, 200, 80));
    EXPECT_EQ(window->refusedConstraintCount(), 0u);

    LayoutConstraint::deactivate(placed);
    box->setTranslatesAutoresizingMaskIntoConstraints(true);
    box->setFrame(Rect(5, 6, 70, 30));
    window->layoutIfNeeded();
    EXPECT_EQ(box->frame(), Rect(5, 6, 70, 30));
    EXPECT_EQ(child->frame(), Rect(0, 0, 70, 30));
    box->setFrame(Rect(7, 8, 90, 35));
    window->layoutIfNeeded();
    EXPECT_EQ(child->frame(), Rect(0, 0, 90, 35));
    EXPECT_EQ(window->refusedConstraintCount(), 0u);
}

TEST(LayoutEngineEdits, AConstraintToAViewThatIsGoneTakesNoPart) {
    auto window = std::make_shared<Window>(Size{320, 480});
    auto v = std::make_shared<View>();
    v->setTranslatesAutoresizingMaskIntoConstraints(false);
    window->addSubview(v);
    LayoutConstraint::activate({v->widthAnchor().constraintEqualToConstant(10),
                                v->heightAnchor().constraintEqualToConstant(10),
                                v->topAnchor().constraintEqualTo(window->topAnchor(), 5)});
    {
        // A view that never joins the window and then goes away, leaving v's constraint to it behind.
        auto other = std::make_shared<View>();
        v->leftAnchor().constraintEqualTo(other->rightAnchor(), 100)->setActive(true);
        window->layoutIfNeeded();
    }
    window->addSubview(std::make_shared<View>()); // the tree changes: constraints are gathered again
    window->layoutIfNeeded();
    // Not "left == 100" as if the missing view's right edge were 0: v just sits at its superview's origin.
    EXPECT_EQ(v->frame(), Rect(0, 5, 10, 10));
}

// A constraint switched off, changed and switched on again between two passes comes back with what it
// says now.
TEST(LayoutEngineEdits, AConstraintChangedWhileInactiveComesBackChanged) {
    auto window = std::make_shared<Window>(Size{320, 480});
    auto v = std::make_shared<View>();
    v->setTranslatesAutoresizingMaskIntoConstraints(false);
    window->addSubview(v);
    auto width = v->widthAnchor().constraintEqualToConstant(50);
    auto left = v->leadingAnchor().constraintEqualTo(window->leadingAnchor(), 10);
    LayoutConstraint::activate({width, left, v->topAnchor().constraintEqualTo(window->topAnchor()),
                                v->heightAnchor().constraintEqualToConstant(20)});
    window->layoutIfNeeded();
    EXPECT_EQ(v->frame(), Rect(10, 0, 50, 20));

    width->setActive(false);
    width->setConstant(80);
    left->setActive(false);
    left->setConstant(30);
    left->setPriority(layoutPriority::defaultHigh);
    width->setActive(true);
    left->setActive(true);
    window->layoutIfNeeded();
    EXPECT_EQ(v->frame(), Rect(30, 0, 80, 20));
}

} // namespace
} // namespace ui
