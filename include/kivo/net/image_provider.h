#pragma once

// A ready-made image download task provider for hosts: pictures come over HTTP(S) with libcurl or from the
// file system (file: URLs), are decoded off the main thread, kept in a memory cache and handed to the
// completion on the main thread.
//
//     auto images = kivo::net::ImageProvider::create({.baseURL = ui::URL::fromString("file:///docs/")});
//     view->setImageDownloadTaskProvider(images.get());
//
// Threads: one transfer thread drives every network download through a single curl multi handle (so a
// cancel takes effect at once, the connections to a host are reused, and no thread waits on one slow
// server), and a few decoding threads read files and decode the bytes. At most maxConcurrentTransfers
// downloads and file reads are under way at once; the rest wait their turn in request order.
//
// Every failure reaches the completion as (null image, message), and the message names the URL: bad or
// unsupported URLs, offline mode, connection errors, timeouts, HTTP statuses other than 2xx, bodies cut
// short or over the size limit, and data that is not a decodable JPEG or PNG or is too large a picture.
//
// The provider and its tasks are used on the main thread (the thread running ui::RunLoop::main()), and
// completions only run while that loop runs.

#include <kivo/views/image_loading.h>
#include <ui/foundation/url.h>

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace kivo::net {

struct ImageProviderOptions {
    // Downloads and file reads under way at once (0 counts as 1).
    std::size_t maxConcurrentTransfers = 6;
    // Bound of the memory cache, in decoded bytes (width * height * 4); the least recently used pictures
    // go first. 0 turns the cache off. A picture larger than the whole bound is not kept.
    std::size_t memoryCacheBytes = 64 * 1024 * 1024;
    // Larger responses and files are refused, as soon as their announced length or the bytes received
    // pass it (0 counts as 1).
    std::size_t maxBodyBytes = 20 * 1024 * 1024;
    // Time to establish a connection, and for a whole download; zero or negative means no limit.
    std::chrono::milliseconds connectTimeout{10'000};
    std::chrono::milliseconds totalTimeout{30'000};
    // Redirects followed before a download fails (negative counts as 0).
    long maxRedirects = 5;
    // Relative references ("images/milk.png") resolve against it; without it they fail.
    std::optional<ui::URL> baseURL;
    // Only file: URLs load; http(s) URLs fail at once, without touching the network.
    bool offline = false;
    // Pixels per point of the decoded images (ui::Image::decode's scale).
    double imageScale = 1;
    // Threads that read files and decode; 0 picks the number of cores, at most 4.
    std::size_t decodeThreads = 0;
    // Sent as the User-Agent header.
    std::string userAgent = "kivo-net/0.1";
};

class ImageProvider : public KIVOImageDownloadTaskProvider,
                      public std::enable_shared_from_this<ImageProvider> {
public:
    static std::shared_ptr<ImageProvider> create(ImageProviderOptions options = {});

    // A fresh task. Each task loads one picture: a second loadImageWithURL on it gets an error. A task that
    // is cancelled, or released before its completion ran, never calls its completion; when no other task
    // waits for the same URL, its download or file read stops. A task outliving its provider is safe: its
    // pending completion is dropped, and later loads report that the provider is gone.
    std::shared_ptr<KIVOImageDownloadTask> newImageDownloadTask() override;

    // Main thread: loads started and loads finished (completion delivered, or cancelled), for progress
    // lines ("images 12/40") and for waiting until a document's pictures are in.
    struct Progress {
        std::size_t started = 0;
        std::size_t finished = 0;
    };
    Progress progress() const;

    // Any thread.
    struct Statistics {
        std::size_t transfers = 0;    // downloads and file reads started
        std::size_t cacheHits = 0;    // loads answered from the memory cache
        std::size_t coalesced = 0;    // loads that joined a download of the same URL already under way
        std::size_t cachedImages = 0; // pictures in the memory cache now
        std::size_t cachedBytes = 0;  // their decoded bytes
    };
    Statistics statistics() const;

    // Empties the memory cache; loads under way are not affected.
    void clearMemoryCache();

    const ImageProviderOptions& options() const { return options_; }

    // Stops all transfers and joins the provider's threads; completions still pending are dropped.
    ~ImageProvider() override;
    ImageProvider(const ImageProvider&) = delete;
    ImageProvider& operator=(const ImageProvider&) = delete;

private:
    struct Engine;
    class Task;
    explicit ImageProvider(ImageProviderOptions options);

    ImageProviderOptions options_;
    std::unique_ptr<Engine> engine_;
};

} // namespace kivo::net
