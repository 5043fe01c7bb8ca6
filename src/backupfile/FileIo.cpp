// FileIo.cpp -- reading and writing whole buffers through file descriptors, retrying short transfers.
#include "backupfile/FileIo.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaly {

namespace {

[[noreturn]] void fail(const char* what, const std::filesystem::path& path, int err) {
    throw std::runtime_error(std::string(what) + " " + path.string() + ": " + std::strerror(err));
}

} // namespace

Fd::~Fd() {
    if (fd_ >= 0)
        ::close(fd_);
}

void Fd::close(const std::filesystem::path& path) {
    int fd = fd_;
    fd_ = -1;
    if (fd >= 0 && ::close(fd) != 0)
        fail("cannot write", path, errno);
}

Fd openForReading(const std::filesystem::path& path) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        fail("cannot open", path, errno);
    return fd;
}

Fd openForWriting(const std::filesystem::path& path, unsigned mode) {
    Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, mode));
    if (fd.get() < 0)
        fail("cannot create", path, errno);
    // Truncated only when it holds something: a truncation makes ext4 flush the whole file to disk on
    // close, which for an unnamed temporary file is wasted time.
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || (st.st_size > 0 && ::ftruncate(fd.get(), 0) != 0))
        fail("cannot create", path, errno);
    return fd;
}

Fd createNewFile(const std::filesystem::path& path) {
    Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (fd.get() < 0)
        fail("cannot create", path, errno);
    return fd;
}

std::uint64_t fileSize(int fd, const std::filesystem::path& path) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        fail("cannot read", path, errno);
    return static_cast<std::uint64_t>(st.st_size);
}

namespace {

// One loop for both kinds of transfer: from the current position (offset < 0) or at an offset.
// Reading stops at the end of the file; writing treats no progress as a full disk.
template <class Transfer>
std::size_t transferAll(Transfer transfer, std::size_t size, bool writing,
                        const std::filesystem::path& path) {
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = transfer(done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || (n == 0 && writing))
            fail(writing ? "cannot write" : "cannot read", path, n < 0 ? errno : ENOSPC);
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

} // namespace

std::size_t readUpTo(int fd, char* data, std::size_t size, const std::filesystem::path& path) {
    return transferAll([&](std::size_t done) { return ::read(fd, data + done, size - done); }, size, false,
                       path);
}

std::size_t readAt(int fd, char* data, std::size_t size, std::uint64_t offset,
                   const std::filesystem::path& path) {
    return transferAll(
        [&](std::size_t done) {
            return ::pread(fd, data + done, size - done, static_cast<off_t>(offset + done));
        },
        size, false, path);
}

void writeAll(int fd, const char* data, std::size_t size, const std::filesystem::path& path) {
    transferAll([&](std::size_t done) { return ::write(fd, data + done, size - done); }, size, true, path);
}

void writeAt(int fd, const char* data, std::size_t size, std::uint64_t offset,
             const std::filesystem::path& path) {
    transferAll(
        [&](std::size_t done) {
            return ::pwrite(fd, data + done, size - done, static_cast<off_t>(offset + done));
        },
        size, true, path);
}

void syncAndClose(Fd& fd, const std::filesystem::path& path) {
    if (::fsync(fd.get()) != 0)
        fail("cannot write", path, errno);
    fd.close(path);
}

} // namespace tessaly
