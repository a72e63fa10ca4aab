#pragma once

// Loads a document the way a host does: into a KIVOView filling a headless window, with the main run
// loop running until the load's completion has been called.

#include "kivo/image_tracking.h"

#include <kivo/base/errors.h>
#include <kivo/host/kivo_view.h>
#include <kivo/model/document_element.h>
#include <ui/views/window.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

namespace kivo::cli {

struct ViewportOptions {
    double width = 390;
    double height = 844;
    // Text of a label placed above / below the document, when given.
    std::optional<std::string> header;
    std::optional<std::string> footer;
    // The markup file: relative picture URLs resolve against its directory.
    std::optional<std::filesystem::path> documentPath;
    ImageOptions images;
    // Where the progress line for the pictures goes ("images 12/40"); only shown when it is a terminal.
    std::ostream* progress = nullptr;
    bool progressIsTerminal = false;
};

struct LoadedView {
    std::shared_ptr<ui::Window> window;
    std::shared_ptr<KIVOView> view;
    // The document the view rendered; null when it was refused.
    std::shared_ptr<KIVODocumentElement> document;
    // The title report, when the load got as far as reporting it.
    std::optional<TitleReport> titleReport;
    // Why the document was refused.
    std::optional<Error> error;
    // False when the load did not finish within the hang guard.
    bool finished = false;
    // The document's pictures: how many were asked for and arrived, and which failed.
    std::shared_ptr<TrackingImageProvider> images;
    // True when some pictures were still on their way when the time for them ran out.
    bool imagesTimedOut = false;
};

// Loads `bytes`, waits for the document's pictures (at most the images timeout) and lays the window out.
// The view keeps the document loaded for as long as the result is held.
LoadedView loadIntoWindow(std::string bytes, const ViewportOptions& options);

// Reads `file` and loads it as the commands do: its pictures resolve against its directory and their
// progress goes to `err` when that is a terminal. A file that cannot be read and a load that does not
// finish are told on `err` and give no view (the commands exit with exitUsageOrIOError); a refused
// document is left to the caller. `markup`, when given, receives the file's bytes.
std::optional<LoadedView> loadDocumentFile(const std::string& file, ViewportOptions options,
                                           std::ostream& err, std::string* markup = nullptr);

// A number of points or a scale as people write it: "390", "2.5".
std::string formatNumber(double value);

// Warnings for the pictures that failed or did not arrive in time, one line each, for `file`.
void reportImageProblems(std::ostream& err, const std::string& file, const LoadedView& loaded);

} // namespace kivo::cli
