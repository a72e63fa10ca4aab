#include "kivo/views/badge_view.h"

#include <kivo/model/badge_element.h>

namespace kivo {

BadgeView::BadgeView(std::weak_ptr<KIVOImageDownloadTaskProvider> provider)
    : imageView_(std::make_shared<KIVOWebImageView>(std::move(provider))) {}

std::shared_ptr<BadgeView> BadgeView::create(const BadgeElement& badgeElement,
                                             std::weak_ptr<KIVOImageDownloadTaskProvider> provider) {
    auto view = std::make_shared<BadgeView>(std::move(provider));
    const auto& imageView = view->imageView_;
    imageView->setContentMode(ui::ContentMode::scaleAspectFit);
    imageView->setImageURL(badgeElement.url());
    view->addSubview(imageView);
    imageView->setTranslatesAutoresizingMaskIntoConstraints(false);
    ui::LayoutConstraint::activate({
        imageView->leadingAnchor().constraintEqualTo(view->leadingAnchor()),
        imageView->topAnchor().constraintEqualTo(view->topAnchor()),
        imageView->bottomAnchor().constraintEqualTo(view->bottomAnchor()),
        imageView->rightAnchor().constraintEqualTo(view->rightAnchor()),
    });
    return view;
}

} // namespace kivo
