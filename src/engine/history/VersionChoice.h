// VersionChoice.h -- choosing the version of a backup file that a restore "from a date" means.
#pragma once

#include "engine/history/BackupVersions.h"

namespace tessaly {

// "2026-12-01" (the end of that day), "2026-12-01 14:30", "2026-12-01 14:30:15" or a version stamp
// "2026-12-01_143015", in local time; nullopt for anything else.
std::optional<std::time_t> parseFromTime(const std::string& text);

// Whether the version holds a complete backup (current, earlier or pinned).
bool isCompleteVersion(VersionKind kind);

// The newest complete version of `target` made at or before `when`; nullopt when there is none.
std::optional<BackupVersion> newestCompleteAtOrBefore(const std::vector<BackupVersion>& versions,
                                                      std::time_t when);

} // namespace tessaly
