#include "kivo/net/image_provider.h"

#include "kivo/net/file_source.h"
#include "kivo/net/memory_cache.h"
#include "kivo/net/transfer_loop.h"
#include "kivo/net/worker_pool.h"

#include <ui/graphics/image.h>
#include <ui/runloop/dispatch_queue.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kivo::net {

namespace detail {

struct Load;

// Where one call of loadImageWithURL stands. `phase` settles the race between delivery and cancel: whoever
// moves it away from `loading` first wins, and only delivery calls the completion. Both run on the main
// thread, so a task cancelled there never sees its completion run afterwards.
struct TaskState {
    enum Phase : int { idle, loading, done, cancelled };
    std::atomic<int> phase{idle};
    // Main thread only.
    KIVOImageDownloadTask::Completion completion;
    // The load this task waits for; guarded by the engine's mutex.
    std::weak_ptr<Load> load;
};

// One download (or file read) and decode of one resolved URL, shared by every task that asked for that URL
// while it was under way.
struct Load {
    enum class Source { http, file };
    enum class Stage { queued, fetching, reading, decoding, finished };

    std::string key; // the resolved URL's text: cache key and what error messages name
    Source source = Source::http;
    std::string path; // for file loads

    // Guarded by the engine's mutex.
    Stage stage = Stage::queued;
    TransferLoop::Id transferId = 0;
    std::vector<std::shared_ptr<TaskState>> waiters;

    // Set (under the mutex) when the last waiter cancelled; workers read it to skip work early.
    std::atomic<bool> abandoned{false};
};

// What delivery blocks on the main queue share with the provider: the progress counters and whether the
// provider is still there.
struct Hub {
    std::atomic<std::size_t> started{0};
    std::atomic<std::size_t> finished{0};
    std::atomic<bool> closed{false};
};

namespace {

std::string loadFailure(const std::string& url, const std::string& why) {
    return "could not load image " + url + ": " + why;
}

// Hands the outcome to the waiters' completions on the main thread. Each waiter still loading gets it
// once; cancelled ones and everything after the provider went away are skipped. The waiters (and with
// them the completions and whatever those capture) are released on the main thread too.
void deliver(const std::shared_ptr<Hub>& hub, std::vector<std::shared_ptr<TaskState>> waiters,
             std::shared_ptr<ui::Image> image, std::optional<std::string> error) {
    if (waiters.empty()) {
        return;
    }
    ui::DispatchQueue::main().async(
        [hub, waiters = std::move(waiters), image = std::move(image), error = std::move(error)] {
            if (hub->closed.load()) {
                return;
            }
            for (const std::shared_ptr<TaskState>& waiter : waiters) {
                int expected = TaskState::loading;
                if (!waiter->phase.compare_exchange_strong(expected, TaskState::done)) {
                    continue;
                }
                hub->finished.fetch_add(1);
                KIVOImageDownloadTask::Completion completion = std::move(waiter->completion);
                waiter->completion = nullptr;
                if (completion) {
                    completion(image, error);
                }
            }
        });
}

} // namespace
} // namespace detail

using detail::Hub;
using detail::Load;
using detail::TaskState;

// The provider's machinery. Its threads (the transfer loop's and the workers) only touch it under `mutex`
// and only while `stopping` is false; shutdown() sets it and then joins them, so nothing runs on a
// destroyed engine.
struct ImageProvider::Engine {
    explicit Engine(const ImageProviderOptions& options);

    void load(const std::shared_ptr<TaskState>& state, const ui::URL& url);
    void abandon(const std::shared_ptr<TaskState>& state);
    void shutdown();

    void pumpLocked();
    void onTransferEnded(const std::shared_ptr<Load>& load, detail::TransferResult result);
    void readFile(const std::shared_ptr<Load>& load);
    void decode(const std::shared_ptr<Load>& load, const std::vector<unsigned char>& bytes);
    void finishLocked(Load& load, std::shared_ptr<ui::Image> image, std::optional<std::string> error);

    const ImageProviderOptions options;
    const std::shared_ptr<Hub> hub = std::make_shared<Hub>();

