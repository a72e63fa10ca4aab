// Painting a style onto an element's view.

#include "kivo/model/base_ui_element.h"
#include "kivo/model/style_elements.h"
#include "kivo/views/kivo_border_layer.h"

#include <ui/views/view.h>

namespace kivo {

void BaseUIElement::applyStyle(const StyleMetaElement& style) {
    if (!view_) {
        return;
    }
    if (const auto& color = style.backgroundStyle().backgroundColor) {
        view_->setBackgroundColor(*color);
    }
    if (style.borderStyle().style) {
        // The border is the lowest sublayer, under every subview's layer; the view keeps it fitted to its
        // bounds when it lays out.
        auto border =
            std::make_shared<KIVOBorderLayer>(view_->bounds(), style.borderStyle(), style.borderEdges());
        view_->layer()->insertSublayer(border, 0);
    }
}

} // namespace kivo
