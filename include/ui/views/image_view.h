#pragma once

// A view that shows an image, fitted to its bounds by a content mode, or a sequence of images played as an
// animation.

#include <ui/graphics/image.h>
#include <ui/views/view.h>

#include <memory>
#include <vector>

namespace ui {

class Timer;

enum class ContentMode {
    scaleToFill,     // stretched to the bounds
    scaleAspectFit,  // as large as fits, proportions kept, centred
    scaleAspectFill, // covers the bounds, proportions kept, centred (overflow shows unless clipped)
    center,          // natural size, centred
    topLeft,         // natural size, at the top-left corner
};

// Not interactive unless enabled: touches on a picture reach the view behind it.
class ImageView : public View {
public:
    ImageView();
    explicit ImageView(std::shared_ptr<Image> image);
    ~ImageView() override;

    const std::shared_ptr<Image>& image() const { return image_; }
    // Shows `image` (null shows nothing) and updates the intrinsic size.
    void setImage(std::shared_ptr<Image> image);

    ContentMode contentMode() const { return contentMode_; }
    void setContentMode(ContentMode mode);

    // The image's size in points; no intrinsic size without an image.
    Size intrinsicContentSize() const override;
    Size sizeThatFits(Size size) const override;

    // --- animation ---
    const std::vector<std::shared_ptr<Image>>& animationImages() const { return animationImages_; }
    void setAnimationImages(std::vector<std::shared_ptr<Image>> images);
    // Seconds for one pass over the images; 0 means one thirtieth of a second per image.
    double animationDuration() const { return animationDuration_; }
    void setAnimationDuration(double seconds);
    // Passes to play; 0 repeats until stopped.
    int animationRepeatCount() const { return animationRepeatCount_; }
    void setAnimationRepeatCount(int count);
    // Plays the animation images from the first, on the main run loop's clock (in every run-loop mode).
    // After the last pass the view shows `image` again.
    void startAnimating();
    void stopAnimating();
    bool isAnimating() const;

private:
    void showFrame(const std::shared_ptr<Image>& frame);
    void applyContentMode();

    std::shared_ptr<Image> image_;
    ContentMode contentMode_ = ContentMode::scaleToFill;
    std::vector<std::shared_ptr<Image>> animationImages_;
    double animationDuration_ = 0;
    int animationRepeatCount_ = 0;
    std::shared_ptr<Timer> animationTimer_;
    std::size_t framesShown_ = 0;
};

} // namespace ui
