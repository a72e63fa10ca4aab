#pragma once

// Reads a picture file whole, refusing anything that is not a regular file and anything larger than a
// limit (checked before reading, and again while reading in case the file grows).

#include <cstddef>
#include <string>
#include <vector>

namespace kivo::net::detail {

struct FileContents {
    std::vector<unsigned char> bytes;
    // Empty on success; otherwise why the file could not be read (without its path).
    std::string error;
};

FileContents readWholeFile(const std::string& path, std::size_t maxBytes);

} // namespace kivo::net::detail
