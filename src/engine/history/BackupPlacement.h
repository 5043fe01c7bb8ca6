// BackupPlacement.h -- putting a finished backup file in its place: replace, rotate, or keep it aside.
#pragma once

#include "engine/history/BackupVersions.h"
#include "engine/history/RetentionPolicy.h"

#include <optional>

namespace tessaly {

enum class Placement {
    Replaced, // complete, no policy: the new file took the target's name, the earlier one is gone
    Rotated,  // complete with a policy: the earlier target was renamed after its time, then pruned
    Partial,  // an item failed: kept beside the earlier files, which stay as they were
    Suspect,  // message stores shrank: kept aside, the earlier target pinned
};

struct PlacedBackup {
    Placement placement = Placement::Replaced;
    std::filesystem::path file;                // where the new backup is now
    std::filesystem::path earlier;             // where the earlier target went (rotated or pinned), if any
    std::vector<std::filesystem::path> pruned; // earlier versions the policy deleted
};

// Moves the complete, re-read file `sealed` (in the target's folder) to its place. `when` is the new
// backup's time. Rotated and Replaced need a complete run; the policy is applied (pruning) only for
// Rotated. Never overwrites a file of another name than the target; throws std::runtime_error when a
// rename fails (the earlier files are then as they were, `sealed` still exists).
PlacedBackup placeBackup(const std::filesystem::path& sealed, const std::filesystem::path& target,
                         std::time_t when, Placement how, const std::optional<RetentionPolicy>& policy);

// Deletes the earlier complete versions of `target` that the policy does not keep. The current file,
// pinned, partial and suspect files are never deleted. Returns the files deleted.
std::vector<std::filesystem::path> pruneVersions(const std::filesystem::path& target,
                                                 const RetentionPolicy& policy);

// The earlier complete versions the policy would delete, oldest first (nothing is deleted).
std::vector<BackupVersion> prunableVersions(const std::filesystem::path& target,
                                            const RetentionPolicy& policy);

// Pins a version so that no policy deletes it: an earlier one is renamed to its ".keep" name; the
// current file gets a ".keep" copy (a hard link where the file system has them) and keeps its name.
// Returns the pinned file. Throws std::runtime_error for a partial, suspect or already pinned file.
std::filesystem::path pinVersion(const std::filesystem::path& target, const BackupVersion& version);

// Sets a file's modification time (the current file's time is its backup time).
void setBackupTime(const std::filesystem::path& file, std::time_t when);

} // namespace tessaly
