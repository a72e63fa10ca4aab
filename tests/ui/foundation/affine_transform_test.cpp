#include <ui/foundation/affine_transform.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace ui {
namespace {

constexpr Float kTolerance = 1e-12;

void expectNear(Point actual, Point expected) {
    EXPECT_NEAR(actual.x, expected.x, kTolerance);
    EXPECT_NEAR(actual.y, expected.y, kTolerance);
}

void expectNear(const Rect& actual, const Rect& expected) {
    EXPECT_NEAR(actual.origin.x, expected.origin.x, kTolerance);
    EXPECT_NEAR(actual.origin.y, expected.origin.y, kTolerance);
    EXPECT_NEAR(actual.size.width, expected.size.width, kTolerance);
    EXPECT_NEAR(actual.size.height, expected.size.height, kTolerance);
}

static_assert(AffineTransform::makeTranslation(1, 2).scaled(3, 4).apply(Point(1, 1)) == Point(4, 6));

TEST(AffineTransform, Identity) {
    EXPECT_TRUE(AffineTransform().isIdentity());
    EXPECT_TRUE(AffineTransform::makeScale(1, 1).isIdentity());
    EXPECT_TRUE(AffineTransform::makeTranslation(0, 0).isIdentity());
    EXPECT_TRUE(AffineTransform::makeTranslation(3, 4).translated(-3, -4).isIdentity());
    EXPECT_FALSE(AffineTransform::makeTranslation(0, 1e-9).isIdentity());
    EXPECT_FALSE(AffineTransform::makeScale(1, -1).isIdentity());
    EXPECT_EQ(AffineTransform().apply(Point(3, -4)), Point(3, -4));
}

TEST(AffineTransform, NewOperationsApplyBeforeTheExistingTransform) {
    // Scale first, then translate.
    const AffineTransform translateAfter = AffineTransform::makeTranslation(10, 20).scaled(2, 3);
    EXPECT_EQ(translateAfter.apply(Point(1, 1)), Point(12, 23));
    // Translate first, then scale.
    const AffineTransform scaleAfter = AffineTransform::makeScale(2, 3).translated(10, 20);
    EXPECT_EQ(scaleAfter.apply(Point(1, 1)), Point(22, 63));

    // concat(t1, t2) applies t1 first.
    const AffineTransform scale = AffineTransform::makeScale(2, 2);
    const AffineTransform move = AffineTransform::makeTranslation(5, 0);
    EXPECT_EQ(AffineTransform::concat(scale, move).apply(Point(1, 1)), Point(7, 2));
    EXPECT_EQ(AffineTransform::concat(move, scale).apply(Point(1, 1)), Point(12, 2));
    EXPECT_EQ(AffineTransform::concat(move, scale), scale.translated(5, 0));

    // Applying the concatenation equals applying the parts in order, for a general pair.
    const AffineTransform t1(1, 2, 3, 4, 5, 6);
    const AffineTransform t2(-2, 0.5, 1, 3, -7, 8);
    const Point p(0.25, -1.5);
    expectNear(AffineTransform::concat(t1, t2).apply(p), t2.apply(t1.apply(p)));
}

TEST(AffineTransform, Rotation) {
    const AffineTransform quarter = AffineTransform::makeRotation(std::numbers::pi / 2);
    expectNear(quarter.apply(Point(1, 0)), Point(0, 1));
    expectNear(quarter.apply(Point(0, 1)), Point(-1, 0));

    // Rotate first, then translate.
    expectNear(AffineTransform::makeTranslation(10, 0).rotated(std::numbers::pi / 2).apply(Point(1, 0)),
               Point(10, 1));
    // A full turn comes back to where it started.
    expectNear(AffineTransform::makeRotation(2 * std::numbers::pi).apply(Point(3, 4)), Point(3, 4));
}

TEST(AffineTransform, Inversion) {
    EXPECT_EQ(AffineTransform::makeTranslation(3, 4).inverted(), AffineTransform::makeTranslation(-3, -4));
    EXPECT_EQ(AffineTransform::makeScale(2, 4).inverted(), AffineTransform::makeScale(0.5, 0.25));
    EXPECT_EQ(AffineTransform().inverted(), AffineTransform());

    const AffineTransform general =
        AffineTransform::makeRotation(0.7).scaled(2, -3).translated(5, 7).rotated(-0.2);
    const std::optional<AffineTransform> inverse = general.inverted();
    ASSERT_TRUE(inverse.has_value());
    for (const Point p : {Point(0, 0), Point(1, -2), Point(-123.5, 77.25)}) {
        expectNear(inverse->apply(general.apply(p)), p);
        expectNear(general.apply(inverse->apply(p)), p);
    }
    const AffineTransform product = AffineTransform::concat(general, *inverse);
    for (const Float v : {product.a - 1, product.b, product.c, product.d - 1, product.tx, product.ty}) {
        EXPECT_NEAR(v, 0, kTolerance);
    }

    // Singular: a zero scale, or rows that are multiples of each other.
    EXPECT_FALSE(AffineTransform::makeScale(0, 1).inverted().has_value());
    EXPECT_FALSE(AffineTransform(1, 2, 2, 4, 5, 6).inverted().has_value());
    EXPECT_FALSE(AffineTransform(0, 0, 0, 0, 0, 0).inverted().has_value());
    // Not finite.
    const Float nan = std::numeric_limits<Float>::quiet_NaN();
    const Float inf = std::numeric_limits<Float>::infinity();
    EXPECT_FALSE(AffineTransform(nan, 0, 0, 1, 0, 0).inverted().has_value());
    EXPECT_FALSE(AffineTransform(inf, 0, 0, 1, 0, 0).inverted().has_value());
    EXPECT_FALSE(AffineTransform(1, 0, 0, 1, nan, 0).inverted().has_value());
    // A subnormal determinant whose inverse overflows.
    EXPECT_FALSE(AffineTransform(1e-310, 0, 0, 1, 0, 0).inverted().has_value());
}

TEST(AffineTransform, ApplyToSizeAndRect) {
    // Sizes ignore the translation and keep the sign of the mapping.
    EXPECT_EQ(AffineTransform::makeTranslation(5, 5).apply(Size(2, 3)), Size(2, 3));
    EXPECT_EQ(AffineTransform::makeScale(-1, 2).apply(Size(2, 3)), Size(-2, 6));
    EXPECT_EQ(AffineTransform(1, 0, 1, 1, 0, 0).apply(Size(2, 3)), Size(5, 3));

    const AffineTransform scaleThenMove = AffineTransform::makeTranslation(10, 20).scaled(2, 3);
    EXPECT_EQ(scaleThenMove.apply(Rect(1, 1, 2, 2)), Rect(12, 23, 4, 6));
    // A mirroring transform still gives a standardized bounding box.
    EXPECT_EQ(AffineTransform::makeScale(-1, 1).apply(Rect(1, 2, 3, 4)), Rect(-4, 2, 3, 4));
    EXPECT_EQ(AffineTransform::makeScale(-1, 1).apply(Rect(4, 2, -3, 4)), Rect(-4, 2, 3, 4));

    expectNear(AffineTransform::makeRotation(std::numbers::pi / 2).apply(Rect(0, 0, 2, 1)),
               Rect(-1, 0, 1, 2));
    const Float diagonal = std::sqrt(2.0);
    expectNear(AffineTransform::makeRotation(std::numbers::pi / 4).apply(Rect(0, 0, 1, 1)),
               Rect(-diagonal / 2, 0, diagonal, diagonal));

    EXPECT_TRUE(AffineTransform::makeTranslation(5, 5).apply(Rect::null()).isNull());
    EXPECT_TRUE(AffineTransform::makeScale(-1, -1).apply(Rect::null()).isNull());
}

} // namespace
} // namespace ui
