// Painting a style onto an element's view.

#include <kivo/model/base_ui_element.h>
#include <kivo/model/body_elements.h>
#include <kivo/model/style_elements.h>
#include <kivo/views/kivo_border_layer.h>
#include <kivo/views/kivo_web_image_view.h>
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

std::shared_ptr<ui::View>
KIVOBadgeable::parentView(std::optional<BadgeElement::BadgeApplication> /*application*/) const {
    const auto* element = dynamic_cast<const BaseUIElement*>(this);
    return element ? element->view() : nullptr;
}

void ImageElement::applyStyle(const StyleMetaElement& style) {
    const std::shared_ptr<ui::View>& imageView = view();
    if (!imageView) {
        return;
    }
    if (const auto& padding = style.padding()) {
        if (auto* container = dynamic_cast<KIVOWebImageViewContainer*>(imageView.get())) {
            container->applyPadding(*padding,
                                    widthSpec().isPreserveAspect() || heightSpec().isPreserveAspect());
        }
    }
    imageView->setNeedsLayout();
    imageView->layoutIfNeeded();
    // Styling runs again when the picture arrives: the border made the first time gives way to the new one.
    if (style.borderStyle().style) {
        const auto& sublayers = imageView->layer()->sublayers();
        if (!sublayers.empty() && std::dynamic_pointer_cast<KIVOBorderLayer>(sublayers.front())) {
            const std::shared_ptr<ui::Layer> earlier = sublayers.front();
            earlier->removeFromSuperlayer();
        }
    }
    BaseUIElement::applyStyle(style);
}

} // namespace kivo
