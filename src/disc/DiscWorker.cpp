// DiscWorker.cpp -- the library thread, its queue, and callbacks onto waiting callers.
#include "DiscWorker.h"

namespace tessaly {

namespace {
// The caller waiting for the task that runs on this (worker) thread, if any.
thread_local void* tCurrentCaller = nullptr;
} // namespace

DiscWorker::DiscWorker() : thread_([this] { run(); }) {}

DiscWorker::~DiscWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        wake_.notify_all();
    }
    thread_.join();
}

void DiscWorker::post(std::function<void()> fn) {
    std::lock_guard lock(mutex_);
    tasks_.push_back(Task{std::move(fn), nullptr});
    wake_.notify_all();
}

void DiscWorker::callImpl(const std::function<void()>& fn) {
    if (onWorkerThread()) {
        fn();
        return;
    }
    CallState state;
    std::unique_lock lock(mutex_);
    tasks_.push_back(Task{fn, &state});
    wake_.notify_all();
    for (;;) {
        wake_.wait(lock, [&] { return state.done || state.callback != nullptr; });
        if (state.callback) {
            const std::function<void()>* callback = state.callback;
            lock.unlock();
            try {
                (*callback)();
            } catch (...) {
                // A listener's failure must not leave the worker waiting forever.
            }
            lock.lock();
            state.callback = nullptr;
            state.callbackDone = true;
            wake_.notify_all();
            continue;
        }
        break;
    }
    if (state.error)
        std::rethrow_exception(state.error);
}

bool DiscWorker::hasCaller() const {
    return tCurrentCaller != nullptr;
}

void DiscWorker::runOnCaller(const std::function<void()>& fn) {
    auto* caller = static_cast<CallState*>(tCurrentCaller);
    if (!caller) {
        fn();
        return;
    }
    std::unique_lock lock(mutex_);
    caller->callback = &fn;
    caller->callbackDone = false;
    wake_.notify_all();
    for (;;) {
        Task nested;
        wake_.wait(lock, [&] { return caller->callbackDone || popCall(nested); });
        if (nested.fn) {
            lock.unlock();
            runTask(nested);
            lock.lock();
            continue;
        }
        break;
    }
}

void DiscWorker::serveCallsFor(std::chrono::milliseconds wait) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
    std::unique_lock lock(mutex_);
    for (;;) {
        Task next;
        if (!wake_.wait_until(lock, deadline, [&] { return stopping_ || popCall(next); }))
            return;
        if (!next.fn)
            return;
        lock.unlock();
        runTask(next);
        lock.lock();
    }
}

// Takes the first waiting call (not a job) out of the queue. Called with the mutex held.
bool DiscWorker::popCall(Task& task) {
    for (auto it = tasks_.begin(); it != tasks_.end(); ++it) {
        if (it->caller) {
            task = std::move(*it);
            tasks_.erase(it);
            return true;
        }
    }
    return false;
}

void DiscWorker::runTask(Task& task) {
    void* previous = tCurrentCaller;
    tCurrentCaller = task.caller;
    std::exception_ptr error;
    try {
        task.fn();
    } catch (...) {
        error = std::current_exception();
    }
    tCurrentCaller = previous;
    if (task.caller) {
        std::lock_guard lock(mutex_);
        task.caller->error = error;
        task.caller->done = true;
        wake_.notify_all();
    }
}

void DiscWorker::run() {
    for (;;) {
        Task next;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || !tasks_.empty(); });
            if (tasks_.empty())
                return;
            next = std::move(tasks_.front());
            tasks_.pop_front();
        }
        runTask(next);
    }
}

} // namespace tessaly
