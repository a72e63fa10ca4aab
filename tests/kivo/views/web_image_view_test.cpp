// Web image views: requests tagged by version so that stale answers are dropped, the same URL never
// loading twice, clearing, silent failures, the top-left aspect-fill alignment, and the padded container.

#include "support/recording_image_provider.h"

#include <kivo/views/kivo_border_layer.h>
#include <kivo/views/kivo_web_image_view.h>
#include <ui/graphics/image.h>
#include <ui/graphics/renderer.h>
#include <ui/views/snapshot.h>
#include <ui/views/window.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

namespace {

using kivo::KIVOWebImageView;
using kivo::KIVOWebImageViewAspectFillOrigin;
using kivo::KIVOWebImageViewContainer;
using kivo::test_support::RecordingImageProvider;
using ui::Color;
using ui::Image;
using ui::Rect;
using ui::Size;
using ui::URL;

URL url(const char* text) {
    return *URL::fromString(text);
}

struct SuccessLog {
    std::vector<std::shared_ptr<Image>> images;
    KIVOWebImageView::Success callback() {
        return [this](const std::shared_ptr<Image>& image) { images.push_back(image); };
    }
};

// A web image view that asks a recording provider for its pictures.
class WebImageView : public ::testing::Test {
protected:
    std::shared_ptr<RecordingImageProvider> provider = std::make_shared<RecordingImageProvider>();
    std::shared_ptr<KIVOWebImageView> view = std::make_shared<KIVOWebImageView>(provider);
};

TEST_F(WebImageView, LaterURLWinsOverAStaleAnswerAndEveryCallbackStillRuns) {
    SuccessLog a;
    SuccessLog b;
    view->setImageURL(url("https://img.test/a.png"), a.callback());
    view->setImageURL(url("https://img.test/b.png"), b.callback());
    ASSERT_EQ(provider->tasks.size(), 2u);
    const auto taskA = provider->tasks[0];
    const auto taskB = provider->tasks[1];
    EXPECT_EQ(taskA->url->string(), "https://img.test/a.png");
    EXPECT_EQ(taskA->cancelCount, 1);
    EXPECT_EQ(taskB->cancelCount, 0);
    EXPECT_EQ(view->version(), 2);

    // A ignores its cancel and answers anyway: the view stays empty, A's callback gets A's picture.
    const auto pictureA = Image::filled(Size(4, 4), Color::red());
    taskA->complete(pictureA);
    EXPECT_EQ(view->image(), nullptr);
    ASSERT_EQ(a.images.size(), 1u);
    EXPECT_EQ(a.images[0], pictureA);

    const auto pictureB = Image::filled(Size(4, 4), Color::blue());
    taskB->complete(pictureB);
    EXPECT_EQ(view->image(), pictureB);
    ASSERT_EQ(b.images.size(), 1u);
    EXPECT_EQ(b.images[0], pictureB);

    // A stale answer arriving after the newer picture does not replace it either.
    view->setImageURL(url("https://img.test/c.png"));
    const auto taskC = provider->tasks.back();
    view->setImageURL(url("https://img.test/b.png"), b.callback());
    taskC->complete(Image::filled(Size(4, 4), Color::green()));
    EXPECT_EQ(view->image(), nullptr);
}

TEST_F(WebImageView, SameURLLoadsOnceAndNoURLClearsAndCancels) {
    SuccessLog first;
    SuccessLog second;
    view->setImageURL(url("https://img.test/a.png"), first.callback());
    view->setAlpha(0.3);
    view->setImageURL(url("https://img.test/a.png"), second.callback());
    EXPECT_EQ(provider->tasks.size(), 1u);
    EXPECT_DOUBLE_EQ(view->alpha(), 0.3) << "the same URL resets nothing";
    provider->tasks[0]->complete(Image::filled(Size(2, 2), Color::red()));
    EXPECT_EQ(first.images.size(), 1u);
    EXPECT_TRUE(second.images.empty());
    ASSERT_NE(view->image(), nullptr);

    // Setting the same URL after the picture came keeps it and asks for nothing.
    view->setImageURL(url("https://img.test/a.png"));
    EXPECT_EQ(provider->tasks.size(), 1u);
    EXPECT_NE(view->image(), nullptr);

    // No URL: picture cleared, alpha back to 1, nothing asked for; a request in flight is cancelled.
    view->setImageURL(std::nullopt);
    EXPECT_EQ(view->image(), nullptr);
    EXPECT_DOUBLE_EQ(view->alpha(), 1.0);
    EXPECT_FALSE(view->imageURL().has_value());
    SuccessLog third;
    view->setImageURL(url("https://img.test/b.png"), third.callback());
    view->setImageURL(std::nullopt);
    EXPECT_EQ(provider->tasks.back()->cancelCount, 1);
    EXPECT_EQ(provider->tasks.size(), 2u);
    // No URL twice is the same URL: nothing happens.
    view->setImageURL(std::nullopt);
    EXPECT_EQ(view->version(), 2);
}

TEST_F(WebImageView, FailuresAndMissingProvidersLeaveTheViewEmptyWithoutErrors) {
    SuccessLog log;
    view->setImageURL(url("https://img.test/broken.jpg"), log.callback());
    provider->tasks[0]->complete(nullptr, "corrupt JPEG");
    EXPECT_EQ(view->image(), nullptr);
    ASSERT_EQ(log.images.size(), 1u);
    EXPECT_EQ(log.images[0], nullptr);

    // An image together with an error is not shown either, but is passed on as received.
    view->setImageURL(url("https://img.test/odd.png"), log.callback());
    const auto picture = Image::filled(Size(2, 2), Color::red());
    provider->tasks[1]->complete(picture, "late error");
    EXPECT_EQ(view->image(), nullptr);
    EXPECT_EQ(log.images.back(), picture);

    // A provider that refuses, and no provider at all: silent, no callback.
    provider->refuse = true;
    view->setImageURL(url("https://img.test/refused.png"), log.callback());
    auto orphan = std::make_shared<KIVOWebImageView>();
    orphan->setImageURL(url("https://img.test/orphan.png"), log.callback());
    EXPECT_EQ(log.images.size(), 2u);
    EXPECT_EQ(orphan->imageURL()->string(), "https://img.test/orphan.png");

    // A view that went away before its picture came: the task's answer reaches nobody.
    provider->refuse = false;
    auto shortLived = std::make_shared<KIVOWebImageView>(provider);
    SuccessLog gone;
    shortLived->setImageURL(url("https://img.test/late.png"), gone.callback());
    const auto task = provider->tasks.back();
    shortLived.reset();
    EXPECT_EQ(task->cancelCount, 1) << "a destroyed view lets its transfer go";
    task->complete(picture);
    EXPECT_TRUE(gone.images.empty());
}

TEST_F(WebImageView, TopLeftAspectFillPutsThePicturesCornerAtTheOrigin) {
    view->setContentMode(ui::ContentMode::scaleAspectFill);
    view->setAspectFillOrigin(KIVOWebImageViewAspectFillOrigin::topLeft);
    view->setFrame(Rect(0, 0, 100, 100));
    view->setImageURL(url("https://img.test/wide.png"));
    provider->tasks[0]->complete(Image::filled(Size(200, 100), Color::red()));
    EXPECT_EQ(view->frame(), Rect(50, 0, 100, 100));
    EXPECT_EQ(view->originalFrame(), Rect(0, 0, 100, 100));

    // Every new frame is recorded, then aligned: a tall picture moves the view down instead.
    view->setImageURL(url("https://img.test/tall.png"));
    provider->tasks[1]->complete(Image::filled(Size(50, 200), Color::red()));
    view->setFrame(Rect(10, 10, 100, 100));
    EXPECT_EQ(view->originalFrame(), Rect(10, 10, 100, 100));
    EXPECT_EQ(view->frame(), Rect(0, 150, 100, 100));

    // Centre alignment and other content modes leave the frame to the layout.
    view->setAspectFillOrigin(KIVOWebImageViewAspectFillOrigin::center);
    view->setFrame(Rect(10, 10, 100, 100));
    EXPECT_EQ(view->frame(), Rect(10, 10, 100, 100));
    view->setAspectFillOrigin(KIVOWebImageViewAspectFillOrigin::topLeft);
    view->setContentMode(ui::ContentMode::scaleAspectFit);
    view->setFrame(Rect(20, 20, 100, 100));
    EXPECT_EQ(view->frame(), Rect(20, 20, 100, 100));

    // Layout assigns frames through the same setter: a laid-out view is aligned as well.
    view->setContentMode(ui::ContentMode::scaleAspectFill);
    auto window = std::make_shared<ui::Window>(Size(300, 300));
    view->setTranslatesAutoresizingMaskIntoConstraints(false);
    window->addSubview(view);
    ui::LayoutConstraint::activate({
        view->leftAnchor().constraintEqualTo(window->leftAnchor(), 30),
        view->topAnchor().constraintEqualTo(window->topAnchor(), 40),
        view->widthAnchor().constraintEqualToConstant(100),
        view->heightAnchor().constraintEqualToConstant(100),
    });
    window->layoutIfNeeded();
    EXPECT_EQ(view->originalFrame(), Rect(30, 40, 100, 100));
    EXPECT_EQ(view->frame(), Rect(0, 150, 100, 100));
}

TEST_F(WebImageView, ContainerPadsThePictureByConstraintConstants) {
    auto window = std::make_shared<ui::Window>(Size(100, 100));
    auto container = KIVOWebImageViewContainer::create(provider);
    container->setFrame(Rect(0, 0, 100, 100));
    window->addSubview(container);
    container->setImage(url("https://img.test/a.png"));
    ASSERT_EQ(provider->tasks.size(), 1u);
    provider->tasks[0]->complete(Image::filled(Size(10, 10), Color::red()));

    container->applyPadding(ui::EdgeInsets(1, 2, 3, 4), false);
    EXPECT_DOUBLE_EQ(container->imageViewLeadingConstraint()->constant(), 2);
    EXPECT_DOUBLE_EQ(container->imageViewTrailingConstraint()->constant(), -4);
    EXPECT_DOUBLE_EQ(container->imageViewTopConstraint()->constant(), 1);
    EXPECT_DOUBLE_EQ(container->imageViewBottomConstraint()->constant(), -3);
    EXPECT_EQ(container->imageView()->contentMode(), ui::ContentMode::scaleToFill);
    window->layoutIfNeeded();
    EXPECT_EQ(container->imageView()->frame(), Rect(2, 1, 94, 96));

    // The pixels: a white window, the picture stretched inside the padding.
    window->setBackgroundColor(Color::white());
    const auto shot = ui::snapshot(*window, 1);
    EXPECT_EQ(shot->pixelAt(1, 50), Color::white());
    EXPECT_EQ(shot->pixelAt(2, 50), Color::red());
    EXPECT_EQ(shot->pixelAt(95, 96), Color::red());
    EXPECT_EQ(shot->pixelAt(96, 50), Color::white());
    EXPECT_EQ(shot->pixelAt(50, 97), Color::white());

    // Keeping the aspect fits the picture instead of stretching it.
    container->applyPadding(ui::EdgeInsets(0, 0, 0, 0), true);
    EXPECT_EQ(container->imageView()->contentMode(), ui::ContentMode::scaleAspectFit);
}

} // namespace
