// Border layers and borderable views: the edge path, how it is fitted inside the bounds, how each border
// style strokes it, and borders following their view's size; checked on the paths and on real pixels.

#include <kivo/model/style_elements.h>
#include <kivo/views/kivo_border_layer.h>
#include <kivo/views/kivo_borderable_view.h>
#include <ui/graphics/bezier_path.h>
#include <ui/graphics/image.h>
#include <ui/graphics/renderer.h>
#include <ui/graphics/shape_layer.h>
#include <ui/views/snapshot.h>
#include <ui/views/view.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using kivo::applyKIVOTransformations;
using kivo::bezierPathWithEdges;
using kivo::KIVOBorderableView;
using kivo::KIVOBorderLayer;
using BorderStyle = kivo::StyleMetaElement::BorderStyle;
using Edge = BorderStyle::Edge;
using Type = BorderStyle::BorderStyleType;
using ui::BezierPath;
using ui::Color;
using ui::Point;
using ui::Rect;

const Color ink = Color::rgb(0.8, 0.1, 0.2);
const std::set<Edge> allEdges{Edge::top, Edge::left, Edge::bottom, Edge::right};

BorderStyle borderStyle(Type type, std::optional<Color> color = ink,
                        std::optional<std::int64_t> width = std::nullopt) {
    BorderStyle style;
    style.style = type;
    style.color = color;
    style.width = width;
    return style;
}

// The path as (from, to) pairs of its segments, which must all be single straight lines.
struct Segment {
    Point from;
    Point to;
    bool operator==(const Segment&) const = default;
};

std::vector<Segment> segmentsOf(const BezierPath& path) {
    std::vector<Segment> segments;
    const auto& elements = path.elements();
    for (std::size_t i = 0; i < elements.size(); ++i) {
        EXPECT_EQ(elements[i].type, BezierPath::ElementType::moveTo) << "element " << i;
        EXPECT_LT(i + 1, elements.size());
        if (i + 1 >= elements.size())
            break;
        EXPECT_EQ(elements[i + 1].type, BezierPath::ElementType::lineTo) << "element " << i + 1;
        segments.push_back({elements[i].points[0], elements[i + 1].points[0]});
        ++i;
    }
    return segments;
}

std::string show(const Color& c) {
    return "(" + std::to_string(std::lround(c.r() * 255)) + ", " + std::to_string(std::lround(c.g() * 255)) +
           ", " + std::to_string(std::lround(c.b() * 255)) + ", " + std::to_string(std::lround(c.a() * 255)) +
           ")";
}

::testing::AssertionResult isColor(const ui::Image& image, int x, int y, const Color& expected) {
    const Color actual = image.pixelAt(x, y);
    const double t = 2.0 / 255;
    if (std::abs(actual.r() - expected.r()) <= t && std::abs(actual.g() - expected.g()) <= t &&
        std::abs(actual.b() - expected.b()) <= t && std::abs(actual.a() - expected.a()) <= t)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "pixel (" << x << ", " << y << ") is " << show(actual) << ", expected " << show(expected);
}

::testing::AssertionResult isInk(const ui::Image& image, int x, int y) {
    return isColor(image, x, y, ink);
}

::testing::AssertionResult isBlank(const ui::Image& image, int x, int y) {
    return isColor(image, x, y, Color::white());
}

// A white borderable view of `size` with one border layer made for its bounds, inserted at the bottom of
// its layer, as styling does.
struct BorderedView {
    std::shared_ptr<KIVOBorderableView> view;
    std::shared_ptr<KIVOBorderLayer> border;
};

BorderedView borderedView(ui::Size size, const BorderStyle& style, const std::set<Edge>& edges) {
    BorderedView result;
    result.view = std::make_shared<KIVOBorderableView>(Rect({0, 0}, size));
    result.view->setBackgroundColor(Color::white());
    result.border = std::make_shared<KIVOBorderLayer>(result.view->bounds(), style, edges);
    result.view->layer()->insertSublayer(result.border, 0);
    return result;
}

// --- the edge path and its fitting ---------------------------------------------------------------------

