#pragma once

// The shape every subcommand of the `kivo` tool shares. Each command lives in its own files: it adds its
// subcommand and options to the application's parser when it is made, and runs once the parser has chosen
// it.

#include <iosfwd>

namespace CLI {
class App;
} // namespace CLI

namespace kivo::cli {

// The process exit statuses of the tool.
enum ExitStatus : int {
    exitSuccess = 0,
    // A document was checked and refused.
    exitRejected = 1,
    // The command line was wrong, or an input could not be read.
    exitUsageOrIOError = 2,
};

class Command {
public:
    virtual ~Command() = default;

    // The subcommand's parser, owned by the application's parser.
    virtual const CLI::App& parser() const = 0;
    // Runs the command with the options the parser filled in; returns the process exit status.
    virtual int run(std::ostream& out, std::ostream& err) = 0;
};

} // namespace kivo::cli
