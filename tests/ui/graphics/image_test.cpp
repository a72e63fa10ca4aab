// Decoding JPEG and PNG data into images: real files encoded here with TurboJPEG and libpng, damaged
// ones, hostile headers, and the images compiled into the library.

#include "ui/graphics/graphics_test_support.h"

#include <ui/graphics/image.h>

#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace ui;
using graphics_test::colorNear;
using graphics_test::makeJPEG;
using graphics_test::makePNG;
using graphics_test::makeRGBAPNG;
using graphics_test::PNGLayout;

// Left half red, right half blue, a green bottom row of blocks: positions show up in the pixels.
std::uint32_t quadrants(int x, int y, int width, int height) {
    if (y >= height / 2)
        return x < width / 2 ? 0x00C000 : 0xFFFF00;
    return x < width / 2 ? 0xFF0000 : 0x0000FF;
}

// The CRC-32 that PNG chunks carry (over the chunk type and data).
std::uint32_t crc32(const unsigned char* data, std::size_t length) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

// Finds the SOF0 marker of a baseline JPEG and writes new dimensions into it.
void patchJPEGSize(std::vector<unsigned char>& jpeg, int width, int height) {
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = static_cast<unsigned char>(height >> 8);
            jpeg[i + 6] = static_cast<unsigned char>(height & 0xFF);
            jpeg[i + 7] = static_cast<unsigned char>(width >> 8);
            jpeg[i + 8] = static_cast<unsigned char>(width & 0xFF);
            return;
        }
    }
    FAIL() << "no SOF0 marker";
}

TEST(ImageDecode, JPEGDecodesToOpaquePixelsAtTheirPlaces) {
    const auto jpeg = makeJPEG(64, 48, [](int x, int y) { return quadrants(x, y, 64, 48); });
    ASSERT_FALSE(jpeg.empty());
    const auto result = Image::decode(jpeg, 2);
    ASSERT_TRUE(result) << result.error;
    const Image& image = *result.image;
    EXPECT_EQ(image.pixelWidth(), 64);
    EXPECT_EQ(image.pixelHeight(), 48);
    EXPECT_EQ(image.scale(), 2);
    EXPECT_EQ(image.size(), Size(32, 24));
    EXPECT_TRUE(image.isOpaque());
    EXPECT_TRUE(colorNear(image.pixelAt(8, 8), Color::red(), 6));
    EXPECT_TRUE(colorNear(image.pixelAt(56, 8), Color::blue(), 6));
    EXPECT_TRUE(colorNear(image.pixelAt(8, 40), Color::rgb(0, 0xC0 / 255.0, 0), 6));
    EXPECT_TRUE(colorNear(image.pixelAt(56, 40), Color::yellow(), 6));
    // Outside the image there is nothing.
    EXPECT_EQ(image.pixelAt(64, 0), Color::clear());
    EXPECT_EQ(image.rawPixelAt(-1, 0), 0u);

    const auto onePixel = Image::decode(makeJPEG(1, 1, [](int, int) { return 0x00FF00u; }));
    ASSERT_TRUE(onePixel) << onePixel.error;
    EXPECT_EQ(onePixel.image->pixelWidth(), 1);
    EXPECT_TRUE(colorNear(onePixel.image->pixelAt(0, 0), Color::green(), 6));
}

