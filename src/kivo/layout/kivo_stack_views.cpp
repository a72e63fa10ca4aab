#include "kivo/layout/kivo_stack_views.h"

#include <ui/views/view.h>

namespace kivo {

using ui::LayoutAttribute;
using ui::LayoutConstraint;
using ui::LayoutRelation;

std::vector<std::shared_ptr<LayoutConstraint>>
kivoStackViews(const std::vector<std::shared_ptr<ui::View>>& views, ui::LayoutAxis direction,
               const std::shared_ptr<ui::View>& container, const std::vector<double>& individualSpacings,
               const ui::EdgeInsets& insets, bool equalSize, std::optional<RectEdge> pinnedToEdge) {
    std::vector<std::shared_ptr<LayoutConstraint>> result;
    if (views.empty()) {
        return result;
    }
    const bool horizontal = direction == ui::LayoutAxis::horizontal;
    const LayoutAttribute start = horizontal ? LayoutAttribute::left : LayoutAttribute::top;
    const LayoutAttribute end = horizontal ? LayoutAttribute::right : LayoutAttribute::bottom;
    const LayoutAttribute size = horizontal ? LayoutAttribute::width : LayoutAttribute::height;
    const double startInset = horizontal ? insets.left : insets.top;
    const double endInset = horizontal ? insets.right : insets.bottom;
    const bool pinsStart = !pinnedToEdge || *pinnedToEdge == RectEdge::top || *pinnedToEdge == RectEdge::left;
    const bool pinsEnd = !pinnedToEdge || (*pinnedToEdge != RectEdge::top && *pinnedToEdge != RectEdge::left);

    const std::size_t n = views.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (i == 0 && pinsStart) {
            result.push_back(LayoutConstraint::create(views[0], start, LayoutRelation::equal, container,
                                                      start, 1, startInset));
        }
        if (i >= 1) {
            const double spacing = i - 1 < individualSpacings.size() ? individualSpacings[i - 1] : 0.0;
            result.push_back(LayoutConstraint::create(views[i], start, LayoutRelation::equal, views[i - 1],
                                                      end, 1, spacing));
            if (equalSize && !pinnedToEdge) {
                result.push_back(
                    LayoutConstraint::create(views[i], size, LayoutRelation::equal, views[i - 1], size));
            }
        }
        if (i == n - 1 && pinsEnd) {
            result.push_back(
                LayoutConstraint::create(views[i], end, LayoutRelation::equal, container, end, 1, -endInset));
        }
    }
    return result;
}

std::vector<std::shared_ptr<LayoutConstraint>>
kivoStackViews(const std::vector<std::shared_ptr<ui::View>>& views, ui::LayoutAxis direction,
               const std::shared_ptr<ui::View>& container, double spacing, const ui::EdgeInsets& insets,
               bool equalSize) {
    return kivoStackViews(views, direction, container, std::vector<double>(views.size(), spacing), insets,
                          equalSize, std::nullopt);
}

} // namespace kivo
