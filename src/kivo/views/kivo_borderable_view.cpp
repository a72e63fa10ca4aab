#include "kivo/views/kivo_borderable_view.h"

#include <kivo/views/kivo_border_layer.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace kivo {

void updateBorderLayers(ui::View& view) {
    // Border layers are never a view's own layer. Most views that lay out have none yet (styles are
    // painted after the first layout): they are passed over without reading their subviews' layers.
    if (view.layer()->plainSublayerCount() == 0) {
        return;
    }
    const auto& current = view.layer()->sublayers();
    if (std::none_of(current.begin(), current.end(), [](const std::shared_ptr<ui::Layer>& layer) {
            return dynamic_cast<const KIVOBorderLayer*>(layer.get()) != nullptr;
        })) {
        return;
    }
    // A copy: a border layer's refit must not be able to disturb the walk over the sublayers.
    const std::vector<std::shared_ptr<ui::Layer>> sublayers = current;
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
