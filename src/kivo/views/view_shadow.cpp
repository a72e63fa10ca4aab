#include <kivo/views/kivo_borderable_view.h>
#include <ui/graphics/layer.h>
#include <ui/graphics/screen.h>

#include <cmath>
#include <utility>

namespace kivo {

namespace {

// NaN and infinite shadow metrics would reach the renderer's blur; they count as zero.
double finiteOrZero(double value) {
    return std::isfinite(value) ? value : 0;
}

} // namespace

void setShadow(ui::View& view, std::optional<ui::Color> color, double radius, ui::Size offset,
               std::optional<ui::BezierPath> path, float opacity) {
    ui::Layer& layer = *view.layer();
    layer.setShouldRasterize(true);
    layer.setRasterizationScale(ui::Screen::main().scale());
    layer.setShadowColor(color.value_or(ui::Color::black()));
    layer.setShadowOffset({finiteOrZero(offset.width), finiteOrZero(offset.height)});
    layer.setShadowRadius(finiteOrZero(radius));
    layer.setShadowOpacity(finiteOrZero(opacity));
    layer.setShadowPath(std::move(path));
}

} // namespace kivo
