#pragma once

// Real JPEG and PNG files made in memory, for loopback servers and files that tests and benchmarks serve.

#include <ui/foundation/color.h>
#include <ui/graphics/image.h>

#include <turbojpeg.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kivo::test_support {

// An opaque colour as 0xRRGGBB.
using RGB = std::uint32_t;

// A `width` x `height` JPEG (4:4:4, quality 95) of the colours `pixel(x, y)` gives; empty if encoding
// failed.
inline std::string encodeJPEG(int width, int height, const std::function<RGB(int x, int y)>& pixel,
                              int quality = 95) {
    std::vector<unsigned char> rgb(std::size_t(width) * std::size_t(height) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const RGB c = pixel(x, y);
            unsigned char* p = &rgb[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3];
            p[0] = static_cast<unsigned char>(c >> 16);
            p[1] = static_cast<unsigned char>(c >> 8);
            p[2] = static_cast<unsigned char>(c);
        }
    }
    tjhandle handle = tjInitCompress();
    if (handle == nullptr) {
        return {};
    }
    unsigned char* out = nullptr;
    unsigned long size = 0;
    std::string jpeg;
    if (tjCompress2(handle, rgb.data(), width, 0, height, TJPF_RGB, &out, &size, TJSAMP_444, quality,
                    TJFLAG_ACCURATEDCT) == 0) {
        jpeg.assign(reinterpret_cast<const char*>(out), size);
    }
    tjFree(out);
    tjDestroy(handle);
    return jpeg;
}

// A PNG of the straight-alpha colours `pixel(x, y)`, written by the toolkit's own encoder.
inline std::string encodePNG(int width, int height, const std::function<ui::Color(int x, int y)>& pixel) {
    std::vector<ui::Color> colours;
    colours.reserve(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            colours.push_back(pixel(x, y));
        }
    }
    const std::shared_ptr<ui::Image> image = ui::Image::fromPixels(width, height, colours);
    if (!image) {
        return {};
    }
    const std::vector<unsigned char> png = image->pngData();
    return std::string(png.begin(), png.end());
}

inline std::uint32_t crc32(const unsigned char* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

// A well-formed PNG file claiming `width` x `height` RGBA pixels whose image data is a few bytes: a decoder
// that trusted the header would allocate for the claimed size.
inline std::string pngHeaderClaiming(std::uint32_t width, std::uint32_t height) {
    const auto put32 = [](std::string& out, std::uint32_t v) {
        out += static_cast<char>(v >> 24);
        out += static_cast<char>(v >> 16);
        out += static_cast<char>(v >> 8);
        out += static_cast<char>(v);
    };
    const auto putChunk = [&](std::string& out, const std::string& type, const std::string& data) {
        put32(out, static_cast<std::uint32_t>(data.size()));
        const std::string body = type + data;
        out += body;
        put32(out, crc32(reinterpret_cast<const unsigned char*>(body.data()), body.size()));
    };
    std::string header;
    put32(header, width);
    put32(header, height);
    header += std::string("\x08\x06\x00\x00\x00", 5); // 8 bits, RGBA, deflate, no filter, no interlace
    std::string png = "\x89PNG\r\n\x1a\n";
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", std::string("\x78\x9c\x03\x00\x00\x00\x00\x01", 8)); // an empty zlib stream
    putChunk(png, "IEND", "");
    return png;
}

} // namespace kivo::test_support
