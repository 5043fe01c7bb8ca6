// BackupSpace.h -- making room for a new backup by deleting, oldest first, only the versions that the
// retention policy would delete anyway.
#pragma once

#include "engine/history/RetentionPolicy.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>

namespace tessaly {

// Bytes the file system holding the folder has free for this user.
using FreeSpace = std::function<std::uint64_t(const std::filesystem::path& folder)>;
std::uint64_t freeSpaceOf(const std::filesystem::path& folder);

class NoRoomForBackup : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// When the target's folder has less free space than the current target's size, deletes the earlier
// versions that the policy would delete both now and once a backup made at `when` is added, oldest first,
// until there is enough. Throws NoRoomForBackup (with a message for the user) when that is not enough;
// nothing the policy keeps, and nothing pinned, partial or suspect, is deleted. Returns the files deleted.
std::vector<std::filesystem::path> makeRoomForBackup(const std::filesystem::path& target,
                                                     const RetentionPolicy& policy, std::time_t when,
                                                     const FreeSpace& freeSpace = freeSpaceOf);

} // namespace tessaly
