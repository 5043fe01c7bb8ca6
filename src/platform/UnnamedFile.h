// UnnamedFile.h -- a temporary file that has no name on disk, so that a kill, a crash or a quit leaves
// nothing of its contents readable.
#pragma once

#include <filesystem>
#include <initializer_list>

namespace tessaly {

// Made with O_TMPFILE in `folder` (where the file system cannot, created under a random name and
// unlinked at once: a kill in between leaves an empty file). path() ("/proc/self/fd/N") opens the same
// file again for as long as this object lives, so code that takes a path (libzip, say) can use it;
// it must not be renamed or removed by path. The data goes with the last descriptor.
class UnnamedFile {
public:
    explicit UnnamedFile(const std::filesystem::path& folder) : UnnamedFile({folder}) {}
    // O_TMPFILE in the first of the folders whose file system has it, else named-and-unlinked in the first.
    explicit UnnamedFile(std::initializer_list<std::filesystem::path> folders);
    ~UnnamedFile();
    UnnamedFile(const UnnamedFile&) = delete;
    UnnamedFile& operator=(const UnnamedFile&) = delete;

    int fd() const { return fd_; }
    const std::filesystem::path& path() const { return path_; }

private:
    int fd_ = -1;
    std::filesystem::path path_;
};

} // namespace tessaly
