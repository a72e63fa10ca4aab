#include "ui/graphics/image_codecs.h"

#include <cairo.h>
#include <png.h>

#include <bit>
#include <csetjmp>
#include <cstring>

namespace ui::detail {

namespace {

// Everything the read touches after setjmp lives here, in memory that a longjmp leaves intact.
struct PNGReadState {
    std::span<const unsigned char> bytes;
    std::size_t offset = 0;
    std::string error;
    cairo_surface_t* surface = nullptr;
    png_bytep* rows = nullptr;
};

// A PNG chunk (text, ICC profile, ...) may not make the decoder allocate more than this.
constexpr png_alloc_size_t kMaxChunkBytes = 8u << 20;

void readBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* state = static_cast<PNGReadState*>(png_get_io_ptr(png));
    if (length > state->bytes.size() - state->offset)
        png_error(png, "unexpected end of data");
    std::memcpy(data, state->bytes.data() + state->offset, length);
    state->offset += length;
}

void onError(png_structp png, png_const_charp message) {
    auto* state = static_cast<PNGReadState*>(png_get_error_ptr(png));
    state->error = std::string("PNG: ") + (message ? message : "error");
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

// Reads the image into state->surface; on failure state->error says why. Keeps no C++ object with a
// destructor in its own frame, so the longjmp out of libpng skips nothing.
void readPNG(PNGReadState* state, bool* opaque) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, state, onError, onWarning);
    if (!png) {
        state->error = "PNG: cannot create a decoder";
        return;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        state->error = "PNG: cannot create a decoder";
        return;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        delete[] state->rows;
        state->rows = nullptr;
        if (state->surface)
            cairo_surface_destroy(state->surface);
        state->surface = nullptr;
        return;
    }
    png_set_user_limits(png, maxImageDimension, maxImageDimension);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_set_chunk_cache_max(png, 1000);
    png_set_read_fn(png, state, readBytes);
    png_read_info(png, info);

    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    // (The temporary string is gone before png_error jumps.)
    if (!checkImageDimensions(width, height).empty())
        png_error(png, "image dimensions out of range");
    const int colorType = png_get_color_type(png, info);
    const bool hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);

    // Everything becomes 8-bit B, G, R, A bytes in memory (cairo's word order on little-endian machines).
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    if (std::endian::native == std::endian::little)
        png_set_bgr(png);
    else
        png_set_swap_alpha(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != png_size_t(width) * 4)
        png_error(png, "unsupported pixel layout");

    state->surface = cairo_image_surface_create(hasAlpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24,
                                                int(width), int(height));
    if (cairo_surface_status(state->surface) != CAIRO_STATUS_SUCCESS)
        png_error(png, "cannot allocate the pixels");
    cairo_surface_flush(state->surface);
    unsigned char* data = cairo_image_surface_get_data(state->surface);
    const int stride = cairo_image_surface_get_stride(state->surface);
    state->rows = new png_bytep[height];
    for (png_uint_32 y = 0; y < height; ++y)
        state->rows[y] = data + std::size_t(y) * std::size_t(stride);
    png_read_image(png, state->rows);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    delete[] state->rows;
    state->rows = nullptr;

    if (hasAlpha) {
        // PNG alpha is straight; cairo's is premultiplied.
        for (png_uint_32 y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(data + std::size_t(y) * std::size_t(stride));
            for (png_uint_32 x = 0; x < width; ++x) {
                const std::uint32_t p = row[x];
                const std::uint32_t a = p >> 24;
                if (a == 255)
                    continue;
                auto premultiply = [a](std::uint32_t c) { return (c * a + 127) / 255; };
                row[x] = (a << 24) | (premultiply((p >> 16) & 0xFF) << 16) |
                         (premultiply((p >> 8) & 0xFF) << 8) | premultiply(p & 0xFF);
            }
        }
    }
    cairo_surface_mark_dirty(state->surface);
    *opaque = !hasAlpha;
}

} // namespace

bool looksLikePNG(std::span<const unsigned char> bytes) {
    return bytes.size() >= 8 && png_sig_cmp(bytes.data(), 0, 8) == 0;
}

DecodedPixels decodePNG(std::span<const unsigned char> bytes) {
    PNGReadState state;
    state.bytes = bytes;
    DecodedPixels out;
    readPNG(&state, &out.opaque);
    out.surface = state.surface;
    out.error = std::move(state.error);
    if (!out.surface && out.error.empty())
        out.error = "PNG: cannot decode";
    return out;
}

} // namespace ui::detail
