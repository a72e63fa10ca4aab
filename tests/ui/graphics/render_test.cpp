// What the renderer draws, read back from the pixels of real snapshots.

#include "ui/graphics/graphics_test_support.h"

#include <ui/graphics/bezier_path.h>
#include <ui/graphics/image.h>
#include <ui/graphics/layer.h>
#include <ui/graphics/renderer.h>
#include <ui/graphics/shape_layer.h>

#include <gtest/gtest.h>

#include <numbers>

namespace {

using namespace ui;
using graphics_test::colorNear;

std::shared_ptr<Layer> makeLayer(const Rect& frame, std::optional<Color> background = std::nullopt) {
    auto layer = std::make_shared<Layer>();
    layer->setFrame(frame);
    layer->setBackgroundColor(background);
    return layer;
}

std::shared_ptr<Layer> makeRoot(Size size, std::optional<Color> background = Color::white()) {
    return makeLayer(Rect({0, 0}, size), background);
}

// A 10 x 10 point image (at scale 1) with a red, green, blue and yellow quadrant.
std::shared_ptr<Image> quadrantImage() {
    std::vector<Color> pixels;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            pixels.push_back(y < 5 ? (x < 5 ? Color::red() : Color::green())
                                   : (x < 5 ? Color::blue() : Color::yellow()));
    return Image::fromPixels(10, 10, pixels);
}

TEST(Render, BordersAndRoundedCornersStayInsideTheBounds) {
    auto root = makeRoot({40, 40});
    auto boxed = makeLayer(Rect(10, 10, 20, 20), Color::white());
    boxed->setBorderWidth(2);
    boxed->setBorderColor(Color::blue());
    root->addSublayer(boxed);
    auto image = snapshot(*root, 1);
    EXPECT_TRUE(colorNear(image->pixelAt(10, 20), Color::blue(), 0));
    EXPECT_TRUE(colorNear(image->pixelAt(11, 20), Color::blue(), 0));
    EXPECT_TRUE(colorNear(image->pixelAt(12, 20), Color::white(), 0));
    EXPECT_TRUE(colorNear(image->pixelAt(29, 29), Color::blue(), 0));
    EXPECT_TRUE(colorNear(image->pixelAt(9, 20), Color::white(), 0)) << "nothing outside the bounds";

    // Rounded: the corner pixels show what is behind, the middle of each edge is still border.
    boxed->setCornerRadius(8);
    boxed->setBackgroundColor(Color::green());
    image = snapshot(*root, 1);
    EXPECT_TRUE(colorNear(image->pixelAt(10, 10), Color::white(), 0));
    EXPECT_TRUE(colorNear(image->pixelAt(10, 20), Color::blue(), 0));
    EXPECT_TRUE(colorNear(image->pixelAt(20, 20), Color::green(), 0));

    // The border is above the sublayers.
    auto inner = makeLayer(Rect(0, 0, 20, 20), Color::red());
    boxed->addSublayer(inner);
    image = snapshot(*root, 1);
    EXPECT_TRUE(colorNear(image->pixelAt(10, 20), Color::blue(), 0));
    EXPECT_TRUE(colorNear(image->pixelAt(20, 20), Color::red(), 0));
}

TEST(Render, ShapeLayersFillAndStrokeWithDashes) {
    auto root = makeRoot({100, 20});
    auto shape = std::make_shared<ShapeLayer>();
    shape->setFrame(Rect(0, 0, 100, 20));
    BezierPath line;
    line.moveTo({0, 10});
    line.lineTo({100, 10});
    shape->setPath(line);
    shape->setFillColor(std::nullopt);
    shape->setStrokeColor(Color::black());
    shape->setLineWidth(4);
    shape->setLineDashPattern({10, 10});
    root->addSublayer(shape);

    auto image = snapshot(*root, 1);
    // Mostly covered by the stroke (cap edges are antialiased).
    auto inkAt = [&image](int x) { return image->pixelAt(x, 10).r() < 0.5; };
    // Butt caps: dashes exactly on [0, 10), [20, 30), ...
    EXPECT_TRUE(inkAt(1));
    EXPECT_TRUE(inkAt(9));
    EXPECT_FALSE(inkAt(11));
    EXPECT_FALSE(inkAt(18));
    EXPECT_TRUE(inkAt(21));
    EXPECT_TRUE(colorNear(image->pixelAt(5, 7), Color::white(), 0)) << "the line is 4 points thick";
    EXPECT_TRUE(colorNear(image->pixelAt(5, 8), Color::black(), 0));

    // Round caps grow each dash by half the line width at both ends.
    shape->setLineCap(LineCap::round);
    image = snapshot(*root, 1);
    EXPECT_TRUE(inkAt(11));
    EXPECT_FALSE(inkAt(15));
    EXPECT_TRUE(inkAt(19));

    // The phase shifts the pattern: 5 points in, the first dash is half gone.
    shape->setLineCap(LineCap::butt);
    shape->setLineDashPhase(5);
    image = snapshot(*root, 1);
    EXPECT_TRUE(inkAt(2));
    EXPECT_FALSE(inkAt(7));
    EXPECT_TRUE(inkAt(17));

    // A pattern that cannot be drawn leaves a solid line rather than breaking the context.
    shape->setLineDashPattern({0, 0});
    image = snapshot(*root, 1);
    EXPECT_TRUE(inkAt(15));

    // Fills follow the path.
    shape->setPath(BezierPath::ovalIn(Rect(40, 0, 20, 20)));
    shape->setStrokeColor(std::nullopt);
    shape->setFillColor(Color::red());
    image = snapshot(*root, 1);
    EXPECT_TRUE(colorNear(image->pixelAt(50, 10), Color::red(), 0));
    EXPECT_TRUE(colorNear(image->pixelAt(41, 1), Color::white(), 0));
}

TEST(Render, ContentsFollowTheirGravityAndContentsRect) {
    auto root = makeRoot({40, 20}, std::nullopt);
    auto layer = makeLayer(Rect(0, 0, 40, 20));
    layer->setContents(quadrantImage());
    root->addSublayer(layer);

    struct Probe {
        int x, y;
        Color expected;
    };
    auto check = [&](ContentsGravity gravity, std::initializer_list<Probe> probes, const char* name) {
        layer->setContentsGravity(gravity);
        const auto image = snapshot(*root, 2);
        for (const Probe& p : probes)
            EXPECT_TRUE(colorNear(image->pixelAt(p.x * 2, p.y * 2), p.expected, 0))
                << name << " at " << p.x << "," << p.y;
    };
    check(ContentsGravity::resize,
          {{1, 1, Color::red()}, {38, 1, Color::green()}, {1, 18, Color::blue()}, {38, 18, Color::yellow()}},
          "resize");
    // 20 x 20, centred.
    check(
        ContentsGravity::resizeAspect,
        {{8, 10, Color::clear()}, {11, 1, Color::red()}, {28, 18, Color::yellow()}, {31, 10, Color::clear()}},
        "resizeAspect");
    // 40 x 40 from y = -10: the top and bottom quarters of the image are cut away (by the mask).
    layer->setMasksToBounds(true);
    check(ContentsGravity::resizeAspectFill,
          {{1, 1, Color::red()}, {1, 7, Color::red()}, {1, 13, Color::blue()}, {38, 18, Color::yellow()}},
          "resizeAspectFill");
    layer->setMasksToBounds(false);
    check(ContentsGravity::center,
          {{16, 6, Color::red()},
           {24, 14, Color::yellow()},
           {14, 10, Color::clear()},
           {26, 10, Color::clear()}},
          "center");
    check(ContentsGravity::topLeft,
          {{1, 1, Color::red()}, {9, 9, Color::yellow()}, {11, 5, Color::clear()}, {5, 11, Color::clear()}},
          "topLeft");

    // The top-right quarter only, stretched over the layer: no red bleeds in at the edge next to it.
    layer->setContentsGravity(ContentsGravity::resize);
    layer->setContentsRect(Rect(0.5, 0, 0.5, 0.5));
    auto image = snapshot(*root, 2);
    for (int x : {0, 1, 40, 79})
        for (int y : {0, 20, 39})
            EXPECT_TRUE(colorNear(image->pixelAt(x, y), Color::green(), 0)) << x << "," << y;

    // The same through a rotation, which samples the image directly.
    layer->setTransform(AffineTransform::makeRotation(std::numbers::pi));
    image = snapshot(*root, 2);
    EXPECT_TRUE(colorNear(image->pixelAt(0, 0), Color::green(), 0));
    EXPECT_TRUE(colorNear(image->pixelAt(40, 20), Color::green(), 0));
    EXPECT_TRUE(colorNear(image->pixelAt(79, 39), Color::green(), 0));

    // Upside down, the full image shows its bottom-right quadrant at the top left.
    layer->setContentsRect(Rect(0, 0, 1, 1));
    image = snapshot(*root, 2);
    EXPECT_TRUE(colorNear(image->pixelAt(4, 4), Color::yellow(), 0));
    EXPECT_TRUE(colorNear(image->pixelAt(75, 35), Color::red(), 0));
}

TEST(Render, OpacityFadesLayersAsGroups) {
    auto root = makeRoot({40, 20});
    auto faded = makeLayer(Rect(0, 0, 20, 20), Color::red());
    faded->setOpacity(0.5);
    root->addSublayer(faded);
    // Two opaque overlapping children of a half-transparent parent: only the top one shows where they
    // overlap, since the group fades as a whole.
    auto group = makeLayer(Rect(20, 0, 20, 20));
    group->setOpacity(0.5);
    group->addSublayer(makeLayer(Rect(0, 0, 15, 20), Color::red()));
    group->addSublayer(makeLayer(Rect(5, 0, 15, 20), Color::blue()));
    root->addSublayer(group);

    auto image = snapshot(*root, 1);
    EXPECT_TRUE(colorNear(image->pixelAt(10, 10), Color::rgb(1, 0.5, 0.5), 2));
    EXPECT_TRUE(colorNear(image->pixelAt(22, 10), Color::rgb(1, 0.5, 0.5), 2));
    EXPECT_TRUE(colorNear(image->pixelAt(30, 10), Color::rgb(0.5, 0.5, 1), 2));

    // Hidden and fully transparent layers draw nothing.
    faded->setHidden(true);
    group->setOpacity(0);
    image = snapshot(*root, 1);
    EXPECT_TRUE(colorNear(image->pixelAt(10, 10), Color::white(), 0));
    EXPECT_TRUE(colorNear(image->pixelAt(30, 10), Color::white(), 0));
}

TEST(Render, ZPositionOrdersSiblingsBeforeSublayerOrder) {
    auto root = makeRoot({30, 10});
    auto a = makeLayer(Rect(0, 0, 20, 10), Color::red());
    auto b = makeLayer(Rect(10, 0, 20, 10), Color::blue());
    auto c = makeLayer(Rect(5, 0, 10, 10), Color::green());
    root->addSublayer(a);
    root->addSublayer(b);
    root->addSublayer(c);
    auto image = snapshot(*root, 1);
    EXPECT_TRUE(colorNear(image->pixelAt(16, 5), Color::blue(), 0));
    EXPECT_TRUE(colorNear(image->pixelAt(12, 5), Color::green(), 0));

    a->setZPosition(1); // above both, whatever the order
    image = snapshot(*root, 1);
    EXPECT_TRUE(colorNear(image->pixelAt(16, 5), Color::red(), 0));
    EXPECT_TRUE(colorNear(image->pixelAt(12, 5), Color::red(), 0));
    EXPECT_TRUE(colorNear(image->pixelAt(25, 5), Color::blue(), 0));
    c->setZPosition(1); // equal z: sublayer order decides between a and c
    image = snapshot(*root, 1);
    EXPECT_TRUE(colorNear(image->pixelAt(12, 5), Color::green(), 0));
}

TEST(Render, MasksToBoundsClipsSublayersToTheRoundedBounds) {
    auto root = makeRoot({40, 40});
    auto clip = makeLayer(Rect(0, 0, 20, 20), Color::gray());
    auto child = makeLayer(Rect(10, 10, 20, 20), Color::blue());
    clip->addSublayer(child);
    root->addSublayer(clip);

    auto image = snapshot(*root, 1);
    EXPECT_TRUE(colorNear(image->pixelAt(25, 25), Color::blue(), 0)) << "not clipped yet";
    clip->setMasksToBounds(true);
    image = snapshot(*root, 1);
    EXPECT_TRUE(colorNear(image->pixelAt(15, 15), Color::blue(), 0));
    EXPECT_TRUE(colorNear(image->pixelAt(25, 25), Color::white(), 0));
    EXPECT_TRUE(colorNear(image->pixelAt(19, 15), Color::blue(), 0));
    EXPECT_TRUE(colorNear(image->pixelAt(20, 15), Color::white(), 0));

    // With a corner radius the child's corner is cut round.
    clip->setCornerRadius(10);
    image = snapshot(*root, 1);
    EXPECT_TRUE(colorNear(image->pixelAt(19, 19), Color::white(), 0));
    EXPECT_TRUE(colorNear(image->pixelAt(12, 12), Color::blue(), 0));

    // A subtree wholly outside the clip is not drawn at all when its root clips it too; otherwise the
    // root is visited (its sublayers could reach back in) and its sublayers are skipped.
    auto far = makeLayer(Rect(100, 100, 10, 10), Color::red());
    far->addSublayer(makeLayer(Rect(0, 0, 5, 5), Color::red()));
    far->setMasksToBounds(true);
    clip->addSublayer(far);
    Renderer renderer(1);
    renderer.render(*root);
    EXPECT_EQ(renderer.lastCulledLayerCount(), 1u);
    EXPECT_EQ(renderer.lastDrawnLayerCount(), 3u);
    far->setMasksToBounds(false);
    renderer.render(*root);
    EXPECT_EQ(renderer.lastCulledLayerCount(), 1u);
    EXPECT_EQ(renderer.lastDrawnLayerCount(), 4u);
}

TEST(Render, ShadowsSpreadBlurredBeyondTheLayer) {
    auto root = makeRoot({60, 60});
    auto card = makeLayer(Rect(20, 20, 20, 20), Color::white());
    card->setShadowOpacity(1);
    card->setShadowRadius(4);
    card->setShadowOffset({0, 5});
    root->addSublayer(card);

    auto image = snapshot(*root, 2);
    auto darkness = [&image](int x, int y) { return 1 - image->pixelAt(x * 2, y * 2).r(); };
    EXPECT_TRUE(colorNear(image->pixelAt(60, 60), Color::white(), 0)) << "the layer covers its own shadow";
    EXPECT_GT(darkness(30, 42), 0.3) << "below the layer, where the offset puts the shadow";
    EXPECT_GT(darkness(30, 42), darkness(30, 47)) << "fading with distance";
    EXPECT_GT(darkness(30, 47), 0.0);
    EXPECT_GT(darkness(18, 30), 0.05) << "the blur spreads sideways too";
    EXPECT_LT(darkness(18, 30), darkness(30, 42));
    EXPECT_EQ(darkness(30, 57), 0.0) << "beyond the blur's reach";
    EXPECT_EQ(darkness(30, 10), 0.0);

    // Without opacity there is no shadow; a shadow path casts from its own shape.
    card->setShadowOpacity(0);
    image = snapshot(*root, 2);
    EXPECT_EQ(darkness(30, 42), 0.0);
    card->setShadowOpacity(1);
    card->setShadowOffset({0, 0});
    card->setShadowPath(BezierPath::rect(Rect(-10, 0, 10, 20)));
    image = snapshot(*root, 2);
    EXPECT_GT(darkness(15, 30), 0.4) << "left of the layer, under the path";
    EXPECT_EQ(darkness(45, 30), 0.0) << "the right side casts nothing";
}

} // namespace

