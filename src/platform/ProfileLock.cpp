// ProfileLock.cpp -- flock on the prefix's lock file, with the holder's description written into it.
#include "platform/ProfileLock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace tessaly {

namespace {

std::string holderText(int fd) {
    char buf[256];
    ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
    std::string text(buf, n > 0 ? static_cast<size_t>(n) : 0);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\0'))
        text.pop_back();
    return text.empty() ? "another Tessaly run" : text;
}

} // namespace

std::filesystem::path ProfileLock::lockFile(const std::filesystem::path& prefix) {
    return prefix / ".tessaly-lock";
}

ProfileLock::ProfileLock(const std::filesystem::path& prefix, const std::string& what,
                         std::chrono::milliseconds patience) {
    std::filesystem::path file = lockFile(prefix);
    // Never through a link (a planted one would have its target truncated), never a FIFO or device.
    fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    struct stat st {};
    if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd_);
        fd_ = -1;
        errno = EINVAL;
    }
    if (fd_ < 0) {
        const int err = errno;
        throw ProfileLockFailed("Cannot lock the profile " + prefix.string() + " (" + file.string() + "): " +
                                    (err == ELOOP || err == EINVAL ? std::string("it is not a regular file")
                                                                   : std::string(std::strerror(err))),
                                err);
    }
    auto deadline = std::chrono::steady_clock::now() + patience;
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            int err = errno;
            ::close(fd_);
            fd_ = -1;
            throw ProfileLockFailed("Cannot lock the profile " + prefix.string() + ": " + std::strerror(err),
                                    err);
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            std::string holder = holderText(fd_);
            ::close(fd_);
            fd_ = -1;
            throw ProfileBusy("The profile " + prefix.string() + " is being changed by " + holder +
                              "; try again when it has finished.");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::string text = what + " (process " + std::to_string(::getpid()) + ")\n";
    if (::ftruncate(fd_, 0) == 0 && ::pwrite(fd_, text.data(), text.size(), 0) < 0) {
        // The description is only for other runs' messages; the lock holds without it.
    }
}

ProfileLock::~ProfileLock() {
    if (fd_ >= 0) {
        if (::ftruncate(fd_, 0) != 0) {
            // Same as above: a stale description is harmless once the lock is gone.
        }
        ::close(fd_);
    }
}

} // namespace tessaly
