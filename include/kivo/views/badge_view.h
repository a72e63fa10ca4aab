#pragma once

// The view of one badge: a web image view filling it, with the picture fitted inside.

#include <kivo/views/kivo_web_image_view.h>

#include <memory>

namespace kivo {

class BadgeElement;

class BadgeView : public ui::View {
public:
    // Starts loading the badge's picture at once.
    static std::shared_ptr<BadgeView> create(const BadgeElement& badgeElement,
                                             std::weak_ptr<KIVOImageDownloadTaskProvider> provider);

    const std::shared_ptr<KIVOWebImageView>& imageView() const { return imageView_; }

    // Use create(): the edge constraints need the view's shared ownership.
    explicit BadgeView(std::weak_ptr<KIVOImageDownloadTaskProvider> provider);

private:
    std::shared_ptr<KIVOWebImageView> imageView_;
};

} // namespace kivo
