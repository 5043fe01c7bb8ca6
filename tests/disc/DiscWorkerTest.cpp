// DiscWorkerTest.cpp -- the library thread: calls, jobs, and callbacks onto waiting callers.
#include "disc/DiscWorker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

namespace tessaly {
namespace {

TEST(DiscWorker, CallsRunOnTheWorkerAndReturnTheirResult) {
    DiscWorker worker;
    const auto caller = std::this_thread::get_id();
    std::thread::id ranOn;
    const int result = worker.call([&] {
        ranOn = std::this_thread::get_id();
        return 42;
    });
    EXPECT_EQ(result, 42);
    EXPECT_NE(ranOn, caller);
    EXPECT_THROW(worker.call([]() -> int { throw std::runtime_error("x"); }), std::runtime_error);
}

TEST(DiscWorker, CallbacksRunOnTheWaitingCallerAndMayCallAgain) {
    DiscWorker worker;
    const auto caller = std::this_thread::get_id();
    std::vector<std::string> order;
    worker.call([&] {
        order.push_back("work");
        EXPECT_TRUE(worker.hasCaller());
        worker.runOnCaller([&] {
            EXPECT_EQ(std::this_thread::get_id(), caller);
            // A listener asking the control something while an event is delivered.
            const int nested = worker.call([&] {
                order.push_back("nested");
                return 7;
            });
            order.push_back("callback " + std::to_string(nested));
        });
        order.push_back("after");
    });
    EXPECT_EQ(order, (std::vector<std::string>{"work", "nested", "callback 7", "after"}));
}

TEST(DiscWorker, JobsRunInOrderAndServeCallsWhileTheyWait) {
    DiscWorker worker;
    std::promise<void> jobRunning;
    std::atomic<bool> release{false};
    std::vector<int> done;
    worker.post([&] {
        EXPECT_FALSE(worker.hasCaller());
        jobRunning.set_value();
        while (!release)
            worker.serveCallsFor(std::chrono::milliseconds(10));
        done.push_back(1);
    });
    worker.post([&] { done.push_back(2); });
    jobRunning.get_future().wait();
    // Answered by the running job's wait, not after it.
    EXPECT_EQ(worker.call([&] { return static_cast<int>(done.size()); }), 0);
    release = true;
    std::vector<int> seen;
    for (int i = 0; i < 400 && seen.size() < 2; ++i) {
        seen = worker.call([&] { return done; });
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2}));
}

} // namespace
} // namespace tessaly
