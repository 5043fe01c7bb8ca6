// DiscWorker.h -- the one thread that makes every libburn and libisofs call.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace tessaly {

// Callers hand work to the thread and either wait for it (call) or not (post). While a caller
// waits, the work may run functions on the caller's own thread (runOnCaller) -- that is how events
// raised during a call reach the caller before the call returns. A caller that makes another call
// from inside such a function is served at once, so listeners may query the control.
class DiscWorker {
public:
    DiscWorker();
    ~DiscWorker();
    DiscWorker(const DiscWorker&) = delete;
    DiscWorker& operator=(const DiscWorker&) = delete;

    // Runs fn on the worker thread and returns its result.
    template <class F> auto call(F&& fn) -> decltype(fn()) {
        using R = decltype(fn());
        if constexpr (std::is_void_v<R>) {
            callImpl([&] { fn(); });
        } else {
            R result{};
            callImpl([&] { result = fn(); });
            return result;
        }
    }
    // Queues fn (a job) to run on the worker thread; jobs run one after another.
    void post(std::function<void()> fn);

    // On the worker: whether a caller is waiting for the work that runs now.
    bool hasCaller() const;
    // On the worker: runs fn on the waiting caller's thread and returns when it has run.
    void runOnCaller(const std::function<void()>& fn);
    // On the worker, inside a job: serves calls that arrive during the next `wait`.
    void serveCallsFor(std::chrono::milliseconds wait);
    bool onWorkerThread() const { return std::this_thread::get_id() == thread_.get_id(); }

private:
    struct CallState {
        bool done = false;
        const std::function<void()>* callback = nullptr;
        bool callbackDone = false;
        std::exception_ptr error;
    };
    struct Task {
        std::function<void()> fn;
        CallState* caller = nullptr;
    };

    void callImpl(const std::function<void()>& fn);
    void run();
    void runTask(Task& task);
    bool popCall(Task& task);

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Task> tasks_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace tessaly
