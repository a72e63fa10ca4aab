#pragma once

// Downloads over HTTP(S) on one thread of its own, through a curl multi handle: every transfer handed to
// start() runs at once, side by side with the others, and ends by calling its `done` on that thread. The
// caller decides how many run at a time.
//
// One multi loop rather than a thread per transfer: a cancel wakes the loop, which detaches the transfer
// (closing its connection) right away instead of waiting for a blocked easy transfer to look at a flag;
// idle connections are kept and reused across transfers; and a slow server costs a socket, not a thread.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace kivo::net::detail {

struct TransferLimits {
    std::chrono::milliseconds connectTimeout{10'000}; // non-positive: no limit
    std::chrono::milliseconds totalTimeout{30'000};   // non-positive: no limit
    std::size_t maxBodyBytes = 20 * 1024 * 1024;
    long maxRedirects = 5;
    std::string userAgent;
};

struct TransferResult {
    enum class Outcome { completed, failed, cancelled };
    Outcome outcome = Outcome::failed;
    // The response body of a completed transfer (final status 2xx).
    std::vector<unsigned char> body;
    // Why a failed transfer failed, without the URL ("HTTP status 404", "connection refused...").
    std::string error;
};

// Calls curl_global_init once per process, from whichever thread comes first.
void initialiseCurl();

class TransferLoop {
public:
    using Done = std::function<void(TransferResult)>;
    using Id = std::uint64_t;

    explicit TransferLoop(TransferLimits limits);
    // Detaches every transfer and joins the thread. `done` is not called for transfers still running.
    ~TransferLoop();
    TransferLoop(const TransferLoop&) = delete;
    TransferLoop& operator=(const TransferLoop&) = delete;

    // Any thread. Starts downloading `url` (http or https only); `done` runs once on the loop's thread when
    // the transfer ends, also when it was cancelled. Returns 0, without ever calling `done`, when libcurl
    // could not be set up.
    Id start(std::string url, Done done);
    // Any thread. Stops the transfer as soon as the loop wakes; its `done` then gets Outcome::cancelled
    // (or the outcome it had already reached). Unknown or finished ids are ignored.
    void cancel(Id id);

    // One transfer; defined in the source file.
    struct Job;

private:
    void run();
    void begin(std::unique_ptr<Job> job);
    void finish(std::unique_ptr<Job> job, TransferResult result);
    TransferResult resultOf(Job& job, int code);

    const TransferLimits limits_;
    void* multi_ = nullptr; // the CURLM handle, null when libcurl could not make one
    std::atomic<bool> stopping_{false};

    std::mutex mutex_;
    Id lastId_ = 0;
    std::vector<std::unique_ptr<Job>> incoming_; // started, not yet attached to the multi handle
    std::unordered_map<Id, Job*> jobs_;          // every job not finished yet, for cancel()

    std::unordered_map<Id, std::unique_ptr<Job>> active_; // the loop thread's own: attached jobs
    std::thread thread_;
};

} // namespace kivo::net::detail
