#pragma once

// A push button: a title and an image side by side over an optional background image, each chosen by the
// control's state, laid out inside content insets.

#include <ui/graphics/font.h>
#include <ui/views/control.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace ui {

class Label;
class ImageView;
class Image;

class Button : public Control {
public:
    enum class ButtonType { custom };

    explicit Button(ButtonType type = ButtonType::custom);
    ~Button() override;

    // Per-state content. A state without its own value shows the normal state's. Highlighted, disabled and
    // selected are looked up in that order of precedence when several hold.
    void setTitle(std::optional<std::string> title, ControlState state = ControlState::normal);
    std::optional<std::string> title(ControlState state = ControlState::normal) const;
    void setTitleColor(std::optional<Color> color, ControlState state = ControlState::normal);
    std::optional<Color> titleColor(ControlState state = ControlState::normal) const;
    void setImage(std::shared_ptr<Image> image, ControlState state = ControlState::normal);
    std::shared_ptr<Image> image(ControlState state = ControlState::normal) const;
    void setBackgroundImage(std::shared_ptr<Image> image, ControlState state = ControlState::normal);
    std::shared_ptr<Image> backgroundImage(ControlState state = ControlState::normal) const;

    // What the current state shows.
    std::optional<std::string> currentTitle() const;
    Color currentTitleColor() const;
    std::shared_ptr<Image> currentImage() const;

    // The label and image view the button lays out; style the label's font through titleFont.
    const std::shared_ptr<Label>& titleLabel() const { return titleLabel_; }
    const std::shared_ptr<ImageView>& imageView() const { return imageView_; }
    const Font& titleFont() const;
    void setTitleFont(const Font& font);

    EdgeInsets contentEdgeInsets() const { return contentEdgeInsets_; }
    void setContentEdgeInsets(EdgeInsets insets);

    // The colour of titles without a colour of their own (the platform's tint; blue by default).
    Color tintColor() const { return tintColor_; }
    void setTintColor(Color color);

    // Whether the image dims while the button is highlighted.
    bool adjustsImageWhenHighlighted() const { return adjustsImageWhenHighlighted_; }
    void setAdjustsImageWhenHighlighted(bool adjusts);

    // Image and title side by side plus the content insets.
    Size intrinsicContentSize() const override;
    Size sizeThatFits(Size size) const override;
    void layoutSubviews() override;

protected:
    void stateDidChange() override;

private:
    template <class T>
    using PerState = std::map<ControlState, T>;
    template <class T>
    static T lookup(const PerState<T>& values, ControlState state, const T& none);
    // The state whose values apply now, by precedence.
    ControlState effectiveState() const;
    void updateAppearance();
    Size titleSize() const;
    Size imageSize() const;

    PerState<std::optional<std::string>> titles_;
    PerState<std::optional<Color>> titleColors_;
    PerState<std::shared_ptr<Image>> images_;
    PerState<std::shared_ptr<Image>> backgroundImages_;
    std::shared_ptr<Label> titleLabel_;
    std::shared_ptr<ImageView> imageView_;
    EdgeInsets contentEdgeInsets_;
    Color tintColor_ = Color::rgb(0, 122.0 / 255, 1);
    bool adjustsImageWhenHighlighted_ = true;
};

} // namespace ui
