// Drop shadows given to views: the layer properties they set, and the shadow in real pixels.

#include <kivo/views/kivo_borderable_view.h>
#include <ui/graphics/bezier_path.h>
#include <ui/graphics/image.h>
#include <ui/graphics/renderer.h>
#include <ui/graphics/screen.h>
#include <ui/views/snapshot.h>
#include <ui/views/view.h>

#include <gtest/gtest.h>

#include <limits>
#include <memory>

namespace {

using kivo::setShadow;
using ui::BezierPath;
using ui::Color;
using ui::Rect;
using ui::Size;

// Puts the main screen's scale back when a test changed it.
class ScreenScale {
public:
    explicit ScreenScale(double scale) : saved_(ui::Screen::main().scale()) {
        ui::Screen::main().setScale(scale);
    }
    ~ScreenScale() { ui::Screen::main().setScale(saved_); }
    ScreenScale(const ScreenScale&) = delete;
    ScreenScale& operator=(const ScreenScale&) = delete;

private:
    double saved_;
};

// A white 60 x 60 backdrop with a white 20 x 20 card in the middle.
struct Scene {
    std::shared_ptr<ui::View> root = std::make_shared<ui::View>(Rect(0, 0, 60, 60));
    std::shared_ptr<ui::View> card = std::make_shared<ui::View>(Rect(20, 20, 20, 20));

    Scene() {
        root->setBackgroundColor(Color::white());
        card->setBackgroundColor(Color::white());
        root->addSubview(card);
    }
};

TEST(ViewShadow, SetsARasterisedShadowOnTheLayer) {
    const ScreenScale scale(3);
    auto view = std::make_shared<ui::View>(Rect(0, 0, 40, 40));
    const BezierPath path = BezierPath::roundedRect(Rect(0, 0, 40, 40), 6);
    setShadow(*view, Color::blue(), 4, Size(0, 2), path, 0.4f);
    const auto& layer = *view->layer();
    EXPECT_TRUE(layer.shouldRasterize());
    EXPECT_EQ(layer.rasterizationScale(), 3);
    EXPECT_EQ(layer.shadowColor(), Color::blue());
    EXPECT_EQ(layer.shadowRadius(), 4);
    EXPECT_EQ(layer.shadowOffset(), Size(0, 2));
    EXPECT_DOUBLE_EQ(layer.shadowOpacity(), double(0.4f));
    ASSERT_TRUE(layer.shadowPath().has_value());
    EXPECT_EQ(*layer.shadowPath(), path);

    // Again without a colour or a path: black, and the shadow follows the content.
    setShadow(*view, std::nullopt, 2, Size(1, 1), std::nullopt, 1);
    EXPECT_EQ(layer.shadowColor(), Color::black());
    EXPECT_FALSE(layer.shadowPath().has_value());
    EXPECT_EQ(layer.shadowRadius(), 2);
    EXPECT_EQ(layer.shadowOffset(), Size(1, 1));
    EXPECT_EQ(layer.shadowOpacity(), 1);
}

TEST(ViewShadow, ValuesThatAreNotNumbersCountAsZero) {
    auto view = std::make_shared<ui::View>(Rect(0, 0, 40, 40));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    setShadow(*view, std::nullopt, inf, Size(nan, -inf), std::nullopt,
              std::numeric_limits<float>::quiet_NaN());
    const auto& layer = *view->layer();
    EXPECT_EQ(layer.shadowRadius(), 0);
    EXPECT_EQ(layer.shadowOffset(), Size(0, 0));
    EXPECT_EQ(layer.shadowOpacity(), 0);
}

TEST(ViewShadow, DrawsABlurredShadowBelowTheView) {
    Scene scene;
    setShadow(*scene.card, std::nullopt, 4, Size(0, 5), std::nullopt, 1);
    auto image = ui::snapshot(*scene.root, 2);
    auto at = [&image](int x, int y) { return image->pixelAt(x * 2, y * 2); };
    EXPECT_EQ(at(30, 30), Color::white()) << "the card covers its own shadow";
    const Color below = at(30, 42);
    EXPECT_LT(below.r(), 0.7) << "dark below the card, where the offset puts it";
    EXPECT_EQ(below.r(), below.g()) << "a black shadow is grey on white";
    EXPECT_EQ(below.g(), below.b());
    EXPECT_LT(at(30, 42).r(), at(30, 47).r()) << "fading with distance";
    EXPECT_EQ(at(30, 10), Color::white()) << "nothing above, against the offset";
    EXPECT_EQ(at(30, 58), Color::white()) << "beyond the blur's reach";

    // A colour tints it; a lower opacity lightens it.
    setShadow(*scene.card, Color::red(), 4, Size(0, 5), std::nullopt, 1);
    image = ui::snapshot(*scene.root, 2);
    const Color red = at(30, 42);
    EXPECT_EQ(red.r(), 1);
    EXPECT_LT(red.g(), 0.7);
    setShadow(*scene.card, Color::red(), 4, Size(0, 5), std::nullopt, 0.25f);
    image = ui::snapshot(*scene.root, 2);
    EXPECT_GT(at(30, 42).g(), red.g());
    EXPECT_LT(at(30, 42).g(), 1);
}

TEST(ViewShadow, APathCastsTheShadowFromItsOwnShape) {
    Scene scene;
    // A strip left of the card, in the card's own coordinates.
    setShadow(*scene.card, std::nullopt, 1, Size(0, 0), BezierPath::rect(Rect(-12, 0, 8, 20)), 1);
    auto image = ui::snapshot(*scene.root, 1);
    EXPECT_LT(image->pixelAt(12, 30).r(), 0.2) << "under the path";
    EXPECT_EQ(image->pixelAt(45, 30), Color::white()) << "the card's right side casts nothing";
    EXPECT_EQ(image->pixelAt(30, 45), Color::white());

    // Clearing the path lets the card's outline cast it again.
    setShadow(*scene.card, std::nullopt, 4, Size(0, 0), std::nullopt, 1);
    image = ui::snapshot(*scene.root, 1);
    EXPECT_EQ(image->pixelAt(12, 30), Color::white());
    EXPECT_LT(image->pixelAt(41, 30).r(), 0.9) << "spreading out from the card's edges";
    EXPECT_LT(image->pixelAt(30, 41).r(), 0.9);
}

} // namespace
