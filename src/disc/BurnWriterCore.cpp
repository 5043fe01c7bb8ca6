// BurnWriterCore.cpp -- event delivery and life of the libburn control's state.
#include "BurnWriterCore.h"

#include "BurnLibrary.h"

namespace tessaly {

BurnWriterCore::BurnWriterCore(DiscWorker& worker, std::shared_ptr<DiscListenerHub> hub, EventPoster poster)
    : worker_(worker), hub_(std::move(hub)), poster_(std::move(poster)) {}

BurnWriterCore::~BurnWriterCore() = default;

bool BurnWriterCore::start() {
    if (libraryReady_)
        return true;
    if (!acquireBurnLibrary())
        return false;
    drainBurnMessages();
    tree_ = std::make_unique<IsoTree>();
    libraryReady_ = true;
    return true;
}

void BurnWriterCore::shutdown() {
    if (!libraryReady_)
        return;
    releaseDrive(false);
    tree_.reset();
    releaseBurnLibrary();
    libraryReady_ = false;
}

// Inside a call the event reaches the caller before the call returns; from a job it goes through
// the poster to the thread that owns the windows.
void BurnWriterCore::emit(const std::function<void(DiscEvents&)>& event) {
    if (worker_.hasCaller()) {
        worker_.runOnCaller([&] { hub_->dispatch(event); });
    } else if (poster_) {
        auto hub = hub_;
        poster_([hub, event] { hub->dispatch(event); });
    }
}

void BurnWriterCore::finishJob(const std::function<void(DiscEvents&)>& lastEvent) {
    invalidate();
    busy_ = false;
    emit(lastEvent);
}

void BurnWriterCore::failJob(int kind, int code, const std::string& text, const std::string& sense) {
    finishJob([=](DiscEvents& e) { e.DriveError(kind, code, text, sense); });
}

void BurnWriterCore::invalidate() {
    cachedBlocks_ = -1;
    factsValid_ = false;
}

void BurnWriterCore::abortWrite() {
    abort_ = true;
    std::lock_guard lock(cancelMutex_);
    if (writingDrive_)
        burn::burn_drive_cancel(writingDrive_);
}

} // namespace tessaly
