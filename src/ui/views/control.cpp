#include "ui/views/control.h"

#include <algorithm>

namespace ui {

Control::Control() = default;
Control::~Control() = default;

void Control::setEnabled(bool enabled) {
    if (enabled_ == enabled) {
        return;
    }
    enabled_ = enabled;
    stateDidChange();
}

void Control::setHighlighted(bool highlighted) {
    if (highlighted_ == highlighted) {
        return;
    }
    highlighted_ = highlighted;
    stateDidChange();
}

void Control::setSelected(bool selected) {
    if (selected_ == selected) {
        return;
    }
    selected_ = selected;
    stateDidChange();
}

ControlState Control::state() const {
    ControlState s = ControlState::normal;
    if (highlighted_) {
        s = s | ControlState::highlighted;
    }
    if (!enabled_) {
        s = s | ControlState::disabled;
    }
    if (selected_) {
        s = s | ControlState::selected;
    }
    return s;
}

Control::ActionID Control::addAction(ControlEvents events, Action action) {
    const ActionID id = nextID_++;
    actions_.push_back(Entry{id, events, std::make_shared<Action>(std::move(action))});
    return id;
}

void Control::removeAction(ActionID id) {
    std::erase_if(actions_, [id](const Entry& e) { return e.id == id; });
}

void Control::removeActions(ControlEvents events) {
    std::erase_if(actions_, [events](const Entry& e) { return intersects(e.events, events); });
}

void Control::sendActions(ControlEvents events) {
    // Walk a snapshot of the IDs so that actions may change the list while it is being sent.
    std::vector<ActionID> ids;
    for (const Entry& e : actions_) {
        if (intersects(e.events, events)) {
            ids.push_back(e.id);
        }
    }
    // Keep the control alive while its actions run: one of them may remove it from its superview.
    std::shared_ptr<View> keepAlive;
    try {
        keepAlive = shared_from_this();
    } catch (const std::bad_weak_ptr&) {
        // A control not owned by a shared_ptr (on the stack in a test) has nobody to release it mid-send.
    }
    for (const ActionID id : ids) {
        const auto it =
            std::find_if(actions_.begin(), actions_.end(), [id](const Entry& e) { return e.id == id; });
        if (it == actions_.end()) {
            continue;
        }
        const std::shared_ptr<Action> action = it->action;
        (*action)(*this);
    }
}

void Control::setContentHorizontalAlignment(ContentHorizontalAlignment alignment) {
    if (horizontalAlignment_ == alignment) {
        return;
    }
    horizontalAlignment_ = alignment;
    setNeedsLayout();
}

void Control::setContentVerticalAlignment(ContentVerticalAlignment alignment) {
    if (verticalAlignment_ == alignment) {
        return;
    }
    verticalAlignment_ = alignment;
    setNeedsLayout();
}

} // namespace ui
