#include "ui/views/view.h"

#include <ui/graphics/transaction.h>

namespace ui {

void View::animate(double duration, double delay, ViewAnimationOptions options,
                   const std::function<void()>& animations, std::function<void(bool finished)> completion) {
    AnimationOptions layerOptions;
    layerOptions.duration = duration;
    layerOptions.delay = delay;
    layerOptions.timing = TimingFunction::easeInEaseOut();
    layerOptions.allowUserInteraction = options.allowUserInteraction;
    layerOptions.beginFromCurrentState = options.beginFromCurrentState;
    // Views write their geometry and appearance through to their layers, so every change the block makes,
    // including the frames a layout pass inside it assigns, becomes a layer animation of this transaction.
    Transaction::animate(
        layerOptions, animations ? animations : [] {}, std::move(completion));
}

} // namespace ui
