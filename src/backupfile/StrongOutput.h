// StrongOutput.h -- a strong backup file encrypted while its archive is being written.
#pragma once

#include "archive/ArchiveOutput.h"
#include "backupfile/StrongContainer.h"
#include "platform/UnnamedFile.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace tessaly {

// libzip goes back to complete each member's header, and a secret stream cannot, so the archive is
// staged in an unnamed file in the folder of `staging` (the run's private folder). A second thread derives
// the key meanwhile and encrypts the staged archive up to the member being written: when libzip goes back to
// a header, all before it is final. At commit only the last member and the central directory are left to
// encrypt.
class StrongOutput : public ArchiveOutput {
public:
    // whileWaiting, when given, runs every few milliseconds while commit waits for the second thread
    // (a window lets its events run).
    StrongOutput(std::filesystem::path sealed, std::filesystem::path staging, const std::string& password,
                 KdfParameters kdf = {}, std::function<void()> whileWaiting = {});
    ~StrongOutput() override;

    void begin() override;
    void write(std::uint64_t offset, const char* data, std::size_t n) override;
    void commit(std::uint64_t size) override;
    void rollback() noexcept override;

private:
    void seal();
    void stopSealing() noexcept;

    std::filesystem::path sealed_;
    std::filesystem::path staging_;
    std::string password_; // wiped once the key is derived
    KdfParameters kdf_;
    std::function<void()> whileWaiting_;
    std::unique_ptr<UnnamedFile> staged_;
    int stagingFd_ = -1;
    std::uint64_t highWater_ = 0;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::uint64_t final_ = 0; // staged bytes libzip will not write again
    bool complete_ = false;   // final_ is the whole archive
    bool abandon_ = false;
    bool sealerEnded_ = false;
    std::atomic<std::uint64_t> sealedUpTo_{0};
    std::atomic<bool> failed_{false};
    std::exception_ptr failure_;
    std::thread sealer_;
};

} // namespace tessaly
