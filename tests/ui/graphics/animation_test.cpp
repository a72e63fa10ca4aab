// Transactions and layer animations, on a manual clock: model values change at once, presentation values
// move over time, completion blocks run on the main run loop.

#include "ui/graphics/graphics_test_support.h"

#include <ui/graphics/layer.h>
#include <ui/graphics/renderer.h>
#include <ui/graphics/transaction.h>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

using namespace ui;
using graphics_test::colorNear;
using graphics_test::ManualMainClock;

std::shared_ptr<Layer> makeLayer() {
    auto layer = std::make_shared<Layer>();
    layer->setFrame(Rect(0, 0, 10, 10));
    return layer;
}

TEST(Animation, PresentationMovesWhileTheModelHasChanged) {
    ManualMainClock clock;
    auto layer = makeLayer();

    Transaction::begin();
    Transaction::setAnimationDuration(1.0);
    Transaction::setTimingFunction(TimingFunction::linear());
    layer->setOpacity(0);
    layer->setPosition({105, 5});
    Transaction::commit();

    EXPECT_EQ(layer->opacity(), 0) << "the model value changes at once";
    EXPECT_EQ(layer->position(), Point(105, 5));
    EXPECT_EQ(layer->animations().size(), 2u);
    EXPECT_DOUBLE_EQ(layer->presentation().opacity, 1);
    EXPECT_EQ(layer->presentation().position, Point(5, 5));
    clock.advance(0.25);
    EXPECT_NEAR(layer->presentation().opacity, 0.75, 1e-9);
    EXPECT_NEAR(layer->presentation().position.x, 30, 1e-9);
    clock.advance(0.5);
    EXPECT_NEAR(layer->presentation().opacity, 0.25, 1e-9);
    clock.advance(0.25);
    EXPECT_EQ(layer->presentation().opacity, 0);
    EXPECT_EQ(layer->presentation().position, Point(105, 5));

    // The default curve eases in and out: slow at the ends, half way at half time.
    Transaction::begin();
    Transaction::setAnimationDuration(2.0);
    layer->setOpacity(1);
    Transaction::commit();
    clock.advance(0.5);
    const double quarter = layer->presentation().opacity;
    EXPECT_GT(quarter, 0.05);
    EXPECT_LT(quarter, 0.2);
    clock.advance(0.5);
    EXPECT_NEAR(layer->presentation().opacity, 0.5, 1e-6);
    clock.advance(0.5);
    EXPECT_NEAR(layer->presentation().opacity, 1 - quarter, 1e-6);
}

TEST(Animation, OnlyAnimatingTransactionsAnimate) {
    ManualMainClock clock;
    auto layer = makeLayer();

    layer->setOpacity(0.5); // no transaction
    EXPECT_FALSE(layer->hasAnimations());

    Transaction::begin(); // no duration
    layer->setOpacity(0.2);
    Transaction::commit();
    EXPECT_FALSE(layer->hasAnimations());

    int completions = 0;
    Transaction::begin();
    Transaction::setAnimationDuration(1);
    Transaction::setDisableActions(true);
    Transaction::setCompletionBlock([&completions] { ++completions; });
    layer->setOpacity(0.9);
    layer->setBackgroundColor(Color::red());
    Transaction::commit();
    EXPECT_FALSE(layer->hasAnimations());
    EXPECT_EQ(layer->presentation().opacity, 0.9);
    EXPECT_EQ(completions, 0) << "completion blocks run on the run loop, never inside commit";
    RunLoop::main().runOnce();
    EXPECT_EQ(completions, 1) << "nothing to wait for";

    // Setting a property to the value it has is no change.
    Transaction::begin();
    Transaction::setAnimationDuration(1);
    layer->setOpacity(0.9);
    Transaction::commit();
    EXPECT_FALSE(layer->hasAnimations());

    // Settings outside a transaction are ignored, and read as the defaults.
    Transaction::setAnimationDuration(5);
    EXPECT_EQ(Transaction::animationDuration(), 0);
    EXPECT_EQ(Transaction::depth(), 0);
}

