// The layout engine's slots: the state it keeps for each view that has variables, and where a view sits
// in its layout space. The other parts are the translation of constraints into entries
// (layout_engine_constraints.cpp), the sync with the window's tree (layout_engine_sync.cpp) and the
// layout pass (layout_engine_pass.cpp).

#include "ui/layout/layout_engine.h"

#include "ui/layout/layout_engine_detail.h"

#include <ui/views/view.h>
#include <ui/views/window.h>

namespace ui {

using namespace layout_engine;

LayoutEngine::LayoutEngine(Window& window) : window_(window) {}

LayoutEngine::~LayoutEngine() {
    for (Slot& slot : slots_)
        if (slot.alive && slot.raw)
            View::LayoutAccess::slot(*slot.raw) = kNoSlot;
}

// --- slots ---

std::uint32_t LayoutEngine::ensureSlot(View& view) {
    if (const std::uint32_t i = slotOf(&view); i != kNoSlot)
        return i;
    std::uint32_t i;
    if (!freeSlots_.empty()) {
        i = freeSlots_.back();
        freeSlots_.pop_back();
        slots_[i] = Slot();
    } else {
        i = static_cast<std::uint32_t>(slots_.size());
        slots_.emplace_back();
    }
    Slot& slot = slots_[i];
    slot.generation = nextGeneration_++;
    slot.raw = &view;
    slot.alive = true;
    slot.translates = view.translatesAutoresizingMaskIntoConstraints();
    auto [left, top, width, height] = Variable::group<4>();
    slot.left = std::move(left);
    slot.top = std::move(top);
    slot.width = std::move(width);
    slot.height = std::move(height);
    if (!slot.translates)
        intrinsicDirty_.emplace_back(i, slot.generation);
    if (view.isLayoutSpaceRoot() && &view != &window_) {
        auto [contentWidth, contentHeight] = Variable::group<2>();
        coldOf(slot).contentWidth = std::move(contentWidth);
        coldOf(slot).contentHeight = std::move(contentHeight);
    }
    View::LayoutAccess::slot(view) = i;
    return i;
}

void LayoutEngine::releaseSlot(std::uint32_t i) {
    Slot& slot = slots_[i];
    for (auto* holder : {&slot.hugW, &slot.compW, &slot.hugH, &slot.compH, &slot.prefW, &slot.prefH,
                         &slot.prefX, &slot.prefY})
        remove(*holder);
    if (Cold* cold = slot.cold.get()) {
        for (auto* holder : {&cold->pinX, &cold->pinY, &cold->contentPrefW, &cold->contentPrefH, &cold->minW,
                             &cold->minH, &cold->contentMinW, &cold->contentMinH})
            remove(*holder);
        if (slot.editing) {
            for (const Variable* var : {&*cold->offsetX, &*cold->offsetY, &slot.width, &slot.height})
                solver_.removeEditVariable(*var);
        }
    }
    if (slot.raw && View::LayoutAccess::slot(*slot.raw) == i)
        View::LayoutAccess::slot(*slot.raw) = kNoSlot;
    setHeightForWidth(slot, false);
    slot = Slot();
    freeSlots_.push_back(i);
}

void LayoutEngine::viewDidLeave(View& view) {
    if (const std::uint32_t i = slotOf(&view); i != kNoSlot)
        releaseSlot(i);
    structureDirty_ = true;
}

View* LayoutEngine::spaceOf(const View& view) const {
    if (const std::uint32_t i = slotOf(&view); i != kNoSlot && slots_[i].placed)
        return slots_[i].space;
    for (auto p = view.superview(); p; p = p->superview())
        if (p.get() == &window_ || p->isLayoutSpaceRoot())
            return p.get();
    return nullptr;
}

// Where the top-left corner of a view's bounds space lies in its layout space, for views positioned by
// frames (and, through them, for their subviews).
Point LayoutEngine::positionInSpace(const View& view) const {
    if (&view == &window_ || view.isLayoutSpaceRoot())
        return {0, 0};
    if (const std::uint32_t i = slotOf(&view); i != kNoSlot)
        return {slots_[i].left.value() - view.bounds().origin.x,
                slots_[i].top.value() - view.bounds().origin.y};
    auto parent = view.superview();
    const Rect f = view.frame();
    const Point base = parent ? positionInSpace(*parent) : Point{0, 0};
    return {base.x + f.origin.x - view.bounds().origin.x, base.y + f.origin.y - view.bounds().origin.y};
}

} // namespace ui
