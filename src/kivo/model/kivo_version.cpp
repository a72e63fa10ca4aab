#include "kivo/model/kivo_version.h"

#include <kivo/base/errors.h>
#include <kivo/markup/xml_node.h>

namespace kivo {

std::string_view rawValue(KIVOVersion version) {
    return version == KIVOVersion::v1 ? "1" : "2.0";
}

KIVOVersion kivoVersion(const XMLNode& root) {
    const std::string* attribute = root.attributes().find("kivo-version");
    const std::string text = attribute != nullptr ? *attribute : "1";
    if (text == "1") {
        return KIVOVersion::v1;
    }
    if (text == "2.0") {
        return KIVOVersion::v2;
    }
    throw Error(KIVOError::unsupportedKIVOVersion("1 or 2.0", text));
}

} // namespace kivo