    mutable std::mutex mutex;
    bool stopping = false;
    detail::MemoryCache cache;
    std::unordered_map<std::string, std::shared_ptr<Load>> inFlight; // loads not finished nor abandoned
    std::deque<std::shared_ptr<Load>> queue;                         // waiting for a transfer slot
    std::size_t active = 0;                                          // transfer slots taken
    Statistics statistics;
    std::unique_ptr<detail::TransferLoop> transfers; // made at the first download
    std::unique_ptr<detail::WorkerPool> workers;
};

ImageProvider::Engine::Engine(const ImageProviderOptions& options)
    : options(options), cache(options.memoryCacheBytes) {
    std::size_t threads = options.decodeThreads;
    if (threads == 0) {
        threads = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 4);
    }
    workers = std::make_unique<detail::WorkerPool>(threads);
}

void ImageProvider::Engine::load(const std::shared_ptr<TaskState>& state, const ui::URL& requested) {
    hub->started.fetch_add(1);
    const auto fail = [&](std::string message) {
        detail::deliver(hub, {state}, nullptr, std::move(message));
    };

    std::optional<ui::URL> resolved;
    if (requested.isAbsolute()) {
        resolved = requested;
    } else if (!options.baseURL) {
        return fail(
            detail::loadFailure(requested.string(), "a relative URL needs a base URL, and none is set"));
    } else {
        resolved = requested.resolvedAgainst(*options.baseURL);
        if (!resolved) {
            return fail(detail::loadFailure(requested.string(), "the base URL " + options.baseURL->string() +
                                                                    " is not absolute"));
        }
    }
    const std::string& key = resolved->string();
    const std::string scheme = resolved->scheme();
    Load::Source source = Load::Source::http;
    std::string path;
    if (scheme == "http" || scheme == "https") {
        if (options.offline) {
            return fail(detail::loadFailure(key, "working offline, only file: URLs are loaded"));
        }
    } else if (scheme == "file") {
        std::optional<std::string> local = resolved->fileSystemPath();
        if (!local || local->empty()) {
            return fail(detail::loadFailure(key, "not a path on this machine"));
        }
        source = Load::Source::file;
        path = std::move(*local);
    } else {
        return fail(detail::loadFailure(key, "unsupported URL scheme \"" + scheme +
                                                 "\" (only http, https and file are loaded)"));
    }

    std::lock_guard lock(mutex);
    if (stopping) {
        return fail(detail::loadFailure(key, "the image provider is shutting down"));
    }
    if (std::shared_ptr<ui::Image> image = cache.find(key)) {
        ++statistics.cacheHits;
        detail::deliver(hub, {state}, std::move(image), std::nullopt);
        return;
    }
    if (const auto found = inFlight.find(key); found != inFlight.end()) {
        found->second->waiters.push_back(state);
        state->load = found->second;
        ++statistics.coalesced;
        return;
    }
    auto load = std::make_shared<Load>();
    load->key = key;
    load->source = source;
    load->path = std::move(path);
    load->waiters.push_back(state);
    state->load = load;
    inFlight.emplace(key, load);
    queue.push_back(std::move(load));
    pumpLocked();
}

void ImageProvider::Engine::abandon(const std::shared_ptr<TaskState>& state) {
    std::lock_guard lock(mutex);
    std::shared_ptr<Load> load = state->load.lock();
    state->load.reset();
    if (stopping || !load || load->stage == Load::Stage::finished) {
        return;
    }
    std::erase(load->waiters, state);
    if (!load->waiters.empty()) {
        return;
    }
    // Nobody wants this picture any more: stop whatever is under way for it.
    load->abandoned.store(true);
    if (const auto found = inFlight.find(load->key); found != inFlight.end() && found->second == load) {
        inFlight.erase(found);
    }
    switch (load->stage) {
    case Load::Stage::queued:
        std::erase(queue, load);
        load->stage = Load::Stage::finished;
        break;
    case Load::Stage::fetching:
        // The slot is given back when the transfer loop reports the transfer ended.
        transfers->cancel(load->transferId);
        break;
    case Load::Stage::reading:
    case Load::Stage::decoding:
    case Load::Stage::finished:
        // A worker has it; it sees `abandoned` and drops the result.
        break;
    }
}

