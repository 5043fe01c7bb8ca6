// Favorites.h -- backing up the profile's favorites to a bookmark file and restoring them from one.
#pragma once

#include "engine/ProfileSession.h"
#include "favorites/BookmarkTree.h"
#include "favorites/FavoritesImport.h"
#include "platform/CodePage.h"
#include "platform/Ui.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tessaly {

// A larger file is refused before it is read; bookmark files with icons stay far below.
inline constexpr std::uintmax_t kMaxBookmarkFileBytes = 256u << 20;

struct FavoritesReport {
    std::size_t links = 0;            // favorites written to the file, or shortcuts written
    std::size_t folders = 0;          // folders written to the file, or folders of the file restored
    std::size_t replaced = 0;         // restore: existing shortcuts of the same name overwritten
    std::vector<std::string> skipped; // "Folder\Name: reason" for what was left out
    std::string summary;              // what happened, for the user
};

// "C:\users\<login>\Favorites" of the profile's user, and that folder on the host.
std::string favoritesWindowsPath(const EnvironmentInfo& environment);
std::filesystem::path favoritesFolder(const ProfileSession& session);

// Writes the favorites below `folder` to `file` as one bookmark file, replacing the file atomically.
// Throws FavoritesError with a complete message when nothing could be written; `file` is then as
// it was.
FavoritesReport exportFavorites(const std::filesystem::path& folder, const std::filesystem::path& file,
                                const CodePage& codePage);

// Reads and checks the whole bookmark file, works out every change, then makes them (folders and
// .url files below `folder`, replacing shortcuts of the same name, keeping all others). Throws
// FavoritesError with a complete message when the file cannot be read or is not a bookmark file, or
// a write fails; the favorites are then as they were (the message says so when putting them back
// failed too).
FavoritesReport importFavorites(const std::filesystem::path& folder, const std::filesystem::path& file,
                                const ShortcutWriter& write = writeShortcutFile);

// The window's "Backup IE Favorites" and "Restore IE Favorites" after the file was chosen: runs the
// export or import on the session's favorites folder and shows the summary (information icon) or
// the failure (critical icon) in a message box titled kAppTitle. Returns whether it succeeded.
bool BackupIEFavorites(ProfileSession& session, Ui& ui, const std::filesystem::path& file);
bool RestoreIEFavorites(ProfileSession& session, Ui& ui, const std::filesystem::path& file);

} // namespace tessaly
