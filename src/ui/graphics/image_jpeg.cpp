#include "ui/graphics/image_codecs.h"

#include <cairo.h>
#include <turbojpeg.h>

#include <bit>
#include <cstring>

namespace ui::detail {

namespace {

struct TurboJPEGHandle {
    tjhandle handle = tjInitDecompress();
    ~TurboJPEGHandle() {
        if (handle)
            tjDestroy(handle);
    }
};

} // namespace

bool looksLikeJPEG(std::span<const unsigned char> bytes) {
    return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

DecodedPixels decodeJPEG(std::span<const unsigned char> bytes) {
    DecodedPixels out;
    TurboJPEGHandle tj;
    if (!tj.handle) {
        out.error = "JPEG: cannot create a decompressor";
        return out;
    }
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(tj.handle, bytes.data(), static_cast<unsigned long>(bytes.size()), &width,
                            &height, &subsampling, &colorspace) != 0) {
        out.error = std::string("JPEG: ") + tjGetErrorStr2(tj.handle);
        return out;
    }
    // Junk that merely starts with a JPEG signature can get through the header call with a zero or
    // negative size; the limits must hold before the surface is allocated.
    if (std::string why = checkImageDimensions(width, height); !why.empty()) {
        out.error = "JPEG: " + why;
        return out;
    }
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        out.error = "JPEG: cannot allocate the pixels";
        return out;
    }
    cairo_surface_flush(surface);
    // cairo keeps a pixel as one native-endian 32-bit word with alpha (or padding) in the high byte.
    const int format = std::endian::native == std::endian::little ? TJPF_BGRA : TJPF_ARGB;
    const int status = tjDecompress2(tj.handle, bytes.data(), static_cast<unsigned long>(bytes.size()),
                                     cairo_image_surface_get_data(surface), width,
                                     cairo_image_surface_get_stride(surface), height, format, 0);
    if (status != 0) {
        // Warnings about stray bytes leave a complete image; running out of data does not.
        const bool fatal = tjGetErrorCode(tj.handle) == TJERR_FATAL ||
                           std::strstr(tjGetErrorStr2(tj.handle), "Premature end") != nullptr;
        if (fatal) {
            out.error = std::string("JPEG: ") + tjGetErrorStr2(tj.handle);
            cairo_surface_destroy(surface);
            return out;
        }
    }
    cairo_surface_mark_dirty(surface);
    out.surface = surface;
    out.opaque = true;
    return out;
}

} // namespace ui::detail