TEST(BorderPath, EdgesAreUnitSegmentsInTopRightBottomLeftOrder) {
    EXPECT_EQ(segmentsOf(bezierPathWithEdges(allEdges)),
              (std::vector<Segment>{{{0, 0}, {1, 0}}, {{1, 0}, {1, 1}}, {{0, 1}, {1, 1}}, {{0, 0}, {0, 1}}}));
    EXPECT_EQ(segmentsOf(bezierPathWithEdges({Edge::left, Edge::top})),
              (std::vector<Segment>{{{0, 0}, {1, 0}}, {{0, 0}, {0, 1}}}));
    EXPECT_EQ(segmentsOf(bezierPathWithEdges({Edge::bottom})), (std::vector<Segment>{{{0, 1}, {1, 1}}}));
    EXPECT_EQ(segmentsOf(bezierPathWithEdges({Edge::right})), (std::vector<Segment>{{{1, 0}, {1, 1}}}));
    EXPECT_TRUE(bezierPathWithEdges({}).isEmpty());
}

TEST(BorderPath, FittingCentresEachLineHalfALineWidthInsideTheBounds) {
    BezierPath path = bezierPathWithEdges(allEdges);
    applyKIVOTransformations(path, Rect(0, 0, 100, 50), 2);
    EXPECT_EQ(segmentsOf(path),
              (std::vector<Segment>{
                  {{1, 1}, {99, 1}}, {{99, 1}, {99, 49}}, {{1, 49}, {99, 49}}, {{1, 1}, {1, 49}}}));

    // Only the size counts: the path is for a layer whose own bounds start at the origin.
    BezierPath moved = bezierPathWithEdges({Edge::bottom});
    applyKIVOTransformations(moved, Rect(30, -20, 100, 50), 4);
    EXPECT_EQ(segmentsOf(moved), (std::vector<Segment>{{{2, 48}, {98, 48}}}));

    // Without a line width the path runs along the bounds themselves.
    BezierPath thin = bezierPathWithEdges({Edge::right});
    applyKIVOTransformations(thin, Rect(0, 0, 10, 20), 0);
    EXPECT_EQ(segmentsOf(thin), (std::vector<Segment>{{{10, 0}, {10, 20}}}));
}

TEST(BorderPath, BoundsSmallerThanTheLineCollapseInsteadOfTurningInsideOut) {
    // A 3 x 30 box cannot hold a 4-point line across: the horizontal extent fits as zero, the vertical
    // one as 26, and nothing lands left of or above the half line width.
    BezierPath narrow = bezierPathWithEdges({Edge::top, Edge::left});
    applyKIVOTransformations(narrow, Rect(0, 0, 3, 30), 4);
    EXPECT_EQ(segmentsOf(narrow), (std::vector<Segment>{{{2, 2}, {2, 2}}, {{2, 2}, {2, 28}}}));

    // Views are often bordered before their first layout, at zero size.
    BezierPath empty = bezierPathWithEdges(allEdges);
    applyKIVOTransformations(empty, Rect::zero(), 4);
    for (const auto& element : empty.elements())
        EXPECT_EQ(element.points[0], Point(2, 2));

    // Sizes and widths that are not numbers count as zero.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    BezierPath odd = bezierPathWithEdges({Edge::bottom});
    applyKIVOTransformations(odd, Rect(0, 0, nan, inf), 2);
    EXPECT_EQ(segmentsOf(odd), (std::vector<Segment>{{{1, 1}, {1, 1}}}));
    BezierPath oddWidth = bezierPathWithEdges({Edge::bottom});
    applyKIVOTransformations(oddWidth, Rect(0, 0, 10, 10), -3);
    EXPECT_EQ(segmentsOf(oddWidth), (std::vector<Segment>{{{0, 10}, {10, 10}}}));
    applyKIVOTransformations(oddWidth = bezierPathWithEdges({Edge::bottom}), Rect(0, 0, 10, 10), nan);
    EXPECT_EQ(segmentsOf(oddWidth), (std::vector<Segment>{{{0, 10}, {10, 10}}}));
}

// --- the layer's stroke --------------------------------------------------------------------------------