TEST(ImageDecode, PNGOfEveryPixelLayoutBecomesPremultipliedARGB) {
    // Straight-alpha RGBA: a half-transparent red pixel is stored premultiplied.
    const auto rgba =
        Image::decode(makeRGBAPNG(2, 1, [](int x, int) { return x == 0 ? 0xFF000080u : 0x00FF00FFu; }));
    ASSERT_TRUE(rgba) << rgba.error;
    EXPECT_FALSE(rgba.image->isOpaque());
    EXPECT_EQ(rgba.image->rawPixelAt(0, 0), 0x80800000u);
    EXPECT_TRUE(colorNear(rgba.image->pixelAt(0, 0), Color::rgba(1, 0, 0, 128 / 255.0), 1));
    EXPECT_TRUE(colorNear(rgba.image->pixelAt(1, 0), Color::green(), 0));

    // Palette with a transparent entry.
    PNGLayout palette;
    palette.width = 3;
    palette.colorType = PNG_COLOR_TYPE_PALETTE;
    palette.palette = {{255, 0, 0}, {0, 0, 255}, {0, 0, 0}};
    palette.transparency = {255, 255, 0};
    palette.rows = {{0, 1, 2}};
    const auto indexed = Image::decode(makePNG(palette));
    ASSERT_TRUE(indexed) << indexed.error;
    EXPECT_TRUE(colorNear(indexed.image->pixelAt(0, 0), Color::red(), 0));
    EXPECT_TRUE(colorNear(indexed.image->pixelAt(1, 0), Color::blue(), 0));
    EXPECT_EQ(indexed.image->pixelAt(2, 0).a(), 0);

    // 1-bit grey, 8-bit grey with alpha, and 16-bit RGB.
    PNGLayout bits;
    bits.width = 8;
    bits.colorType = PNG_COLOR_TYPE_GRAY;
    bits.bitDepth = 1;
    bits.rows = {{0b10100000}};
    const auto gray1 = Image::decode(makePNG(bits));
    ASSERT_TRUE(gray1) << gray1.error;
    EXPECT_TRUE(gray1.image->isOpaque());
    EXPECT_TRUE(colorNear(gray1.image->pixelAt(0, 0), Color::white(), 0));
    EXPECT_TRUE(colorNear(gray1.image->pixelAt(1, 0), Color::black(), 0));

    PNGLayout grayAlpha;
    grayAlpha.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
    grayAlpha.rows = {{200, 51}};
    const auto ga = Image::decode(makePNG(grayAlpha));
    ASSERT_TRUE(ga) << ga.error;
    EXPECT_TRUE(colorNear(ga.image->pixelAt(0, 0), Color::white(200 / 255.0, 0.2), 2));

    PNGLayout deep;
    deep.width = 1;
    deep.colorType = PNG_COLOR_TYPE_RGB;
    deep.bitDepth = 16;
    deep.rows = {{0xFF, 0xFF, 0x80, 0x00, 0x00, 0x00}};
    const auto rgb16 = Image::decode(makePNG(deep));
    ASSERT_TRUE(rgb16) << rgb16.error;
    EXPECT_TRUE(colorNear(rgb16.image->pixelAt(0, 0), Color::rgb(1, 0.5, 0), 1));

    // Interlaced images come out the same as plain ones.
    PNGLayout interlaced;
    interlaced.width = 9;
    interlaced.height = 9;
    interlaced.colorType = PNG_COLOR_TYPE_RGB;
    interlaced.interlaced = true;
    for (int y = 0; y < 9; ++y) {
        std::vector<png_byte> row;
        for (int x = 0; x < 9; ++x)
            row.insert(row.end(), {png_byte(x * 28), png_byte(y * 28), 0});
        interlaced.rows.push_back(row);
    }
    const auto adam7 = Image::decode(makePNG(interlaced));
    ASSERT_TRUE(adam7) << adam7.error;
    EXPECT_TRUE(colorNear(adam7.image->pixelAt(5, 7), Color::rgb(140 / 255.0, 196 / 255.0, 0), 0));

    const auto onePixel = Image::decode(makeRGBAPNG(1, 1, [](int, int) { return 0x0000FFFFu; }));
    ASSERT_TRUE(onePixel) << onePixel.error;
    EXPECT_EQ(onePixel.image->size(), Size(1, 1));
}

