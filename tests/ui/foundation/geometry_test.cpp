#include <ui/foundation/geometry.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace ui {
namespace {

constexpr Float kInf = std::numeric_limits<Float>::infinity();
constexpr Float kNaN = std::numeric_limits<Float>::quiet_NaN();

// The simple operations are usable in constant expressions.
static_assert(Rect(10, 20, -4, -6).standardized() == Rect(6, 14, 4, 6));
static_assert(Rect::null().isNull() && !Rect::zero().isNull());
static_assert(EdgeInsets(1, 2, 3, 4).horizontal() == 6 && EdgeInsets(1, 2, 3, 4).vertical() == 4);

TEST(Rect, NullIsDistinctFromEmpty) {
    EXPECT_TRUE(Rect::null().isNull());
    EXPECT_TRUE(Rect::null().isEmpty());
    EXPECT_EQ(Rect::null(), Rect::null());

    // An infinite +x or +y origin alone is enough to be null.
    EXPECT_TRUE(Rect(kInf, 0, 5, 5).isNull());
    EXPECT_TRUE(Rect(0, kInf, 5, 5).isNull());
    EXPECT_FALSE(Rect(-kInf, 0, 5, 5).isNull());
    // So is a NaN in any component: it can only come from a failed computation.
    EXPECT_TRUE(Rect(kNaN, 0, 5, 5).isNull());
    EXPECT_TRUE(Rect(0, kNaN, 5, 5).isNull());
    EXPECT_TRUE(Rect(0, 0, kNaN, 5).isNull());
    EXPECT_TRUE(Rect(0, 0, 5, kNaN).isNull());
    EXPECT_EQ(Rect(0, 0, kNaN, 5).minX(), kInf);

    EXPECT_FALSE(Rect::zero().isNull());
    EXPECT_TRUE(Rect::zero().isEmpty());
    EXPECT_TRUE(Rect(3, 4, 0, 5).isEmpty());
    EXPECT_TRUE(Rect(3, 4, 5, 0).isEmpty());
    EXPECT_FALSE(Rect(3, 4, -1, -1).isEmpty());
    EXPECT_FALSE(Rect(3, 4, 1, 1).isEmpty());
    EXPECT_NE(Rect::null(), Rect::zero());

    // Edges of the null rectangle are never mistaken for a real position.
    EXPECT_EQ(Rect::null().minX(), kInf);
    EXPECT_EQ(Rect::null().maxY(), kInf);
    EXPECT_EQ(Rect::null().midX(), kInf);
}

TEST(Rect, EdgesUseTheStandardizedRectangle) {
    const Rect flipped(10, 20, -4, -6);
    EXPECT_EQ(flipped.standardized(), Rect(6, 14, 4, 6));
    EXPECT_EQ(flipped.minX(), 6);
    EXPECT_EQ(flipped.midX(), 8);
    EXPECT_EQ(flipped.maxX(), 10);
    EXPECT_EQ(flipped.minY(), 14);
    EXPECT_EQ(flipped.midY(), 17);
    EXPECT_EQ(flipped.maxY(), 20);
    EXPECT_EQ(flipped.width(), 4);
    EXPECT_EQ(flipped.height(), 6);

    // Only the negative dimension is flipped.
    EXPECT_EQ(Rect(10, 20, -4, 6).standardized(), Rect(6, 20, 4, 6));
    EXPECT_EQ(Rect(10, 20, 4, -6).standardized(), Rect(10, 14, 4, 6));
    EXPECT_EQ(Rect(1, 2, 3, 4).standardized(), Rect(1, 2, 3, 4));
    EXPECT_TRUE(Rect::null().standardized().isNull());
}

TEST(Rect, Intersection) {
    const Rect r(0, 0, 10, 10);
    EXPECT_EQ(r.intersection(Rect(5, 6, 10, 10)), Rect(5, 6, 5, 4));
    EXPECT_EQ(Rect(5, 6, 10, 10).intersection(r), Rect(5, 6, 5, 4));
    EXPECT_EQ(r.intersection(Rect(2, 3, 1, 1)), Rect(2, 3, 1, 1));

    // Operands with negative sizes are standardized first.
    EXPECT_EQ(r.intersection(Rect(15, 16, -10, -10)), Rect(5, 6, 5, 4));

    // Sharing an edge or a corner gives a zero-size rectangle on it, not null.
    const Rect edge = r.intersection(Rect(10, 2, 5, 5));
    EXPECT_FALSE(edge.isNull());
    EXPECT_EQ(edge, Rect(10, 2, 0, 5));
    const Rect corner = r.intersection(Rect(10, 10, 5, 5));
    EXPECT_FALSE(corner.isNull());
    EXPECT_EQ(corner, Rect(10, 10, 0, 0));

    // Disjoint along either axis.
    EXPECT_TRUE(r.intersection(Rect(10.5, 0, 5, 5)).isNull());
    EXPECT_TRUE(r.intersection(Rect(0, -5.5, 5, 5)).isNull());

    // Null absorbs everything, even a rectangle that covers the whole plane.
    const Rect huge(-1e300, -1e300, 2e300, 2e300);
    EXPECT_TRUE(r.intersection(Rect::null()).isNull());
    EXPECT_TRUE(Rect::null().intersection(huge).isNull());
    EXPECT_TRUE(Rect::null().intersection(Rect::null()).isNull());

    // A NaN coordinate cannot produce a rectangle of NaNs.
    EXPECT_TRUE(r.intersection(Rect(kNaN, 0, 5, 5)).isNull());
    EXPECT_TRUE(Rect(0, 0, 5, kNaN).intersection(r).isNull());

    EXPECT_TRUE(r.intersects(Rect(9, 9, 5, 5)));
    EXPECT_TRUE(r.intersects(Rect(10, 0, 5, 5)));
    EXPECT_FALSE(r.intersects(Rect(11, 0, 5, 5)));
    EXPECT_FALSE(r.intersects(Rect::null()));
    EXPECT_FALSE(Rect::null().intersects(r));
}

TEST(Rect, Union) {
    const Rect r(0, 0, 10, 10);
    EXPECT_EQ(r.unionWith(Rect(20, -5, 5, 5)), Rect(0, -5, 25, 15));
    EXPECT_EQ(Rect(20, -5, 5, 5).unionWith(r), Rect(0, -5, 25, 15));
    EXPECT_EQ(r.unionWith(Rect(25, 0, -5, -5)), Rect(0, -5, 25, 15));

    // Null is the identity; the other operand comes back standardized.
    EXPECT_EQ(r.unionWith(Rect::null()), r);
    EXPECT_EQ(Rect::null().unionWith(r), r);
    EXPECT_EQ(Rect::null().unionWith(Rect(10, 10, -10, -10)), r);
    EXPECT_EQ(Rect(10, 10, -10, -10).unionWith(Rect::null()), r);
    EXPECT_TRUE(Rect::null().unionWith(Rect::null()).isNull());

    // A rectangle with a NaN component is null, and so cannot spread NaN into the union.
    EXPECT_EQ(r.unionWith(Rect(0, 0, kNaN, 5)), r);

    // An empty rectangle is still a place that must be enclosed.
    EXPECT_EQ(r.unionWith(Rect(15, 20, 0, 0)), Rect(0, 0, 15, 20));
}

TEST(Rect, ContainsPointIsHalfOpen) {
    const Rect r(0, 0, 10, 10);
    EXPECT_TRUE(r.contains(Point(0, 0)));
    EXPECT_TRUE(r.contains(Point(9.999, 9.999)));
    EXPECT_FALSE(r.contains(Point(10, 5)));
    EXPECT_FALSE(r.contains(Point(5, 10)));
    EXPECT_FALSE(r.contains(Point(10, 10)));
    EXPECT_FALSE(r.contains(Point(-0.001, 5)));
    EXPECT_FALSE(r.contains(Point(5, -0.001)));
    EXPECT_FALSE(r.contains(Point(kNaN, 5)));

    // The same area given with negative sizes behaves identically.
    const Rect flipped(10, 10, -10, -10);
    EXPECT_TRUE(flipped.contains(Point(0, 0)));
    EXPECT_FALSE(flipped.contains(Point(10, 10)));

    // Null and empty rectangles contain nothing, not even their own origin.
    EXPECT_FALSE(Rect::null().contains(Point(kInf, kInf)));
    EXPECT_FALSE(Rect(0, 0, 0, 10).contains(Point(0, 5)));
    EXPECT_FALSE(Rect(0, 0, 10, 0).contains(Point(5, 0)));
}

TEST(Rect, ContainsRect) {
    const Rect r(0, 0, 10, 10);
    EXPECT_TRUE(r.contains(r));
    EXPECT_TRUE(r.contains(Rect(2, 2, 3, 3)));
    EXPECT_TRUE(r.contains(Rect(5, 5, 5, 5))); // shares the max edges
    EXPECT_TRUE(r.contains(Rect(10, 10, -10, -10)));
    EXPECT_TRUE(r.contains(Rect(4, 4, 0, 0)));
    EXPECT_FALSE(r.contains(Rect(5, 5, 5.5, 5)));
    EXPECT_FALSE(r.contains(Rect(-1, 2, 3, 3)));
    EXPECT_FALSE(Rect(2, 2, 3, 3).contains(r));
    EXPECT_FALSE(r.contains(Rect::null()));
    EXPECT_FALSE(Rect::null().contains(r));
    EXPECT_FALSE(Rect::null().contains(Rect::null()));
}

TEST(Rect, InsetBy) {
    const Rect r(0, 0, 10, 20);
    EXPECT_EQ(r.insetBy(2, 3), Rect(2, 3, 6, 14));
    EXPECT_EQ(r.insetBy(-1, -2), Rect(-1, -2, 12, 24));
    EXPECT_EQ(Rect(10, 20, -10, -20).insetBy(2, 3), Rect(2, 3, 6, 14));

    // Shrinking to exactly nothing is an empty rectangle; past that it is null.
    EXPECT_EQ(r.insetBy(5, 0), Rect(5, 0, 0, 20));
    EXPECT_TRUE(r.insetBy(5.5, 0).isNull());
    EXPECT_TRUE(r.insetBy(0, 10.5).isNull());
    EXPECT_TRUE(r.insetBy(kNaN, 0).isNull());
    EXPECT_TRUE(Rect::null().insetBy(-5, -5).isNull());
}

TEST(Rect, InsetByEdgeInsets) {
    const Rect r(10, 20, 100, 50);
    const EdgeInsets insets(1, 2, 3, 4); // top, left, bottom, right
    EXPECT_EQ(r.inset(insets), Rect(12, 21, 94, 46));
    EXPECT_EQ(r.inset(EdgeInsets::zero()), r);
    EXPECT_EQ(r.inset(EdgeInsets(-1, -2, -3, -4)), Rect(8, 19, 106, 54));

    // Insets larger than the rectangle leave a negative size rather than null.
    EXPECT_EQ(Rect(0, 0, 4, 4).inset(EdgeInsets(3, 3, 3, 3)), Rect(3, 3, -2, -2));
    EXPECT_TRUE(Rect::null().inset(EdgeInsets(-kInf, -kInf, 0, 0)).isNull());
}

TEST(Rect, OffsetAndIntegral) {
    EXPECT_EQ(Rect(1, 2, 3, 4).offsetBy(10, -20), Rect(11, -18, 3, 4));
    EXPECT_EQ(Rect(1, 2, -3, -4).offsetBy(1, 1), Rect(2, 3, -3, -4));
    EXPECT_TRUE(Rect::null().offsetBy(5, 5).isNull());

    EXPECT_EQ(Rect(0.5, 1.2, 2.0, 3.5).integral(), Rect(0, 1, 3, 4));
    EXPECT_EQ(Rect(-1.5, -0.5, 1, 1).integral(), Rect(-2, -1, 2, 2));
    EXPECT_EQ(Rect(3, 4, 5, 6).integral(), Rect(3, 4, 5, 6));
    EXPECT_EQ(Rect(2.5, 2.5, -1, -1).integral(), Rect(1, 1, 2, 2));
    EXPECT_TRUE(Rect::null().integral().isNull());
}

} // namespace
} // namespace ui
