// ScrambledOutput.h -- a compatible backup file written while its archive is being written, so that the
// plain archive never lies on the disk and is not read a second time.
#pragma once

#include "archive/ArchiveOutput.h"
#include "backupfile/FileIo.h"
#include "backupfile/VbRandom.h"
#include "platform/CodePage.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tessaly {

// Every archive byte is XORed with the keystream at its own offset, which is what lets libzip go back
// and rewrite a header; commit adds the password check trailer and flushes the file to the disk. The
// file is created new (mode 0600, never through a link) by begin() and removed by rollback().
class ScrambledOutput : public ArchiveOutput {
public:
    ScrambledOutput(std::filesystem::path file, const std::string& password, const CodePage& codePage);
    ~ScrambledOutput() override;

    void begin() override;
    void write(std::uint64_t offset, const char* data, std::size_t n) override;
    void commit(std::uint64_t size) override;
    void rollback() noexcept override;

private:
    std::filesystem::path file_;
    std::string trailer_;
    void flush();

    std::shared_ptr<const KeystreamTable> keystream_; // one whole period: the archive's size is not known yet
    std::unique_ptr<Fd> fd_;
    // Consecutive writes are gathered (libzip writes a few kilobytes at a time) and written as one.
    std::vector<char> pending_;
    std::uint64_t pendingOffset_ = 0;
};

} // namespace tessaly
