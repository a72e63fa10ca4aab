#pragma once

// The PNG files of resources/images, compiled into the library by a source CMake generates.

#include <cstddef>

namespace ui::detail {

struct BundledImage {
    const char* name; // the file name without ".png"; null in the entry that ends the table
    const unsigned char* data;
    std::size_t size;
};

// The table of bundled images, ended by an entry whose name is null.
const BundledImage* bundledImages();

} // namespace ui::detail
