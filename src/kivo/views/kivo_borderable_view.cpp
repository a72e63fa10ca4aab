#include "kivo/views/kivo_borderable_view.h"

#include "kivo/views/kivo_border_layer.h"

#include <memory>
#include <vector>

namespace kivo {

void KIVOBorderableView::layoutSubviews() {
    ui::View::layoutSubviews();
    // A copy: a border layer's refit must not be able to disturb the walk over the sublayers.
    const std::vector<std::shared_ptr<ui::Layer>> sublayers = layer()->sublayers();
    for (const auto& sublayer : sublayers) {
        if (auto border = std::dynamic_pointer_cast<KIVOBorderLayer>(sublayer)) {
            border->updateBorderPath(bounds());
        }
    }
}

} // namespace kivo
