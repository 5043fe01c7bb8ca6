// ProgressRelay.h -- bytes extracted on worker threads, shown by the calling thread, which alone may
// talk to the Ui.
#pragma once

#include "platform/Ui.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <mutex>
#include <string>

namespace tessaly {

// Workers add their bytes; a worker that gets more than one progress step ahead of what the calling
// thread has shown waits for it, so the bar moves as steadily as when one thread does all the work.
class ProgressRelay {
public:
    // ui may be null: then nothing is shown and nobody waits.
    ProgressRelay(Ui* ui, std::uint64_t totalBytes)
        : ui_(ui), total_(totalBytes),
          window_(ui ? ui->progressStepBytes() : std::numeric_limits<std::uint64_t>::max()) {}

    // From a worker.
    void add(const std::string& file, std::uint64_t bytes) {
        std::unique_lock<std::mutex> lock(mutex_);
        done_ += bytes;
        file_ = file;
        news_.notify_all();
        news_.wait(lock, [&] { return done_ - shown_ <= window_; });
    }

    // From a worker whose entry has ended, so that the calling thread need not wait out its pause.
    void entryEnded() {
        std::lock_guard<std::mutex> lock(mutex_);
        ++ended_;
        news_.notify_all();
    }

    // From the calling thread: waits up to `pause` for news, shows it and lets the Ui pump its events.
    void showNews(std::chrono::milliseconds pause) {
        std::unique_lock<std::mutex> lock(mutex_);
        news_.wait_for(lock, pause, [&] { return done_ != shown_ || ended_ != seenEnded_; });
        seenEnded_ = ended_;
        bool moved = done_ != shown_;
        shown_ = done_;
        std::string file = file_;
        std::uint64_t done = done_;
        lock.unlock();
        news_.notify_all();
        if (!ui_)
            return;
        if (moved)
            ui_->reportBytes(file, done, total_);
        else
            ui_->pumpEvents();
    }

    // From the calling thread when it stops showing (an error on its way out): no worker waits any more.
    void release() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            window_ = std::numeric_limits<std::uint64_t>::max();
        }
        news_.notify_all();
    }

    // From the calling thread, for bytes it extracted itself.
    void addHere(const std::string& file, std::uint64_t bytes) {
        std::uint64_t done;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done = shown_ = done_ += bytes;
        }
        news_.notify_all();
        if (ui_)
            ui_->reportBytes(file, done, total_);
    }

private:
    Ui* ui_;
    std::uint64_t total_;
    std::uint64_t window_;
    std::mutex mutex_;
    std::condition_variable news_;
    std::uint64_t done_ = 0;
    std::uint64_t shown_ = 0;
    std::uint64_t ended_ = 0;
    std::uint64_t seenEnded_ = 0;
    std::string file_;
};

} // namespace tessaly
