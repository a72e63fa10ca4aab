// Buttons, image views, text layers and view animations, checked through real snapshots.

#include "ui/graphics/graphics_test_support.h"

#include <ui/graphics/image.h>
#include <ui/graphics/renderer.h>
#include <ui/graphics/text_layer.h>
#include <ui/runloop/run_loop.h>
#include <ui/views/button.h>
#include <ui/views/image_view.h>
#include <ui/views/label.h>
#include <ui/views/snapshot.h>
#include <ui/views/window.h>

#include <gtest/gtest.h>

using namespace ui;
using graphics_test::colorNear;
using graphics_test::ManualMainClock;

namespace {

// How many pixels of `image` inside `area` (in pixels) are darker than mid grey.
int darkPixels(const Image& image, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const Color c = image.pixelAt(x, y);
            if (c.a() > 0.5 && c.r() + c.g() + c.b() < 1.5) {
                ++n;
            }
        }
    }
    return n;
}

std::shared_ptr<Window> whiteWindow(Size size) {
    auto window = std::make_shared<Window>(size);
    window->setBackgroundColor(Color::white());
    return window;
}

} // namespace

TEST(ImageView, ContentModesPlaceTheImageAndTheIntrinsicSizeIsTheImages) {
    // A 20 x 10 point image: left half red, right half blue.
    std::vector<Color> pixels;
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 20; ++x) {
            pixels.push_back(x < 10 ? Color::red() : Color::blue());
        }
    }
    auto image = Image::fromPixels(20, 10, pixels);
    auto view = std::make_shared<ImageView>();
    EXPECT_EQ(view->intrinsicContentSize(), Size(noIntrinsicMetric, noIntrinsicMetric));
    view->setImage(image);
    EXPECT_EQ(view->intrinsicContentSize(), Size(20, 10));

    auto window = whiteWindow({60, 60});
    window->addSubview(view);
    view->setFrame({10, 10, 40, 40});

    view->setContentMode(ContentMode::scaleToFill); // 40 x 40: red fills the left half
    auto shot = snapshot(*window, 1);
    EXPECT_TRUE(colorNear(shot->pixelAt(15, 45), Color::red()));
    EXPECT_TRUE(colorNear(shot->pixelAt(45, 15), Color::blue()));

    view->setContentMode(ContentMode::scaleAspectFit); // 40 x 20, centred: rows 20...40
    shot = snapshot(*window, 1);
    EXPECT_TRUE(colorNear(shot->pixelAt(15, 15), Color::white()));
    EXPECT_TRUE(colorNear(shot->pixelAt(15, 30), Color::red()));
    EXPECT_TRUE(colorNear(shot->pixelAt(45, 30), Color::blue()));

    view->setContentMode(ContentMode::topLeft); // natural size at 10,10
    shot = snapshot(*window, 1);
    EXPECT_TRUE(colorNear(shot->pixelAt(12, 12), Color::red()));
    EXPECT_TRUE(colorNear(shot->pixelAt(25, 12), Color::blue()));
    EXPECT_TRUE(colorNear(shot->pixelAt(12, 25), Color::white()));

    view->setContentMode(ContentMode::center); // natural size centred: 20...40 x 25...35
    shot = snapshot(*window, 1);
    EXPECT_TRUE(colorNear(shot->pixelAt(22, 30), Color::red()));
    EXPECT_TRUE(colorNear(shot->pixelAt(38, 30), Color::blue()));
    EXPECT_TRUE(colorNear(shot->pixelAt(22, 22), Color::white()));
}

TEST(ImageView, AnimationImagesPlayOnTheClockAndStopAfterTheirPasses) {
    ManualMainClock clock;
    auto red = Image::filled({4, 4}, Color::red());
    auto green = Image::filled({4, 4}, Color::green());
    auto still = Image::filled({4, 4}, Color::blue());
    auto view = std::make_shared<ImageView>(still);
    view->setAnimationImages({red, green});
    view->setAnimationDuration(1.0); // half a second per image
    view->setAnimationRepeatCount(1);

    view->startAnimating();
    EXPECT_TRUE(view->isAnimating());
    EXPECT_EQ(view->layer()->contents(), red);
    clock.advance(0.5);
    RunLoop::main().runOnce();
    EXPECT_EQ(view->layer()->contents(), green);
    clock.advance(0.5);
    RunLoop::main().runOnce();
    // One pass played: the still image is back.
    EXPECT_FALSE(view->isAnimating());
    EXPECT_EQ(view->layer()->contents(), still);

    view->setAnimationRepeatCount(0); // until stopped
    view->startAnimating();
    for (int i = 0; i < 5; ++i) {
        clock.advance(0.5);
        RunLoop::main().runOnce();
    }
    EXPECT_TRUE(view->isAnimating());
    view->stopAnimating();
    EXPECT_EQ(view->layer()->contents(), still);
}