TEST(BorderLayer, EachStyleSetsItsCapsAndDashes) {
    const Rect frame(0, 0, 100, 50);
    const KIVOBorderLayer solid(frame, borderStyle(Type::solid, ink, 3), allEdges);
    EXPECT_EQ(solid.lineCap(), ui::LineCap::butt);
    EXPECT_TRUE(solid.lineDashPattern().empty());
    EXPECT_EQ(solid.lineJoin(), ui::LineJoin::miter);
    EXPECT_EQ(solid.fillColor(), Color::clear());
    EXPECT_EQ(solid.strokeColor(), ink);
    EXPECT_EQ(solid.lineWidth(), 3);
    EXPECT_EQ(solid.edges(), allEdges);

    const KIVOBorderLayer dotted(frame, borderStyle(Type::dotted, ink, 3), allEdges);
    EXPECT_EQ(dotted.lineCap(), ui::LineCap::round);
    EXPECT_EQ(dotted.lineDashPattern(), (std::vector<double>{2, 8}));
    EXPECT_EQ(dotted.lineJoin(), ui::LineJoin::miter);

    const KIVOBorderLayer dashed(frame, borderStyle(Type::dashed, ink, 3), allEdges);
    EXPECT_EQ(dashed.lineCap(), ui::LineCap::square);
    EXPECT_EQ(dashed.lineDashPattern(), (std::vector<double>{8, 8}));

    EXPECT_EQ(KIVOBorderLayer::defaultBorderWidth, 4);
    EXPECT_EQ(KIVOBorderLayer::dashedPatternWidth, 8);
    EXPECT_EQ(KIVOBorderLayer::dottedPatternWidth, 2);
    EXPECT_EQ(KIVOBorderLayer::breakWidth, 8);
}

TEST(BorderLayer, CreationFitsThePathButLeavesTheFrame) {
    const KIVOBorderLayer layer(Rect(5, 5, 100, 50), borderStyle(Type::dashed, ink, 2), allEdges);
    EXPECT_EQ(layer.frame().size, ui::Size(0, 0));
    EXPECT_EQ(segmentsOf(layer.path()),
              (std::vector<Segment>{
                  {{1, 1}, {99, 1}}, {{99, 1}, {99, 49}}, {{1, 49}, {99, 49}}, {{1, 1}, {1, 49}}}));

    // A style without a width strokes 4 points, fitted for that width.
    const KIVOBorderLayer wide(Rect(0, 0, 100, 50), borderStyle(Type::solid), {Edge::bottom});
    EXPECT_EQ(wide.lineWidth(), 4);
    EXPECT_EQ(segmentsOf(wide.path()), (std::vector<Segment>{{{2, 48}, {98, 48}}}));

    // No colour, no stroke.
    const KIVOBorderLayer colourless(Rect(0, 0, 100, 50), borderStyle(Type::solid, std::nullopt, 2),
                                     allEdges);
    EXPECT_EQ(colourless.strokeColor(), std::nullopt);

    // The default layer has no edges and draws nothing.
    const KIVOBorderLayer bare;
    EXPECT_TRUE(bare.edges().empty());
    EXPECT_TRUE(bare.path().isEmpty());
    EXPECT_FALSE(bare.drawsContent());
}

TEST(BorderLayer, DashedBorderOnAllEdgesDrawsSquareCappedDashesInsideTheBounds) {
    const auto bordered = borderedView({100, 50}, borderStyle(Type::dashed, ink, 2), allEdges);
    const auto image = ui::snapshot(*bordered.view, 1);
    ASSERT_EQ(image->pixelWidth(), 100);
    ASSERT_EQ(image->pixelHeight(), 50);

    // Along each edge the path starts one point in; with square caps each 8-point dash reaches one point
    // further at both ends: ink on [0, 10), gaps on [10, 16), ink on [16, 26), ...
    for (int y : {0, 1}) {
        EXPECT_TRUE(isInk(*image, 0, y));
        EXPECT_TRUE(isInk(*image, 9, y));
        EXPECT_TRUE(isBlank(*image, 10, y));
        EXPECT_TRUE(isBlank(*image, 15, y));
        EXPECT_TRUE(isInk(*image, 16, y));
        EXPECT_TRUE(isInk(*image, 25, y));
        EXPECT_TRUE(isBlank(*image, 26, y));
    }
    EXPECT_TRUE(isBlank(*image, 5, 2)) << "the line is 2 points thick";
    // Bottom edge: the same pattern on rows 48 and 49.
    EXPECT_TRUE(isInk(*image, 5, 48));
    EXPECT_TRUE(isInk(*image, 5, 49));
    EXPECT_TRUE(isBlank(*image, 5, 47));
    EXPECT_TRUE(isBlank(*image, 12, 49));
    EXPECT_TRUE(isInk(*image, 20, 49));
    // Left and right edges: columns 0-1 and 98-99, dashes down from the top.
    for (int x : {0, 1, 98, 99}) {
        EXPECT_TRUE(isInk(*image, x, 5));
        EXPECT_TRUE(isBlank(*image, x, 12));
        EXPECT_TRUE(isInk(*image, x, 20));
    }
    EXPECT_TRUE(isBlank(*image, 2, 5));
    EXPECT_TRUE(isBlank(*image, 97, 5));
    EXPECT_TRUE(isBlank(*image, 50, 25)) << "nothing is filled";
}

