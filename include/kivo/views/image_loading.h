#pragma once

// How the framework gets pictures: the host supplies a provider of download tasks, and every image view
// asks it for a fresh task per picture. The framework never downloads an image itself.

#include <ui/foundation/url.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace ui {
class Image;
}

namespace kivo {

// One download of one picture. A task is used for a single load; the view that asked for it keeps it
// until the picture arrives or the view no longer wants it.
class KIVOImageDownloadTask {
public:
    // Receives the decoded image, or a null image and why there is none.
    using Completion =
        std::function<void(std::shared_ptr<ui::Image> image, std::optional<std::string> error)>;

    virtual ~KIVOImageDownloadTask() = default;

    // Starts loading `url` and calls `completion` once, on the main thread, never during this call.
    virtual void loadImageWithURL(const ui::URL& url, Completion completion) = 0;
    // Stops the download; the completion of a cancelled task may still run, and its result is ignored.
    virtual void cancel() = 0;
};

// Supplied by the host. The layout manager holds it without owning it, so the host keeps it alive for as
// long as its views load pictures.
class KIVOImageDownloadTaskProvider {
public:
    virtual ~KIVOImageDownloadTaskProvider() = default;

    // A new task, or null when no picture can be loaded now (the image then stays empty).
    virtual std::shared_ptr<KIVOImageDownloadTask> newImageDownloadTask() = 0;
};

} // namespace kivo
