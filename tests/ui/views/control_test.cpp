// Control states and the delivery of actions.

#include <ui/views/control.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ui;

namespace {

// A host object receiving target-action messages.
struct Receiver {
    std::vector<std::string> calls;
    void tapped(Control&) { calls.push_back("tapped"); }
    void pressed(Control&) { calls.push_back("pressed"); }
};

// Records each state change a subclass sees.
class RecordingControl : public Control {
public:
    std::vector<ControlState> seen;

protected:
    void stateDidChange() override { seen.push_back(state()); }
};

} // namespace

TEST(Control, StatesCombineAndReportOnlyRealChanges) {
    auto control = std::make_shared<RecordingControl>();
    EXPECT_EQ(control->state(), ControlState::normal);

    control->setHighlighted(true);
    control->setHighlighted(true); // no change, no report
    control->setSelected(true);
    control->setEnabled(false);
    EXPECT_TRUE(contains(control->state(), ControlState::highlighted));
    EXPECT_TRUE(contains(control->state(), ControlState::selected));
    EXPECT_TRUE(contains(control->state(), ControlState::disabled));
    // Disabling keeps the view's own interaction flag as the host set it.
    EXPECT_TRUE(control->isUserInteractionEnabled());

    control->setHighlighted(false);
    control->setSelected(false);
    control->setEnabled(true);
    EXPECT_EQ(control->state(), ControlState::normal);
    EXPECT_EQ(control->seen.size(), 6u);
    EXPECT_EQ(control->seen[0], ControlState::highlighted);
    EXPECT_EQ(control->seen[2], ControlState::highlighted | ControlState::selected | ControlState::disabled);
}

TEST(Control, ActionsRunForTheirEventsInOrderAndTargetsAreNotKeptAlive) {
    auto control = std::make_shared<Control>();
    auto receiver = std::make_shared<Receiver>();
    std::vector<std::string> log;

    control->addTarget(receiver, &Receiver::pressed, ControlEvents::touchDown);
    control->addTarget(receiver, &Receiver::tapped, ControlEvents::touchUpInside);
    const auto both =
        control->addAction(ControlEvents::touchDown | ControlEvents::touchUpInside,
                           [&](Control& sender) { log.push_back(&sender == control.get() ? "both" : "?"); });

    control->sendActions(ControlEvents::touchDown);
    control->sendActions(ControlEvents::touchUpInside);
    control->sendActions(ControlEvents::valueChanged); // nobody listens
    EXPECT_EQ(receiver->calls, (std::vector<std::string>{"pressed", "tapped"}));
    EXPECT_EQ(log, (std::vector<std::string>{"both", "both"}));

    control->removeAction(both);
    control->sendActions(ControlEvents::touchUpInside);
    EXPECT_EQ(log.size(), 2u);
    EXPECT_EQ(receiver->calls.back(), "tapped");

    // The control holds its targets weakly: a released target simply stops receiving.
    std::weak_ptr<Receiver> weak = receiver;
    receiver.reset();
    EXPECT_TRUE(weak.expired());
    control->sendActions(ControlEvents::allTouchEvents);

    control->removeActions(ControlEvents::allEvents);
    int count = 0;
    control->addAction(ControlEvents::valueChanged, [&](Control&) { ++count; });
    control->sendActions(ControlEvents::valueChanged);
    EXPECT_EQ(count, 1);
}

TEST(Control, AnActionMayChangeTheActionsWhileTheyAreSent) {
    auto control = std::make_shared<Control>();
    std::vector<int> order;
    Control::ActionID second = 0;
    control->addAction(ControlEvents::touchUpInside, [&](Control& c) {
        order.push_back(1);
        c.removeAction(second); // removed before its turn: skipped at once
        c.addAction(ControlEvents::touchUpInside, [&](Control&) { order.push_back(3); }); // runs next time
    });
    second = control->addAction(ControlEvents::touchUpInside, [&](Control&) { order.push_back(2); });
    control->sendActions(ControlEvents::touchUpInside);
    EXPECT_EQ(order, (std::vector<int>{1}));
    control->sendActions(ControlEvents::touchUpInside);
    EXPECT_EQ(order, (std::vector<int>{1, 1, 3}));
}
