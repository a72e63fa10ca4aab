#include "ui/views/button.h"

#include <ui/graphics/image.h>
#include <ui/views/image_view.h>
#include <ui/views/label.h>

#include <algorithm>
#include <cmath>

namespace ui {

namespace {

// How much a highlighted button dims its image.
constexpr double kHighlightedImageAlpha = 0.55;

} // namespace

Button::Button(ButtonType)
    : titleLabel_(std::make_shared<Label>()), imageView_(std::make_shared<ImageView>()) {
    titleLabel_->setFont(Font::systemFont(15, FontWeight::medium));
    titleLabel_->setNumberOfLines(1);
    titleLabel_->setLineBreakMode(LineBreakMode::byTruncatingTail);
    titleLabel_->setUserInteractionEnabled(false);
    imageView_->setUserInteractionEnabled(false);
    imageView_->setContentMode(ContentMode::center);
    addSubview(imageView_);
    addSubview(titleLabel_);
    updateAppearance();
}

Button::~Button() = default;

template <class T>
T Button::lookup(const PerState<T>& values, ControlState state, const T& none) {
    if (const auto it = values.find(state); it != values.end() && it->second) {
        return it->second;
    }
    if (const auto it = values.find(ControlState::normal); it != values.end()) {
        return it->second;
    }
    return none;
}

ControlState Button::effectiveState() const {
    if (isHighlighted()) {
        return ControlState::highlighted;
    }
    if (!isEnabled()) {
        return ControlState::disabled;
    }
    if (isSelected()) {
        return ControlState::selected;
    }
    return ControlState::normal;
}

void Button::setTitle(std::optional<std::string> title, ControlState state) {
    titles_[state] = std::move(title);
    updateAppearance();
}

std::optional<std::string> Button::title(ControlState state) const {
    const auto it = titles_.find(state);
    return it == titles_.end() ? std::nullopt : it->second;
}

void Button::setTitleColor(std::optional<Color> color, ControlState state) {
    titleColors_[state] = color;
    updateAppearance();
}

std::optional<Color> Button::titleColor(ControlState state) const {
    const auto it = titleColors_.find(state);
    return it == titleColors_.end() ? std::nullopt : it->second;
}

void Button::setImage(std::shared_ptr<Image> image, ControlState state) {
    images_[state] = std::move(image);
    updateAppearance();
}

std::shared_ptr<Image> Button::image(ControlState state) const {
    const auto it = images_.find(state);
    return it == images_.end() ? nullptr : it->second;
}

void Button::setBackgroundImage(std::shared_ptr<Image> image, ControlState state) {
    backgroundImages_[state] = std::move(image);
    updateAppearance();
}

std::shared_ptr<Image> Button::backgroundImage(ControlState state) const {
    const auto it = backgroundImages_.find(state);
    return it == backgroundImages_.end() ? nullptr : it->second;
}

std::optional<std::string> Button::currentTitle() const {
    return lookup(titles_, effectiveState(), std::optional<std::string>());
}

Color Button::currentTitleColor() const {
    return lookup(titleColors_, effectiveState(), std::optional<Color>()).value_or(tintColor_);
}

std::shared_ptr<Image> Button::currentImage() const {
    return lookup(images_, effectiveState(), std::shared_ptr<Image>());
}

const Font& Button::titleFont() const {
    return titleLabel_->font();
}

void Button::setTitleFont(const Font& font) {
    titleLabel_->setFont(font);
    invalidateIntrinsicContentSize();
    setNeedsLayout();
}

void Button::setContentEdgeInsets(EdgeInsets insets) {
    if (contentEdgeInsets_ == insets) {
        return;
    }
    contentEdgeInsets_ = insets;
    invalidateIntrinsicContentSize();
    setNeedsLayout();
}

void Button::setTintColor(Color color) {
    tintColor_ = color;
    updateAppearance();
}

void Button::setAdjustsImageWhenHighlighted(bool adjusts) {
    adjustsImageWhenHighlighted_ = adjusts;
    updateAppearance();
}

void Button::stateDidChange() {
    updateAppearance();
}

void Button::updateAppearance() {
    const Size before = intrinsicContentSize();
    const auto title = currentTitle();
    titleLabel_->setText(title.value_or(""));
    titleLabel_->setHidden(!title || title->empty());
    titleLabel_->setTextColor(currentTitleColor());
    const auto image = currentImage();
    imageView_->setImage(image);
    imageView_->setHidden(!image);
    imageView_->setAlpha(isHighlighted() && adjustsImageWhenHighlighted_ ? kHighlightedImageAlpha : 1.0);
    // The background image fills the button through its own layer.
    layer()->setContents(lookup(backgroundImages_, effectiveState(), std::shared_ptr<Image>()));
    layer()->setContentsGravity(ContentsGravity::resize);
    if (intrinsicContentSize() != before) {
        invalidateIntrinsicContentSize();
    }
    setNeedsLayout();
}

Size Button::titleSize() const {
    if (titleLabel_->isHidden()) {
        return {};
    }
    return titleLabel_->intrinsicContentSize();
}

Size Button::imageSize() const {
    const auto image = imageView_->image();
    return image && !imageView_->isHidden() ? image->size() : Size{};
}

Size Button::intrinsicContentSize() const {
    const Size t = titleSize();
    const Size i = imageSize();
    return {std::ceil(t.width + i.width + contentEdgeInsets_.horizontal()),
            std::ceil(std::max(t.height, i.height) + contentEdgeInsets_.vertical())};
}

Size Button::sizeThatFits(Size) const {
    return intrinsicContentSize();
}

void Button::layoutSubviews() {
    const Rect b = bounds();
    const double left = b.origin.x + contentEdgeInsets_.left;
    const double top = b.origin.y + contentEdgeInsets_.top;
    const double width = std::max(0.0, b.size.width - contentEdgeInsets_.horizontal());
    const double height = std::max(0.0, b.size.height - contentEdgeInsets_.vertical());

    const Size image = imageSize();
    Size title = titleSize();
    // The title gives way to the image and is truncated at its tail.
    title.width = std::min(title.width, std::max(0.0, width - image.width));
    const double content = image.width + title.width;

    double x = left;
    switch (contentHorizontalAlignment()) {
    case ContentHorizontalAlignment::left:
        x = left;
        break;
    case ContentHorizontalAlignment::right:
        x = left + width - content;
        break;
    case ContentHorizontalAlignment::center:
        x = left + (width - content) / 2;
        break;
    case ContentHorizontalAlignment::fill:
        x = left;
        title.width = std::max(0.0, width - image.width);
        break;
    }
    const auto verticalOrigin = [&](double h) {
        switch (contentVerticalAlignment()) {
        case ContentVerticalAlignment::top:
            return top;
        case ContentVerticalAlignment::bottom:
            return top + height - h;
        case ContentVerticalAlignment::fill:
            return top;
        case ContentVerticalAlignment::center:
            break;
        }
        return top + (height - h) / 2;
    };
    const bool fillHeight = contentVerticalAlignment() == ContentVerticalAlignment::fill;
    imageView_->setFrame(
        Rect(x, verticalOrigin(image.height), image.width, fillHeight ? height : image.height));
    titleLabel_->setFrame(
        Rect(x + image.width, verticalOrigin(title.height), title.width, fillHeight ? height : title.height));
}

} // namespace ui
