#include <ui/foundation/color.h>

#include <gtest/gtest.h>

#include <limits>

namespace ui {
namespace {

static_assert(Color::rgba(2, -1, 0.5, 0.25) == Color::rgba(1, 0, 0.5, 0.25));

void expectComponents(const Color& color, double r, double g, double b, double a) {
    EXPECT_EQ(color.r(), r);
    EXPECT_EQ(color.g(), g);
    EXPECT_EQ(color.b(), b);
    EXPECT_EQ(color.a(), a);
}

TEST(Color, FactoriesClampEveryComponent) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    expectComponents(Color::rgba(0.1, 0.2, 0.3, 0.4), 0.1, 0.2, 0.3, 0.4);
    expectComponents(Color::rgba(-0.5, 1.5, 0.25, 2), 0, 1, 0.25, 1);
    expectComponents(Color::rgba(nan, inf, -inf, nan), 0, 1, 0, 0);
    expectComponents(Color::rgba(0, 1, 0, 1), 0, 1, 0, 1);
    expectComponents(Color::rgb(nan, 0.5, 7), 0, 0.5, 1, 1);
    expectComponents(Color::white(-3, inf), 0, 0, 0, 1);

    // A clamped colour compares equal to the same colour given in range.
    EXPECT_EQ(Color::rgba(1.5, -1, nan, 9), Color::rgba(1, 0, 0, 1));
}

TEST(Color, NamedColoursAndAlpha) {
    EXPECT_EQ(Color::white(0.5), Color::rgb(0.5, 0.5, 0.5));
    EXPECT_EQ(Color::white(0.5, 0.2), Color::rgba(0.5, 0.5, 0.5, 0.2));
    EXPECT_EQ(Color::white(), Color::rgb(1, 1, 1));
    EXPECT_EQ(Color::black(), Color::white(0));
    EXPECT_EQ(Color::clear(), Color());
    EXPECT_EQ(Color::clear().a(), 0);
    EXPECT_TRUE(Color::black().isOpaque());
    EXPECT_FALSE(Color::clear().isOpaque());
    EXPECT_NE(Color::black(), Color::clear());
    EXPECT_NE(Color::red(), Color::blue());

    const Color halfRed = Color::red().withAlpha(0.5);
    expectComponents(halfRed, 1, 0, 0, 0.5);
    EXPECT_NE(halfRed, Color::red());
    EXPECT_EQ(halfRed.withAlpha(1), Color::red());
    EXPECT_EQ(Color::orange().withAlpha(std::numeric_limits<double>::quiet_NaN()).a(), 0);
    EXPECT_EQ(Color::orange().withAlpha(-1), Color::orange().withAlpha(0));
    EXPECT_EQ(Color::orange().withAlpha(5), Color::orange());
}

} // namespace
} // namespace ui
