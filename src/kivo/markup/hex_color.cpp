#include "kivo/markup/hex_color.h"

#include <limits>

namespace kivo {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool isScannerSkippable(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace

ui::Color colorWithHex(std::uint64_t hex, float alpha) {
    const auto component = [](std::uint64_t byte) {
        return static_cast<double>(static_cast<float>(byte & 0xFF) / 255.0f);
    };
    return ui::Color::rgba(component(hex >> 16), component(hex >> 8), component(hex),
                           static_cast<double>(alpha));
}

std::optional<ui::Color> colorFromHexString(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    if (text.front() == '#') {
        text.remove_prefix(1);
    }
    std::size_t i = 0;
    while (i < text.size() && isScannerSkippable(text[i])) {
        ++i;
    }
    // "0x" counts as a prefix only when a hex digit follows; otherwise the "0" is the number read.
    if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        hexDigit(text[i + 2]) >= 0) {
        i += 2;
    }
    std::uint64_t value = 0;
    bool saturated = false;
    for (; i < text.size(); ++i) {
        const int d = hexDigit(text[i]);
        if (d < 0) {
            break;
        }
        if (value > (std::numeric_limits<std::uint64_t>::max() >> 4)) {
            saturated = true;
        }
        value = (value << 4) | static_cast<std::uint64_t>(d);
    }
    if (saturated) {
        value = std::numeric_limits<std::uint64_t>::max();
    }
    return colorWithHex(value & 0xFFFFFFFFULL);
}

} // namespace kivo
