// AtomicFile.cpp -- atomic file replacement: temporary file, fsync, exchange with the target, check of
// what was swapped out, fsync of the folder.
#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/random.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#ifndef RENAME_EXCHANGE // a C library without the renameat2 wrapper: ask the kernel directly
#include <linux/fs.h>
#include <sys/syscall.h>
#endif

namespace fs = std::filesystem;

namespace tessaly {

namespace {

constexpr std::string_view kTempMark = ".tessaly-tmp-";
constexpr std::size_t kTempRandomChars = 12;
constexpr char kNameChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

int renameAt2(int dirfd, const char* from, const char* to, unsigned flags) {
#ifdef RENAME_EXCHANGE
    return ::renameat2(dirfd, from, dirfd, to, flags);
#else
    return static_cast<int>(::syscall(SYS_renameat2, dirfd, from, dirfd, to, flags));
#endif
}

// The file system cannot exchange or refuse to replace (an old kernel, some network file systems).
bool unsupported(int err) {
    return err == EINVAL || err == ENOSYS || err == ENOTSUP;
}

[[noreturn]] void fail(const std::string& what, int err) {
    throw std::runtime_error(what + ": " + std::strerror(err));
}

[[noreturn]] void changedMeanwhile(const std::string& name) {
    throw FileChangedMeanwhile(name +
                               " was changed by another program while Tessaly saved it; nothing was changed");
}

FileVersion versionOf(const struct stat& st) {
    return {true, static_cast<std::uint64_t>(st.st_ino), static_cast<std::uintmax_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

std::optional<struct stat> statAt(int dirfd, const std::string& name) {
    struct stat st {};
    if (::fstatat(dirfd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    return st;
}

class Fd {
public:
    explicit Fd(int fd = -1) : fd(fd) {}
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int fd;
};

// Removes the temporary file unless it was renamed into place.
class TempName {
public:
    TempName(int dirfd, std::string name) : dirfd(dirfd), name(std::move(name)) {}
    ~TempName() {
        if (!gone)
            ::unlinkat(dirfd, name.c_str(), 0);
    }
    TempName(const TempName&) = delete;
    TempName& operator=(const TempName&) = delete;

    int dirfd;
    std::string name;
    bool gone = false;
};

fs::path resolvedTarget(const fs::path& target) {
    std::error_code ec;
    if (!fs::is_symlink(target, ec))
        return target;
    const fs::path real = fs::weakly_canonical(target, ec);
    return ec ? target : real;
}

std::string randomName(std::size_t length) {
    unsigned char bytes[32];
    std::size_t got = 0;
    while (got < length) {
        const ssize_t n = ::getrandom(bytes + got, length - got, 0);
        if (n < 0 && errno != EINTR)
            fail("Cannot make a temporary file name", errno);
        if (n > 0)
            got += static_cast<std::size_t>(n);
    }
    std::string out;
    for (std::size_t i = 0; i < length; ++i)
        out += kNameChars[bytes[i] % (sizeof kNameChars - 1)];
    return out;
}

// A new file beside the target, 0600, that nobody could have prepared: an unpredictable name,
// created exclusively and never through a link.
int createTempBeside(int dirfd, const std::string& targetName, std::string& tempName) {
    // Keep the whole name within NAME_MAX however long the target's name is.
    const std::string base = targetName.substr(0, 200);
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempName = "." + base + std::string(kTempMark) + randomName(kTempRandomChars);
        const int fd =
            ::openat(dirfd, tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

void writeAll(int fd, std::string_view bytes, const WriteFunction& write, const std::string& target) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            const int err = errno;
            if (err == EINTR)
                continue;
            fail("Cannot write " + target, err);
        }
        if (n == 0)
            fail("Cannot write " + target, ENOSPC);
        done += static_cast<std::size_t>(n);
    }
}

// After an exchange found another program's file at the target: puts the newest foreign version back.
// Each exchange should bring back what the previous one placed at the target; when it brings another
// file, a writer replaced the target in between, and that newer file goes back in its place. What is
// left under the temporary name at the end is either ours or a version superseded by a newer one.
// Returns 0, or the error that left the foreign version under the temporary name.
int swapBack(int dirfd, const std::string& tempName, const std::string& name, std::uint64_t ours,
             std::uint64_t foreign) {
    std::uint64_t atTarget = ours;
    std::uint64_t inTemp = foreign;
    for (int round = 0; round < 100; ++round) {
        if (renameAt2(dirfd, tempName.c_str(), name.c_str(), RENAME_EXCHANGE) != 0) {
            // The target went away meanwhile: the foreign file takes its place unless a newer one did.
            if (renameAt2(dirfd, tempName.c_str(), name.c_str(), RENAME_NOREPLACE) != 0 && errno != EEXIST)
                return errno;
            return 0;
        }
        const auto back = statAt(dirfd, tempName);
        if (!back || static_cast<std::uint64_t>(back->st_ino) == atTarget)
            return 0;
        atTarget = inTemp;
        inTemp = static_cast<std::uint64_t>(back->st_ino);
    }
    return 0;
}

void syncFolder(int dirfd) {
    // Best effort: the rename has happened; some file systems cannot sync a folder.
    ::fsync(dirfd);
}

FileVersion writeAtomically(const fs::path& target, std::string_view bytes, const WriteFunction& write,
                            const FileVersion* expected) {
    const fs::path path = resolvedTarget(target);
    fs::path folder = path.parent_path();
    if (folder.empty())
        folder = ".";
    const std::string name = path.filename().string();
    const std::string shown = target.string();

    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.fd < 0)
        fail("Cannot write " + shown + ": cannot open the folder " + folder.string(), errno);
    std::string tempName;
    Fd temp(createTempBeside(dir.fd, name, tempName));
    if (temp.fd < 0)
        fail("Cannot write " + shown + ": cannot create a temporary file in " + folder.string(), errno);
    TempName tempGuard(dir.fd, tempName);

    const auto old = statAt(dir.fd, name);
    if (old && S_ISDIR(old->st_mode))
        fail("Cannot replace " + shown, EISDIR);
    writeAll(temp.fd, bytes, write, shown);
    // The new file stays private until it is complete, then takes the old one's owner and mode.
    if (old) {
        if (::fchown(temp.fd, old->st_uid, old->st_gid) != 0) {
            // Only allowed to root; everyone else keeps their own ownership, which is fine.
        }
        if (::fchmod(temp.fd, old->st_mode & 07777) != 0)
            fail("Cannot write " + shown, errno);
    }
    if (::fsync(temp.fd) != 0)
        fail("Cannot write " + shown + " to disk", errno);
    struct stat mine {};
    if (::fstat(temp.fd, &mine) != 0)
        fail("Cannot write " + shown, errno);
    const int fd = temp.fd;
    temp.fd = -1;
    if (::close(fd) != 0)
        fail("Cannot write " + shown, errno);

    if (expected && !expected->exists) {
        if (renameAt2(dir.fd, tempName.c_str(), name.c_str(), RENAME_NOREPLACE) == 0) {
            tempGuard.gone = true;
            syncFolder(dir.fd);
            return versionOf(mine);
        }
        if (errno == EEXIST)
            changedMeanwhile(name);
        if (!unsupported(errno))
            fail("Cannot replace " + shown, errno);
        // Without RENAME_NOREPLACE a hard link refuses an existing name just as well.
        if (::linkat(dir.fd, tempName.c_str(), dir.fd, name.c_str(), 0) != 0) {
            if (errno == EEXIST)
                changedMeanwhile(name);
            fail("Cannot replace " + shown, errno);
        }
        syncFolder(dir.fd);
        return versionOf(mine);
    }

    bool exchanged = false;
    if (old || expected) {
        if (renameAt2(dir.fd, tempName.c_str(), name.c_str(), RENAME_EXCHANGE) == 0) {
            exchanged = true;
        } else if (errno == ENOENT && expected) {
            changedMeanwhile(name); // it existed when it was read
        } else if (!unsupported(errno) && errno != ENOENT) {
            fail("Cannot replace " + shown, errno);
        }
    }
    if (!exchanged) {
        // No target to swap with (or a file system that cannot swap): a plain rename. Where there is a
        // version to keep, it is checked just before; only this fallback leaves a moment between the two.
        if (expected && !(fileVersionOf(folder / name) == *expected))
            changedMeanwhile(name);
        const unsigned flags = old || expected ? 0 : RENAME_NOREPLACE;
        if (renameAt2(dir.fd, tempName.c_str(), name.c_str(), flags) != 0) {
            const int err = errno;
            // A file appeared meanwhile, or no RENAME_NOREPLACE here: replace it as rename(2) would.
            if (flags == 0 || !(err == EEXIST || unsupported(err)) ||
                ::renameat(dir.fd, tempName.c_str(), dir.fd, name.c_str()) != 0)
                fail("Cannot replace " + shown, errno);
        }
        tempGuard.gone = true;
        syncFolder(dir.fd);
        return versionOf(mine);
    }

    // The temporary name now holds what was the target a moment ago.
    const auto swappedOut = statAt(dir.fd, tempName);
    const bool folderSwappedIn = swappedOut && S_ISDIR(swappedOut->st_mode);
    if (folderSwappedIn || (expected && (!swappedOut || !S_ISREG(swappedOut->st_mode) ||
                                         !(versionOf(*swappedOut) == *expected)))) {
        const int err = swapBack(dir.fd, tempName, name, static_cast<std::uint64_t>(mine.st_ino),
                                 swappedOut ? static_cast<std::uint64_t>(swappedOut->st_ino) : 0);
        syncFolder(dir.fd);
        if (err) {
            tempGuard.gone = true; // it holds the other program's version now
            fail(name +
                     " was changed by another program while Tessaly saved it and cannot be put back; "
                     "that version is kept as " +
                     (folder / tempName).string(),
                 err);
        }
        changedMeanwhile(name);
    }
    // tempGuard removes the old file.
    syncFolder(dir.fd);
    return versionOf(mine);
}

bool allNameChars(std::string_view text) {
    for (char c : text) {
        if (!std::strchr(kNameChars, c) || c == '\0')
            return false;
    }
    return true;
}

} // namespace

FileVersion fileVersionOf(const fs::path& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return {};
    return versionOf(st);
}

void writeFileAtomically(const fs::path& target, std::string_view bytes, const WriteFunction& write) {
    writeAtomically(target, bytes, write, nullptr);
}

void writeFileAtomically(const fs::path& target, std::string_view bytes) {
    writeFileAtomically(target, bytes,
                        [](int fd, const void* data, std::size_t size) { return ::write(fd, data, size); });
}

FileVersion writeFileAtomically(const fs::path& target, std::string_view bytes, const FileVersion& expected) {
    return writeAtomically(
        target, bytes, [](int fd, const void* data, std::size_t size) { return ::write(fd, data, size); },
        &expected);
}

bool isAtomicSaveTempName(std::string_view name) {
    if (name.size() < 2 + kTempMark.size() + kTempRandomChars || name[0] != '.')
        return false;
    const std::size_t mark = name.size() - kTempRandomChars - kTempMark.size();
    if (name.substr(mark, kTempMark.size()) == kTempMark &&
        allNameChars(name.substr(mark + kTempMark.size())))
        return true;
    return false;
}

namespace {

// The names earlier versions gave the temporary files of the registry files they saved.
bool isLegacyRegistryTempName(std::string_view name) {
    for (std::string_view file : {".user.reg.tmp-", ".system.reg.tmp-", ".userdef.reg.tmp-"}) {
        if (name.size() == file.size() + 6 && name.substr(0, file.size()) == file &&
            allNameChars(name.substr(file.size())))
            return true;
    }
    return false;
}

} // namespace

std::size_t removeAtomicSaveLeftovers(const fs::path& folder, std::chrono::seconds minAge) {
    const int dirfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirfd < 0)
        return 0;
    DIR* listing = ::fdopendir(::dup(dirfd));
    std::size_t removed = 0;
    const auto now = std::chrono::system_clock::now();
    while (listing) {
        const dirent* entry = ::readdir(listing);
        if (!entry)
            break;
        const std::string name = entry->d_name;
        if (!isAtomicSaveTempName(name) && !isLegacyRegistryTempName(name))
            continue;
        const auto st = statAt(dirfd, name);
        if (!st || !S_ISREG(st->st_mode) || st->st_uid != ::geteuid())
            continue;
        const auto modified = std::chrono::system_clock::time_point(std::chrono::seconds(st->st_mtim.tv_sec));
        if (now - modified < minAge)
            continue;
        if (::unlinkat(dirfd, name.c_str(), 0) == 0)
            ++removed;
    }
    if (listing)
        ::closedir(listing);
    ::close(dirfd);
    return removed;
}

} // namespace tessaly
