// EventQueue.cpp -- a plain queue of posted work.
#include "EventQueue.h"

#include <condition_variable>
#include <deque>
#include <mutex>

namespace tessaly {

struct EventQueue::State {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> work;
};

EventQueue::EventQueue() : state_(std::make_shared<State>()) {}

EventQueue::~EventQueue() = default;

EventPoster EventQueue::poster() const {
    std::weak_ptr<State> weak = state_;
    return [weak](std::function<void()> fn) {
        if (auto state = weak.lock()) {
            std::lock_guard lock(state->mutex);
            state->work.push_back(std::move(fn));
            state->wake.notify_all();
        }
    };
}

bool EventQueue::runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        std::function<void()> next;
        {
            std::unique_lock lock(state_->mutex);
            if (!state_->wake.wait_until(lock, deadline, [&] { return !state_->work.empty(); }))
                return done();
            next = std::move(state_->work.front());
            state_->work.pop_front();
        }
        next();
    }
    return true;
}

void EventQueue::drain() {
    for (;;) {
        std::function<void()> next;
        {
            std::lock_guard lock(state_->mutex);
            if (state_->work.empty())
                return;
            next = std::move(state_->work.front());
            state_->work.pop_front();
        }
        next();
    }
}

} // namespace tessaly
