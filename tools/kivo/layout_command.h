#pragma once

// `kivo layout [--json] FILE [--width W]`: loads a document into a host view and prints its element tree:
// each element's kind, markup line, frame in the content element's view and style ID.

#include "kivo/command.h"

#include <memory>

namespace kivo::cli {

std::unique_ptr<Command> makeLayoutCommand(CLI::App& app);

} // namespace kivo::cli