TEST(Animation, CompletionRunsOnTheRunLoopWhenTheClockReachesTheEnd) {
    ManualMainClock clock;
    auto layer = makeLayer();
    std::vector<bool> results;

    Transaction::begin();
    Transaction::setAnimationDuration(0.5);
    Transaction::setCompletionBlock(
        AnimationCompletion([&results](bool finished) { results.push_back(finished); }));
    layer->setCornerRadius(4);
    layer->setBorderWidth(2);
    Transaction::commit();

    RunLoop::main().runOnce();
    EXPECT_TRUE(results.empty());
    clock.advance(0.4);
    RunLoop::main().runOnce();
    EXPECT_TRUE(results.empty());
    EXPECT_NEAR(layer->presentation().cornerRadius, 4 * TimingFunction().valueAt(0.8), 1e-6);
    clock.advance(0.1);
    RunLoop::main().runOnce();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0]);
    EXPECT_FALSE(layer->hasAnimations()) << "ended animations are removed";
    RunLoop::main().runOnce();
    EXPECT_EQ(results.size(), 1u) << "once only";
}

TEST(Animation, RemovedAndReplacedAnimationsReportNotFinished) {
    ManualMainClock clock;
    auto layer = makeLayer();
    std::vector<bool> first, second;

    Transaction::animate(
        {.duration = 1}, [&] { layer->setOpacity(0); },
        [&first](bool finished) { first.push_back(finished); });
    clock.advance(0.5);
    layer->removeAllAnimations();
    EXPECT_EQ(layer->presentation().opacity, 0) << "jumps to the model value";
    EXPECT_TRUE(first.empty());
    RunLoop::main().runOnce();
    ASSERT_EQ(first.size(), 1u);
    EXPECT_FALSE(first[0]);

    // A second animation of the same property replaces the first.
    first.clear();
    Transaction::animate(
        {.duration = 1}, [&] { layer->setOpacity(1); },
        [&first](bool finished) { first.push_back(finished); });
    clock.advance(0.5);
    Transaction::animate(
        {.duration = 1}, [&] { layer->setOpacity(0.5); },
        [&second](bool finished) { second.push_back(finished); });
    EXPECT_EQ(layer->animations().size(), 1u);
    RunLoop::main().runOnce();
    ASSERT_EQ(first.size(), 1u);
    EXPECT_FALSE(first[0]);
    EXPECT_TRUE(second.empty());
    clock.advance(1);
    RunLoop::main().runOnce();
    ASSERT_EQ(second.size(), 1u);
    EXPECT_TRUE(second[0]);

    // A change without animation cancels the animation of that property only.
    first.clear();
    Transaction::animate({.duration = 1}, [&] {
        layer->setOpacity(0);
        layer->setCornerRadius(5);
    });
    layer->setOpacity(0.3);
    ASSERT_EQ(layer->animations().size(), 1u);
    EXPECT_EQ(layer->animations()[0].property, LayerProperty::cornerRadius);
    EXPECT_EQ(layer->presentation().opacity, 0.3);
}

TEST(Animation, NestedTransactionsInheritSettingsAndOuterCompletionWaits) {
    ManualMainClock clock;
    auto layer = makeLayer();
    std::vector<std::string> events;

    Transaction::begin();
    Transaction::setAnimationDuration(1);
    Transaction::setTimingFunction(TimingFunction::linear());
    Transaction::setCompletionBlock([&events] { events.push_back("outer"); });
    layer->setOpacity(0);
    Transaction::begin();
    EXPECT_EQ(Transaction::animationDuration(), 1) << "inherited";
    EXPECT_EQ(Transaction::depth(), 2);
    Transaction::setAnimationDuration(3);
    Transaction::setCompletionBlock([&events] { events.push_back("inner"); });
    layer->setCornerRadius(6);
    Transaction::commit();
    EXPECT_EQ(Transaction::animationDuration(), 1) << "the inner setting was the inner transaction's own";
    layer->setBorderWidth(3);
    Transaction::commit();

    clock.advance(1);
    RunLoop::main().runOnce();
    EXPECT_TRUE(events.empty()) << "the outer transaction waits for the inner one's longer animation";
    EXPECT_NEAR(layer->presentation().cornerRadius, 2, 1e-9);
    clock.advance(2);
    RunLoop::main().runOnce();
    EXPECT_EQ(events, (std::vector<std::string>{"inner", "outer"}));
}

