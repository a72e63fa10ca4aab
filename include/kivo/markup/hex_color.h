#pragma once

// Colours written in markup as hexadecimal RGB text ("#FF8000" or "FF8000"). Alpha is always 1 unless
// given separately.

#include <ui/foundation/color.h>

#include <cstdint>
#include <optional>
#include <string_view>

namespace kivo {

// Red from bits 16...23, green from 8...15, blue from 0...7, each byte / 255 in single precision.
ui::Color colorWithHex(std::uint64_t hex, float alpha = 1.0f);

// The colour of a hex text: empty text gives nullopt; one leading '#' is dropped; then a hexadecimal
// number is read as a scanner reads one (leading blanks and line breaks skipped, an optional "0x" or "0X",
// reading stops at the first non-hex character, no digit reads as 0, values past 64 bits saturate), and its
// low 32 bits give the colour. There is no shorthand ("ABC" is 0x000ABC) and no alpha channel.
std::optional<ui::Color> colorFromHexString(std::string_view text);

} // namespace kivo
