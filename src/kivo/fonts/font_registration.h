#pragma once

// Registration of downloaded font bytes with the toolkit's font manager.

#include <optional>
#include <string>
#include <string_view>

namespace kivo::fonts {

// The PostScript name of the font registered from `bytes`, or nullopt when the bytes are not a font or a
// font of that name is registered already.
std::optional<std::string> registerFontBytes(std::string_view bytes);

} // namespace kivo::fonts