TEST(Button, ShowsTheStatesTitleColourAndImageAndSizesToThem) {
    auto button = std::make_shared<Button>();
    button->setTitle("Show more");
    button->setTitleColor(Color::black());
    button->setTitleColor(Color::red(), ControlState::highlighted);
    button->setTitle("Hide", ControlState::selected);
    EXPECT_EQ(button->currentTitle(), "Show more");
    EXPECT_EQ(button->currentTitleColor(), Color::black());

    button->setHighlighted(true);
    EXPECT_EQ(button->currentTitleColor(), Color::red());
    EXPECT_EQ(button->currentTitle(), "Show more"); // no highlighted title: the normal one
    button->setHighlighted(false);
    button->setSelected(true);
    EXPECT_EQ(button->currentTitle(), "Hide");
    EXPECT_EQ(button->titleLabel()->text(), "Hide");
    button->setSelected(false);

    // Intrinsic size: title plus image plus insets, growing with each.
    const Size titleOnly = button->intrinsicContentSize();
    EXPECT_GT(titleOnly.width, 40);
    button->setImage(Image::filled({16, 16}, Color::blue()));
    const Size withImage = button->intrinsicContentSize();
    EXPECT_NEAR(withImage.width, titleOnly.width + 16, 1);
    button->setContentEdgeInsets({4, 10, 4, 10});
    const Size padded = button->intrinsicContentSize();
    EXPECT_NEAR(padded.width, withImage.width + 20, 1);
    EXPECT_NEAR(padded.height, std::max(withImage.height, 16.0) + 8, 1);
    button->sizeToFit();
    EXPECT_EQ(button->bounds().size, padded);

    // Drawn: the image at the left of the content, dark title text right of it.
    auto window = whiteWindow({200, 60});
    window->addSubview(button);
    button->setFrame({0, 0, padded.width, padded.height});
    window->layoutIfNeeded();
    auto shot = snapshot(*window, 1);
    const int imageY = static_cast<int>(padded.height / 2);
    EXPECT_TRUE(colorNear(shot->pixelAt(10 + 8, imageY), Color::blue()));
    EXPECT_GT(darkPixels(*shot, 10 + 16, 0, static_cast<int>(padded.width), static_cast<int>(padded.height)),
              20);

    // A narrow button truncates its title instead of overflowing.
    button->setFrame({0, 0, 60, padded.height});
    window->layoutIfNeeded();
    EXPECT_LE(button->titleLabel()->frame().origin.x + button->titleLabel()->frame().size.width,
              60 - 10 + 1e-9);
    shot = snapshot(*window, 1);
    EXPECT_EQ(darkPixels(*shot, 61, 0, 200, 60), 0);
}

TEST(Button, HighlightDimsTheImageAndTouchUpInsideRunsItsAction) {
    auto button = std::make_shared<Button>();
    button->setImage(Image::filled({10, 10}, Color::black()));
    button->sizeToFit();
    auto window = whiteWindow({20, 20});
    window->addSubview(button);
    window->layoutIfNeeded();
    EXPECT_TRUE(colorNear(snapshot(*window, 1)->pixelAt(5, 5), Color::black()));
    button->setHighlighted(true);
    const Color dimmed = snapshot(*window, 1)->pixelAt(5, 5);
    EXPECT_GT(dimmed.r(), 0.3);
    EXPECT_LT(dimmed.r(), 0.7);
    button->setAdjustsImageWhenHighlighted(false);
    EXPECT_TRUE(colorNear(snapshot(*window, 1)->pixelAt(5, 5), Color::black()));

    int taps = 0;
    button->addAction(ControlEvents::touchUpInside, [&](Control&) { ++taps; });
    button->sendActions(ControlEvents::touchUpInside);
    EXPECT_EQ(taps, 1);
}

TEST(ViewAnimation, FramesAndAlphaMoveOverTheClockAndTheCompletionRunsOnTheLoop) {
    ManualMainClock clock;
    auto window = whiteWindow({100, 100});
    auto box = std::make_shared<View>();
    box->setBackgroundColor(Color::black());
    box->setFrame({0, 0, 20, 20});
    window->addSubview(box);

    std::optional<bool> finished;
    View::animate(
        1.0, 0, {},
        [&] {
            box->setFrame({80, 0, 20, 20});
            box->setAlpha(0);
        },
        [&](bool done) { finished = done; });
    // The model is at its end at once.
    EXPECT_EQ(box->frame().origin.x, 80);
    EXPECT_EQ(box->alpha(), 0);
    // On screen the box starts where it was.
    EXPECT_TRUE(colorNear(snapshot(*window, 1)->pixelAt(10, 10), Color::black()));
    clock.advance(0.5);
    const auto halfway = snapshot(*window, 1);
    EXPECT_TRUE(colorNear(halfway->pixelAt(5, 10), Color::white())); // it has left its old place
    EXPECT_TRUE(colorNear(halfway->pixelAt(50, 10), Color(Color::white(0.5))));
    EXPECT_FALSE(finished);
    clock.advance(0.5);
    RunLoop::main().runOnce();
    ASSERT_TRUE(finished);
    EXPECT_TRUE(*finished);
    EXPECT_TRUE(colorNear(snapshot(*window, 1)->pixelAt(90, 10), Color::white()));

    // Without a duration nothing animates.
    View::animate(0, [&] { box->setAlpha(1); });
    EXPECT_TRUE(colorNear(snapshot(*window, 1)->pixelAt(90, 10), Color::black()));
}

TEST(TextLayer, DrawsItsStringInItsColourInsideItsBounds) {
    auto window = whiteWindow({200, 60});
    auto text = std::make_shared<TextLayer>();
    text->setString("Sale");
    text->setFontSize(30);
    text->setForegroundColor(Color::red());
    text->setFrame({10, 10, 100, 40});
    window->layer()->addSublayer(text);
    const auto shot = snapshot(*window, 1);
    int red = 0;
    int outside = 0;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 200; ++x) {
            const Color c = shot->pixelAt(x, y);
            const bool reddish = c.r() > 0.8 && c.g() < 0.5 && c.b() < 0.5;
            if (reddish) {
                const bool inside = x >= 10 && x < 110 && y >= 10 && y < 50;
                (inside ? red : outside)++;
            }
        }
    }
    EXPECT_GT(red, 50);
    EXPECT_EQ(outside, 0);
}
