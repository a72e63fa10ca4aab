// Views drawn through their layers, read back from the pixels of real snapshots: backgrounds at the
// screen's scale, transforms, scroll offsets, views that draw their own content, and views animating
// through their layers.

#include "ui/graphics/graphics_test_support.h"

#include <ui/graphics/image.h>
#include <ui/graphics/renderer.h>
#include <ui/graphics/screen.h>
#include <ui/graphics/transaction.h>
#include <ui/views/scroll_view.h>
#include <ui/views/snapshot.h>
#include <ui/views/window.h>

#include <cairo.h>
#include <gtest/gtest.h>

#include <numbers>

namespace {

using namespace ui;
using graphics_test::colorNear;
using graphics_test::ManualMainClock;

TEST(Render, BackgroundsFillTheirFramesAtTheScreenScale) {
    Screen::main().setScale(2);
    auto window = std::make_shared<Window>(Size(40, 30));
    auto view = std::make_shared<View>(Rect(10, 10, 20, 10));
    view->setBackgroundColor(Color::red());
    window->addSubview(view);

    const auto image = snapshot(*window);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixelWidth(), 80);
    EXPECT_EQ(image->pixelHeight(), 60);
    EXPECT_EQ(image->scale(), 2);
    EXPECT_TRUE(colorNear(image->pixelAt(20, 20), Color::red(), 0));
    EXPECT_TRUE(colorNear(image->pixelAt(59, 39), Color::red(), 0));
    EXPECT_EQ(image->pixelAt(19, 20), Color::clear()) << "the window has no background";
    EXPECT_EQ(image->pixelAt(60, 20), Color::clear());

    // An explicit scale wins over the screen's; the PNG form carries the same pixels.
    const auto small = snapshot(*window, 1);
    EXPECT_EQ(small->pixelWidth(), 40);
    EXPECT_TRUE(colorNear(small->pixelAt(10, 10), Color::red(), 0));
    const auto png = snapshotPNG(*window, 1);
    const auto decoded = Image::decode(png);
    ASSERT_TRUE(decoded) << decoded.error;
    EXPECT_EQ(decoded.image->rawPixelAt(10, 10), small->rawPixelAt(10, 10));
    EXPECT_EQ(decoded.image->rawPixelAt(0, 0), 0u);

    // A renderer reuses its pixels once the caller let go of the last frame, and never while held.
    Renderer renderer(1);
    const Image* first = ui::render(renderer, *window).get();
    EXPECT_EQ(ui::render(renderer, *window).get(), first);
    const auto held = ui::render(renderer, *window);
    view->setBackgroundColor(Color::blue());
    const auto next = ui::render(renderer, *window);
    EXPECT_NE(next.get(), held.get());
    EXPECT_TRUE(colorNear(held->pixelAt(15, 15), Color::red(), 0));
    EXPECT_TRUE(colorNear(next->pixelAt(15, 15), Color::blue(), 0));
}

TEST(Render, TransformsApplyAboutTheAnchorPoint) {
    auto window = std::make_shared<Window>(Size(40, 40));
    auto view = std::make_shared<View>(Rect(15, 15, 10, 10));
    view->setBackgroundColor(Color::red());
    window->addSubview(view);
    auto image = snapshot(*window, 1);
    EXPECT_EQ(image->pixelAt(12, 12), Color::clear());

    // Doubled about the middle: 10...30.
    view->setTransform(AffineTransform::makeScale(2, 2));
    image = snapshot(*window, 1);
    EXPECT_TRUE(colorNear(image->pixelAt(11, 11), Color::red(), 0));
    EXPECT_TRUE(colorNear(image->pixelAt(29, 29), Color::red(), 0));
    EXPECT_EQ(image->pixelAt(9, 20), Color::clear());

    // Moving the anchor point keeps the frame where it is; a larger scale then grows from the top-left
    // corner: 10...40.
    view->setAnchorPoint({0, 0});
    EXPECT_EQ(view->frame(), Rect(10, 10, 20, 20));
    image = snapshot(*window, 1);
    EXPECT_TRUE(colorNear(image->pixelAt(11, 11), Color::red(), 0));
    view->setTransform(AffineTransform::makeScale(3, 3));
    image = snapshot(*window, 1);
    EXPECT_EQ(image->pixelAt(9, 11), Color::clear());
    EXPECT_TRUE(colorNear(image->pixelAt(11, 11), Color::red(), 0));
    EXPECT_TRUE(colorNear(image->pixelAt(39, 39), Color::red(), 0));

    // A quarter turn of a wide view about its middle makes it tall.
    view->setAnchorPoint({0.5, 0.5});
    view->setTransform(AffineTransform::makeRotation(std::numbers::pi / 2));
    view->setBounds(Rect(0, 0, 30, 4));
    view->setCenter({20, 20});
    image = snapshot(*window, 1);
    EXPECT_TRUE(colorNear(image->pixelAt(20, 7), Color::red(), 0));
    EXPECT_EQ(image->pixelAt(7, 20), Color::clear());
}

