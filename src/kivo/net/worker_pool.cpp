#include "kivo/net/worker_pool.h"

#include <algorithm>
#include <cstdio>
#include <exception>

namespace kivo::net::detail {

WorkerPool::WorkerPool(std::size_t threads) {
    threads = std::max<std::size_t>(threads, 1);
    threads_.reserve(threads);
    for (std::size_t i = 0; i < threads; ++i) {
        threads_.emplace_back([this] { work(); });
    }
}

WorkerPool::~WorkerPool() {
    std::deque<Job> dropped;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        dropped.swap(jobs_);
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) {
        thread.join();
    }
    // The dropped jobs' captures are released here, on the destroying thread, after the workers ended.
}

void WorkerPool::post(Job job) {
    if (!job) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        if (stopping_) {
            return;
        }
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void WorkerPool::work() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (stopping_) {
                return;
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        try {
            job();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "kivo::net: a worker job failed: %s\n", error.what());
        } catch (...) {
            std::fprintf(stderr, "kivo::net: a worker job failed\n");
        }
    }
}

} // namespace kivo::net::detail
