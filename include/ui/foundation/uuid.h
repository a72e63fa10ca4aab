#pragma once

// Random identifiers in the usual textual UUID form, e.g. "E621E1F8-C36C-495A-93FC-0C247A3E6E5F".

#include <string>
#include <string_view>

namespace ui {

// A new random (version 4, RFC 4122 variant) UUID: 32 upper-case hex digits in groups of 8-4-4-4-12
// separated by hyphens. Safe to call from any number of threads at once; each thread draws from its own
// generator, seeded from the operating system's entropy source, and a child process created by fork()
// reseeds instead of repeating its parent's sequence.
std::string makeUUIDString();

// True when `text` has the textual UUID shape: exactly 36 characters, hyphens at offsets 8, 13, 18 and
// 23, and ASCII hex digits (either case) everywhere else. The version and variant digits are not checked,
// so identifiers made elsewhere are accepted too.
bool isUUIDString(std::string_view text);

} // namespace ui
