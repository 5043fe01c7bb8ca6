// EventQueue.h -- a plain queue of posted work, the event loop of the command line and the tests.
#pragma once

#include "DiscWriter.h"

#include <chrono>
#include <functional>
#include <memory>

namespace tessaly {

class EventQueue {
public:
    EventQueue();
    ~EventQueue();

    // A poster that appends to this queue; safe to call from any thread, and harmless after the
    // queue is gone.
    EventPoster poster() const;

    // Runs queued work on the calling thread until done() holds or the timeout passes; returns done().
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    // Runs whatever is queued now, without waiting.
    void drain();

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace tessaly
