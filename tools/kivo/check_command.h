#pragma once

// `kivo check [--json] FILE...`: parses each document as a load does and reports, per file, either what the
// document holds or why it was refused.

#include "kivo/command.h"

#include <memory>

namespace kivo::cli {

// Adds the `check` subcommand to `app`.
std::unique_ptr<Command> makeCheckCommand(CLI::App& app);

} // namespace kivo::cli
