#pragma once

// Views that carry border layers, and drop shadows for views.

#include <ui/foundation/color.h>
#include <ui/foundation/geometry.h>
#include <ui/graphics/bezier_path.h>
#include <ui/views/view.h>

#include <optional>

namespace kivo {

// A view whose border layers (every KIVOBorderLayer directly in its layer's sublayers) follow its size:
// each layout pass refits them to the view's bounds, in sublayer order. Other sublayers are left alone.
// The base of the container, collapsible layout and version-2 item atom views.
class KIVOBorderableView : public ui::View {
public:
    using ui::View::View;

    void layoutSubviews() override;
};

// Refits every border layer directly in `view`'s layer to the view's bounds, in sublayer order.
void updateBorderLayers(ui::View& view);

// Gives `view`'s layer a rasterised drop shadow, setting in this order: rasterisation on at the main
// screen's scale, the shadow colour (black when none is given), offset, radius, opacity, and the shadow
// path (none when none is given, so the shadow follows the layer's content). A radius, offset or
// opacity that is NaN or infinite counts as zero.
void setShadow(ui::View& view, std::optional<ui::Color> color, double radius, ui::Size offset,
               std::optional<ui::BezierPath> path, float opacity);

} // namespace kivo
