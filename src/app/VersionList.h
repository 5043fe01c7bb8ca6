// VersionList.h -- the Restore tab's list of an opened backup file's versions, newest first.
#pragma once

#include <filesystem>
#include <optional>

class QListWidget;

namespace tessaly {

// Lists the versions of the backup file `opened` belongs to (its own name first among equals) and
// selects `opened`; emits no selection signal while doing so.
void fillVersionList(QListWidget* list, const std::filesystem::path& opened);

// The file of the list's current row; nullopt without one.
std::optional<std::filesystem::path> chosenVersion(const QListWidget* list);

} // namespace tessaly
