#include "kivo/views/kivo_borderable_view.h"

#include "kivo/views/kivo_border_layer.h"

#include <memory>
#include <vector>

namespace kivo {

void updateBorderLayers(ui::View& view) {
    // A copy: a border layer's refit must not be able to disturb the walk over the sublayers.
    const std::vector<std::shared_ptr<ui::Layer>> sublayers = view.layer()->sublayers();
    for (const auto& sublayer : sublayers) {
        if (auto border = std::dynamic_pointer_cast<KIVOBorderLayer>(sublayer)) {
            border->updateBorderPath(view.bounds());
        }
    }
}

void KIVOBorderableView::layoutSubviews() {
    ui::View::layoutSubviews();
    updateBorderLayers(*this);
}

} // namespace kivo
