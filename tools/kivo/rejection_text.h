#pragma once

// The one-line form of a refused document that every command prints.

#include <kivo/base/errors.h>

#include <string>

namespace kivo::cli {

// `FILE: MESSAGE (line L, column C)`, without the position when the error has none.
std::string rejectionText(const std::string& file, const Error& error);

} // namespace kivo::cli
