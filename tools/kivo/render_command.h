#pragma once

// `kivo render FILE -o OUT.png [--width W] [--height H] [--scale S] [--full] [--header TEXT] [--footer
// TEXT]`: loads a document into a host view in a headless window of that size and writes what it shows as
// PNG.

#include "kivo/command.h"

#include <memory>

namespace kivo::cli {

std::unique_ptr<Command> makeRenderCommand(CLI::App& app);

} // namespace kivo::cli
