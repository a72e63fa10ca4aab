// Registering fonts at run time. The faces registered here (Liberation Serif regular, bold and italic)
// are installed on the machine but left out of the tests' font configuration; each test registers a
// face no other test touches, so the tests do not depend on their order.

#include <ui/graphics/font.h>
#include <ui/graphics/font_manager.h>
#include <ui/graphics/text_layout.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace ui {
namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string liberation(const std::string& file) {
    const std::string bytes = readFile("/usr/share/fonts/truetype/liberation2/" + file);
    EXPECT_GT(bytes.size(), 10'000u) << file;
    return bytes;
}

TEST(FontRegistration, RegisteredFaceIsUsableAtOnceAndRegistersOnlyOnce) {
    EXPECT_FALSE(Font::named("LiberationSerif", 16).has_value());

    const std::string bytes = liberation("LiberationSerif-Regular.ttf");
    const FontRegistrationResult result = FontManager::shared().registerFont(bytes);
    ASSERT_TRUE(result.ok()) << result.message();
    EXPECT_EQ(result.postScriptName(), "LiberationSerif");
    EXPECT_TRUE(FontManager::shared().isRegistered("LiberationSerif"));
    const auto registered = FontManager::shared().registeredFonts();
    EXPECT_NE(std::find(registered.begin(), registered.end(), "LiberationSerif"), registered.end());

    const auto named = Font::named("LiberationSerif", 16);
    ASSERT_TRUE(named.has_value());
    EXPECT_EQ(named->family(), "Liberation Serif");
    EXPECT_EQ(named->postScriptName(), "LiberationSerif");
    EXPECT_TRUE(FontManager::shared().hasFamily("Liberation Serif"));
    const Font byFamily = Font::font("Liberation Serif", 16);
    EXPECT_EQ(byFamily.family(), "Liberation Serif");
    EXPECT_EQ(byFamily.postScriptName(), "LiberationSerif");

    // Text set in it is laid out in the serif face, which is narrower than the sans-serif fallback.
    const std::string text = "Registered fonts change measurements";
    const double serif = TextLayout::measure(text, *named).size.width;
    const double sans = TextLayout::measure(text, Font::systemFont(16)).size.width;
    EXPECT_GT(serif, 0);
    EXPECT_NE(serif, sans);

    // The same bytes again (the same font from another address) fail, naming the face.
    const FontRegistrationResult again = FontManager::shared().registerFont(bytes);
    EXPECT_FALSE(again.ok());
    EXPECT_EQ(again.error(), FontRegistrationError::alreadyRegistered);
    EXPECT_EQ(again.postScriptName(), "LiberationSerif");
    EXPECT_FALSE(again.message().empty());
    EXPECT_TRUE(Font::named("LiberationSerif", 16).has_value());
}

TEST(FontRegistration, BytesThatAreNotAFontFail) {
    const std::string garbage(4096, '\x5a');
    const FontRegistrationResult result = FontManager::shared().registerFont(garbage);
    EXPECT_FALSE(result);
    EXPECT_EQ(result.error(), FontRegistrationError::invalidData);
    EXPECT_TRUE(result.postScriptName().empty());

    EXPECT_EQ(FontManager::shared().registerFont(std::string_view()).error(),
              FontRegistrationError::invalidData);

    // A truncated font file is not a font either.
    const std::string truncated = liberation("LiberationMono-Regular.ttf").substr(0, 12);
    EXPECT_EQ(FontManager::shared().registerFont(truncated).error(), FontRegistrationError::invalidData);
}

TEST(FontRegistration, InstalledFacesAreAlreadyAvailable) {
    const std::string bytes = readFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    ASSERT_FALSE(bytes.empty());
    const FontRegistrationResult result = FontManager::shared().registerFont(bytes);
    EXPECT_EQ(result.error(), FontRegistrationError::alreadyRegistered);
    EXPECT_EQ(result.postScriptName(), "DejaVuSans");
    EXPECT_FALSE(FontManager::shared().isRegistered("DejaVuSans"));
}

TEST(FontRegistration, ConcurrentRegistrationsOfOneFontSucceedOnce) {
    const std::string bytes = liberation("LiberationSerif-Bold.ttf");
    constexpr int kThreads = 6;
    std::atomic<int> successes{0};
    std::atomic<int> duplicates{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&] {
            const FontRegistrationResult result = FontManager::shared().registerFont(bytes);
            if (result.ok())
                ++successes;
            else if (result.error() == FontRegistrationError::alreadyRegistered)
                ++duplicates;
        });
    }
    // Meanwhile this thread keeps measuring text in the shared font map.
    for (int i = 0; i < 50; ++i)
        EXPECT_GT(
            TextLayout::measure("Measuring while fonts arrive " + std::to_string(i), Font::systemFont(12))
                .size.width,
            0);
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(successes.load(), 1);
    EXPECT_EQ(duplicates.load(), kThreads - 1);
    const auto bold = Font::named("LiberationSerif-Bold", 12);
    ASSERT_TRUE(bold.has_value());
    EXPECT_EQ(bold->weight(), FontWeight::bold);
}

TEST(FontRegistration, RegistrationEmptiesTheMeasurementCache) {
    const Font font = Font::systemFont(15);
    const std::string text = "Cached until fonts change";
    const TextMeasurement first = TextLayout::measure(text, font);
    const auto before = TextLayout::cacheStatistics();
    EXPECT_EQ(TextLayout::measure(text, font), first);
    EXPECT_EQ(TextLayout::cacheStatistics().hits, before.hits + 1);

    const auto generation = FontManager::shared().generation();
    ASSERT_TRUE(FontManager::shared().registerFont(liberation("LiberationSerif-Italic.ttf")).ok());
    EXPECT_GT(FontManager::shared().generation(), generation);

    const auto misses = TextLayout::cacheStatistics().misses;
    EXPECT_EQ(TextLayout::measure(text, font), first);
    EXPECT_EQ(TextLayout::cacheStatistics().misses, misses + 1);
    const auto italic = Font::named("LiberationSerif-Italic", 15);
    ASSERT_TRUE(italic.has_value());
    EXPECT_TRUE(italic->isItalic());
}

} // namespace
} // namespace ui
