#include "ui/graphics/text_canvas.h"

#include <ui/views/label.h>
#include <ui/views/window.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

namespace ui {
namespace {

using text_test::isDark;
using text_test::isRed;
using text_test::TextCanvas;

const std::string kDescription =
    "Crisp apples from the orchard, picked this week and packed in bags of two kilos";

std::shared_ptr<Label> makeLabel(const std::string& text, int lines = 1) {
    auto label = std::make_shared<Label>(text);
    label->setNumberOfLines(lines);
    return label;
}

// A label under auto layout in a window, pinned at the top left with a required width.
struct PinnedLabel {
    std::shared_ptr<Window> window = std::make_shared<Window>(Size(375, 800));
    std::shared_ptr<Label> label;
    std::shared_ptr<LayoutConstraint> width;

    PinnedLabel(std::shared_ptr<Label> l, double w) : label(std::move(l)) {
        label->setTranslatesAutoresizingMaskIntoConstraints(false);
        window->addSubview(label);
        width = label->widthAnchor().constraintEqualToConstant(w);
        LayoutConstraint::activate({label->leadingAnchor().constraintEqualTo(window->leadingAnchor(), 10),
                                    label->topAnchor().constraintEqualTo(window->topAnchor(), 10), width});
        window->layoutIfNeeded();
    }

