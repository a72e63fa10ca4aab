#include "kivo/fonts/font_registration.h"

#include <ui/graphics/font_manager.h>

namespace kivo::fonts {

std::optional<std::string> registerFontBytes(std::string_view bytes) {
    const ui::FontRegistrationResult result = ui::FontManager::shared().registerFont(bytes);
    if (!result.ok() || result.postScriptName().empty()) {
        return std::nullopt;
    }
    return result.postScriptName();
}

} // namespace kivo::fonts
