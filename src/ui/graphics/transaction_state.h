#pragma once

// What layers need to know about the open transactions, and the bookkeeping behind completion blocks.

#include <ui/graphics/transaction.h>

#include <memory>
#include <vector>

namespace ui::detail {

// Counts the animations a transaction is waiting for and runs its completion block when the last one ends
// after the transaction was committed.
struct AnimationCompletionGroup {
    int pending = 0;
    bool committed = false;
    bool allFinished = true;
    bool done = false;
    AnimationCompletion completion;

    void animationAdded() { ++pending; }
    // `onRunLoopNow`: the caller is a run loop pass that may run the block itself; otherwise the block is
    // posted to the next pass, so that it never runs in the middle of the caller's own changes.
    void animationEnded(bool finished, bool onRunLoopNow);
    void committedNow();

private:
    void finishIfDone(bool onRunLoopNow);
};

struct TransactionFrame {
    double duration = 0;
    double delay = 0;
    TimingFunction timing = TimingFunction::easeInEaseOut();
    bool disableActions = false;
    bool allowUserInteraction = false;
    bool beginFromCurrentState = false;
    std::shared_ptr<AnimationCompletionGroup> group;
};

// The innermost transaction when a change made now should animate; null when it should not.
const TransactionFrame* animatingTransaction();
// The completion groups of every open transaction.
std::vector<std::shared_ptr<AnimationCompletionGroup>> openCompletionGroups();

} // namespace ui::detail
