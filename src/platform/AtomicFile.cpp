// AtomicFile.cpp -- atomic file replacement: temporary file, fsync, rename, fsync of the folder.
#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessaly {

namespace {

[[noreturn]] void fail(const std::string& what, int err) {
    throw std::runtime_error(what + ": " + std::strerror(err));
}

// Closes and removes the temporary file unless it was renamed into place.
class TempGuard {
public:
    TempGuard(std::string path, int fd) : path(std::move(path)), fd(fd) {}
    ~TempGuard() {
        if (fd >= 0)
            ::close(fd);
        if (!committed)
            ::unlink(path.c_str());
    }
    TempGuard(const TempGuard&) = delete;
    TempGuard& operator=(const TempGuard&) = delete;

    std::string path;
    int fd;
    bool committed = false;
};

fs::path resolvedTarget(const fs::path& target) {
    std::error_code ec;
    if (!fs::is_symlink(target, ec))
        return target;
    const fs::path real = fs::weakly_canonical(target, ec);
    return ec ? target : real;
}

// Like mkostemp, but created with mode 0666 less the umask, as a new target would be.
int createTempBeside(const fs::path& folder, const std::string& name, std::string& tempPath) {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix;
        for (int i = 0; i < 6; ++i)
            suffix += kChars[rd() % (sizeof kChars - 1)];
        tempPath = (folder / ("." + name + ".tmp-" + suffix)).string();
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

void syncFolder(const fs::path& folder) {
    const int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0)
        return;
    // Best effort: the rename has happened; some file systems cannot sync a folder.
    ::fsync(dfd);
    ::close(dfd);
}

} // namespace

void writeFileAtomically(const fs::path& target, std::string_view bytes, const WriteFunction& write) {
    const fs::path path = resolvedTarget(target);
    fs::path folder = path.parent_path();
    if (folder.empty())
        folder = ".";

    std::string tempPath;
    const int tempFd = createTempBeside(folder, path.filename().string(), tempPath);
    if (tempFd < 0) {
        const int err = errno;
        fail("Cannot write " + target.string() + ": cannot create a temporary file in " + folder.string(),
             err);
    }
    TempGuard temp(tempPath, tempFd);

    struct stat old {};
    if (::stat(path.c_str(), &old) == 0) {
        if (::fchown(temp.fd, old.st_uid, old.st_gid) != 0) {
            // Only allowed to root; everyone else keeps their own ownership, which is fine.
        }
        ::fchmod(temp.fd, old.st_mode & 07777);
    }

    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(temp.fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            const int err = errno;
            if (err == EINTR)
                continue;
            fail("Cannot write " + target.string(), err);
        }
        if (n == 0)
            fail("Cannot write " + target.string(), ENOSPC);
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(temp.fd) != 0) {
        const int err = errno;
        fail("Cannot write " + target.string() + " to disk", err);
    }
    const int fd = temp.fd;
    temp.fd = -1;
    if (::close(fd) != 0) {
        const int err = errno;
        fail("Cannot write " + target.string(), err);
    }
    if (::rename(temp.path.c_str(), path.c_str()) != 0) {
        const int err = errno;
        fail("Cannot replace " + target.string(), err);
    }
    temp.committed = true;
    syncFolder(folder);
}

void writeFileAtomically(const fs::path& target, std::string_view bytes) {
    writeFileAtomically(target, bytes,
                        [](int fd, const void* data, std::size_t size) { return ::write(fd, data, size); });
}

} // namespace tessaly
