#pragma once

// The decoders and encoder behind ui::Image. Each decoder checks the header's dimensions against the
// image limits before it allocates pixels, and turns every failure of its library into an error message.

#include <ui/graphics/image.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

typedef struct _cairo_surface cairo_surface_t; // NOLINT(modernize-use-using): must match cairo's own

namespace ui::detail {

struct DecodedPixels {
    cairo_surface_t* surface = nullptr; // ARGB32 (premultiplied) or RGB24; null on failure
    bool opaque = false;
    std::string error;
};

bool looksLikeJPEG(std::span<const unsigned char> bytes);
bool looksLikePNG(std::span<const unsigned char> bytes);

DecodedPixels decodeJPEG(std::span<const unsigned char> bytes);
DecodedPixels decodePNG(std::span<const unsigned char> bytes);

// Why a width x height image is refused, or an empty string when its size is acceptable.
std::string checkImageDimensions(std::int64_t width, std::int64_t height);

} // namespace ui::detail
