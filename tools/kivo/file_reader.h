#pragma once

// Reading a whole input file into memory.

#include <optional>
#include <string>

namespace kivo::cli {

struct ReadResult {
    // The file's bytes; unset when the file could not be read.
    std::optional<std::string> bytes;
    // Why the file could not be read ("No such file or directory"); empty on success.
    std::string failure;
};

// Reads the file at `path` to its end. Directories and files that cannot be opened or read are failures;
// pipes and other streams are read until they end.
ReadResult readWholeFile(const std::string& path);

} // namespace kivo::cli