TEST(BorderLayer, DottedAndSolidBordersStrokeTheirPattern) {
    // Dotted: 2-point dots every 10 points, with round ends.
    auto bordered = borderedView({100, 50}, borderStyle(Type::dotted, ink, 2), {Edge::top});
    auto image = ui::snapshot(*bordered.view, 1);
    EXPECT_TRUE(isInk(*image, 1, 1));
    EXPECT_TRUE(isInk(*image, 2, 1));
    EXPECT_TRUE(isBlank(*image, 7, 1));
    EXPECT_TRUE(isInk(*image, 11, 1));
    EXPECT_TRUE(isInk(*image, 12, 1));
    EXPECT_TRUE(isBlank(*image, 17, 1));
    EXPECT_TRUE(isInk(*image, 21, 0));
    // The round end covers only part of the pixel past the dot, where a square end would cover it all.
    const Color rounded = image->pixelAt(3, 0);
    EXPECT_FALSE(isInk(*image, 3, 0));
    EXPECT_FALSE(isBlank(*image, 3, 0));
    EXPECT_LT(rounded.g(), 0.9);
    EXPECT_TRUE(isBlank(*image, 50, 3)) << "only the top edge";
    EXPECT_TRUE(isBlank(*image, 0, 25));
    EXPECT_TRUE(isBlank(*image, 99, 25));
    EXPECT_TRUE(isBlank(*image, 50, 49));

    // Solid: unbroken, butt-ended lines.
    bordered = borderedView({100, 50}, borderStyle(Type::solid, ink, 3), {Edge::left, Edge::right});
    image = ui::snapshot(*bordered.view, 1);
    for (int y = 2; y < 48; ++y) {
        EXPECT_TRUE(isInk(*image, 0, y)) << y;
        EXPECT_TRUE(isInk(*image, 2, y)) << y;
        EXPECT_TRUE(isInk(*image, 97, y)) << y;
        EXPECT_TRUE(isInk(*image, 99, y)) << y;
    }
    EXPECT_TRUE(isBlank(*image, 3, 25));
    EXPECT_TRUE(isBlank(*image, 96, 25));
    EXPECT_TRUE(isBlank(*image, 50, 0)) << "no top edge";
    EXPECT_TRUE(isBlank(*image, 50, 49)) << "no bottom edge";
}

TEST(BorderLayer, BottomOnlyWithDefaultWidthIsOneFourPointLine) {
    const auto bordered = borderedView({100, 50}, borderStyle(Type::solid), {Edge::bottom});
    EXPECT_EQ(segmentsOf(bordered.border->path()), (std::vector<Segment>{{{2, 48}, {98, 48}}}));
    const auto image = ui::snapshot(*bordered.view, 1);
    for (int y : {46, 47, 48, 49}) {
        EXPECT_TRUE(isInk(*image, 2, y));
        EXPECT_TRUE(isInk(*image, 50, y));
        EXPECT_TRUE(isInk(*image, 97, y));
        EXPECT_TRUE(isBlank(*image, 1, y)) << "butt ends stop at the path's ends";
        EXPECT_TRUE(isBlank(*image, 98, y));
    }
    EXPECT_TRUE(isBlank(*image, 50, 45));
    EXPECT_TRUE(isBlank(*image, 50, 1));
    EXPECT_TRUE(isBlank(*image, 1, 25));
}

TEST(BorderLayer, WithoutAColourNothingIsDrawn) {
    const auto bordered = borderedView({40, 20}, borderStyle(Type::dashed, std::nullopt, 2), allEdges);
    const auto image = ui::snapshot(*bordered.view, 1);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_TRUE(isBlank(*image, x, y));
}

TEST(BorderLayer, DrawsAtTheSnapshotScale) {
    const auto bordered = borderedView({20, 10}, borderStyle(Type::solid, ink, 1), {Edge::top});
    const auto image = ui::snapshot(*bordered.view, 2);
    EXPECT_TRUE(isInk(*image, 10, 0));
    EXPECT_TRUE(isInk(*image, 10, 1));
    EXPECT_TRUE(isBlank(*image, 10, 2));
}

// --- following the view's size -------------------------------------------------------------------------

