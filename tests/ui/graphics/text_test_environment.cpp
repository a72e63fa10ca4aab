// Points fontconfig at the test configuration before anything in the program touches fonts, so that
// every test sees the same faces (DejaVu and Liberation, but not Liberation Serif) whatever the machine
// has installed.

#include "ui/graphics/text_test_environment.h"

#include <gtest/gtest.h>
#include <stdlib.h>

namespace {

class FontEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        const std::string config = (ui::text_test::fixtureFontsDirectory() / "fonts.conf").string();
        ASSERT_TRUE(std::filesystem::exists(config)) << config;
        setenv("FONTCONFIG_FILE", config.c_str(), 1);
    }
};

// Registered during static initialisation; gtest_main sets environments up before the first test.
[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new FontEnvironment());

} // namespace
