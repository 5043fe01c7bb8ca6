// BackupPlacement.cpp -- renaming, linking and pruning the versions of one backup file.
#include "engine/history/BackupPlacement.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaly {

namespace {

[[noreturn]] void fail(const std::string& what, const std::filesystem::path& a,
                       const std::filesystem::path& b, int error) {
    throw std::runtime_error("cannot " + what + " " + a.string() + " to " + b.string() + ": " +
                             std::strerror(error));
}

// Renames without ever replacing an existing file; false (errno EEXIST) when `to` exists.
bool renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the flag: a hard link refuses an existing name as well.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return true;
    }
    if (errno != EPERM && errno != ENOTSUP)
        return false;
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

// Moves (or, with linkOnly, hard-links) `from` to the first free version name at or after `when`:
// two runs within one second get consecutive seconds.
std::filesystem::path moveToVersion(const std::filesystem::path& from, const std::filesystem::path& target,
                                    std::time_t when, VersionKind kind, bool linkOnly, bool* linked) {
    for (int i = 0; i < 600; ++i) {
        std::filesystem::path to = versionPath(target, when + i, kind);
        if (linkOnly) {
            if (::link(from.c_str(), to.c_str()) == 0) {
                *linked = true;
                return to;
            }
            if (errno == EEXIST)
                continue;
            // No hard links here (FAT, exFAT): the earlier file is renamed instead.
            if (errno != EPERM && errno != ENOTSUP && errno != EXDEV)
                fail("link", from, to, errno);
            linkOnly = false;
            *linked = false;
        }
        if (renameNoReplace(from, to))
            return to;
        if (errno != EEXIST)
            fail("rename", from, to, errno);
    }
    throw std::runtime_error("cannot find a free name for a version of " + target.string());
}

bool isRegularFile(const std::filesystem::path& file) {
    struct stat st {};
    return ::lstat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::time_t modificationTime(const std::filesystem::path& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 ? st.st_mtime : std::time(nullptr);
}

} // namespace

void setBackupTime(const std::filesystem::path& file, std::time_t when) {
    struct timespec times[2] = {{when, 0}, {when, 0}};
    ::utimensat(AT_FDCWD, file.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

PlacedBackup placeBackup(const std::filesystem::path& sealed, const std::filesystem::path& target,
                         std::time_t when, Placement how, const std::optional<RetentionPolicy>& policy) {
    PlacedBackup placed;
    placed.placement = how;
    bool linked = false;
    switch (how) {
    case Placement::Partial:
    case Placement::Suspect:
        if (how == Placement::Suspect && isRegularFile(target))
            placed.earlier =
                pinVersion(target, BackupVersion{target, VersionKind::Current, modificationTime(target)});
        placed.file = moveToVersion(sealed, target, when,
                                    how == Placement::Partial ? VersionKind::Partial : VersionKind::Suspect,
                                    false, &linked);
        return placed;
    case Placement::Rotated:
        if (isRegularFile(target))
            placed.earlier =
                moveToVersion(target, target, modificationTime(target), VersionKind::Earlier, true, &linked);
        [[fallthrough]];
    case Placement::Replaced:
        setBackupTime(sealed, when);
        if (::rename(sealed.c_str(), target.c_str()) != 0)
            fail("rename", sealed, target, errno);
        placed.file = target;
        break;
    }
    if (how == Placement::Rotated && policy)
        placed.pruned = pruneVersions(target, *policy);
    return placed;
}

std::vector<BackupVersion> prunableVersions(const std::filesystem::path& target,
                                            const RetentionPolicy& policy) {
    std::vector<BackupVersion> complete = completeVersions(target);
    std::vector<std::time_t> times = timesOf(complete);
    std::vector<bool> kept = keptByPolicy(times, policy);
    std::vector<BackupVersion> prunable;
    for (size_t i = complete.size(); i-- > 0;)
        if (!kept[i] && complete[i].kind == VersionKind::Earlier)
            prunable.push_back(complete[i]);
    return prunable;
}

std::vector<std::filesystem::path> pruneVersions(const std::filesystem::path& target,
                                                 const RetentionPolicy& policy) {
    std::vector<std::filesystem::path> pruned;
    for (const BackupVersion& v : prunableVersions(target, policy)) {
        if (::unlink(v.file.c_str()) == 0)
            pruned.push_back(v.file);
    }
    return pruned;
}

std::filesystem::path pinVersion(const std::filesystem::path& target, const BackupVersion& version) {
    bool linked = false;
    switch (version.kind) {
    case VersionKind::Current: {
        std::filesystem::path pinned =
            moveToVersion(target, target, version.time, VersionKind::Pinned, true, &linked);
        if (!linked) {
            // Renamed for want of hard links: the current name gets a copy back.
            std::filesystem::copy_file(pinned, target);
            setBackupTime(target, version.time);
        }
        return pinned;
    }
    case VersionKind::Earlier:
        return moveToVersion(version.file, target, version.time, VersionKind::Pinned, false, &linked);
    default:
        throw std::runtime_error(version.file.string() + " is " + versionKindName(version.kind) +
                                 "; only complete backups can be pinned");
    }
}

} // namespace tessaly
