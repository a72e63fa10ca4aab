// Linked into every test program: points fontconfig, before anything in the program touches fonts, at the
// build's test configuration, which lists only the font files of the packages scripts/install-deps
// installs (DejaVu and Liberation, but not Liberation Serif, which the text tests register at run time).
// So every test sees the same faces whatever else the machine has installed. A test program that sets
// its own configuration during static initialisation keeps it.

#include <stdlib.h>

namespace {

[[maybe_unused]] const bool testFonts = [] {
    setenv("FONTCONFIG_FILE", KIVO_TEST_FONTS_DIR "/fonts.conf", 0);
    return true;
}();

} // namespace
