// TempFiles.cpp -- Windows-style temporary file names and the private working folder.
#include "platform/TempFiles.h"

#include "platform/OwnerMark.h"
#include "platform/Utf8.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <stdexcept>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessaly {

namespace {

constexpr unsigned kMaxNumber = 0xFFFF;

// The first three characters (not bytes, so a UTF-8 character is never split).
std::string cutPrefix(const std::string& prefix) {
    if (prefix.find_first_of(std::string("/\\\0", 3)) != std::string::npos)
        throw std::invalid_argument("A temporary file prefix must not hold a path separator: \"" + prefix +
                                    "\"");
    std::size_t pos = 0;
    for (int chars = 0; chars < 3 && pos < prefix.size(); ++chars) {
        const std::size_t len = utf8::decode(prefix, pos);
        pos += len ? len : 1;
    }
    return prefix.substr(0, pos);
}

std::function<unsigned()>& numberSource() {
    static std::function<unsigned()> source;
    return source;
}

unsigned randomNumber() {
    if (numberSource())
        return 1 + numberSource()() % kMaxNumber;
    std::random_device rd;
    return 1 + rd() % kMaxNumber;
}

} // namespace

void setTempNumberSource(std::function<unsigned()> source) {
    numberSource() = std::move(source);
}

fs::path hostTempDir() {
    if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp) {
        std::error_code ec;
        if (fs::is_directory(tmp, ec))
            return fs::absolute(tmp, ec);
    }
    return "/tmp";
}

fs::path createTempFileIn(const fs::path& folder, const std::string& prefix, unsigned firstNumber) {
    const std::string stem = cutPrefix(prefix);
    unsigned number = (firstNumber >= 1 && firstNumber <= kMaxNumber) ? firstNumber : randomNumber();
    for (unsigned tries = 0; tries < kMaxNumber; ++tries) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%X", number);
        const fs::path candidate = folder / (stem + digits + ".tmp");
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return candidate;
        }
        if (errno != EEXIST)
            throw std::runtime_error("Cannot create a temporary file in " + folder.string() + ": " +
                                     std::strerror(errno));
        number = number % kMaxNumber + 1;
    }
    throw std::runtime_error("Cannot create a temporary file in " + folder.string() + ": all names " + stem +
                             "1.tmp to " + stem + "FFFF.tmp are taken");
}

fs::path sGetTempFile(const std::string& prefix) {
    return createTempFileIn(hostTempDir(), prefix);
}

PrivateWorkDir::PrivateWorkDir() : PrivateWorkDir(hostTempDir()) {}

PrivateWorkDir::PrivateWorkDir(const fs::path& parent) {
    std::string pattern = (parent / (std::string(kWorkDirPrefix) + "XXXXXX")).string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("Cannot create a working folder in " + parent.string() + ": " +
                                 std::strerror(errno));
    path_ = pattern;
    ownerFd_ = createOwnerMark(path_ / kOwnerFileName);
    if (ownerFd_ < 0) {
        const int err = errno;
        std::error_code ec;
        fs::remove(path_, ec);
        throw std::runtime_error("Cannot mark the working folder " + path_.string() +
                                 " as this run's: " + std::strerror(err));
    }
}

PrivateWorkDir::~PrivateWorkDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
    if (ownerFd_ >= 0)
        ::close(ownerFd_);
}

std::string randomHexName(const std::string& prefix, const std::string& suffix) {
    std::random_device rd;
    char digits[17];
    std::snprintf(digits, sizeof digits, "%08X%08X", unsigned(rd()), unsigned(rd()));
    return prefix + digits + suffix;
}

OwnedTempFile::OwnedTempFile(const fs::path& folder, const std::string& prefix) {
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        const fs::path candidate = folder / randomHexName(cutPrefix(prefix), ".tmp");
        fd_ = createOwnerMark(candidate);
        if (fd_ >= 0)
            path_ = candidate;
        else if (errno != EEXIST)
            throw std::runtime_error("Cannot create a temporary file in " + folder.string() + ": " +
                                     std::strerror(errno));
    }
    if (path_.empty())
        throw std::runtime_error("Cannot create a temporary file in " + folder.string());
}

OwnedTempFile::~OwnedTempFile() {
    std::error_code ec;
    if (!path_.empty())
        fs::remove(path_, ec);
    if (fd_ >= 0)
        ::close(fd_);
}

} // namespace tessaly
