// OutputFile.cpp -- anonymous files linked into place, or hidden temporary names renamed without replacing.
#include "mailstore/OutputFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaly {

namespace {

constexpr std::size_t kWriteChunk = std::size_t{1} << 20;

[[noreturn]] void fail(const std::string& what, const std::filesystem::path& path, int error) {
    throw std::runtime_error(what + " " + path.string() + ": " + std::strerror(error));
}

} // namespace

OutputDir::OutputDir(const std::filesystem::path& path) : path_(path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    fd_ = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        fail("cannot open the folder", path, errno);
}

OutputDir::OutputDir(OutputDir&& other) noexcept : fd_(other.fd_), path_(std::move(other.path_)) {
    other.fd_ = -1;
}

OutputDir::~OutputDir() {
    if (fd_ >= 0)
        ::close(fd_);
}

OutputDir OutputDir::sub(const std::string& name) const {
    if (::mkdirat(fd_, name.c_str(), 0700) != 0 && errno != EEXIST)
        fail("cannot make the folder", path_ / name, errno);
    int fd = ::openat(fd_, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        fail("cannot open the folder", path_ / name, errno);
    return OutputDir(fd, path_ / name);
}

OutputFile::OutputFile(const OutputDir& dir) : dir_(dir) {
    fd_ = ::openat(dir.fd(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd_ >= 0)
        return;
    std::random_device random;
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        char name[40];
        std::snprintf(name, sizeof name, ".tessaly-export-%08x.part", unsigned(random()));
        fd_ = ::openat(dir.fd(), name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd_ >= 0)
            tempName_ = name;
        else if (errno != EEXIST)
            break;
    }
    if (fd_ < 0)
        fail("cannot create a file in", dir.path(), errno);
}

OutputFile::~OutputFile() {
    if (fd_ >= 0)
        ::close(fd_);
    if (!tempName_.empty())
        ::unlinkat(dir_.fd(), tempName_.c_str(), 0);
}

void OutputFile::write(std::string_view bytes) {
    buffer_.append(bytes);
    if (buffer_.size() >= kWriteChunk)
        flush();
}

void OutputFile::flush() {
    const char* p = buffer_.data();
    std::size_t left = buffer_.size();
    while (left > 0) {
        ssize_t n = ::write(fd_, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail("cannot write in", dir_.path(), n < 0 ? errno : ENOSPC);
        p += n;
        left -= std::size_t(n);
    }
    buffer_.clear();
}

std::string OutputFile::commit(const std::string& stem, const std::string& extension, bool durable) {
    flush();
    if (durable && ::fsync(fd_) != 0)
        fail("cannot write in", dir_.path(), errno);
    std::string procPath = "/proc/self/fd/" + std::to_string(fd_);
    for (unsigned n = 1; n < 100000; ++n) {
        std::string name = stem + (n == 1 ? "" : " (" + std::to_string(n) + ")") + extension;
        int rc = tempName_.empty()
                     ? ::linkat(AT_FDCWD, procPath.c_str(), dir_.fd(), name.c_str(), AT_SYMLINK_FOLLOW)
                     : ::renameat2(dir_.fd(), tempName_.c_str(), dir_.fd(), name.c_str(), RENAME_NOREPLACE);
        if (rc == 0) {
            tempName_.clear();
            ::close(fd_);
            fd_ = -1;
            return name;
        }
        if (errno != EEXIST)
            fail("cannot name the file", dir_.path() / name, errno);
    }
    fail("cannot name the file", dir_.path() / (stem + extension), EEXIST);
}

} // namespace tessaly
