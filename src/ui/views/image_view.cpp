#include "ui/views/image_view.h"

#include <ui/runloop/timer.h>

#include <chrono>

namespace ui {

namespace {

ContentsGravity gravityFor(ContentMode mode) {
    switch (mode) {
    case ContentMode::scaleToFill:
        return ContentsGravity::resize;
    case ContentMode::scaleAspectFit:
        return ContentsGravity::resizeAspect;
    case ContentMode::scaleAspectFill:
        return ContentsGravity::resizeAspectFill;
    case ContentMode::center:
        return ContentsGravity::center;
    case ContentMode::topLeft:
        return ContentsGravity::topLeft;
    }
    return ContentsGravity::resize;
}

} // namespace

ImageView::ImageView() {
    // Pictures are looked at, not touched: touches go to the view behind, as with labels.
    setUserInteractionEnabled(false);
    applyContentMode();
}

ImageView::ImageView(std::shared_ptr<Image> image) : ImageView() {
    setImage(std::move(image));
}

ImageView::~ImageView() {
    if (animationTimer_) {
        animationTimer_->invalidate();
    }
}

void ImageView::setImage(std::shared_ptr<Image> image) {
    if (image_ == image) {
        return;
    }
    const Size before = intrinsicContentSize();
    image_ = std::move(image);
    if (!isAnimating()) {
        showFrame(image_);
    }
    if (intrinsicContentSize() != before) {
        invalidateIntrinsicContentSize();
    }
}

void ImageView::setContentMode(ContentMode mode) {
    if (contentMode_ == mode) {
        return;
    }
    contentMode_ = mode;
    applyContentMode();
}

void ImageView::applyContentMode() {
    layer()->setContentsGravity(gravityFor(contentMode_));
}

void ImageView::showFrame(const std::shared_ptr<Image>& frame) {
    layer()->setContents(frame);
}

Size ImageView::intrinsicContentSize() const {
    if (!image_) {
        return {noIntrinsicMetric, noIntrinsicMetric};
    }
    return image_->size();
}

Size ImageView::sizeThatFits(Size) const {
    return image_ ? image_->size() : Size{};
}

void ImageView::setAnimationImages(std::vector<std::shared_ptr<Image>> images) {
    stopAnimating();
    animationImages_ = std::move(images);
}

void ImageView::setAnimationDuration(double seconds) {
    animationDuration_ = seconds > 0 ? seconds : 0;
}

void ImageView::setAnimationRepeatCount(int count) {
    animationRepeatCount_ = count > 0 ? count : 0;
}

bool ImageView::isAnimating() const {
    return animationTimer_ && animationTimer_->isValid();
}

void ImageView::startAnimating() {
    if (animationImages_.empty() || isAnimating()) {
        return;
    }
    const double pass = animationDuration_ > 0 ? animationDuration_ : animationImages_.size() / 30.0;
    const auto frameInterval = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(pass / static_cast<double>(animationImages_.size())));
    framesShown_ = 1;
    showFrame(animationImages_.front());
    std::weak_ptr<View> weakSelf = weak_from_this();
    animationTimer_ = Timer::scheduled(
        std::max(frameInterval, Timer::kMinimumInterval), true,
        [weakSelf](Timer& timer) {
            auto self = std::static_pointer_cast<ImageView>(weakSelf.lock());
            if (!self) {
                timer.invalidate();
                return;
            }
            const std::size_t count = self->animationImages_.size();
            const std::size_t total = static_cast<std::size_t>(self->animationRepeatCount_) * count;
            if (total != 0 && self->framesShown_ >= total) {
                self->stopAnimating();
                return;
            }
            self->showFrame(self->animationImages_[self->framesShown_ % count]);
            ++self->framesShown_;
        },
        RunLoopMode::Common);
}

void ImageView::stopAnimating() {
    if (animationTimer_) {
        animationTimer_->invalidate();
        animationTimer_.reset();
    }
    showFrame(image_);
}

} // namespace ui
