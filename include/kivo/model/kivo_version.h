#pragma once

#include <string_view>

namespace kivo {

class XMLNode;

// The markup versions this framework reads.
enum class KIVOVersion {
    v1, // "1"
    v2, // "2.0"
};

std::string_view rawValue(KIVOVersion version);

// The version a root node declares in "kivo-version" ("1" when absent). Anything but exactly "1" or "2.0"
// throws KIVOError::unsupportedKIVOVersion("1 or 2.0", the text).
KIVOVersion kivoVersion(const XMLNode& root);

} // namespace kivo
