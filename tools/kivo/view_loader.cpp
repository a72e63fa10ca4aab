#include "view_loader.h"

#include <ui/runloop/run_loop.h>
#include <ui/views/label.h>

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
    static std::shared_ptr<DocumentKeepingView> create() { return makeView<DocumentKeepingView>(nullptr); }
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

} // namespace

LoadedView loadIntoWindow(std::string bytes, const ViewportOptions& options) {
    LoadedView result;
    result.window = std::make_shared<ui::Window>(ui::Size{options.width, options.height});
    const std::shared_ptr<DocumentKeepingView> view = DocumentKeepingView::create();
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
    return result;
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
