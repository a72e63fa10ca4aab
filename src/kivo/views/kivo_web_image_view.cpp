#include "kivo/views/kivo_web_image_view.h"

#include <kivo/views/kivo_borderable_view.h>
#include <ui/runloop/main_thread.h>

#include <cmath>

namespace kivo {

// --- KIVOWebImageView -----------------------------------------------------------------------------------

KIVOWebImageView::KIVOWebImageView(std::weak_ptr<KIVOImageDownloadTaskProvider> provider)
    : provider_(std::move(provider)) {}

KIVOWebImageView::~KIVOWebImageView() {
    // Nobody will look at the answer any more: let the transfer go.
    if (operation_) {
        operation_->cancel();
    }
}

void KIVOWebImageView::setImageURL(const std::optional<ui::URL>& url, Success success) {
    KIVO_ASSERT_MAIN_THREAD();
    if (url == imageURL_) {
        return;
    }
    if (operation_) {
        // Cleared before cancel: a task that completes from inside cancel must find nothing to clear.
        const auto cancelled = std::move(operation_);
        operation_.reset();
        cancelled->cancel();
    }
    layer()->removeAllAnimations();
    setAlpha(1.0);
    setImage(nullptr);
    imageURL_ = url;
    if (!url) {
        return;
    }
    const std::int64_t requestVersion = ++version_;
    const auto provider = provider_.lock();
    operation_ = provider ? provider->newImageDownloadTask() : nullptr;
    if (!operation_) {
        return;
    }
    // The task may outlive the view; the completion holds it weakly and skips a view that went away.
    std::weak_ptr<ui::View> weakSelf = weak_from_this();
    const auto task = operation_;
    task->loadImageWithURL(*url, [weakSelf, requestVersion, success = std::move(success)](
                                     std::shared_ptr<ui::Image> image, std::optional<std::string> error) {
        const auto self = std::static_pointer_cast<KIVOWebImageView>(weakSelf.lock());
        if (!self) {
            return;
        }
        self->didLoad(requestVersion, image, error, success);
    });
}

void KIVOWebImageView::didLoad(std::int64_t requestVersion, const std::shared_ptr<ui::Image>& image,
                               const std::optional<std::string>& error, const Success& success) {
    KIVO_ASSERT_MAIN_THREAD();
    operation_.reset();
    if (image && !error && version_ == requestVersion) {
        setImage(image);
        alignAspectFill();
    }
    if (success) {
        success(image);
    }
}

void KIVOWebImageView::setFrame(const ui::Rect& frame) {
    ui::ImageView::setFrame(frame);
    originalFrame_ = this->frame();
    alignAspectFill();
}

void KIVOWebImageView::alignAspectFill() {
    const auto& picture = image();
    if (!picture || !(picture->size().width > 0) || !(picture->size().height > 0) ||
        contentMode() != ui::ContentMode::scaleAspectFill ||
        aspectFillOrigin_ != KIVOWebImageViewAspectFillOrigin::topLeft) {
        return;
    }
    const ui::Size imageSize = picture->size();
    const double widthRatio = originalFrame_.size.width / imageSize.width;
    const double heightRatio = originalFrame_.size.height / imageSize.height;
    const double scale = std::isnan(widthRatio) ? heightRatio : std::max(widthRatio, heightRatio);
    const ui::Size scaled(imageSize.width * scale, imageSize.height * scale);
    const ui::Rect current = frame();
    // The picture is centred in the view; shifting the view by half the overflow puts the picture's
    // top-left corner at the superview's origin. Set through the plain setter: not a new original frame.
    ui::ImageView::setFrame(ui::Rect((scaled.width - current.size.width) * 0.5,
                                     (scaled.height - current.size.height) * 0.5, originalFrame_.size.width,
                                     originalFrame_.size.height));
}

void KIVOWebImageView::layoutSubviews() {
    ui::ImageView::layoutSubviews();
    updateBorderLayers(*this);
}

// --- KIVOWebImageViewContainer --------------------------------------------------------------------------

KIVOWebImageViewContainer::KIVOWebImageViewContainer(std::weak_ptr<KIVOImageDownloadTaskProvider> provider)
    : imageView_(std::make_shared<KIVOWebImageView>(std::move(provider))) {}

std::shared_ptr<KIVOWebImageViewContainer>
KIVOWebImageViewContainer::create(std::weak_ptr<KIVOImageDownloadTaskProvider> provider) {
    auto container = std::make_shared<KIVOWebImageViewContainer>(std::move(provider));
    const auto& imageView = container->imageView_;
    container->addSubview(imageView);
    imageView->setTranslatesAutoresizingMaskIntoConstraints(false);
    container->leading_ = imageView->leadingAnchor().constraintEqualTo(container->leadingAnchor());
    container->trailing_ = imageView->trailingAnchor().constraintEqualTo(container->trailingAnchor());
    container->top_ = imageView->topAnchor().constraintEqualTo(container->topAnchor());
    container->bottom_ = imageView->bottomAnchor().constraintEqualTo(container->bottomAnchor());
    ui::LayoutConstraint::activate(
        {container->leading_, container->trailing_, container->top_, container->bottom_});
    return container;
}

void KIVOWebImageViewContainer::setImage(const ui::URL& url, KIVOWebImageView::Success success) {
    imageView_->setImageURL(url, std::move(success));
}

void KIVOWebImageViewContainer::applyPadding(const ui::EdgeInsets& padding, bool shouldPreserveAspect) {
    if (shouldPreserveAspect) {
        imageView_->setContentMode(ui::ContentMode::scaleAspectFit);
    }
    if (leading_) {
        leading_->setConstant(padding.left);
    }
    if (trailing_) {
        trailing_->setConstant(-padding.right);
    }
    if (top_) {
        top_->setConstant(padding.top);
    }
    if (bottom_) {
        bottom_->setConstant(-padding.bottom);
    }
}

void KIVOWebImageViewContainer::layoutSubviews() {
    ui::View::layoutSubviews();
    updateBorderLayers(*this);
}

} // namespace kivo