void ImageProvider::Engine::pumpLocked() {
    const std::size_t limit = std::max<std::size_t>(options.maxConcurrentTransfers, 1);
    while (!stopping && active < limit && !queue.empty()) {
        std::shared_ptr<Load> load = std::move(queue.front());
        queue.pop_front();
        ++active;
        ++statistics.transfers;
        if (load->source == Load::Source::file) {
            load->stage = Load::Stage::reading;
            workers->post([this, load] { readFile(load); });
            continue;
        }
        if (!transfers) {
            detail::TransferLimits limits;
            limits.connectTimeout = options.connectTimeout;
            limits.totalTimeout = options.totalTimeout;
            limits.maxBodyBytes = std::max<std::size_t>(options.maxBodyBytes, 1);
            limits.maxRedirects = options.maxRedirects;
            limits.userAgent = options.userAgent;
            transfers = std::make_unique<detail::TransferLoop>(std::move(limits));
        }
        load->stage = Load::Stage::fetching;
        load->transferId = transfers->start(load->key, [this, load](detail::TransferResult result) {
            onTransferEnded(load, std::move(result));
        });
        if (load->transferId == 0) {
            --active;
            finishLocked(*load, nullptr, detail::loadFailure(load->key, "libcurl could not be set up"));
        }
    }
}

void ImageProvider::Engine::onTransferEnded(const std::shared_ptr<Load>& load,
                                            detail::TransferResult result) {
    std::lock_guard lock(mutex);
    if (stopping) {
        return;
    }
    --active;
    if (result.outcome == detail::TransferResult::Outcome::cancelled || load->abandoned.load()) {
        load->stage = Load::Stage::finished;
    } else if (result.outcome == detail::TransferResult::Outcome::failed) {
        finishLocked(*load, nullptr, detail::loadFailure(load->key, result.error));
    } else {
        load->stage = Load::Stage::decoding;
        workers->post([this, load, bytes = std::move(result.body)] { decode(load, bytes); });
    }
    pumpLocked();
}

void ImageProvider::Engine::readFile(const std::shared_ptr<Load>& load) {
    detail::FileContents contents;
    if (!load->abandoned.load()) {
        contents = detail::readWholeFile(load->path, std::max<std::size_t>(options.maxBodyBytes, 1));
    }
    {
        std::lock_guard lock(mutex);
        if (stopping) {
            return;
        }
        --active;
        pumpLocked();
        if (load->abandoned.load()) {
            load->stage = Load::Stage::finished;
            return;
        }
        if (!contents.error.empty()) {
            finishLocked(*load, nullptr,
                         detail::loadFailure(load->key, "cannot read " + load->path + ": " + contents.error));
            return;
        }
        load->stage = Load::Stage::decoding;
    }
    decode(load, contents.bytes);
}

void ImageProvider::Engine::decode(const std::shared_ptr<Load>& load,
                                   const std::vector<unsigned char>& bytes) {
    if (load->abandoned.load()) {
        std::lock_guard lock(mutex);
        load->stage = Load::Stage::finished;
        return;
    }
    ui::ImageDecodeResult decoded = ui::Image::decode(bytes, options.imageScale);
    std::vector<std::shared_ptr<ui::Image>> evicted;
    {
        std::lock_guard lock(mutex);
        if (stopping) {
            return;
        }
        if (decoded.image) {
            if (!load->abandoned.load()) {
                evicted = cache.insert(load->key, decoded.image);
            }
            finishLocked(*load, std::move(decoded.image), std::nullopt);
        } else {
            finishLocked(*load, nullptr, "could not decode image " + load->key + ": " + decoded.error);
        }
    }
    // Evicted pictures are released here, outside the lock.
}

void ImageProvider::Engine::finishLocked(Load& load, std::shared_ptr<ui::Image> image,
                                         std::optional<std::string> error) {
    if (load.stage == Load::Stage::finished) {
        return;
    }
    load.stage = Load::Stage::finished;
    if (load.abandoned.load()) {
        return;
    }
    if (const auto found = inFlight.find(load.key); found != inFlight.end() && found->second.get() == &load) {
        inFlight.erase(found);
    }
    detail::deliver(hub, std::move(load.waiters), std::move(image), std::move(error));
    load.waiters.clear();
}

