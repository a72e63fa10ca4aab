#include "kivo/render_command.h"

#include "kivo/rejection_text.h"
#include "kivo/view_loader.h"

#include <ui/graphics/image.h>
#include <ui/graphics/renderer.h>
#include <ui/views/snapshot.h>

#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace kivo::cli {

namespace {

// Whether an image of `size` points at `scale` stays within what the renderer makes.
bool fitsImageLimits(ui::Size size, double scale) {
    const double width = size.width * scale;
    const double height = size.height * scale;
    return width >= 1 && height >= 1 && width <= ui::maxImageDimension && height <= ui::maxImageDimension &&
           width * height <= static_cast<double>(ui::maxImagePixelCount);
}

class RenderCommand final : public Command {
public:
    explicit RenderCommand(CLI::App& app) {
        parser_ = app.add_subcommand("render", "Render a KIVO document into a PNG picture");
        parser_->add_option("FILE", file_, "The markup file to render")->required();
        parser_->add_option("-o,--output", output_, "Where to write the PNG")->required();
        addImageOptions(*parser_, viewport_.images);
        parser_->add_option("--width", viewport_.width, "Width of the window, in points")
            ->check(CLI::PositiveNumber)
            ->capture_default_str();
        parser_->add_option("--height", viewport_.height, "Height of the window, in points")
            ->check(CLI::PositiveNumber)
            ->capture_default_str();
        parser_->add_option("--scale", scale_, "Pixels per point")
            ->check(CLI::Range(0.25, 8.0))
            ->capture_default_str();
        parser_->add_flag("--full", full_, "Render the whole content instead of the first screen");
        headerOption_ = parser_->add_option("--header", header_, "Text of a label shown above the document");
        footerOption_ = parser_->add_option("--footer", footer_, "Text of a label shown below the document");
    }

    const CLI::App& parser() const override { return *parser_; }

    int run(std::ostream& out, std::ostream& err) override {
        if (headerOption_->count() > 0) {
            viewport_.header = header_;
        }
        if (footerOption_->count() > 0) {
            viewport_.footer = footer_;
        }
        if (!fitsImageLimits({viewport_.width, viewport_.height}, scale_)) {
            err << "kivo: a " << formatNumber(viewport_.width) << " x " << formatNumber(viewport_.height)
                << " window at scale " << formatNumber(scale_) << " is too large to render\n";
            return exitUsageOrIOError;
        }

        std::optional<LoadedView> document = loadDocumentFile(file_, viewport_, err);
        if (!document) {
            return exitUsageOrIOError;
        }
        LoadedView& loaded = *document;
        if (loaded.error) {
            err << rejectionText(file_, *loaded.error) << '\n';
            return exitRejected;
        }
        reportImageProblems(err, file_, loaded);

        if (full_) {
            const ui::Size content = loaded.view->contentSize();
            const ui::Size size{content.width > 0 ? content.width : viewport_.width,
                                content.height > 0 ? content.height : viewport_.height};
            if (!fitsImageLimits(size, scale_)) {
                err << "kivo: " << file_ << ": the content (" << formatNumber(size.width) << " x "
                    << formatNumber(size.height) << " points) is too large to render at scale "
                    << formatNumber(scale_) << "\n";
                return exitUsageOrIOError;
            }
            loaded.window->setSize(size);
            loaded.window->layoutIfNeeded();
        }

        const ui::Size size = loaded.window->size();
        if (!ui::writeSnapshotPNG(*loaded.window, output_, scale_)) {
            err << "kivo: cannot write " << output_ << '\n';
            return exitUsageOrIOError;
        }
        out << "wrote " << output_ << " (" << formatNumber(size.width) << " x " << formatNumber(size.height)
            << " points at scale " << formatNumber(scale_) << ")\n";
        out.flush();
        return exitSuccess;
    }

private:
    CLI::App* parser_ = nullptr;
    std::string file_;
    std::string output_;
    ViewportOptions viewport_;
    CLI::Option* headerOption_ = nullptr;
    CLI::Option* footerOption_ = nullptr;
    std::string header_;
    std::string footer_;
    double scale_ = 2;
    bool full_ = false;
};

} // namespace

std::unique_ptr<Command> makeRenderCommand(CLI::App& app) {
    return std::make_unique<RenderCommand>(app);
}

} // namespace kivo::cli