TEST(ImageDecode, DamagedDataIsAnErrorNotACrash) {
    const auto jpeg = makeJPEG(64, 64, [](int x, int y) { return quadrants(x, y, 64, 64); });
    const auto png = makeRGBAPNG(64, 64, [](int x, int y) { return quadrants(x, y, 64, 64) << 8 | 0xFF; });
    ASSERT_TRUE(Image::decode(jpeg));
    ASSERT_TRUE(Image::decode(png));

    // Truncated at every eighth of the file.
    for (int eighth = 1; eighth < 8; ++eighth) {
        const std::vector<unsigned char> shortJPEG(jpeg.begin(),
                                                   jpeg.begin() + std::ptrdiff_t(jpeg.size() * eighth / 8));
        const auto j = Image::decode(shortJPEG);
        EXPECT_FALSE(j) << "JPEG cut at " << eighth << "/8";
        EXPECT_FALSE(j.error.empty());
        const std::vector<unsigned char> shortPNG(png.begin(),
                                                  png.begin() + std::ptrdiff_t(png.size() * eighth / 8));
        const auto p = Image::decode(shortPNG);
        EXPECT_FALSE(p) << "PNG cut at " << eighth << "/8";
        EXPECT_FALSE(p.error.empty());
    }

    // Bytes flipped inside the compressed data: the PNG's checksum catches it.
    auto corruptPNG = png;
    for (std::size_t i = corruptPNG.size() / 2; i < corruptPNG.size() / 2 + 16; ++i)
        corruptPNG[i] ^= 0x5A;
    const auto p = Image::decode(corruptPNG);
    EXPECT_FALSE(p);
    EXPECT_NE(p.error.find("PNG"), std::string::npos) << p.error;

    // Junk behind a JPEG signature gets past nothing.
    std::vector<unsigned char> junk = {0xFF, 0xD8, 0xFF};
    for (int i = 0; i < 200; ++i)
        junk.push_back(static_cast<unsigned char>((i * 73 + 11) & 0xFF));
    const auto j = Image::decode(junk);
    EXPECT_FALSE(j);
    EXPECT_NE(j.error.find("JPEG"), std::string::npos) << j.error;
    std::vector<unsigned char> bareSignature = {0xFF, 0xD8, 0xFF, 0xD9};
    EXPECT_FALSE(Image::decode(bareSignature));

    // Bytes changed all over the files: each attempt gives an image or says why not, never both.
    std::uint32_t state = 12345;
    auto next = [&state] { return state = state * 1664525u + 1013904223u; };
    for (int round = 0; round < 300; ++round) {
        auto damaged = round % 2 ? jpeg : png;
        for (int k = 0; k < 4; ++k)
            damaged[8 + next() % (damaged.size() - 8)] = static_cast<unsigned char>(next() >> 24);
        const auto r = Image::decode(damaged);
        EXPECT_NE(r.image != nullptr, !r.error.empty()) << "round " << round;
        if (r.image) {
            EXPECT_EQ(r.image->pixelWidth(), 64);
        }
    }

    // Neither format, or nothing at all.
    const std::vector<unsigned char> text = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'};
    EXPECT_EQ(Image::decode(text).error, "not a JPEG or PNG image");
    EXPECT_EQ(Image::decode(std::span<const unsigned char>()).error, "no image data");
    EXPECT_FALSE(Image::decodeFile("/nonexistent/picture.png"));
}

