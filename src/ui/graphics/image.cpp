#include "ui/graphics/image.h"

#include "ui/graphics/bundled_images.h"
#include "ui/graphics/image_codecs.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>

namespace ui {

namespace detail {

std::string checkImageDimensions(std::int64_t width, std::int64_t height) {
    if (width <= 0 || height <= 0)
        return "invalid image size " + std::to_string(width) + "x" + std::to_string(height);
    if (width > maxImageDimension || height > maxImageDimension || width * height > maxImagePixelCount)
        return "image of " + std::to_string(width) + "x" + std::to_string(height) + " pixels is too large";
    return {};
}

} // namespace detail

namespace {

double validScale(double scale) {
    return std::isfinite(scale) && scale > 0 ? scale : 1.0;
}

std::uint8_t toByte(double component) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(component, 0.0, 1.0) * 255));
}

std::uint32_t premultipliedWord(Color c) {
    const std::uint32_t a = toByte(c.a());
    auto channel = [&](double v) {
        return std::uint32_t(std::lround(std::clamp(v, 0.0, 1.0) * c.a() * 255));
    };
    return (a << 24) | (channel(c.r()) << 16) | (channel(c.g()) << 8) | channel(c.b());
}

} // namespace

Image::Image(cairo_surface_t* surface, double scale, bool opaque)
    : surface_(surface), scale_(validScale(scale)), opaque_(opaque) {}

Image::~Image() {
    if (resampled_.surface)
        cairo_surface_destroy(resampled_.surface);
    cairo_surface_destroy(surface_);
}

ImageDecodeResult Image::decode(std::span<const unsigned char> bytes, double scale) {
    detail::DecodedPixels pixels;
    if (detail::looksLikeJPEG(bytes))
        pixels = detail::decodeJPEG(bytes);
    else if (detail::looksLikePNG(bytes))
        pixels = detail::decodePNG(bytes);
    else
        return {nullptr, bytes.empty() ? "no image data" : "not a JPEG or PNG image"};
    if (!pixels.surface)
        return {nullptr, std::move(pixels.error)};
    return {std::shared_ptr<Image>(new Image(pixels.surface, scale, pixels.opaque)), {}};
}

ImageDecodeResult Image::decodeFile(const std::filesystem::path& path, double scale) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {nullptr, "cannot open " + path.string()};
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                           std::istreambuf_iterator<char>());
    return decode(bytes, scale);
}

std::shared_ptr<Image> Image::fromPixels(int width, int height, std::span<const Color> pixels, double scale) {
    if (!detail::checkImageDimensions(width, height).empty() ||
        pixels.size() != std::size_t(width) * std::size_t(height))
        return nullptr;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    bool opaque = true;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + std::size_t(y) * std::size_t(stride));
        for (int x = 0; x < width; ++x) {
            const Color& c = pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)];
            row[x] = premultipliedWord(c);
            opaque = opaque && (row[x] >> 24) == 0xFF;
        }
    }
    cairo_surface_mark_dirty(surface);
    return std::shared_ptr<Image>(new Image(surface, scale, opaque));
}

std::shared_ptr<Image> Image::filled(Size size, Color color, double scale) {
    scale = validScale(scale);
    const int width = int(std::ceil(size.width * scale));
    const int height = int(std::ceil(size.height * scale));
    if (!detail::checkImageDimensions(width, height).empty())
        return nullptr;
    return fromPixels(width, height, std::vector<Color>(std::size_t(width) * std::size_t(height), color),
                      scale);
}

std::shared_ptr<Image> Image::adopt(cairo_surface_t* surface, double scale) {
    if (!surface)
        return nullptr;
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE ||
        (cairo_image_surface_get_format(surface) != CAIRO_FORMAT_ARGB32 &&
         cairo_image_surface_get_format(surface) != CAIRO_FORMAT_RGB24)) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_surface_flush(surface);
    const bool opaque = cairo_image_surface_get_format(surface) == CAIRO_FORMAT_RGB24;
    return std::shared_ptr<Image>(new Image(surface, scale, opaque));
}

