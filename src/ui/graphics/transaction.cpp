#include "ui/graphics/transaction.h"

#include "ui/graphics/transaction_state.h"

#include <ui/runloop/run_loop.h>

#include <cmath>

namespace ui {

namespace detail {

namespace {

std::vector<TransactionFrame>& frames() {
    static std::vector<TransactionFrame> stack;
    return stack;
}

TransactionFrame* innermost() {
    auto& stack = frames();
    return stack.empty() ? nullptr : &stack.back();
}

double validSeconds(double seconds) {
    return std::isfinite(seconds) && seconds > 0 ? seconds : 0;
}

} // namespace

void AnimationCompletionGroup::animationEnded(bool finished, bool onRunLoopNow) {
    --pending;
    allFinished = allFinished && finished;
    finishIfDone(onRunLoopNow);
}

void AnimationCompletionGroup::committedNow() {
    committed = true;
    finishIfDone(false);
}

void AnimationCompletionGroup::finishIfDone(bool onRunLoopNow) {
    if (done || !committed || pending > 0)
        return;
    done = true;
    if (!completion)
        return;
    AnimationCompletion block = std::move(completion);
    completion = nullptr;
    const bool finished = allFinished;
    if (onRunLoopNow)
        block(finished);
    else
        RunLoop::main().perform([block = std::move(block), finished] { block(finished); });
}

const TransactionFrame* animatingTransaction() {
    const TransactionFrame* frame = innermost();
    if (!frame || frame->disableActions || frame->duration <= 0)
        return nullptr;
    return frame;
}

std::vector<std::shared_ptr<AnimationCompletionGroup>> openCompletionGroups() {
    std::vector<std::shared_ptr<AnimationCompletionGroup>> groups;
    groups.reserve(frames().size());
    for (const auto& frame : frames())
        groups.push_back(frame.group);
    return groups;
}

} // namespace detail

void Transaction::begin() {
    auto& stack = detail::frames();
    detail::TransactionFrame frame = stack.empty() ? detail::TransactionFrame{} : stack.back();
    frame.group = std::make_shared<detail::AnimationCompletionGroup>();
    stack.push_back(std::move(frame));
}

void Transaction::commit() {
    auto& stack = detail::frames();
    if (stack.empty())
        return;
    const auto group = std::move(stack.back().group);
    stack.pop_back();
    group->committedNow();
}

int Transaction::depth() {
    return int(detail::frames().size());
}

double Transaction::animationDuration() {
    const auto* frame = detail::innermost();
    return frame ? frame->duration : 0;
}

void Transaction::setAnimationDuration(double seconds) {
    if (auto* frame = detail::innermost())
        frame->duration = detail::validSeconds(seconds);
}

double Transaction::animationDelay() {
    const auto* frame = detail::innermost();
    return frame ? frame->delay : 0;
}

void Transaction::setAnimationDelay(double seconds) {
    if (auto* frame = detail::innermost())
        frame->delay = detail::validSeconds(seconds);
}

TimingFunction Transaction::timingFunction() {
    const auto* frame = detail::innermost();
    return frame ? frame->timing : TimingFunction::easeInEaseOut();
}

void Transaction::setTimingFunction(TimingFunction timing) {
    if (auto* frame = detail::innermost())
        frame->timing = timing;
}

bool Transaction::disableActions() {
    const auto* frame = detail::innermost();
    return frame && frame->disableActions;
}

void Transaction::setDisableActions(bool disable) {
    if (auto* frame = detail::innermost())
        frame->disableActions = disable;
}

bool Transaction::allowsUserInteraction() {
    const auto* frame = detail::innermost();
    return frame && frame->allowUserInteraction;
}

void Transaction::setAllowsUserInteraction(bool allow) {
    if (auto* frame = detail::innermost())
        frame->allowUserInteraction = allow;
}

bool Transaction::beginsFromCurrentState() {
    const auto* frame = detail::innermost();
    return frame && frame->beginFromCurrentState;
}

void Transaction::setBeginsFromCurrentState(bool begins) {
    if (auto* frame = detail::innermost())
        frame->beginFromCurrentState = begins;
}

void Transaction::setCompletionBlock(std::function<void()> completion) {
    if (!completion)
        return setCompletionBlock(AnimationCompletion{});
    setCompletionBlock(AnimationCompletion([completion = std::move(completion)](bool) { completion(); }));
}

void Transaction::setCompletionBlock(AnimationCompletion completion) {
    if (auto* frame = detail::innermost())
        frame->group->completion = std::move(completion);
}

void Transaction::animate(const AnimationOptions& options, const std::function<void()>& changes,
                          AnimationCompletion completion) {
    TransactionScope scope;
    setAnimationDuration(options.duration);
    setAnimationDelay(options.delay);
    setTimingFunction(options.timing);
    setAllowsUserInteraction(options.allowUserInteraction);
    setBeginsFromCurrentState(options.beginFromCurrentState);
    setDisableActions(false);
    setCompletionBlock(std::move(completion));
    if (changes)
        changes();
}

} // namespace ui