TEST(Render, ScrollOffsetMovesTheContent) {
    auto window = std::make_shared<Window>(Size(50, 50));
    auto scroll = std::make_shared<ScrollView>(Rect(0, 0, 50, 50));
    scroll->setClipsToBounds(true);
    scroll->setContentSize({50, 200});
    auto top = std::make_shared<View>(Rect(0, 0, 50, 20));
    top->setBackgroundColor(Color::red());
    auto further = std::make_shared<View>(Rect(0, 100, 50, 20));
    further->setBackgroundColor(Color::green());
    scroll->addSubview(top);
    scroll->addSubview(further);
    window->addSubview(scroll);

    auto image = snapshot(*window, 1);
    EXPECT_TRUE(colorNear(image->pixelAt(25, 10), Color::red(), 0));
    scroll->setContentOffset({0, 95});
    image = snapshot(*window, 1);
    EXPECT_EQ(image->pixelAt(25, 2), Color::clear());
    EXPECT_TRUE(colorNear(image->pixelAt(25, 6), Color::green(), 0));
    EXPECT_TRUE(colorNear(image->pixelAt(25, 24), Color::green(), 0));
    EXPECT_EQ(image->pixelAt(25, 26), Color::clear());
}

// A view that draws its own content: a green square over its background.
class SquareView : public View {
public:
    using View::View;
    Rect lastRect;
    void draw(cairo_t* context, const Rect& rect) override {
        lastRect = rect;
        cairo_rectangle(context, 0, 0, 10, 10);
        cairo_set_source_rgb(context, 0, 1, 0);
        cairo_fill(context);
    }
};

TEST(Render, ViewsDrawBetweenTheirBackgroundAndSubviews) {
    auto window = std::make_shared<Window>(Size(40, 40));
    auto view = std::make_shared<SquareView>(Rect(5, 5, 30, 30));
    view->setBackgroundColor(Color::red());
    auto sub = std::make_shared<View>(Rect(5, 5, 10, 10));
    sub->setBackgroundColor(Color::blue());
    view->addSubview(sub);
    window->addSubview(view);

    const auto image = snapshot(*window, 1);
    EXPECT_TRUE(colorNear(image->pixelAt(7, 7), Color::green(), 0));
    EXPECT_TRUE(colorNear(image->pixelAt(12, 12), Color::blue(), 0));
    EXPECT_TRUE(colorNear(image->pixelAt(20, 20), Color::red(), 0));
    EXPECT_EQ(view->lastRect, Rect(0, 0, 30, 30));

    // Once the view is gone its layer no longer calls it.
    auto layer = view->layer();
    view->removeFromSuperview();
    view.reset();
    EXPECT_EQ(layer->delegate(), nullptr);
}

TEST(Animation, RenderedFramesShowThePresentationAndViewsAnimateThroughTheirLayers) {
    ManualMainClock clock;
    auto window = std::make_shared<Window>(Size(40, 20));
    window->setBackgroundColor(Color::white());
    auto view = std::make_shared<View>(Rect(0, 0, 20, 20));
    view->setBackgroundColor(Color::red());
    window->addSubview(view);
    Renderer renderer(1);
    ui::render(renderer, *window);

    bool done = false;
    Transaction::animate(
        {.duration = 1, .timing = TimingFunction::linear()},
        [&] {
            view->setAlpha(0);
            view->setCenter({30, 10});
        },
        [&done](bool) { done = true; });
    EXPECT_EQ(view->center(), Point(30, 10)) << "the view's own value changes at once";
    EXPECT_EQ(view->alpha(), 0);

    auto frame = ui::render(renderer, *window);
    EXPECT_TRUE(colorNear(frame->pixelAt(5, 10), Color::red(), 0));
    frame.reset();
    clock.advance(0.5);
    frame = ui::render(renderer, *window);
    // Half faded and half way: x in 10...30.
    EXPECT_TRUE(colorNear(frame->pixelAt(8, 10), Color::white(), 0));
    EXPECT_TRUE(colorNear(frame->pixelAt(11, 10), Color::rgb(1, 0.5, 0.5), 2));
    EXPECT_TRUE(colorNear(frame->pixelAt(29, 10), Color::rgb(1, 0.5, 0.5), 2));
    EXPECT_TRUE(colorNear(frame->pixelAt(31, 10), Color::white(), 0));
    frame.reset();
    clock.advance(0.5);
    RunLoop::main().runOnce();
    EXPECT_TRUE(done);
    frame = ui::render(renderer, *window);
    EXPECT_TRUE(colorNear(frame->pixelAt(30, 10), Color::white(), 0));
}

} // namespace
