#pragma once

// A view that reports user interaction as actions: states (highlighted, selected, disabled) and target-action
// for touch and value events.

#include <ui/views/view.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace ui {

// Bit set of control states; `normal` is the empty set.
enum class ControlState : std::uint32_t {
    normal = 0,
    highlighted = 1u << 0,
    disabled = 1u << 1,
    selected = 1u << 2,
};
constexpr ControlState operator|(ControlState a, ControlState b) {
    return static_cast<ControlState>(static_cast<std::uint32_t>(a) | static_cast<std::uint32_t>(b));
}
constexpr bool contains(ControlState set, ControlState state) {
    return (static_cast<std::uint32_t>(set) & static_cast<std::uint32_t>(state)) ==
           static_cast<std::uint32_t>(state);
}

// Bit set of the events a control sends actions for.
enum class ControlEvents : std::uint32_t {
    touchDown = 1u << 0,
    touchDownRepeat = 1u << 1,
    touchDragInside = 1u << 2,
    touchDragOutside = 1u << 3,
    touchDragEnter = 1u << 4,
    touchDragExit = 1u << 5,
    touchUpInside = 1u << 6,
    touchUpOutside = 1u << 7,
    touchCancel = 1u << 8,
    valueChanged = 1u << 12,
    primaryActionTriggered = 1u << 13,
    allTouchEvents = 0x0FFFu,
    allEvents = 0xFFFFFFFFu,
};
constexpr ControlEvents operator|(ControlEvents a, ControlEvents b) {
    return static_cast<ControlEvents>(static_cast<std::uint32_t>(a) | static_cast<std::uint32_t>(b));
}
constexpr bool intersects(ControlEvents a, ControlEvents b) {
    return (static_cast<std::uint32_t>(a) & static_cast<std::uint32_t>(b)) != 0;
}

enum class ContentHorizontalAlignment { center, left, right, fill };
enum class ContentVerticalAlignment { center, top, bottom, fill };

class Control : public View {
public:
    using Action = std::function<void(Control& sender)>;
    // Identifies an added action for removeAction.
    using ActionID = std::uint64_t;

    Control();
    ~Control() override;

    bool isEnabled() const { return enabled_; }
    bool isHighlighted() const { return highlighted_; }
    bool isSelected() const { return selected_; }
    // Subclasses override these to restyle themselves, calling the base first.
    virtual void setEnabled(bool enabled);
    virtual void setHighlighted(bool highlighted);
    virtual void setSelected(bool selected);
    // The current state: any of highlighted, disabled and selected, or normal.
    ControlState state() const;

    // Runs `action` with this control whenever one of `events` is sent. Actions run in the order added.
    ActionID addAction(ControlEvents events, Action action);
    // Target-action: calls `(target->*method)(sender)` while the target is alive. The control does not keep
    // the target alive.
    template <class T>
    ActionID addTarget(const std::shared_ptr<T>& target, void (T::*method)(Control&), ControlEvents events) {
        std::weak_ptr<T> weakTarget = target;
        return addAction(events, [weakTarget, method](Control& sender) {
            if (auto strong = weakTarget.lock()) {
                ((*strong).*method)(sender);
            }
        });
    }
    void removeAction(ActionID id);
    // Removes every action for any of `events`.
    void removeActions(ControlEvents events);

    // Runs the actions registered for any of `events`, in order. An action may add or remove actions:
    // those added run from the next send, those removed are skipped at once.
    void sendActions(ControlEvents events);

    ContentHorizontalAlignment contentHorizontalAlignment() const { return horizontalAlignment_; }
    void setContentHorizontalAlignment(ContentHorizontalAlignment alignment);
    ContentVerticalAlignment contentVerticalAlignment() const { return verticalAlignment_; }
    void setContentVerticalAlignment(ContentVerticalAlignment alignment);

protected:
    // Called after the state changed; the default does nothing.
    virtual void stateDidChange() {}

private:
    struct Entry {
        ActionID id;
        ControlEvents events;
        std::shared_ptr<Action> action;
    };

    bool enabled_ = true;
    bool highlighted_ = false;
    bool selected_ = false;
    ContentHorizontalAlignment horizontalAlignment_ = ContentHorizontalAlignment::center;
    ContentVerticalAlignment verticalAlignment_ = ContentVerticalAlignment::center;
    std::vector<Entry> actions_;
    ActionID nextID_ = 1;
};

} // namespace ui
