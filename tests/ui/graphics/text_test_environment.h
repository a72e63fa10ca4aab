#pragma once

// Helpers shared by the text tests.

#include <filesystem>
#include <string>

namespace ui::text_test {

// tests/fixtures/fonts, found from this file's own path.
inline std::filesystem::path fixtureFontsDirectory() {
    return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "fixtures" / "fonts";
}

} // namespace ui::text_test
