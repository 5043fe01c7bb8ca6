// OwnerMark.cpp -- writing, locking and checking owner marks.
#include "platform/OwnerMark.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaly {

namespace {

std::string bootId() {
    std::ifstream in("/proc/sys/kernel/random/boot_id");
    std::string id;
    std::getline(in, id);
    return id;
}

} // namespace

int createNewFile(const std::filesystem::path& path, unsigned mode, bool readable) {
    return ::open(path.c_str(), (readable ? O_RDWR : O_WRONLY) | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                  mode);
}

int createOwnerMark(const std::filesystem::path& file) {
    const int fd = createNewFile(file, 0600, true);
    if (fd < 0)
        return -1;
    const std::string text =
        std::string(kOwnerMarkLine) + "\npid " + std::to_string(::getpid()) + " boot " + bootId() + "\n";
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 ||
        ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        const int err = errno ? errno : ENOSPC;
        ::close(fd);
        ::unlink(file.c_str());
        errno = err;
        return -1;
    }
    return fd;
}

bool isAbandonedMark(const std::filesystem::path& file, std::chrono::seconds minimumAge) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool abandoned = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
                     std::time(nullptr) - st.st_mtime >= minimumAge.count();
    if (abandoned) {
        const std::string line = kOwnerMarkLine;
        std::string head(line.size() + 1, '\0');
        abandoned = ::pread(fd, head.data(), head.size(), 0) == static_cast<ssize_t>(head.size()) &&
                    head == line + "\n" && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    }
    ::close(fd);
    return abandoned;
}

} // namespace tessaly
