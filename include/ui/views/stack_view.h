#pragma once

// A view that lays out a list of its subviews (the arranged subviews) in a line, one after the other,
// horizontally or vertically, by generating constraints for them.
//
// Along the axis the arranged views form a chain from the stack's leading (top) edge to its trailing
// (bottom) edge with `spacing` between neighbours; hidden arranged views are left out of the chain and
// take no space. The stack fills its length along the axis with the views' own sizes: when it is given
// more or less room than they need, the view with the lowest content hugging (or compression resistance)
// priority gives. Across the axis `alignment` places each view; with any alignment but `fill` the stack
// also hugs its widest (tallest) visible view, so that a stack given no size across the axis wraps its
// content.
//
// The stack owns the constraints it generates and rebuilds them in updateConstraints() whenever the
// arrangement, the axis, the alignment, the spacing, the margins or the hidden state of an arranged view
// changed. Constraints between the stack and other views, and sizes of the arranged views themselves, are
// the caller's.

#include <ui/views/view.h>

#include <memory>
#include <vector>

namespace ui {

// Where arranged views sit across the stack's axis. For a vertical stack leading is the left edge and
// trailing the right one; for a horizontal stack leading is the top and trailing the bottom.
enum class StackViewAlignment {
    fill,
    leading,
    center,
    trailing,
    top = leading,
    bottom = trailing,
};

// How arranged views share the stack's length along its axis. Only `fill` is supported: the views keep
// their natural sizes and the one most willing to stretch (or shrink) takes up the difference.
enum class StackViewDistribution { fill };

class StackView : public View {
public:
    StackView() = default;
    ~StackView() override;

    // A stack arranging `views` in that order (each is added as a subview).
    static std::shared_ptr<StackView> create(const std::vector<std::shared_ptr<View>>& views);

    // --- arrangement ---
    const std::vector<std::shared_ptr<View>>& arrangedSubviews() const { return arranged_; }
    // Arranges `view` last, adding it as a subview if it is not one yet. A view already arranged moves to
    // the end. Throws std::invalid_argument for a null view or the stack itself.
    void addArrangedSubview(const std::shared_ptr<View>& view);
    // Arranges `view` at `index` (at most the number of arranged views), adding it as a subview if it is
    // not one yet. A view already arranged moves to `index` of the list without it. Throws
    // std::invalid_argument for a null view or the stack itself, std::out_of_range for a bad index.
    void insertArrangedSubview(const std::shared_ptr<View>& view, std::size_t index);
    // Stops arranging `view`. It stays a subview of the stack; remove it with removeFromSuperview() too if
    // it should go away. Removing a view from the stack's subviews also stops arranging it.
    void removeArrangedSubview(const std::shared_ptr<View>& view);

    // --- configuration ---
    LayoutAxis axis() const { return axis_; }
    void setAxis(LayoutAxis axis);
    StackViewAlignment alignment() const { return alignment_; }
    void setAlignment(StackViewAlignment alignment);
    StackViewDistribution distribution() const { return StackViewDistribution::fill; }
    // Distance between neighbouring visible arranged views.
    double spacing() const { return spacing_; }
    void setSpacing(double spacing);
    // When true the arranged views are laid out inside the stack's layoutMargins instead of its bounds.
    bool isLayoutMarginsRelativeArrangement() const { return marginsRelative_; }
    void setLayoutMarginsRelativeArrangement(bool relative);

protected:
    void updateConstraints() override;
    void willRemoveSubview(const std::shared_ptr<View>& subview) override;

private:
    // Asks for the generated constraints to be rebuilt before the next solve.
    void arrangementChanged();
    // Whether what the current constraints were built from (hidden flags, margins) still holds.
    bool builtStateIsCurrent() const;
    void dropGeneratedConstraints();
    void buildConstraints();

    std::vector<std::shared_ptr<View>> arranged_;
    LayoutAxis axis_ = LayoutAxis::horizontal;
    StackViewAlignment alignment_ = StackViewAlignment::fill;
    double spacing_ = 0;
    bool marginsRelative_ = false;

    // The constraints this stack generated and activated, and what they were built from.
    std::vector<std::shared_ptr<LayoutConstraint>> generated_;
    bool needsRebuild_ = true;
    std::vector<bool> builtHidden_;
    EdgeInsets builtMargins_;
};

} // namespace ui
