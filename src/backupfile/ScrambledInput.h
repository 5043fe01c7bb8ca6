// ScrambledInput.h -- the archive of a compatible backup file, unscrambled as it is read, so that reading
// a backup needs no plain copy of its archive.
#pragma once

#include "archive/ArchiveInput.h"
#include "backupfile/FileIo.h"
#include "backupfile/VbRandom.h"
#include "platform/CodePage.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tessaly {

class ScrambledInput : public ArchiveInput {
public:
    // Opens the backup file; the caller has checked the password. Throws ScrambleError when the file
    // cannot be read or is too short to be a backup file.
    ScrambledInput(const std::filesystem::path& file, const std::string& password, const CodePage& codePage);

    std::uint64_t size() const override { return size_; }
    void readAt(std::uint64_t offset, char* data, std::size_t n) override;

private:
    void readDirect(std::uint64_t offset, char* data, std::size_t n);

    std::filesystem::path file_;
    Fd fd_;
    std::uint64_t size_ = 0; // of the archive: the file without its trailer
    std::shared_ptr<const KeystreamTable> keystream_;
    // The bytes read last, unscrambled: libzip reads a few kilobytes at a time, mostly forwards.
    std::vector<char> window_;
    std::uint64_t windowOffset_ = 0;
};

// A compatible backup file as an archive source, named by the file.
ArchiveSource scrambledArchive(const std::filesystem::path& file, const std::string& password,
                               const CodePage& codePage);

} // namespace tessaly
