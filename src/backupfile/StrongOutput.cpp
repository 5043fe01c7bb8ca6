// StrongOutput.cpp -- staging the archive, and the thread that encrypts what libzip has finished.
#include "backupfile/StrongOutput.h"

#include "backupfile/FileIo.h"

#include <sodium.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace tessaly {

namespace {

constexpr std::size_t kSealSlice = 16 * kStrongChunk;

} // namespace

StrongOutput::StrongOutput(std::filesystem::path sealed, std::filesystem::path staging,
                           const std::string& password, KdfParameters kdf, std::function<void()> whileWaiting)
    : sealed_(std::move(sealed)), staging_(std::move(staging)), password_(password), kdf_(kdf),
      whileWaiting_(std::move(whileWaiting)) {}

StrongOutput::~StrongOutput() {
    rollback();
    sodium_memzero(password_.data(), password_.size());
}

void StrongOutput::begin() {
    rollback();
    // The plain archive is staged without a name on disk: a kill leaves nothing of it readable.
    staged_ = std::make_unique<UnnamedFile>(staging_.parent_path().empty() ? "." : staging_.parent_path());
    stagingFd_ = staged_->fd();
    highWater_ = final_ = 0;
    sealedUpTo_ = 0;
    complete_ = abandon_ = sealerEnded_ = false;
    failed_ = false;
    failure_ = nullptr;
    sealer_ = std::thread([this] { seal(); });
}

void StrongOutput::write(std::uint64_t offset, const char* data, std::size_t n) {
    if (failed_)
        std::rethrow_exception(failure_);
    if (offset < sealedUpTo_)
        throw std::logic_error("the archive was written again where it is already encrypted");
    writeAt(stagingFd_, data, n, offset, staging_);
    if (offset < highWater_) { // back to a member's header: everything before it is final
        std::lock_guard<std::mutex> lock(mutex_);
        final_ = std::max(final_, offset);
        wake_.notify_all();
    }
    highWater_ = std::max(highWater_, offset + n);
}

void StrongOutput::commit(std::uint64_t size) {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        final_ = size;
        complete_ = true;
        wake_.notify_all();
        while (!sealerEnded_) {
            wake_.wait_for(lock, std::chrono::milliseconds(20));
            if (whileWaiting_) {
                lock.unlock();
                whileWaiting_();
                lock.lock();
            }
        }
    }
    sealer_.join();
    staged_.reset();
    stagingFd_ = -1;
    std::error_code ec;
    if (failure_) {
        std::filesystem::remove(sealed_, ec);
        std::rethrow_exception(failure_);
    }
}

void StrongOutput::rollback() noexcept {
    stopSealing();
    if (staged_) {
        staged_.reset();
        stagingFd_ = -1;
        std::error_code ec;
        std::filesystem::remove(sealed_, ec);
    }
}

void StrongOutput::stopSealing() noexcept {
    if (!sealer_.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        abandon_ = true;
    }
    wake_.notify_all();
    sealer_.join();
}

void StrongOutput::seal() {
    try {
        StrongSealer sealer(sealed_, password_, kdf_);
        sodium_memzero(password_.data(), password_.size());
        std::vector<char> slice(kSealSlice);
        std::uint64_t at = 0;
        for (;;) {
            std::uint64_t upTo;
            bool complete;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [&] { return abandon_ || complete_ || final_ >= at + kSealSlice; });
                if (abandon_)
                    break;
                complete = complete_;
                upTo = complete ? final_ : final_ - (final_ - at) % kSealSlice;
            }
            while (at < upTo) {
                std::size_t n = std::size_t(std::min<std::uint64_t>(kSealSlice, upTo - at));
                if (readAt(stagingFd_, slice.data(), n, at, staging_) != n)
                    throw std::runtime_error("the staged archive " + staging_.string() +
                                             " is shorter than written");
                sealer.add(slice.data(), n);
                at += n;
                sealedUpTo_ = at;
            }
            if (complete) {
                sealer.finish();
                break;
            }
        }
        sodium_memzero(slice.data(), slice.size());
    } catch (...) {
        failure_ = std::current_exception();
        failed_ = true;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    sealerEnded_ = true;
    wake_.notify_all();
}

} // namespace tessaly