TEST(ImageDecode, OversizeImagesAreRefusedFromTheirHeaders) {
    // The error names the size, which only the dimension check (run before any pixel memory is taken)
    // reports; a decoder that allocated first would fail on the missing data instead.
    auto wide = makeJPEG(16, 16, [](int, int) { return 0x808080u; });
    patchJPEGSize(wide, 20'000, 100);
    auto result = Image::decode(wide);
    EXPECT_FALSE(result);
    EXPECT_NE(result.error.find("20000x100 pixels is too large"), std::string::npos) << result.error;

    auto huge = makeJPEG(16, 16, [](int, int) { return 0x808080u; });
    patchJPEGSize(huge, 9000, 8000); // each side allowed, 72 megapixels not
    result = Image::decode(huge);
    EXPECT_FALSE(result);
    EXPECT_NE(result.error.find("too large"), std::string::npos) << result.error;

    auto empty = makeJPEG(16, 16, [](int, int) { return 0x808080u; });
    patchJPEGSize(empty, 0, 16);
    EXPECT_FALSE(Image::decode(empty));

    // A PNG header claiming 16384 x 16384 (268 megapixels), followed by no pixel data at all.
    PNGLayout layout;
    layout.width = 1;
    layout.colorType = PNG_COLOR_TYPE_GRAY;
    layout.rows = {{0}};
    auto png = makePNG(layout);
    // IHDR data starts after the 8-byte signature, the chunk length and the chunk type.
    auto putU32 = [&png](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            png[at + std::size_t(i)] = static_cast<unsigned char>(v >> (24 - 8 * i));
    };
    putU32(16, 16'384);
    putU32(20, 16'384);
    // The header's checksum must still hold, or the decoder stops at that instead.
    putU32(29, crc32(png.data() + 12, 17));
    result = Image::decode(png);
    EXPECT_FALSE(result);
    EXPECT_NE(result.error.find("image dimensions out of range"), std::string::npos) << result.error;

    putU32(16, 20'000);
    putU32(20, 10);
    putU32(29, crc32(png.data() + 12, 17));
    result = Image::decode(png);
    EXPECT_FALSE(result);
    EXPECT_FALSE(result.error.empty());
}

TEST(ImageEncode, PixelsSurviveAPNGRoundTrip) {
    const std::vector<Color> pixels = {Color::red(), Color::rgba(0, 1, 0, 0.5), Color::clear(),
                                       Color::white(0.25)};
    const auto image = Image::fromPixels(2, 2, pixels, 2);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), Size(1, 1));
    const auto png = image->pngData();
    ASSERT_FALSE(png.empty());
    const auto decoded = Image::decode(png, 2);
    ASSERT_TRUE(decoded) << decoded.error;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(decoded.image->rawPixelAt(x, y), image->rawPixelAt(x, y)) << x << "," << y;
    EXPECT_TRUE(colorNear(decoded.image->pixelAt(1, 0), Color::rgba(0, 1, 0, 0.5), 1));

    // Mismatched pixel counts and empty sizes make no image.
    EXPECT_EQ(Image::fromPixels(3, 2, pixels), nullptr);
    EXPECT_EQ(Image::fromPixels(0, 0, {}), nullptr);
    const auto solid = Image::filled({3, 2}, Color::orange(), 2);
    ASSERT_TRUE(solid);
    EXPECT_EQ(solid->pixelWidth(), 6);
    EXPECT_TRUE(solid->isOpaque());
    EXPECT_TRUE(colorNear(solid->pixelAt(5, 3), Color::orange(), 1));
}

TEST(ImageNamed, BundledImagesDecodeFromTheLibrary) {
    const auto names = Image::bundledNames();
    for (const char* name : {"circle0", "circle1", "circle2", "circle3", "circle4", "ic_wayfinding_scroll"})
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;

    for (int i = 0; i < 5; ++i) {
        const auto circle = Image::named("circle" + std::to_string(i));
        ASSERT_TRUE(circle) << i;
        EXPECT_EQ(circle->pixelWidth(), 32);
        EXPECT_EQ(circle->pixelHeight(), 32);
        EXPECT_EQ(circle->pixelAt(16, 16).a(), 1) << "the middle is filled";
        EXPECT_EQ(circle->pixelAt(0, 0).a(), 0) << "the corners are not";
    }
    EXPECT_NE(Image::named("circle0")->pixelAt(16, 16), Image::named("circle3")->pixelAt(16, 16));
    // Decoded once and shared.
    EXPECT_EQ(Image::named("circle2"), Image::named("circle2"));

    const auto thumb = Image::named("ic_wayfinding_scroll");
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->size(), Size(40, 40));
    EXPECT_GT(thumb->pixelAt(20, 4).a(), 0.8) << "the capsule";
    EXPECT_EQ(thumb->pixelAt(2, 20).a(), 0) << "outside the capsule";

    EXPECT_EQ(Image::named("no_such_image"), nullptr);
}

} // namespace