TEST(Render, AnEnormousShadowRadiusDrawsAWashInsteadOfFailing) {
    auto root = std::make_shared<Layer>();
    root->setFrame({0, 0, 60, 60});
    root->setBackgroundColor(Color::white());
    auto card = std::make_shared<Layer>();
    card->setFrame({20, 20, 20, 20});
    card->setBackgroundColor(Color::blue());
    card->setShadowOpacity(1);
    card->setShadowColor(Color::black());
    card->setShadowRadius(1e9);
    root->addSublayer(card);
    const auto shot = snapshot(*root, 1);
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->pixelWidth(), 60);
    // The card itself is drawn as ever.
    EXPECT_NEAR(shot->pixelAt(30, 30).b(), 1.0, 0.02);
}

TEST(Render, AShapeIsDrawnWhereItsPathLiesEvenOutsideAnEmptyFrame) {
    auto root = std::make_shared<Layer>();
    root->setFrame({0, 0, 40, 40});
    root->setBackgroundColor(Color::white());
    auto shape = std::make_shared<ShapeLayer>();
    // No frame at all: the path alone says where the stroke goes.
    BezierPath path;
    path.moveTo({5, 20});
    path.lineTo({35, 20});
    shape->setPath(path);
    shape->setStrokeColor(Color::red());
    shape->setLineWidth(4);
    root->addSublayer(shape);
    const auto shot = snapshot(*root, 1);
    EXPECT_TRUE(colorNear(shot->pixelAt(20, 20), Color::red()));
    EXPECT_TRUE(colorNear(shot->pixelAt(20, 10), Color::white()));
}
