#pragma once

// The pictures of a document the tool draws: downloaded (or read from files) by the ready-made image
// provider, counted, and their failures kept, so that the tool can wait for them and say what is missing.

#include <kivo/net/image_provider.h>
#include <kivo/views/image_loading.h>

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace kivo::cli {

struct ImageOptions {
    // How long to wait for the pictures once the document has loaded.
    double timeoutSeconds = 20;
    // Load file: pictures only; http and https ones fail at once.
    bool offline = false;
};

// Adds --timeout and --offline to a command that loads documents with their pictures.
void addImageOptions(CLI::App& command, ImageOptions& options);

// Wraps the ready-made provider: every task it hands out reports its outcome here.
class TrackingImageProvider final : public KIVOImageDownloadTaskProvider,
                                    public std::enable_shared_from_this<TrackingImageProvider> {
public:
    // Relative picture URLs resolve against the directory of `documentPath` (when given).
    static std::shared_ptr<TrackingImageProvider>
    create(const std::optional<std::filesystem::path>& documentPath, const ImageOptions& options);

    std::shared_ptr<KIVOImageDownloadTask> newImageDownloadTask() override;

    struct Failure {
        std::string url;
        std::string message;
    };
    // Main thread.
    std::size_t started() const { return started_; }
    std::size_t finished() const { return finished_; }
    std::size_t loaded() const { return loaded_; }
    const std::vector<Failure>& failures() const { return failures_; }

    explicit TrackingImageProvider(std::shared_ptr<net::ImageProvider> provider);

private:
    class Task;
    std::shared_ptr<net::ImageProvider> provider_;
    std::size_t started_ = 0;
    std::size_t finished_ = 0;
    std::size_t loaded_ = 0;
    std::vector<Failure> failures_;
};

// The file: URL of a directory, ending in "/", with every byte outside the unreserved set escaped.
std::string fileURLForDirectory(const std::filesystem::path& directory);

} // namespace kivo::cli
