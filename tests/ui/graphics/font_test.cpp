#include <ui/graphics/font.h>
#include <ui/graphics/font_manager.h>

#include <gtest/gtest.h>

#include <cmath>

namespace ui {
namespace {

TEST(Font, SystemFontIsLiberationSans) {
    const Font regular = Font::systemFont(17);
    EXPECT_EQ(regular.family(), "Liberation Sans");
    EXPECT_EQ(regular.postScriptName(), "LiberationSans");
    EXPECT_EQ(regular.size(), 17);
    EXPECT_EQ(regular.weight(), FontWeight::regular);
    EXPECT_FALSE(regular.isItalic());

    const Font bold = Font::boldSystemFont(12);
    EXPECT_EQ(bold.family(), "Liberation Sans");
    EXPECT_EQ(bold.postScriptName(), "LiberationSans-Bold");
    EXPECT_EQ(bold.weight(), FontWeight::bold);
    EXPECT_EQ(Font::systemFont(12, FontWeight::bold), bold);
}

TEST(Font, WeightsWithoutAFaceUseTheNearestFace) {
    // Liberation Sans has regular and bold faces only.
    EXPECT_EQ(Font::systemFont(14, FontWeight::medium).postScriptName(), "LiberationSans");
    EXPECT_EQ(Font::systemFont(14, FontWeight::semibold).postScriptName(), "LiberationSans-Bold");
    // The weight asked for is kept even so.
    EXPECT_EQ(Font::systemFont(14, FontWeight::medium).weight(), FontWeight::medium);
    EXPECT_NE(Font::systemFont(14, FontWeight::medium), Font::systemFont(14));
}

TEST(Font, FamiliesMatchWithoutRegardToCaseOrSpacesAndUnknownOnesFallBack) {
    const Font dejavu = Font::font("dejavusans", 10, FontWeight::bold);
    EXPECT_EQ(dejavu.family(), "DejaVu Sans");
    EXPECT_EQ(dejavu.postScriptName(), "DejaVuSans-Bold");

    const Font unknown = Font::font("No Such Family", 10);
    EXPECT_EQ(unknown.family(), Font::systemFamilyName);
    EXPECT_EQ(unknown.postScriptName(), "LiberationSans");
    EXPECT_EQ(unknown.size(), 10);
    EXPECT_EQ(Font::font("", 10), Font::systemFont(10));
}

TEST(Font, NamedFindsExactFacesOnly) {
    const auto condensed = Font::named("DejaVuSansCondensed-Bold", 11);
    ASSERT_TRUE(condensed.has_value());
    EXPECT_EQ(condensed->postScriptName(), "DejaVuSansCondensed-Bold");
    EXPECT_EQ(condensed->family(), "DejaVu Sans");
    EXPECT_EQ(condensed->weight(), FontWeight::bold);
    EXPECT_EQ(condensed->size(), 11);

    const auto italic = Font::named("LiberationSans-Italic", 11);
    ASSERT_TRUE(italic.has_value());
    EXPECT_TRUE(italic->isItalic());
    EXPECT_EQ(italic->weight(), FontWeight::regular);

    EXPECT_FALSE(Font::named("NoSuchFont-Regular", 11).has_value());
    EXPECT_FALSE(Font::named("", 11).has_value());
    // Liberation Serif is installed on the machine but not in the fonts the tests use.
    EXPECT_FALSE(Font::named("LiberationSerif-BoldItalic", 11).has_value());
}

TEST(Font, MetricsScaleWithSize) {
    const Font small = Font::systemFont(10);
    const Font large = Font::systemFont(20);
    EXPECT_GT(small.ascender(), 0);
    EXPECT_LT(small.descender(), 0);
    EXPECT_DOUBLE_EQ(small.lineHeight(), small.ascender() - small.descender());
    // Liberation Sans: 0.905 em above the baseline, 0.212 em below.
    EXPECT_NEAR(small.ascender(), 9.05, 0.05);
    EXPECT_NEAR(small.descender(), -2.12, 0.05);
    EXPECT_NEAR(large.lineHeight(), 2 * small.lineHeight(), 0.01);
}

TEST(Font, SizesAreCleanedAndWithSizeKeepsTheFace) {
    EXPECT_EQ(Font::systemFont(-3).size(), 0);
    EXPECT_EQ(Font::systemFont(std::nan("")).size(), 0);

    const Font bold = Font::boldSystemFont(12);
    const Font larger = bold.withSize(24);
    EXPECT_EQ(larger.size(), 24);
    EXPECT_EQ(larger.postScriptName(), "LiberationSans-Bold");
    EXPECT_EQ(larger.weight(), FontWeight::bold);
    EXPECT_EQ(larger.withSize(12), bold);

    const auto italic = Font::named("LiberationSans-BoldItalic", 9);
    ASSERT_TRUE(italic.has_value());
    const Font largerItalic = italic->withSize(18);
    EXPECT_EQ(largerItalic.postScriptName(), "LiberationSans-BoldItalic");
    EXPECT_TRUE(largerItalic.isItalic());
}

TEST(Font, CopiesAreEqualAndDifferentFacesAreNot) {
    const Font a = Font::systemFont(13);
    const Font copy = a; // NOLINT(performance-unnecessary-copy-initialization): copying is the point
    EXPECT_EQ(copy, a);
    EXPECT_EQ(&copy.data(), &a.data());
    EXPECT_EQ(Font::systemFont(13), a);
    EXPECT_NE(Font::systemFont(14), a);
    EXPECT_NE(Font::boldSystemFont(13), a);
    EXPECT_NE(Font::font("DejaVu Sans", 13), a);
}

TEST(FontManager, KnowsInstalledFamilies) {
    EXPECT_TRUE(FontManager::shared().hasFamily("DejaVu Sans"));
    EXPECT_TRUE(FontManager::shared().hasFamily("liberation sans"));
    EXPECT_FALSE(FontManager::shared().hasFamily("No Such Family"));
}

} // namespace
} // namespace ui