void ImageProvider::Engine::shutdown() {
    hub->closed.store(true);
    std::unique_ptr<detail::TransferLoop> loop;
    std::unique_ptr<detail::WorkerPool> pool;
    std::vector<std::shared_ptr<TaskState>> waiters;
    std::unordered_map<std::string, std::shared_ptr<Load>> loads;
    std::deque<std::shared_ptr<Load>> queued;
    {
        std::lock_guard lock(mutex);
        if (stopping) {
            return;
        }
        stopping = true;
        loop = std::move(transfers);
        pool = std::move(workers);
        // The waiting tasks (and their completions) are released here on the calling thread, not on
        // whichever thread happens to drop a load last.
        for (auto& [key, load] : inFlight) {
            load->abandoned.store(true);
            std::move(load->waiters.begin(), load->waiters.end(), std::back_inserter(waiters));
            load->waiters.clear();
        }
        loads.swap(inFlight);
        queued.swap(queue);
    }
    // Both join their threads; a thread waiting for the mutex meanwhile finds `stopping` set and leaves.
    loop.reset();
    pool.reset();
}

// --- the task --------------------------------------------------------------------------------------

class ImageProvider::Task : public KIVOImageDownloadTask {
public:
    explicit Task(std::weak_ptr<ImageProvider> provider) : provider_(std::move(provider)) {}
    // A task released before its completion ran counts as cancelled.
    ~Task() override { cancel(); }

    void loadImageWithURL(const ui::URL& url, Completion completion) override {
        int expected = TaskState::idle;
        if (!state_->phase.compare_exchange_strong(expected, TaskState::loading)) {
            if (expected == TaskState::cancelled) {
                return;
            }
            postFailure(std::move(completion),
                        detail::loadFailure(url.string(), "this download task was used before; each picture "
                                                          "needs a new task from the provider"));
            return;
        }
        const std::shared_ptr<ImageProvider> provider = provider_.lock();
        if (!provider || !provider->engine_) {
            state_->phase.store(TaskState::done);
            postFailure(std::move(completion),
                        detail::loadFailure(url.string(), "the image provider is gone"));
            return;
        }
        state_->completion = std::move(completion);
        provider->engine_->load(state_, url);
    }

    void cancel() override {
        int expected = TaskState::loading;
        if (state_->phase.compare_exchange_strong(expected, TaskState::cancelled)) {
            if (const std::shared_ptr<ImageProvider> provider = provider_.lock();
                provider && provider->engine_) {
                provider->engine_->hub->finished.fetch_add(1);
                provider->engine_->abandon(state_);
            }
            Completion released = std::move(state_->completion);
            state_->completion = nullptr;
        } else if (expected == TaskState::idle) {
            state_->phase.compare_exchange_strong(expected, TaskState::cancelled);
        }
    }

private:
    static void postFailure(Completion completion, std::string message) {
        if (!completion) {
            return;
        }
        ui::DispatchQueue::main().async([completion = std::move(completion), message = std::move(message)] {
            completion(nullptr, message);
        });
    }

    std::weak_ptr<ImageProvider> provider_;
    std::shared_ptr<TaskState> state_ = std::make_shared<TaskState>();
};

// --- the provider ----------------------------------------------------------------------------------

std::shared_ptr<ImageProvider> ImageProvider::create(ImageProviderOptions options) {
    return std::shared_ptr<ImageProvider>(new ImageProvider(std::move(options)));
}

ImageProvider::ImageProvider(ImageProviderOptions options)
    : options_(std::move(options)), engine_(std::make_unique<Engine>(options_)) {}

ImageProvider::~ImageProvider() {
    engine_->shutdown();
}

std::shared_ptr<KIVOImageDownloadTask> ImageProvider::newImageDownloadTask() {
    return std::make_shared<Task>(weak_from_this());
}

ImageProvider::Progress ImageProvider::progress() const {
    return Progress{engine_->hub->started.load(), engine_->hub->finished.load()};
}

ImageProvider::Statistics ImageProvider::statistics() const {
    std::lock_guard lock(engine_->mutex);
    Statistics statistics = engine_->statistics;
    statistics.cachedImages = engine_->cache.count();
    statistics.cachedBytes = engine_->cache.bytes();
    return statistics;
}

void ImageProvider::clearMemoryCache() {
    std::vector<std::shared_ptr<ui::Image>> released;
    std::lock_guard lock(engine_->mutex);
    released = engine_->cache.clear();
}

} // namespace kivo::net