    double heightAt(double w) {
        width->setConstant(w);
        window->layoutIfNeeded();
        EXPECT_NEAR(label->frame().size.width, w, 1e-6);
        return label->frame().size.height;
    }
};

// --- properties ---

TEST(Label, Defaults) {
    const Label label;
    EXPECT_EQ(label.text(), "");
    EXPECT_EQ(label.font(), Font::systemFont(17));
    EXPECT_EQ(label.textColor(), Color::black());
    EXPECT_EQ(label.numberOfLines(), 1);
    EXPECT_EQ(label.lineBreakMode(), LineBreakMode::byTruncatingTail);
    EXPECT_EQ(label.textAlignment(), TextAlignment::left);
    EXPECT_EQ(label.intrinsicContentSize(), Size(0, 0));
}

TEST(Label, PlainTextTakesTheLabelsFontAndColour) {
    Label label;
    label.setFont(Font::boldSystemFont(20));
    label.setTextColor(Color::red());
    label.setText("Sale");
    EXPECT_EQ(label.attributedText(), AttributedString("Sale", Font::boldSystemFont(20), Color::red()));
    // Changing the font or colour restyles the text.
    label.setFont(Font::systemFont(12));
    label.setTextColor(Color::blue());
    EXPECT_EQ(label.attributedText(), AttributedString("Sale", Font::systemFont(12), Color::blue()));
    label.setNumberOfLines(-4);
    EXPECT_EQ(label.numberOfLines(), 0);
}

TEST(Label, AttributedTextKeepsItsRuns) {
    AttributedString text("Now ", Font::systemFont(15), Color::darkGray());
    text.append("€1", Font::boldSystemFont(15), Color::red());
    Label label;
    label.setAttributedText(text);
    EXPECT_EQ(label.text(), "Now €1");
    EXPECT_EQ(label.attributedText(), text);
    EXPECT_EQ(label.attributedText().runs().size(), 2u);
    EXPECT_EQ(label.font(), Font::systemFont(15));
    EXPECT_EQ(label.textColor(), Color::darkGray());
}

// --- sizes ---

TEST(Label, IntrinsicSizeIsTheTextsSize) {
    const auto shortLabel = makeLabel("Milk");
    const auto longLabel = makeLabel("Milk and honey");
    const Size s = shortLabel->intrinsicContentSize();
    EXPECT_EQ(s, TextLayout::measure("Milk", Font::systemFont(17)).size);
    EXPECT_GT(longLabel->intrinsicContentSize().width, s.width);
    EXPECT_EQ(longLabel->intrinsicContentSize().height, s.height);
    // A single line's height does not depend on the width.
    EXPECT_FALSE(shortLabel->intrinsicHeightForWidth(10).has_value());
    // A larger font makes a larger label.
    shortLabel->setFont(Font::systemFont(34));
    EXPECT_GT(shortLabel->intrinsicContentSize().width, 1.9 * s.width);
}

TEST(Label, MultiLineLabelsHaveAHeightForEachWidth) {
    const auto label = makeLabel(kDescription, 0);
    const Size natural = label->intrinsicContentSize();
    EXPECT_EQ(natural, TextLayout::measure(kDescription, Font::systemFont(17)).size);
    const double wide = label->intrinsicHeightForWidth(300).value();
    const double narrow = label->intrinsicHeightForWidth(100).value();
    EXPECT_GT(wide, natural.height);
    EXPECT_GT(narrow, wide);
    // A line limit caps the height.
    label->setNumberOfLines(2);
    EXPECT_NEAR(label->intrinsicHeightForWidth(100).value(), 2 * Font::systemFont(17).lineHeight(), 1);
}

TEST(Label, SizeThatFits) {
    const auto single = makeLabel(kDescription);
    // One line keeps its full width whatever it is offered.
    EXPECT_EQ(single->sizeThatFits(Size(100, 100)), single->intrinsicContentSize());
    const auto multi = makeLabel(kDescription, 0);
    const Size fitted = multi->sizeThatFits(Size(150, 0));
    EXPECT_LE(fitted.width, 150);
    EXPECT_EQ(fitted.height, multi->intrinsicHeightForWidth(150).value());
    EXPECT_EQ(makeLabel("")->sizeThatFits(Size(100, 100)), Size(0, 0));

    multi->setFrame(Rect(0, 0, 150, 10));
    multi->sizeToFit();
    EXPECT_EQ(multi->frame().size, fitted);
}

TEST(Label, LayoutGivesTheIntrinsicSize) {
    const auto label = makeLabel("Fresh bread");
    PinnedLabel pinned(label, 200);
    pinned.width->setActive(false);
    pinned.window->layoutIfNeeded();
    EXPECT_EQ(label->frame(), Rect(Point(10, 10), label->intrinsicContentSize()));

    // New text invalidates the intrinsic size: the next pass resizes the label.
    label->setText("Fresh bread, baked every morning");
    pinned.window->layoutIfNeeded();
    EXPECT_EQ(label->frame().size, label->intrinsicContentSize());
    EXPECT_GT(label->frame().size.width, 150);

    // So does a new font.
    const double before = label->frame().size.height;
    label->setFont(Font::systemFont(30));
    pinned.window->layoutIfNeeded();
    EXPECT_GT(label->frame().size.height, before);
}

TEST(Label, MultiLineLabelGrowsTallerAsItsWidthShrinks) {
    const auto label = makeLabel(kDescription, 0);
    PinnedLabel pinned(label, 340);
    const double wide = pinned.heightAt(340);
    const double medium = pinned.heightAt(200);
    const double narrow = pinned.heightAt(100);
    EXPECT_GT(wide, 0);
    EXPECT_GT(medium, wide);
    EXPECT_GT(narrow, medium);
    EXPECT_EQ(narrow, label->intrinsicHeightForWidth(100).value());
    // Growing again shrinks it back.
    EXPECT_EQ(pinned.heightAt(340), wide);

    // Fewer lines allowed: the height stops growing.
    label->setNumberOfLines(2);
    pinned.window->layoutIfNeeded();
    EXPECT_NEAR(pinned.heightAt(100), 2 * Font::systemFont(17).lineHeight(), 1);
}

// --- drawing ---

// Draws `label` (its frame at `origin` on the canvas) as a renderer would: in its bounds space.
void drawLabel(TextCanvas& canvas, Label& label, Point origin) {
    cairo_save(canvas.context());
    cairo_translate(canvas.context(), origin.x, origin.y);
    label.draw(canvas.context(), label.bounds());
    cairo_restore(canvas.context());
}

TEST(LabelDraw, InkInsideTheBoundsOnly) {
    TextCanvas canvas(400, 200);
    const auto label = makeLabel(kDescription, 3);
    label->setFrame(Rect(0, 0, 120, 80));
    drawLabel(canvas, *label, Point(50, 40));
    const Rect area(50, 40, 120, 80);
    const Rect ink = canvas.inkBounds(isDark);
    ASSERT_FALSE(ink.isNull());
    EXPECT_TRUE(area.contains(ink));
    EXPECT_EQ(canvas.count(Rect(0, 0, 400, 40), isDark), 0);
    EXPECT_EQ(canvas.count(Rect(170, 0, 230, 200), isDark), 0);
    EXPECT_GT(canvas.count(area, isDark), 100);
}

TEST(LabelDraw, TextIsCentredVertically) {
    TextCanvas canvas(200, 100);
    const auto label = makeLabel("Milk");
    label->setFrame(Rect(0, 0, 200, 100));
    drawLabel(canvas, *label, Point(0, 0));
    const Rect ink = canvas.inkBounds(isDark);
    ASSERT_FALSE(ink.isNull());
    // The line box (not the glyphs' ink) is centred: ink sits within a line height of the middle.
    const double line = Font::systemFont(17).lineHeight();
    EXPECT_GT(ink.minY(), 50 - line / 2 - 1);
    EXPECT_LT(ink.maxY(), 50 + line / 2 + 1);
    EXPECT_LT(ink.minX(), 5);
}

TEST(LabelDraw, AlignmentAndColour) {
    TextCanvas canvas(300, 40);
    const auto label = makeLabel("Sale");
    label->setTextColor(Color::red());
    label->setTextAlignment(TextAlignment::right);
    label->setFrame(Rect(0, 0, 300, 40));
    drawLabel(canvas, *label, Point(0, 0));
    const Rect red = canvas.inkBounds(isRed);
    ASSERT_FALSE(red.isNull());
    EXPECT_GT(red.minX(), 200);
    EXPECT_GT(red.maxX(), 295);
    EXPECT_TRUE(canvas.inkBounds(isDark).isNull());
}

TEST(LabelDraw, TooNarrowSingleLineIsTruncatedWithinItsBounds) {
    TextCanvas canvas(400, 40);
    const auto label = makeLabel(kDescription);
    label->setFrame(Rect(0, 0, 150, 40));
    drawLabel(canvas, *label, Point(10, 0));
    const Rect ink = canvas.inkBounds(isDark);
    ASSERT_FALSE(ink.isNull());
    EXPECT_LE(ink.maxX(), 160);
    // Truncated, the text still reaches near the end of the bounds (the ellipsis).
    EXPECT_GT(ink.maxX(), 140);
    EXPECT_LT(ink.height(), 2 * Font::systemFont(17).lineHeight());
}

} // namespace
} // namespace ui
