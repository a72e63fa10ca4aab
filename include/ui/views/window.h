#pragma once

// The root of a view tree. A window owns the layout engine of its tree and runs the layout pass.

#include <ui/views/view.h>

#include <memory>

namespace ui {

class LayoutEngine;

class Window : public View {
public:
    explicit Window(Size size = {320, 480});
    ~Window() override;

    Size size() const { return bounds().size; }
    void setSize(Size size);

    // Runs the layout pass if anything asked for one: solves the constraints of every view in the
    // window, assigns frames and calls layoutSubviews, repeating (within a small bound) while that
    // asks for more layout.
    void layoutIfNeeded();

    // Number of layout passes run so far (each runs at least one solve).
    std::size_t layoutPassCount() const { return layoutPasses_; }

    // Active constraints the last pass left out: they contradicted required constraints already in
    // force, or related positions in two different layout spaces.
    std::size_t refusedConstraintCount() const;

    LayoutEngine& layoutEngine() { return *engine_; }

private:
    friend class View;
    friend class LayoutConstraint;
    friend class LayoutEngine;
    void needsLayoutPass() { passRequested_ = true; }

    std::unique_ptr<LayoutEngine> engine_;
    bool passRequested_ = true;
    bool inLayoutPass_ = false;
    std::size_t layoutPasses_ = 0;
};

} // namespace ui
