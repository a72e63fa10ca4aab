#include "kivo/check_command.h"

#include "kivo/file_reader.h"
#include "kivo/json_report.h"
#include "kivo/rejection_text.h"

#include <kivo/model/element_parser.h>
#include <kivo/model/kivo_version.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <exception>
#include <ostream>
#include <string>
#include <vector>

namespace kivo::cli {

namespace {

// `FILE: ok — "TITLE" (version V, N items)` or `FILE: MESSAGE (line L, column C)`.
std::string textReport(const std::string& file, const ParsedDocument& parsed) {
    if (parsed.error) {
        return rejectionText(file, *parsed.error);
    }
    const std::string version = parsed.version ? std::string(rawValue(*parsed.version)) : "unknown";
    return file + ": ok \u2014 \"" + parsed.document->title() + "\" (version " + version + ", " +
           std::to_string(parsed.itemIDAttributes.size()) + " items)";
}

class CheckCommand final : public Command {
public:
    explicit CheckCommand(CLI::App& app) {
        parser_ = app.add_subcommand("check", "Parse KIVO documents and report whether each is accepted");
        parser_->add_flag("--json", json_, "Report as JSON: one object per file, an array for several files");
        parser_->add_option("FILE", files_, "The markup files to check")->required();
    }

    const CLI::App& parser() const override { return *parser_; }

    int run(std::ostream& out, std::ostream& err) override {
        int status = exitSuccess;
        nlohmann::ordered_json reports = nlohmann::ordered_json::array();
        for (const std::string& file : files_) {
            const ReadResult read = readWholeFile(file);
            if (!read.bytes) {
                err << "kivo: cannot read " << file << ": " << read.failure << '\n';
                status = std::max<int>(status, exitUsageOrIOError);
                continue;
            }
            ParsedDocument parsed;
            try {
                parsed = parseDocument(*read.bytes);
            } catch (const std::exception& e) {
                // The parser hands every refusal back as a value; anything thrown is a fault of the
                // framework, not a verdict on the document.
                err << "kivo: internal error while checking " << file << ": " << e.what() << '\n';
                status = std::max<int>(status, exitUsageOrIOError);
                continue;
            }
            if (!parsed.error && !parsed.document) {
                err << "kivo: internal error while checking " << file << ": no document and no error\n";
                status = std::max<int>(status, exitUsageOrIOError);
                continue;
            }
            if (parsed.error) {
                status = std::max<int>(status, exitRejected);
            }
            if (json_) {
                reports.push_back(jsonReport(file, parsed));
            } else {
                out << textReport(file, parsed) << '\n';
            }
        }
        if (json_) {
            // One file gives one object; several give an array, even when some of them could not be read.
            if (files_.size() > 1) {
                out << dumpJSON(reports) << '\n';
            } else if (!reports.empty()) {
                out << dumpJSON(reports.front()) << '\n';
            }
        }
        out.flush();
        return status;
    }

private:
    CLI::App* parser_ = nullptr;
    bool json_ = false;
    std::vector<std::string> files_;
};

} // namespace

std::unique_ptr<Command> makeCheckCommand(CLI::App& app) {
    return std::make_unique<CheckCommand>(app);
}

} // namespace kivo::cli
