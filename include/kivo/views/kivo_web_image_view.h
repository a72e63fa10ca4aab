#pragma once

// Image views that load their pictures through the host's download task provider, and a wrapper that pads
// such a view by constraint constants.

#include <kivo/views/image_loading.h>
#include <ui/foundation/geometry.h>
#include <ui/foundation/url.h>
#include <ui/layout/layout_constraint.h>
#include <ui/views/image_view.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace kivo {

// Adopted by every view that loads pictures. The provider belongs to the host and is held weakly.
class KIVOImageLoading {
public:
    virtual ~KIVOImageLoading() = default;
    virtual std::shared_ptr<KIVOImageDownloadTaskProvider> imageDownloadTaskProvider() const = 0;
    virtual void setImageDownloadTaskProvider(std::weak_ptr<KIVOImageDownloadTaskProvider> provider) = 0;
};

// Which point of an aspect-filled picture stays in view.
enum class KIVOWebImageViewAspectFillOrigin { center = 0, topLeft = 1 };

// An image view showing the picture at one URL. Every new URL starts a request tagged with a version;
// a response is shown only while its version is still the latest, so a slow answer for an earlier URL
// never replaces the picture of a later one, even when its task ignores cancel.
class KIVOWebImageView : public ui::ImageView, public KIVOImageLoading {
public:
    // Receives the image the download delivered (null when it failed), whether or not it was shown.
    using Success = std::function<void(const std::shared_ptr<ui::Image>&)>;

    explicit KIVOWebImageView(std::weak_ptr<KIVOImageDownloadTaskProvider> provider = {});
    ~KIVOWebImageView() override;

    const std::optional<ui::URL>& imageURL() const { return imageURL_; }
    // Shows the picture at `url`. The same URL as the current one changes nothing (no request, no reset,
    // no callback). Otherwise the previous request is cancelled and the view cleared; with a URL a new
    // task is asked for, and `success` runs when it completes. Main thread only.
    void setImageURL(const std::optional<ui::URL>& url, Success success = nullptr);

    KIVOWebImageViewAspectFillOrigin aspectFillOrigin() const { return aspectFillOrigin_; }
    void setAspectFillOrigin(KIVOWebImageViewAspectFillOrigin origin) { aspectFillOrigin_ = origin; }

    std::shared_ptr<KIVOImageDownloadTaskProvider> imageDownloadTaskProvider() const override {
        return provider_.lock();
    }
    void setImageDownloadTaskProvider(std::weak_ptr<KIVOImageDownloadTaskProvider> provider) override {
        provider_ = std::move(provider);
    }

    // The frame last assigned from outside (by layout or by a caller), before any alignment.
    const ui::Rect& originalFrame() const { return originalFrame_; }
    // Number of loads started.
    std::int64_t version() const { return version_; }

    // Records the frame as the original one, then aligns an aspect-filled picture to the top left.
    void setFrame(const ui::Rect& frame) override;
    // Keeps border layers fitted to the bounds.
    void layoutSubviews() override;

private:
    void didLoad(std::int64_t version, const std::shared_ptr<ui::Image>& image,
                 const std::optional<std::string>& error, const Success& success);
    void alignAspectFill();

    std::optional<ui::URL> imageURL_;
    KIVOWebImageViewAspectFillOrigin aspectFillOrigin_ = KIVOWebImageViewAspectFillOrigin::center;
    std::weak_ptr<KIVOImageDownloadTaskProvider> provider_;
    std::shared_ptr<KIVOImageDownloadTask> operation_;
    ui::Rect originalFrame_;
    std::int64_t version_ = 0;
};

// A plain view holding one web image view, tied to its four edges by constraints whose constants are the
// padding.
class KIVOWebImageViewContainer : public ui::View {
public:
    static std::shared_ptr<KIVOWebImageViewContainer>
    create(std::weak_ptr<KIVOImageDownloadTaskProvider> provider = {});

    const std::shared_ptr<KIVOWebImageView>& imageView() const { return imageView_; }
    const std::shared_ptr<ui::LayoutConstraint>& imageViewLeadingConstraint() const { return leading_; }
    const std::shared_ptr<ui::LayoutConstraint>& imageViewTrailingConstraint() const { return trailing_; }
    const std::shared_ptr<ui::LayoutConstraint>& imageViewTopConstraint() const { return top_; }
    const std::shared_ptr<ui::LayoutConstraint>& imageViewBottomConstraint() const { return bottom_; }

    void setImage(const ui::URL& url, KIVOWebImageView::Success success = nullptr);
    // Insets the picture by `padding`; a picture whose element keeps its aspect is fitted rather than
    // stretched.
    void applyPadding(const ui::EdgeInsets& padding, bool shouldPreserveAspect);

    void layoutSubviews() override;

    // Use create(): the edge constraints need the container's shared ownership.
    explicit KIVOWebImageViewContainer(std::weak_ptr<KIVOImageDownloadTaskProvider> provider);

private:
    std::shared_ptr<KIVOWebImageView> imageView_;
    std::shared_ptr<ui::LayoutConstraint> leading_;
    std::shared_ptr<ui::LayoutConstraint> trailing_;
    std::shared_ptr<ui::LayoutConstraint> top_;
    std::shared_ptr<ui::LayoutConstraint> bottom_;
};

} // namespace kivo