TEST(Animation, DelayAndBeginFromCurrentState) {
    ManualMainClock clock;
    auto layer = makeLayer();

    Transaction::animate({.duration = 1, .delay = 0.5, .timing = TimingFunction::linear()},
                         [&] { layer->setShadowOpacity(1); });
    clock.advance(0.25);
    EXPECT_EQ(layer->presentation().shadowOpacity, 0) << "waiting for the delay";
    clock.advance(0.75);
    EXPECT_NEAR(layer->presentation().shadowOpacity, 0.5, 1e-9);

    // Without beginFromCurrentState a new animation starts from the old model value (1)...
    Transaction::animate({.duration = 1, .timing = TimingFunction::linear()},
                         [&] { layer->setShadowOpacity(0); });
    EXPECT_NEAR(layer->presentation().shadowOpacity, 1, 1e-9);
    clock.advance(0.5);
    EXPECT_NEAR(layer->presentation().shadowOpacity, 0.5, 1e-9);
    // ...with it, from what is on screen.
    Transaction::animate({.duration = 1, .timing = TimingFunction::linear(), .beginFromCurrentState = true},
                         [&] { layer->setShadowOpacity(1); });
    EXPECT_NEAR(layer->presentation().shadowOpacity, 0.5, 1e-9);
    clock.advance(0.5);
    EXPECT_NEAR(layer->presentation().shadowOpacity, 0.75, 1e-9);

    // Interaction is off while an animation made without allowUserInteraction moves.
    EXPECT_TRUE(layer->isAnimatingWithoutInteraction(clock.now()));
    Transaction::animate({.duration = 1, .allowUserInteraction = true},
                         [&] { layer->setShadowOpacity(0.2); });
    EXPECT_FALSE(layer->isAnimatingWithoutInteraction(clock.now()));
}

TEST(Animation, ValuesOfEveryKindInterpolate) {
    ManualMainClock clock;
    auto layer = makeLayer();
    Transaction::animate({.duration = 1, .timing = TimingFunction::linear()}, [&] {
        layer->setBackgroundColor(Color::red()); // from none: fades in, staying red
        layer->setBounds(Rect(0, 0, 30, 50));
        layer->setTransform(AffineTransform::makeRotation(std::numbers::pi / 2));
        layer->setContentsRect(Rect(0.5, 0.5, 0.5, 0.5));
    });
    clock.advance(0.5);
    const LayerState s = layer->presentation();
    ASSERT_TRUE(s.backgroundColor);
    EXPECT_TRUE(colorNear(*s.backgroundColor, Color::rgba(1, 0, 0, 0.5), 1));
    EXPECT_EQ(s.bounds, Rect(0, 0, 20, 30));
    // Half a quarter turn, still of unit scale.
    EXPECT_NEAR(std::atan2(s.transform.b, s.transform.a), std::numbers::pi / 4, 1e-9);
    EXPECT_NEAR(std::hypot(s.transform.a, s.transform.b), 1, 1e-9);
    EXPECT_EQ(s.contentsRect, Rect(0.25, 0.25, 0.75, 0.75));
    EXPECT_EQ(layer->model().bounds, Rect(0, 0, 30, 50));

    EXPECT_EQ(TimingFunction::linear().valueAt(0.3), 0.3);
    EXPECT_EQ(TimingFunction::easeIn().valueAt(1.5), 1);
    EXPECT_LT(TimingFunction::easeIn().valueAt(0.5), 0.5);
    EXPECT_GT(TimingFunction::easeOut().valueAt(0.5), 0.5);
}

} // namespace