TEST(BorderableView, LayoutRefitsEveryBorderLayerAndNothingElse) {
    auto bordered = borderedView({100, 50}, borderStyle(Type::dashed, ink, 2), allEdges);
    auto& view = *bordered.view;
    auto second = std::make_shared<KIVOBorderLayer>(view.bounds(), borderStyle(Type::solid, ink, 4),
                                                    std::set<Edge>{Edge::bottom});
    view.layer()->addSublayer(second);
    auto other = std::make_shared<ui::ShapeLayer>();
    other->setFrame(Rect(10, 10, 5, 5));
    BezierPath otherPath = BezierPath::rect(Rect(0, 0, 5, 5));
    other->setPath(otherPath);
    view.layer()->addSublayer(other);
    view.layoutIfNeeded();
    EXPECT_EQ(bordered.border->frame(), Rect(0, 0, 100, 50));
    EXPECT_EQ(second->frame(), Rect(0, 0, 100, 50));

    view.setFrame(Rect(0, 0, 200, 80));
    EXPECT_TRUE(view.needsLayout());
    view.layoutIfNeeded();
    EXPECT_EQ(bordered.border->frame(), Rect(0, 0, 200, 80));
    EXPECT_EQ(segmentsOf(bordered.border->path()),
              (std::vector<Segment>{
                  {{1, 1}, {199, 1}}, {{199, 1}, {199, 79}}, {{1, 79}, {199, 79}}, {{1, 1}, {1, 79}}}));
    EXPECT_EQ(second->frame(), Rect(0, 0, 200, 80));
    EXPECT_EQ(segmentsOf(second->path()), (std::vector<Segment>{{{2, 78}, {198, 78}}}));
    EXPECT_EQ(other->frame(), Rect(10, 10, 5, 5)) << "other sublayers are untouched";
    EXPECT_EQ(other->path(), otherPath);
    EXPECT_EQ(bordered.border->lineDashPattern(), (std::vector<double>{8, 8})) << "the style stays";

    const auto image = ui::snapshot(view, 1);
    ASSERT_EQ(image->pixelWidth(), 200);
    EXPECT_TRUE(isInk(*image, 198, 5)) << "the right edge moved out with the view";
    EXPECT_TRUE(isInk(*image, 199, 20));
    EXPECT_TRUE(isBlank(*image, 199, 12));
    EXPECT_TRUE(isBlank(*image, 99, 25)) << "nothing left at the old right edge";
    EXPECT_TRUE(isInk(*image, 100, 76)) << "the solid bottom line, 4 points high";
    EXPECT_TRUE(isInk(*image, 100, 79));
    EXPECT_TRUE(isBlank(*image, 100, 75));
    EXPECT_TRUE(isColor(*image, 12, 12, Color::black())) << "the other shape still draws where it was";
}

TEST(BorderableView, BorderMadeBeforeTheFirstLayoutFitsOnceTheViewHasASize) {
    auto view = std::make_shared<KIVOBorderableView>();
    view->setBackgroundColor(Color::white());
    auto border = std::make_shared<KIVOBorderLayer>(view->bounds(), borderStyle(Type::solid, ink, 2),
                                                    std::set<Edge>{Edge::top, Edge::right});
    view->layer()->insertSublayer(border, 0);
    for (const auto& element : border->path().elements())
        EXPECT_EQ(element.points[0], Point(1, 1)) << "a zero-size view collapses the path";

    view->setFrame(Rect(0, 0, 30, 20));
    const auto image = ui::snapshot(*view, 1); // lays the view out first
    EXPECT_EQ(border->frame(), Rect(0, 0, 30, 20));
    EXPECT_TRUE(isInk(*image, 15, 0));
    EXPECT_TRUE(isInk(*image, 15, 1));
    EXPECT_TRUE(isInk(*image, 29, 10));
    EXPECT_TRUE(isInk(*image, 28, 10));
    EXPECT_TRUE(isBlank(*image, 15, 19));
    EXPECT_TRUE(isBlank(*image, 0, 10));
}

TEST(BorderableView, UpdateBorderPathTakesTheGivenBoundsAsFrame) {
    KIVOBorderLayer layer(Rect(0, 0, 10, 10), borderStyle(Type::dotted, ink, 2), {Edge::left});
    layer.updateBorderPath(Rect(4, 6, 40, 30));
    EXPECT_EQ(layer.frame(), Rect(4, 6, 40, 30));
    EXPECT_EQ(segmentsOf(layer.path()), (std::vector<Segment>{{{1, 1}, {1, 29}}}));
    layer.setLineWidth(6);
    layer.updateBorderPath(Rect(0, 0, 40, 30));
    EXPECT_EQ(segmentsOf(layer.path()), (std::vector<Segment>{{{3, 3}, {3, 27}}})) << "the current width";
}

} // namespace
