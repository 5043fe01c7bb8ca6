// WorkerPool.h -- a few threads that run queued jobs, for compressing and extracting on every core.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tessaly {

// Threads the process may run on at once (its CPU affinity, so `taskset` is honoured); at least 1.
unsigned usableCores();

// Jobs run in the order queued, each on whichever thread is free. Jobs must not throw; they report
// through their own state. The destructor lets queued jobs finish before it joins the threads.
class WorkerPool {
public:
    explicit WorkerPool(unsigned threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    unsigned size() const { return static_cast<unsigned>(threads_.size()); }
    void submit(std::function<void()> job);

private:
    void work();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

} // namespace tessaly
