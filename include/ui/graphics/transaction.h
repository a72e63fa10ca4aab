#pragma once

// Transactions group layer changes and decide whether they animate.
//
// A change to an animatable layer property animates when it is made inside a transaction (between
// begin() and commit()) whose animation duration is positive and whose actions are not disabled. Outside
// a transaction, or with a zero duration, or with actions disabled, a change is immediate. Either way the
// layer's model value changes at once; only the presentation value, which the renderer draws, moves over
// the run loop's clock (RunLoop::main().clock()) from where the property was to where it is now.
//
// Transactions nest. A nested transaction starts with the settings of the one around it and changes
// them only for itself. Its completion block runs when every animation created inside it has ended; the
// completion block of an outer transaction waits for the animations of the inner ones too. A transaction
// that created no animation runs its completion block on the next pass of the main run loop. Completion
// blocks always run on the main run loop: when the clock reaches the end of the last animation, the run
// loop pass that comes next runs the block, and `finished` tells whether every animation ran to its end
// (false when one was removed, replaced or cancelled by a later change of its property).
//
// Main thread only.

#include <ui/graphics/layer_animation.h>

#include <functional>

namespace ui {

using AnimationCompletion = std::function<void(bool finished)>;

// What Transaction::animate sets up. A view-level animation API maps its duration, delay, curve and
// options onto these.
struct AnimationOptions {
    double duration = 0.25; // seconds
    double delay = 0;       // seconds between the commit and the start of the movement
    TimingFunction timing = TimingFunction::easeInEaseOut();
    // Animated layers normally ignore hit testing while they move; this keeps them interactive. Stored on
    // each animation, see Layer::isAnimatingWithoutInteraction().
    bool allowUserInteraction = false;
    // Start from what is on screen (the presentation value) rather than from the old model value when a
    // property is already animating.
    bool beginFromCurrentState = false;
};

class Transaction {
public:
    static void begin();
    // Ends the innermost transaction. Without one, does nothing.
    static void commit();
    // How many transactions are open.
    static int depth();

    // Settings of the innermost open transaction. Setting one outside a transaction does nothing, and
    // reading one gives the defaults (no duration, no delay, ease in-out, actions enabled).
    static double animationDuration();
    static void setAnimationDuration(double seconds);
    static double animationDelay();
    static void setAnimationDelay(double seconds);
    static TimingFunction timingFunction();
    static void setTimingFunction(TimingFunction timing);
    static bool disableActions();
    static void setDisableActions(bool disable);
    static bool allowsUserInteraction();
    static void setAllowsUserInteraction(bool allow);
    static bool beginsFromCurrentState();
    static void setBeginsFromCurrentState(bool begins);

    // The block to run once the innermost transaction's animations have ended (replacing any set before).
    static void setCompletionBlock(std::function<void()> completion);
    static void setCompletionBlock(AnimationCompletion completion);

    // begin(), apply `options`, run `changes`, set `completion`, commit().
    static void animate(const AnimationOptions& options, const std::function<void()>& changes,
                        AnimationCompletion completion = {});
};

// Opens a transaction for the lifetime of the object.
class TransactionScope {
public:
    TransactionScope() { Transaction::begin(); }
    ~TransactionScope() { Transaction::commit(); }
    TransactionScope(const TransactionScope&) = delete;
    TransactionScope& operator=(const TransactionScope&) = delete;
};

} // namespace ui
