// BackupSpace.cpp -- free space before a backup with a retention policy.
#include "engine/history/BackupSpace.h"

#include "engine/history/BackupPlacement.h"

#include <algorithm>
#include <sys/statvfs.h>
#include <unistd.h>

namespace tessaly {

std::uint64_t freeSpaceOf(const std::filesystem::path& folder) {
    struct statvfs fs {};
    if (::statvfs(folder.c_str(), &fs) != 0)
        return UINT64_MAX; // unknown: let the write itself tell
    return std::uint64_t(fs.f_bavail) * fs.f_frsize;
}

std::vector<std::filesystem::path> makeRoomForBackup(const std::filesystem::path& target,
                                                     const RetentionPolicy& policy, std::time_t when,
                                                     const FreeSpace& freeSpace) {
    std::vector<std::filesystem::path> deleted;
    std::error_code ec;
    const std::uint64_t need = std::filesystem::file_size(target, ec);
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    if (ec || freeSpace(folder) >= need)
        return deleted;

    // Prunable now and prunable once the new backup is there (the current file then being an earlier one).
    std::vector<BackupVersion> complete = completeVersions(target);
    std::vector<std::time_t> times = timesOf(complete);
    std::vector<bool> keptNow = keptByPolicy(times, policy);
    times.push_back(when);
    std::vector<bool> keptAfter = keptByPolicy(times, policy);
    std::vector<const BackupVersion*> prunable;
    for (size_t i = 0; i < complete.size(); ++i)
        if (complete[i].kind == VersionKind::Earlier && !keptNow[i] && !keptAfter[i])
            prunable.push_back(&complete[i]);
    std::sort(prunable.begin(), prunable.end(),
              [](const BackupVersion* a, const BackupVersion* b) { return a->time < b->time; });
    for (const BackupVersion* v : prunable) {
        if (freeSpace(folder) >= need)
            break;
        if (::unlink(v->file.c_str()) == 0)
            deleted.push_back(v->file);
    }
    const std::uint64_t free = freeSpace(folder);
    if (free < need)
        throw NoRoomForBackup("there is not enough free space in " + folder.string() +
                              " for the new backup: " + std::to_string(free) +
                              " bytes free, the previous backup takes " + std::to_string(need) +
                              ". No backup the retention policy keeps, and no pinned one, "
                              "was deleted to make room; please free some space or choose a smaller policy");
    return deleted;
}

} // namespace tessaly
