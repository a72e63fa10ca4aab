#include "kivo/image_tracking.h"

#include <ui/foundation/url.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <system_error>

namespace kivo::cli {

void addImageOptions(CLI::App& command, ImageOptions& options) {
    command.add_option("--timeout", options.timeoutSeconds, "Seconds to wait for the document's pictures")
        ->check(CLI::NonNegativeNumber)
        ->capture_default_str();
    command.add_flag("--offline", options.offline, "Load pictures from files only, nothing over the network");
}

std::string fileURLForDirectory(const std::filesystem::path& directory) {
    std::string path = directory.generic_string();
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    std::string url = "file://";
    for (const unsigned char c : path) {
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
        if (unreserved) {
            url += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            url += escaped;
        }
    }
    return url;
}

class TrackingImageProvider::Task final : public KIVOImageDownloadTask {
public:
    Task(std::weak_ptr<TrackingImageProvider> owner, std::shared_ptr<KIVOImageDownloadTask> inner)
        : owner_(std::move(owner)), inner_(std::move(inner)) {}

    void loadImageWithURL(const ui::URL& url, Completion completion) override {
        if (const auto owner = owner_.lock()) {
            ++owner->started_;
        }
        counted_ = true;
        std::weak_ptr<TrackingImageProvider> owner = owner_;
        // The completion may outlive this task (the view drops the task before it runs the completion).
        auto settled = settled_;
        inner_->loadImageWithURL(
            url, [owner, settled, url, completion = std::move(completion)](std::shared_ptr<ui::Image> image,
                                                                           std::optional<std::string> error) {
                if (!*settled) {
                    *settled = true;
                    if (const auto tracker = owner.lock()) {
                        ++tracker->finished_;
                        if (image && !error) {
                            ++tracker->loaded_;
                        } else {
                            tracker->failures_.push_back({url.string(), error.value_or("no picture")});
                        }
                    }
                }
                if (completion) {
                    completion(std::move(image), std::move(error));
                }
            });
    }

    void cancel() override {
        inner_->cancel();
        // A cancelled load never completes: it counts as finished now.
        if (counted_ && !*settled_) {
            *settled_ = true;
            if (const auto owner = owner_.lock()) {
                ++owner->finished_;
            }
        }
    }

private:
    std::weak_ptr<TrackingImageProvider> owner_;
    std::shared_ptr<KIVOImageDownloadTask> inner_;
    std::shared_ptr<bool> settled_ = std::make_shared<bool>(false);
    bool counted_ = false;
};

TrackingImageProvider::TrackingImageProvider(std::shared_ptr<net::ImageProvider> provider)
    : provider_(std::move(provider)) {}

std::shared_ptr<TrackingImageProvider>
TrackingImageProvider::create(const std::optional<std::filesystem::path>& documentPath,
                              const ImageOptions& options) {
    net::ImageProviderOptions netOptions;
    netOptions.offline = options.offline;
    if (documentPath) {
        std::error_code ignored;
        std::filesystem::path absolute = std::filesystem::absolute(*documentPath, ignored);
        if (absolute.empty()) {
            absolute = *documentPath;
        }
        netOptions.baseURL = ui::URL::fromString(fileURLForDirectory(absolute.parent_path()));
    }
    return std::make_shared<TrackingImageProvider>(net::ImageProvider::create(std::move(netOptions)));
}

std::shared_ptr<KIVOImageDownloadTask> TrackingImageProvider::newImageDownloadTask() {
    auto inner = provider_->newImageDownloadTask();
    if (!inner) {
        return nullptr;
    }
    return std::make_shared<Task>(weak_from_this(), std::move(inner));
}

} // namespace kivo::cli
