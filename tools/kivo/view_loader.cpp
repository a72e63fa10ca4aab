#include "kivo/view_loader.h"

#include "kivo/file_reader.h"

#include <ui/runloop/run_loop.h>
#include <ui/views/label.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace kivo::cli {

namespace {

// A load parses on a background queue and may wait for font downloads, which time out on their own; this
// bound only keeps a faulty load from hanging the tool.
constexpr auto kLoadHangGuard = std::chrono::minutes(3);

std::shared_ptr<ui::View> makeLabel(const std::optional<std::string>& text) {
    if (!text) {
        return nullptr;
    }
    auto label = std::make_shared<ui::Label>(*text);
    label->setNumberOfLines(0);
    label->setTextAlignment(ui::TextAlignment::center);
    return label;
}

// A host view that keeps the document of its last load, as a host's subclass would.
class DocumentKeepingView final : public KIVOView {
public:
    static std::shared_ptr<DocumentKeepingView>
    create(const std::shared_ptr<KIVOImageDownloadTaskProvider>& provider) {
        return makeView<DocumentKeepingView>(provider);
    }
    DocumentKeepingView(Passkey key, const std::shared_ptr<KIVOImageDownloadTaskProvider>& provider)
        : KIVOView(key, provider) {}

    const std::shared_ptr<KIVODocumentElement>& document() const { return document_; }

protected:
    void renderCompletion(const std::shared_ptr<KIVODocumentElement>& documentElement) override {
        KIVOView::renderCompletion(documentElement);
        document_ = documentElement;
    }

private:
    std::shared_ptr<KIVODocumentElement> document_;
};

// Runs the main loop until every picture asked for has arrived or failed, or the time for them is up.
// Pictures that arrive re-apply styles and re-lay the document, which may ask for none but could ask for
// more: the wait ends only when a layout pass leaves nothing outstanding.
void waitForImages(LoadedView& loaded, const ViewportOptions& options) {
    TrackingImageProvider& images = *loaded.images;
    const double seconds = std::isfinite(options.images.timeoutSeconds) ? options.images.timeoutSeconds : 0;
    const std::shared_ptr<ui::Clock> clock = ui::RunLoop::main().clock();
    const auto deadline = clock->after(std::chrono::duration_cast<ui::Clock::duration>(
        std::chrono::duration<double>(std::clamp(seconds, 0.0, 1e9))));
    const bool showProgress = options.progress != nullptr && options.progressIsTerminal;
    std::size_t shownFinished = static_cast<std::size_t>(-1);
    std::size_t shownStarted = 0;
    const auto showLine = [&] {
        if (showProgress && (images.finished() != shownFinished || images.started() != shownStarted)) {
            shownFinished = images.finished();
            shownStarted = images.started();
            *options.progress << "\rimages " << shownFinished << '/' << shownStarted << std::flush;
        }
    };
    const auto done = [&] {
        showLine();
        return images.finished() >= images.started();
    };
    while (true) {
        ui::RunLoop::main().runUntil(done, deadline, ui::RunLoopMode::Default, kLoadHangGuard);
        loaded.window->layoutIfNeeded();
        if (images.finished() >= images.started() || clock->now() >= deadline) {
            break;
        }
    }
    loaded.imagesTimedOut = images.finished() < images.started();
    if (showProgress && shownStarted > 0) {
        *options.progress << '\n' << std::flush;
    }
}

} // namespace

void reportImageProblems(std::ostream& err, const std::string& file, const LoadedView& loaded) {
    if (!loaded.images) {
        return;
    }
    for (const auto& failure : loaded.images->failures()) {
        err << "kivo: " << file << ": warning: picture not shown: " << failure.message << '\n';
    }
    if (loaded.imagesTimedOut) {
        const std::size_t missing = loaded.images->started() - loaded.images->finished();
        err << "kivo: " << file << ": warning: " << missing << " of " << loaded.images->started()
            << " pictures did not arrive in time\n";
    }
}

LoadedView loadIntoWindow(std::string bytes, const ViewportOptions& options) {
    LoadedView result;
    result.window = std::make_shared<ui::Window>(ui::Size{options.width, options.height});
    result.images = TrackingImageProvider::create(options.documentPath, options.images);
    const std::shared_ptr<DocumentKeepingView> view = DocumentKeepingView::create(result.images);
    result.view = view;
    result.view->setFrame(result.window->bounds());
    result.view->setAutoresizingMask(ui::flexibleWidth | ui::flexibleHeight);
    result.window->addSubview(result.view);

    // The callbacks run on the main queue while the loop below runs; they write into shared state so that
    // nothing they touch can be gone should they outlive this call.
    struct Outcome {
        std::optional<TitleReport> titleReport;
        std::optional<Error> error;
        bool finished = false;
    };
    auto outcome = std::make_shared<Outcome>();
    result.view->load(
        std::move(bytes), makeLabel(options.header), makeLabel(options.footer),
        [outcome](const std::optional<std::string>& title, const std::optional<std::string>& subtitle) {
            TitleReport report;
            if (title) {
                report[LayoutManagerUserInfoKey::documentTitle] = *title;
            }
            if (subtitle) {
                report[LayoutManagerUserInfoKey::documentSubtitle] = *subtitle;
            }
            outcome->titleReport = std::move(report);
        },
        [outcome](const std::optional<Error>& error) {
            outcome->error = error;
            outcome->finished = true;
        });

    ui::RunLoop::main().runUntil([&] { return outcome->finished; }, ui::Clock::time_point::max(),
                                 ui::RunLoopMode::Default, kLoadHangGuard);
    result.titleReport = outcome->titleReport;
    result.error = outcome->error;
    result.finished = outcome->finished;
    result.document = view->document();
    result.window->layoutIfNeeded();
    if (result.finished && !result.error) {
        waitForImages(result, options);
    }
    return result;
}

std::optional<LoadedView> loadDocumentFile(const std::string& file, ViewportOptions options,
                                           std::ostream& err, std::string* markup) {
    ReadResult read = readWholeFile(file);
    if (!read.bytes) {
        err << "kivo: cannot read " << file << ": " << read.failure << '\n';
        return std::nullopt;
    }
    if (markup != nullptr) {
        *markup = *read.bytes;
    }
    options.documentPath = file;
    options.progress = &err;
    options.progressIsTerminal = ::isatty(STDERR_FILENO) == 1;
    LoadedView loaded = loadIntoWindow(std::move(*read.bytes), options);
    if (!loaded.finished) {
        err << "kivo: " << file << ": the load did not finish\n";
        return std::nullopt;
    }
    return loaded;
}

std::string formatNumber(double value) {
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15) {
        return std::to_string(static_cast<long long>(value));
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}

} // namespace kivo::cli
