// AnonymousFile.h -- a file that never has a name on disk (O_TMPFILE): plain data held there is gone
// when the process ends, however it ends.
#pragma once

#include <filesystem>
#include <initializer_list>

namespace tessaly {

class AnonymousFile {
public:
    // Made in the first of the folders whose file system can hold one. Throws std::runtime_error when
    // none can.
    explicit AnonymousFile(std::initializer_list<std::filesystem::path> folders);
    ~AnonymousFile();
    AnonymousFile(const AnonymousFile&) = delete;
    AnonymousFile& operator=(const AnonymousFile&) = delete;

    int fd() const { return fd_; }
    // A path that opens this same file ("/proc/self/fd/N"), for code that takes a path. Opening it
    // anew and truncating it is fine; removing it does nothing.
    std::filesystem::path path() const;

private:
    int fd_ = -1;
};

} // namespace tessaly
