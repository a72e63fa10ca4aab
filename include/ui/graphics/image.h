#pragma once

// A decoded bitmap: premultiplied ARGB32 pixels (cairo's image format) with a size in points and a scale,
// the number of pixels per point. An image is immutable once made, so layers and views share it freely
// through std::shared_ptr.
//
// Decoding never trusts its input: corrupt, truncated or hostile data yields an error message, and
// images larger than maxImageDimension pixels a side or maxImagePixelCount pixels in all are refused from
// their headers, before any pixel memory is allocated.
//
// Drawing and the caches behind it are for the main thread, like the rest of the toolkit's drawing.

#include <ui/foundation/color.h>
#include <ui/foundation/geometry.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// cairo.h declares it; the image owns one.
typedef struct _cairo_surface cairo_surface_t; // NOLINT(modernize-use-using): must match cairo's own

namespace ui {

class Image;

inline constexpr int maxImageDimension = 16'384;
inline constexpr std::int64_t maxImagePixelCount = 64ll * 1024 * 1024;

// The outcome of Image::decode: the image, or (with a null image) why there is none.
struct ImageDecodeResult {
    std::shared_ptr<Image> image;
    std::string error;

    explicit operator bool() const { return image != nullptr; }
};

class Image {
public:
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // Decodes JPEG or PNG data (recognised by their signatures). `scale` is the pixels per point of the
    // result; non-positive or non-finite values mean 1.
    static ImageDecodeResult decode(std::span<const unsigned char> bytes, double scale = 1);
    static ImageDecodeResult decodeFile(const std::filesystem::path& path, double scale = 1);

    // An image of `width` x `height` pixels from straight-alpha colours in rows, top row first. Null when
    // the size is not positive, is too large, or does not match the number of colours.
    static std::shared_ptr<Image> fromPixels(int width, int height, std::span<const Color> pixels,
                                             double scale = 1);
    // An image of one colour, `size` points at `scale`.
    static std::shared_ptr<Image> filled(Size size, Color color, double scale = 1);
    // Takes ownership of a cairo ARGB32 or RGB24 image surface (null when it is anything else, or in an
    // error state, in which case the surface is released all the same).
    static std::shared_ptr<Image> adopt(cairo_surface_t* surface, double scale = 1);

    // An image compiled into the library from resources/images/<name>.png (at scale 1), or null when
    // there is none by that name. Each is decoded once and shared.
    static std::shared_ptr<Image> named(std::string_view name);
    // The names Image::named knows, sorted.
    static std::vector<std::string> bundledNames();

    // Size in points: pixel size / scale.
    Size size() const;
    double scale() const { return scale_; }
    int pixelWidth() const;
    int pixelHeight() const;
    // Whether every pixel is fully opaque (known from the format: JPEG and RGB24 images are).
    bool isOpaque() const { return opaque_; }

    // The pixel at (x, y) with straight alpha (components rounded to 1/255 steps); clear outside the
    // image.
    Color pixelAt(int x, int y) const;
    // The premultiplied 0xAARRGGBB value at (x, y); 0 outside the image.
    std::uint32_t rawPixelAt(int x, int y) const;

    // PNG encoding of the pixels (empty only if encoding failed).
    std::vector<unsigned char> pngData() const;
    bool writePNG(const std::filesystem::path& path) const;

    // The pixels as a cairo surface, owned by the image. Callers must not modify it.
    cairo_surface_t* cairoSurface() const { return surface_; }

    // The part `unitRect` (in 0...1 of the image) resampled to exactly `pixelWidth` x `pixelHeight`
    // pixels, for drawing at that size without scaling on every frame. The last result is kept: asking
    // again for the same part and size is free. Null for an empty size or part.
    cairo_surface_t* resampled(const Rect& unitRect, int pixelWidth, int pixelHeight) const;

private:
    Image(cairo_surface_t* surface, double scale, bool opaque);

    cairo_surface_t* surface_ = nullptr;
    double scale_ = 1;
    bool opaque_ = false;

    struct Resampled {
        Rect unitRect;
        int width = 0;
        int height = 0;
        cairo_surface_t* surface = nullptr;
    };
    mutable Resampled resampled_;
};

} // namespace ui
