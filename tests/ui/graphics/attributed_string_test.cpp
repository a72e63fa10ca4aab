#include <ui/graphics/attributed_string.h>

#include <gtest/gtest.h>

namespace ui {
namespace {

TEST(AttributedString, StartsEmpty) {
    const AttributedString empty;
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_EQ(empty.length(), 0u);
    EXPECT_TRUE(empty.runs().empty());
    EXPECT_EQ(empty.string(), "");
}

TEST(AttributedString, AppendingInTheSameFontAndColourExtendsTheRun) {
    const Font font = Font::systemFont(12);
    AttributedString text("Fresh ", font, Color::black());
    text.append("bread", font, Color::black());
    text.append("", Font::boldSystemFont(12), Color::red()); // nothing to append: no run
    EXPECT_EQ(text.string(), "Fresh bread");
    EXPECT_EQ(text.length(), 11u);
    ASSERT_EQ(text.runs().size(), 1u);
    EXPECT_EQ(text.runs()[0].start, 0u);
    EXPECT_EQ(text.runs()[0].length, 11u);
    EXPECT_EQ(text.text(text.runs()[0]), "Fresh bread");
}

TEST(AttributedString, RunsOfDifferentFontsOrColours) {
    const Font regular = Font::systemFont(12);
    const Font bold = Font::boldSystemFont(12);
    AttributedString text("Now ", regular, Color::black());
    text.append("€2.99", bold, Color::red());
    text.append(" each", regular, Color::red());
    EXPECT_EQ(text.string(), "Now €2.99 each");
    EXPECT_EQ(text.length(), 16u); // € is three bytes of UTF-8
    ASSERT_EQ(text.runs().size(), 3u);
    EXPECT_EQ(text.text(text.runs()[1]), "€2.99");
    EXPECT_EQ(text.runs()[1].font, bold);
    EXPECT_EQ(text.runs()[1].color, Color::red());
    EXPECT_EQ(text.text(text.runs()[2]), " each");
    EXPECT_EQ(text.runs()[2].start, 11u);
    EXPECT_EQ(text.runs()[2].color, Color::red());
}

TEST(AttributedString, AppendingAnotherStringMergesAtTheSeam) {
    const Font regular = Font::systemFont(12);
    const Font bold = Font::boldSystemFont(12);
    AttributedString head("Two ", regular);
    AttributedString tail("for ", regular);
    tail.append("one", bold);
    head.append(tail);
    EXPECT_EQ(head.string(), "Two for one");
    ASSERT_EQ(head.runs().size(), 2u);
    EXPECT_EQ(head.text(head.runs()[0]), "Two for ");
    EXPECT_EQ(head.text(head.runs()[1]), "one");

    // Appending a string to itself doubles it.
    AttributedString twice("ab", regular);
    twice.append(twice);
    EXPECT_EQ(twice.string(), "abab");
    EXPECT_EQ(twice.runs().size(), 1u);
}

TEST(AttributedString, EqualityComparesTextAndRuns) {
    const Font regular = Font::systemFont(12);
    AttributedString built("ab", regular);
    built.append("c", regular);
    EXPECT_EQ(built, AttributedString("abc", regular));
    EXPECT_NE(built, AttributedString("abc", Font::boldSystemFont(12)));
    EXPECT_NE(built, AttributedString("abc", regular, Color::red()));
    EXPECT_NE(built, AttributedString("abd", regular));
    AttributedString split("a", regular);
    split.append("bc", Font::systemFont(13));
    EXPECT_NE(built, split);
}

TEST(AttributedString, WithFontAndWithColourRestyleEveryRun) {
    AttributedString text("Sale ", Font::systemFont(12), Color::red());
    text.append("today", Font::boldSystemFont(12), Color::blue());
    const Font serif = Font::font("DejaVu Serif", 14);
    const AttributedString oneFont = text.withFont(serif);
    EXPECT_EQ(oneFont.string(), text.string());
    ASSERT_EQ(oneFont.runs().size(), 2u); // colours still differ
    EXPECT_EQ(oneFont.runs()[0].font, serif);
    EXPECT_EQ(oneFont.runs()[1].font, serif);
    EXPECT_EQ(oneFont.runs()[1].color, Color::blue());

    const AttributedString oneStyle = oneFont.withColor(Color::green());
    ASSERT_EQ(oneStyle.runs().size(), 1u);
    EXPECT_EQ(oneStyle, AttributedString("Sale today", serif, Color::green()));
}

} // namespace
} // namespace ui
