// The `kivo` command-line tool. Each subcommand is a Command made by its own factory; adding one means
// adding its files and one line to the list below.

#include "kivo/check_command.h"
#include "kivo/command.h"
#include "kivo/layout_command.h"
#include "kivo/render_command.h"

#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>
#include <memory>
#include <vector>

int main(int argc, char** argv) {
    using namespace kivo::cli;
    try {
        CLI::App app("Tools for KIVO markup, the XML layout language for retail storefronts.", "kivo");
        app.require_subcommand(0, 1);

        std::vector<std::unique_ptr<Command>> commands;
        commands.push_back(makeCheckCommand(app));
        commands.push_back(makeRenderCommand(app));
        commands.push_back(makeLayoutCommand(app));

        try {
            app.parse(argc, argv);
        } catch (const CLI::CallForHelp& e) {
            return app.exit(e);
        } catch (const CLI::CallForAllHelp& e) {
            return app.exit(e);
        } catch (const CLI::ParseError& e) {
            app.exit(e);
            return exitUsageOrIOError;
        }

        for (const auto& command : commands) {
            if (command->parser().parsed()) {
                return command->run(std::cout, std::cerr);
            }
        }
        std::cerr << app.help();
        return exitUsageOrIOError;
    } catch (const std::exception& e) {
        std::cerr << "kivo: " << e.what() << '\n';
        return exitUsageOrIOError;
    }
}
