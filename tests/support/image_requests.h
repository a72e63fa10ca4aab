#pragma once

// Helpers for tests of image download tasks: a recording completion, and a gate that holds loopback
// server handlers until the test lets them go.

#include <kivo/views/image_loading.h>
#include <ui/foundation/url.h>
#include <ui/runloop/main_thread.h>
#include <ui/runloop/run_loop.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace kivo::test_support {

// What one completion received, and how it was called.
struct ImageOutcome {
    int calls = 0;
    std::shared_ptr<ui::Image> image;
    std::optional<std::string> error;
    bool onMainThread = false;
    bool duringLoadCall = false;
};

// One load: the task (kept, since a released task counts as cancelled) and what its completion saw.
struct ImageRequest {
    std::shared_ptr<KIVOImageDownloadTask> task;
    std::shared_ptr<ImageOutcome> outcome = std::make_shared<ImageOutcome>();

    bool completed() const { return outcome->calls > 0; }
};

// Asks `provider` for a task and starts loading `url` with a recording completion.
inline ImageRequest requestImage(KIVOImageDownloadTaskProvider& provider, const ui::URL& url) {
    ImageRequest request;
    request.task = provider.newImageDownloadTask();
    auto outcome = request.outcome;
    auto inCall = std::make_shared<bool>(true);
    request.task->loadImageWithURL(
        url, [outcome, inCall](std::shared_ptr<ui::Image> image, std::optional<std::string> error) {
            ++outcome->calls;
            outcome->image = std::move(image);
            outcome->error = std::move(error);
            outcome->onMainThread = ui::isMainThread();
            outcome->duringLoadCall = *inCall;
        });
    *inCall = false;
    return request;
}

inline ImageRequest requestImage(KIVOImageDownloadTaskProvider& provider, const std::string& url) {
    return requestImage(provider, *ui::URL::fromString(url));
}

// Holds server handlers in pass() until the test releases them one by one (release) or all at once (open),
// counting how many are inside at once. A guard lets a forgotten handler go after 30 seconds so that a
// failing test cannot hang the server's shutdown. Every change wakes the main run loop, whose predicates
// read these counts.
class Gate {
public:
    void pass() {
        std::unique_lock lock(mutex_);
        ++arrived_;
        ++inside_;
        maxInside_ = std::max(maxInside_, inside_);
        changed();
        changed_.wait_for(lock, std::chrono::seconds(30), [this] { return open_ || permits_ > 0; });
        if (!open_ && permits_ > 0) {
            --permits_;
        }
        --inside_;
        ++left_;
        changed();
    }

    void release(int count = 1) {
        std::lock_guard lock(mutex_);
        permits_ += count;
        changed();
    }
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed();
    }

    int arrived() const {
        std::lock_guard lock(mutex_);
        return arrived_;
    }
    int inside() const {
        std::lock_guard lock(mutex_);
        return inside_;
    }
    int maxInside() const {
        std::lock_guard lock(mutex_);
        return maxInside_;
    }
    int left() const {
        std::lock_guard lock(mutex_);
        return left_;
    }

private:
    void changed() {
        changed_.notify_all();
        ui::RunLoop::main().wakeUp();
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    int arrived_ = 0;
    int inside_ = 0;
    int maxInside_ = 0;
    int left_ = 0;
    int permits_ = 0;
    bool open_ = false;
};

// Opens a gate when it goes out of scope. Declare the gate before the server (so that it outlives the
// handlers waiting in it) and the opener after the server (so that those handlers are let go before the
// server stops and waits for them), also when a failed assertion leaves the test early.
class [[nodiscard]] GateOpener {
public:
    explicit GateOpener(Gate& gate) : gate_(gate) {}
    ~GateOpener() { gate_.open(); }
    GateOpener(const GateOpener&) = delete;
    GateOpener& operator=(const GateOpener&) = delete;

private:
    Gate& gate_;
};

} // namespace kivo::test_support
