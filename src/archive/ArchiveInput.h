// ArchiveInput.h -- an archive that libzip reads through the program rather than from a plain file on the
// disk (a backup file unscrambled as it is read), and the one type every reader takes: a path or an input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

struct zip;

namespace tessaly {

// Reads may come at any offset, in any order. Errors are thrown as std::exception.
class ArchiveInput {
public:
    virtual ~ArchiveInput() = default;
    virtual std::uint64_t size() const = 0;
    // Fills `data` with the archive bytes offset .. offset + n - 1, all of them inside size().
    virtual void readAt(std::uint64_t offset, char* data, std::size_t n) = 0;
};

// The archive a reader opens: a plain zip file by its path, or an input (named for messages).
class ArchiveSource {
public:
    ArchiveSource(std::string path) : name_(std::move(path)) {}
    ArchiveSource(const char* path) : name_(path) {}
    ArchiveSource(const std::filesystem::path& path) : name_(path.string()) {}
    ArchiveSource(std::shared_ptr<ArchiveInput> input, std::string name)
        : name_(std::move(name)), input_(std::move(input)) {}

    const std::string& name() const { return name_; }
    // zip_open's flags and error code; the archive returned, or nullptr, is the caller's.
    struct zip* open(int flags, int* error) const;

private:
    std::string name_;
    std::shared_ptr<ArchiveInput> input_;
};

} // namespace tessaly
