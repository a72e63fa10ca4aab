#pragma once

// Helpers shared by the graphics tests: real encoded images made with libpng and TurboJPEG, colour
// comparison with a tolerance, and a manual clock installed on the main run loop.

#include <ui/foundation/color.h>
#include <ui/graphics/image.h>
#include <ui/runloop/clock.h>
#include <ui/runloop/run_loop.h>

#include <gtest/gtest.h>
#include <png.h>
#include <turbojpeg.h>

#include <chrono>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace graphics_test {

// Colours match when every component is within `tolerance` (in 0...255 steps).
inline ::testing::AssertionResult colorNear(const ui::Color& actual, const ui::Color& expected,
                                            double tolerance = 2) {
    const double t = tolerance / 255.0;
    if (std::abs(actual.r() - expected.r()) <= t && std::abs(actual.g() - expected.g()) <= t &&
        std::abs(actual.b() - expected.b()) <= t && std::abs(actual.a() - expected.a()) <= t)
        return ::testing::AssertionSuccess();
    auto show = [](const ui::Color& c) {
        return "(" + std::to_string(int(std::lround(c.r() * 255))) + ", " +
               std::to_string(int(std::lround(c.g() * 255))) + ", " +
               std::to_string(int(std::lround(c.b() * 255))) + ", " +
               std::to_string(int(std::lround(c.a() * 255))) + ")";
    };
    return ::testing::AssertionFailure()
           << "colour " << show(actual) << " is not within " << tolerance << " of " << show(expected);
}

// An RGB JPEG of `width` x `height` whose pixels `pixel(x, y)` gives as 0xRRGGBB.
template <typename PixelFn>
std::vector<unsigned char> makeJPEG(int width, int height, PixelFn pixel, int quality = 95) {
    std::vector<unsigned char> rgb(std::size_t(width) * std::size_t(height) * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = pixel(x, y);
            unsigned char* out = &rgb[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3];
            out[0] = (p >> 16) & 0xFF;
            out[1] = (p >> 8) & 0xFF;
            out[2] = p & 0xFF;
        }
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    const int status =
        tjCompress2(handle, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size, TJSAMP_444, quality, 0);
    std::vector<unsigned char> bytes;
    if (status == 0)
        bytes.assign(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(handle);
    return bytes;
}

struct PNGLayout {
    int width = 1;
    int height = 1;
    int colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<png_color> palette;
    std::vector<png_byte> transparency; // tRNS alpha per palette entry
    // Packed rows exactly as libpng expects them for the colour type and bit depth.
    std::vector<std::vector<png_byte>> rows;
};

inline std::vector<unsigned char> makePNG(const PNGLayout& layout) {
    std::vector<unsigned char> bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        bytes.clear();
        return bytes;
    }
    png_set_write_fn(
        png, &bytes,
        [](png_structp p, png_bytep data, png_size_t length) {
            auto* out = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(p));
            out->insert(out->end(), data, data + length);
        },
        nullptr);
    png_set_IHDR(png, info, png_uint_32(layout.width), png_uint_32(layout.height), layout.bitDepth,
                 layout.colorType, layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!layout.palette.empty())
        png_set_PLTE(png, info, layout.palette.data(), int(layout.palette.size()));
    if (!layout.transparency.empty())
        png_set_tRNS(png, info, layout.transparency.data(), int(layout.transparency.size()), nullptr);
    png_write_info(png, info);
    std::vector<png_bytep> rows;
    for (const auto& row : layout.rows)
        rows.push_back(const_cast<png_bytep>(row.data()));
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return bytes;
}

// A PNG of straight-alpha 8-bit RGBA pixels given as 0xRRGGBBAA.
template <typename PixelFn>
std::vector<unsigned char> makeRGBAPNG(int width, int height, PixelFn pixel) {
    PNGLayout layout;
    layout.width = width;
    layout.height = height;
    for (int y = 0; y < height; ++y) {
        std::vector<png_byte> row;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = pixel(x, y);
            row.insert(row.end(), {png_byte(p >> 24), png_byte(p >> 16), png_byte(p >> 8), png_byte(p)});
        }
        layout.rows.push_back(std::move(row));
    }
    return makePNG(layout);
}

// Installs a ManualClock on the main run loop for the lifetime of the object, and drains whatever the
// test left scheduled before putting the real clock back.
class ManualMainClock {
public:
    ManualMainClock()
        : clock_(std::make_shared<ui::ManualClock>(ui::Clock::time_point(std::chrono::hours(1)))) {
        ui::RunLoop::main().setClock(clock_);
        ui::RunLoop::main().runOnce();
    }
    ~ManualMainClock() {
        clock_->advance(std::chrono::hours(1));
        ui::RunLoop::main().runOnce();
        ui::RunLoop::main().runOnce();
        ui::RunLoop::main().setClock(nullptr);
    }
    ManualMainClock(const ManualMainClock&) = delete;
    ManualMainClock& operator=(const ManualMainClock&) = delete;

    void advance(double seconds) {
        clock_->advance(
            std::chrono::duration_cast<ui::Clock::duration>(std::chrono::duration<double>(seconds)));
    }
    ui::Clock::time_point now() const { return clock_->now(); }

private:
    std::shared_ptr<ui::ManualClock> clock_;
};

} // namespace graphics_test
