#pragma once

// The constraints that line views up along an axis inside a container: each view's start on the previous
// view's end plus a spacing, the first on the container's start and the last on its end (unless an edge is
// pinned, which leaves the far end open).

#include <ui/foundation/geometry.h>
#include <ui/layout/layout_constraint.h>

#include <memory>
#include <optional>
#include <vector>

namespace ui {
class View;
}

namespace kivo {

// Which edge of the container a stack is held by alone; the other end then follows the views.
enum class RectEdge { top, left, bottom, right };

// Builds (without activating) the constraints of a stack of `views` in `container` along `direction`:
// left/right and width for horizontal stacks, top/bottom and height for vertical ones. Gap i (between view
// i and i + 1) is individualSpacings[i], or 0 when the list is shorter. With no pinned edge, or top or left,
// the first view's start is tied to the container's start inset; with no pinned edge, or bottom or right,
// the last view's end is tied to the container's end inset. `equalSize` (only without a pinned edge) gives
// every view the size of the one before.
std::vector<std::shared_ptr<ui::LayoutConstraint>>
kivoStackViews(const std::vector<std::shared_ptr<ui::View>>& views, ui::LayoutAxis direction,
               const std::shared_ptr<ui::View>& container, const std::vector<double>& individualSpacings,
               const ui::EdgeInsets& insets, bool equalSize, std::optional<RectEdge> pinnedToEdge);

// The same with one spacing for every gap and no pinned edge.
std::vector<std::shared_ptr<ui::LayoutConstraint>>
kivoStackViews(const std::vector<std::shared_ptr<ui::View>>& views, ui::LayoutAxis direction,
               const std::shared_ptr<ui::View>& container, double spacing, const ui::EdgeInsets& insets,
               bool equalSize);

} // namespace kivo
