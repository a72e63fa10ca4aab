#include "ui/graphics/text_canvas.h"

#include <ui/graphics/text_layout.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace ui {
namespace {

using text_test::isDark;
using text_test::isRed;
using text_test::TextCanvas;

const std::string kLong = "Crisp apples from the orchard, picked this week and packed in bags of two kilos";

TextLayoutOptions wrapped(double width, int lines, LineBreakMode mode = LineBreakMode::byTruncatingTail) {
    TextLayoutOptions options;
    options.maxWidth = width;
    options.maxLines = lines;
    options.lineBreakMode = mode;
    return options;
}

// --- measuring ---

TEST(TextMeasure, EmptyTextMeasuresNothing) {
    const TextMeasurement m = TextLayout::measure("", Font::systemFont(17));
    EXPECT_EQ(m.size, Size(0, 0));
    EXPECT_EQ(m.lineCount, 0);
    EXPECT_FALSE(m.truncated);
}

TEST(TextMeasure, SizeGrowsWithTextAndFontSize) {
    const Font font = Font::systemFont(17);
    const TextMeasurement a = TextLayout::measure("Milk", font);
    const TextMeasurement b = TextLayout::measure("Milk and honey", font);
    EXPECT_GT(a.size.width, 0);
    EXPECT_GT(b.size.width, a.size.width);
    EXPECT_EQ(a.size.height, b.size.height);
    EXPECT_EQ(a.size.height, std::ceil(font.lineHeight()));
    EXPECT_EQ(a.lineCount, 1);
    EXPECT_FALSE(a.truncated);
    // Sizes are whole points.
    EXPECT_EQ(b.size.width, std::floor(b.size.width));
    EXPECT_GT(TextLayout::measure("Milk", Font::systemFont(34)).size.width, 1.9 * a.size.width);
}

TEST(TextMeasure, LineBreaksInTheTextMakeLines) {
    const Font font = Font::systemFont(17);
    const TextMeasurement one = TextLayout::measure("Milk", font);
    const TextMeasurement three = TextLayout::measure("Milk\nEggs\nButter", font);
    EXPECT_EQ(three.lineCount, 3);
    EXPECT_NEAR(three.size.height, 3 * font.lineHeight(), 1);
    EXPECT_GT(three.size.height, 2 * one.size.height);
}

TEST(TextMeasure, WrapsAtTheWidthAndGrowsTallerAsItNarrows) {
    const Font font = Font::systemFont(17);
    const TextMeasurement unlimited = TextLayout::measure(kLong, font);
    EXPECT_EQ(unlimited.lineCount, 1);
    double previousHeight = unlimited.size.height;
    int previousLines = 1;
    for (double width : {400.0, 250.0, 120.0, 60.0}) {
        const TextMeasurement m = TextLayout::measure(kLong, font, wrapped(width, 0));
        EXPECT_LE(m.size.width, width) << width;
        EXPECT_GT(m.lineCount, previousLines) << width;
        EXPECT_GT(m.size.height, previousHeight) << width;
        EXPECT_FALSE(m.truncated);
        previousLines = m.lineCount;
        previousHeight = m.size.height;
    }
}

TEST(TextMeasure, HeightGrowsWithTheLineLimit) {
    const Font font = Font::systemFont(17);
    double previous = 0;
    for (int lines : {1, 2, 3, 4}) {
        const TextMeasurement m = TextLayout::measure(kLong, font, wrapped(120, lines));
        EXPECT_EQ(m.lineCount, lines);
        EXPECT_TRUE(m.truncated);
        EXPECT_GT(m.size.height, previous);
        EXPECT_NEAR(m.size.height, lines * font.lineHeight(), 1);
        previous = m.size.height;
    }
    const TextMeasurement all = TextLayout::measure(kLong, font, wrapped(120, 0));
    EXPECT_GT(all.lineCount, 4);
    EXPECT_GT(all.size.height, previous);
    // A limit above what the text needs changes nothing.
    EXPECT_EQ(TextLayout::measure(kLong, font, wrapped(120, 100)), all);
}

TEST(TextMeasure, TailTruncationKeepsNLinesWithinTheWidth) {
    const Font font = Font::systemFont(17);
    for (int lines : {1, 2, 3}) {
        const TextMeasurement m = TextLayout::measure(kLong, font, wrapped(120, lines));
        EXPECT_EQ(m.lineCount, lines);
        EXPECT_TRUE(m.truncated);
        EXPECT_LE(m.size.width, 120);
    }
    // One line without a width is still one line, even with line breaks in the text.
    const TextMeasurement firstLine = TextLayout::measure("Milk\nEggs\nButter", font, wrapped(0, 1));
    EXPECT_EQ(firstLine.lineCount, 1);
    EXPECT_TRUE(firstLine.truncated);
    EXPECT_EQ(firstLine.size.height, TextLayout::measure("Milk", font).size.height);
}

TEST(TextMeasure, LineLimitsCountLinesAcrossParagraphs) {
    const Font font = Font::systemFont(17);
    const std::string text = "Milk\nEggs\nButter\nCheese";
    for (LineBreakMode mode : {LineBreakMode::byTruncatingTail, LineBreakMode::byWordWrapping}) {
        const TextMeasurement two = TextLayout::measure(text, font, wrapped(200, 2, mode));
        EXPECT_EQ(two.lineCount, 2);
        EXPECT_TRUE(two.truncated);
        EXPECT_NEAR(two.size.height, 2 * font.lineHeight(), 1);
    }
    // The last line shown ends a paragraph: it still gets an ellipsis, unless words just wrap.
    const auto widthOf = [&](const std::string& s, LineBreakMode mode) {
        return TextLayout::measure(s, font, wrapped(200, 2, mode)).size.width;
    };
    EXPECT_EQ(widthOf("Milk\nEggs\nButter", LineBreakMode::byTruncatingTail),
              widthOf("Milk\nEggs\u2026", LineBreakMode::byTruncatingTail));
    EXPECT_EQ(widthOf("Milk\nEggs\nButter", LineBreakMode::byWordWrapping),
              widthOf("Milk\nEggs", LineBreakMode::byWordWrapping));
    EXPECT_GT(widthOf("Milk\nEggs\u2026", LineBreakMode::byWordWrapping),
              widthOf("Milk\nEggs", LineBreakMode::byWordWrapping));
}

TEST(TextMeasure, WordWrappingCutsLinesWithoutAnEllipsis) {
    const Font font = Font::systemFont(17);
    const TextMeasurement tail = TextLayout::measure(kLong, font, wrapped(120, 2));
    const TextMeasurement words =
        TextLayout::measure(kLong, font, wrapped(120, 2, LineBreakMode::byWordWrapping));
    EXPECT_EQ(words.lineCount, 2);
    EXPECT_TRUE(words.truncated);
    EXPECT_EQ(words.size.height, tail.size.height);
    EXPECT_LE(words.size.width, 120);
}

TEST(TextMeasure, HeightLimitKeepsWholeLinesButAtLeastOne) {
    const Font font = Font::systemFont(17);
    TextLayoutOptions options = wrapped(120, 0);
    options.maxHeight = 2.5 * font.lineHeight();
    const TextMeasurement m = TextLayout::measure(kLong, font, options);
    EXPECT_EQ(m.lineCount, 2);
    EXPECT_TRUE(m.truncated);
    EXPECT_LE(m.size.height, options.maxHeight);

    options.maxHeight = 3;
    EXPECT_EQ(TextLayout::measure(kLong, font, options).lineCount, 1);
}

TEST(TextMeasure, BoldRunsMeasureWiderThanRegularOnes) {
    const std::string text = "Weekly offers";
    const Font regular = Font::systemFont(17);
    const Font bold = Font::boldSystemFont(17);
    const double regularWidth = TextLayout::measure(AttributedString(text, regular)).size.width;
    const double boldWidth = TextLayout::measure(AttributedString(text, bold)).size.width;
    EXPECT_GT(boldWidth, regularWidth);

    // Half and half measures in between, and the runs' colours do not matter.
    AttributedString mixed("Weekly ", regular, Color::black());
    mixed.append("offers", bold, Color::red());
    const double mixedWidth = TextLayout::measure(mixed).size.width;
    EXPECT_GT(mixedWidth, regularWidth);
    EXPECT_LT(mixedWidth, boldWidth);
    EXPECT_EQ(TextLayout::measure(mixed.withColor(Color::blue())).size.width, mixedWidth);
}

TEST(TextMeasure, AlignmentDoesNotChangeTheSize) {
    const Font font = Font::systemFont(17);
    TextLayoutOptions options = wrapped(150, 3);
    const TextMeasurement left = TextLayout::measure(kLong, font, options);
    options.alignment = TextAlignment::center;
    EXPECT_EQ(TextLayout::measure(kLong, font, options), left);
    options.alignment = TextAlignment::right;
    EXPECT_EQ(TextLayout::measure(kLong, font, options), left);
}

// --- the measurement cache ---

TEST(TextMeasureCache, RepeatedMeasurementsAreHits) {
    TextLayout::clearCache();
    const Font font = Font::systemFont(17);
    const TextMeasurement first = TextLayout::measure("Cache me", font, wrapped(100, 2));
    EXPECT_EQ(TextLayout::cacheStatistics().misses, 1u);
    EXPECT_EQ(TextLayout::cacheStatistics().hits, 0u);
    EXPECT_EQ(TextLayout::measure("Cache me", font, wrapped(100, 2)), first);
    EXPECT_EQ(TextLayout::cacheStatistics().hits, 1u);
    // Another width, line limit or font is another entry.
    TextLayout::measure("Cache me", font, wrapped(90, 2));
    TextLayout::measure("Cache me", font, wrapped(100, 3));
    TextLayout::measure("Cache me", Font::boldSystemFont(17), wrapped(100, 2));
    const auto stats = TextLayout::cacheStatistics();
    EXPECT_EQ(stats.hits, 1u);
    EXPECT_EQ(stats.misses, 4u);
    EXPECT_EQ(stats.entries, 4u);
}

TEST(TextMeasureCache, ForgetsTheLeastRecentlyUsedEntries) {
    TextLayout::clearCache();
    TextLayout::setCacheCapacity(3);
    const Font font = Font::systemFont(17);
    TextLayout::measure("one", font);
    TextLayout::measure("two", font);
    TextLayout::measure("three", font);
    TextLayout::measure("one", font);  // hit: "two" is now the oldest
    TextLayout::measure("four", font); // evicts "two"
    EXPECT_EQ(TextLayout::cacheStatistics().entries, 3u);
    const auto hits = TextLayout::cacheStatistics().hits;
    TextLayout::measure("one", font);
    TextLayout::measure("three", font);
    EXPECT_EQ(TextLayout::cacheStatistics().hits, hits + 2);
    TextLayout::measure("two", font);
    EXPECT_EQ(TextLayout::cacheStatistics().hits, hits + 2);
    TextLayout::setCacheCapacity(8192);
    TextLayout::clearCache();
    EXPECT_EQ(TextLayout::cacheStatistics().entries, 0u);
}

// --- drawing ---

TEST(TextDraw, InkLiesWithinTheRectangle) {
    TextCanvas canvas(300, 120);
    const Rect rect(40, 20, 120, 70);
    const AttributedString text(kLong, Font::systemFont(17));
    const TextMeasurement drawn = TextLayout::draw(canvas.context(), text, rect, wrapped(200, 3));
    EXPECT_EQ(drawn.lineCount, 3);
    EXPECT_TRUE(drawn.truncated);
    EXPECT_EQ(drawn, TextLayout::measure(text, wrapped(120, 3)));
    const Rect ink = canvas.inkBounds(isDark);
    ASSERT_FALSE(ink.isNull());
    EXPECT_TRUE(rect.contains(ink)) << ink.origin.x << "," << ink.origin.y << " " << ink.size.width << "x"
                                    << ink.size.height;
    EXPECT_LE(ink.width(), 120);
    // Three lines of ink: more than two line heights tall.
    EXPECT_GT(ink.height(), 2 * Font::systemFont(17).lineHeight());
}

TEST(TextDraw, DrawsOnlyTheLinesThatFitTheHeight) {
    TextCanvas canvas(200, 200);
    const Font font = Font::systemFont(17);
    const Rect rect(0, 0, 120, 2.2 * font.lineHeight());
    for (LineBreakMode mode : {LineBreakMode::byTruncatingTail, LineBreakMode::byWordWrapping}) {
        TextCanvas c(200, 200);
        const TextMeasurement drawn =
            TextLayout::draw(c.context(), AttributedString(kLong, font), rect, wrapped(120, 0, mode));
        EXPECT_EQ(drawn.lineCount, 2);
        const Rect ink = c.inkBounds(isDark);
        ASSERT_FALSE(ink.isNull());
        EXPECT_LE(ink.maxY(), rect.maxY());
        EXPECT_EQ(c.count(Rect(0, rect.maxY(), 200, 200), isDark), 0);
    }
}

TEST(TextDraw, AlignsLinesWithinTheRectangle) {
    const Font font = Font::systemFont(17);
    const AttributedString text("Sale", font);
    const double width = TextLayout::measure(text).size.width;
    const Rect rect(0, 0, 300, 30);
    Rect inks[3];
    const TextAlignment alignments[] = {TextAlignment::left, TextAlignment::center, TextAlignment::right};
    for (int i = 0; i < 3; ++i) {
        TextCanvas canvas(300, 30);
        TextLayoutOptions options;
        options.alignment = alignments[i];
        TextLayout::draw(canvas.context(), text, rect, options);
        inks[i] = canvas.inkBounds(isDark);
        ASSERT_FALSE(inks[i].isNull());
    }
    EXPECT_LT(inks[0].minX(), 5);
    EXPECT_NEAR(inks[1].midX(), 150, 4);
    EXPECT_GT(inks[2].maxX(), 300 - 5);
    EXPECT_NEAR(inks[2].minX() - inks[0].minX(), 300 - width, 2);
}

TEST(TextDraw, RunsAreDrawnInTheirColours) {
    TextCanvas canvas(300, 40);
    AttributedString text("Black ", Font::boldSystemFont(20), Color::black());
    text.append("RED", Font::boldSystemFont(20), Color::red());
    TextLayout::draw(canvas.context(), text, Rect(0, 0, 300, 40));
    const Rect black = canvas.inkBounds(isDark);
    const Rect red = canvas.inkBounds(isRed);
    ASSERT_FALSE(black.isNull());
    ASSERT_FALSE(red.isNull());
    EXPECT_LT(black.maxX(), red.minX() + 1);
}

TEST(TextDraw, ScaledContextsDrawTheMeasuredWidth) {
    // Drawing at twice the scale covers twice the pixels: measurements hold at any scale.
    const AttributedString text("Measured once, drawn at any scale", Font::systemFont(14));
    const double width = TextLayout::measure(text).size.width;
    TextCanvas canvas(800, 80);
    cairo_scale(canvas.context(), 2, 2);
    TextLayout::draw(canvas.context(), text, Rect(0, 0, 400, 40));
    const Rect ink = canvas.inkBounds(isDark);
    ASSERT_FALSE(ink.isNull());
    EXPECT_NEAR(ink.width(), 2 * width, 6);
}

TEST(TextDraw, NothingToDrawDrawsNothing) {
    TextCanvas canvas(100, 40);
    EXPECT_EQ(TextLayout::draw(canvas.context(), AttributedString(), Rect(0, 0, 100, 40)).lineCount, 0);
    EXPECT_EQ(TextLayout::draw(canvas.context(), AttributedString("x", Font::systemFont(12)), Rect::null())
                  .lineCount,
              0);
    EXPECT_TRUE(canvas.inkBounds(isDark).isNull());
}

} // namespace
} // namespace ui
