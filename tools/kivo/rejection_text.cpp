#include "kivo/rejection_text.h"

namespace kivo::cli {

std::string rejectionText(const std::string& file, const Error& error) {
    std::string line = file + ": " + error.message();
    if (const auto& position = error.position()) {
        line +=
            " (line " + std::to_string(position->line) + ", column " + std::to_string(position->column) + ")";
    }
    return line;
}

} // namespace kivo::cli
