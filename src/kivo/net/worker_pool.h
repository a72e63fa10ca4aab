#pragma once

// A fixed set of threads running posted jobs in posting order. The image provider reads files and decodes
// pictures on it, so that neither the main thread nor the transfer thread does that work.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kivo::net::detail {

class WorkerPool {
public:
    using Job = std::function<void()>;

    // At least one thread.
    explicit WorkerPool(std::size_t threads);
    // Drops the jobs not started yet and waits for the running ones.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Any thread. Ignored once the pool is being destroyed.
    void post(Job job);

private:
    void work();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

} // namespace kivo::net::detail