std::shared_ptr<Image> Image::named(std::string_view name) {
    // Decoded on first use and kept: bundled images are small and few.
    static std::map<std::string, std::shared_ptr<Image>, std::less<>> cache;
    if (auto it = cache.find(name); it != cache.end())
        return it->second;
    for (const detail::BundledImage* entry = detail::bundledImages(); entry->name; ++entry) {
        if (name != entry->name)
            continue;
        auto decoded = decode({entry->data, entry->size});
        cache.emplace(std::string(name), decoded.image);
        return decoded.image;
    }
    return nullptr;
}

std::vector<std::string> Image::bundledNames() {
    std::vector<std::string> names;
    for (const detail::BundledImage* entry = detail::bundledImages(); entry->name; ++entry)
        names.emplace_back(entry->name);
    std::sort(names.begin(), names.end());
    return names;
}

int Image::pixelWidth() const {
    return cairo_image_surface_get_width(surface_);
}

int Image::pixelHeight() const {
    return cairo_image_surface_get_height(surface_);
}

Size Image::size() const {
    return {pixelWidth() / scale_, pixelHeight() / scale_};
}

std::uint32_t Image::rawPixelAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= pixelWidth() || y >= pixelHeight())
        return 0;
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    const int stride = cairo_image_surface_get_stride(surface_);
    std::uint32_t word =
        reinterpret_cast<const std::uint32_t*>(data + std::size_t(y) * std::size_t(stride))[x];
    if (cairo_image_surface_get_format(surface_) == CAIRO_FORMAT_RGB24)
        word |= 0xFF000000u;
    return word;
}

Color Image::pixelAt(int x, int y) const {
    const std::uint32_t word = rawPixelAt(x, y);
    const double a = (word >> 24) / 255.0;
    if (a == 0)
        return Color::clear();
    auto channel = [&](int shift) { return std::min(((word >> shift) & 0xFF) / 255.0 / a, 1.0); };
    // Rounded to byte steps so that tests compare against what a straight-alpha image would hold.
    auto quantise = [](double v) { return std::round(v * 255) / 255; };
    return Color::rgba(quantise(channel(16)), quantise(channel(8)), quantise(channel(0)), a);
}

std::vector<unsigned char> Image::pngData() const {
    std::vector<unsigned char> out;
    auto write = [](void* closure, const unsigned char* data, unsigned int length) {
        auto* buffer = static_cast<std::vector<unsigned char>*>(closure);
        buffer->insert(buffer->end(), data, data + length);
        return CAIRO_STATUS_SUCCESS;
    };
    if (cairo_surface_write_to_png_stream(surface_, write, &out) != CAIRO_STATUS_SUCCESS)
        out.clear();
    return out;
}

bool Image::writePNG(const std::filesystem::path& path) const {
    const auto bytes = pngData();
    if (bytes.empty())
        return false;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

cairo_surface_t* Image::resampled(const Rect& unitRect, int width, int height) const {
    if (width <= 0 || height <= 0 || unitRect.isEmpty())
        return nullptr;
    if (resampled_.surface && resampled_.width == width && resampled_.height == height &&
        resampled_.unitRect == unitRect)
        return resampled_.surface;
    if (resampled_.surface)
        cairo_surface_destroy(resampled_.surface);
    resampled_ = {};

    const double pw = pixelWidth(), ph = pixelHeight();
    const Rect source(unitRect.minX() * pw, unitRect.minY() * ph, unitRect.width() * pw,
                      unitRect.height() * ph);
    cairo_surface_t* target =
        cairo_image_surface_create(opaque_ ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(target);
    // Sampling the part through a sub-surface with padded edges keeps pixels outside it from bleeding in.
    cairo_surface_t* part = cairo_surface_create_for_rectangle(surface_, source.minX(), source.minY(),
                                                               source.width(), source.height());
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(part);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_GOOD);
    cairo_matrix_t matrix;
    cairo_matrix_init_scale(&matrix, source.width() / width, source.height() / height);
    cairo_pattern_set_matrix(pattern, &matrix);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source(cr, pattern);
    cairo_paint(cr);
    cairo_pattern_destroy(pattern);
    cairo_surface_destroy(part);
    cairo_destroy(cr);
    cairo_surface_flush(target);
    resampled_ = {unitRect, width, height, target};
    return target;
}

} // namespace ui
