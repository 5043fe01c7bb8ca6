// FavoritesImport.h -- writing a bookmark tree into the favorites folder, all or nothing.
#pragma once

#include "favorites/BookmarkTree.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>
#include <vector>

namespace tessaly {

struct FavoritesImportStep {
    enum class Kind { MakeFolder, WriteShortcut };

    Kind kind = Kind::MakeFolder;
    std::filesystem::path path;
    std::string contents;      // WriteShortcut: the .url file's text
    std::int64_t modified = 0; // seconds since 1970 given to the new file or folder; 0 keeps "now"
    bool replaces = false;     // WriteShortcut over an existing shortcut of the same name
};

// Works out every folder and file the import makes, reading the favorites folder but writing
// nothing. Folders merge with an existing folder of the same name (without regard to case, as on
// Windows); a link replaces an existing shortcut of the same name and keeps all others. Names are
// made valid for Windows (windowsSafeName); the toolbar folder goes to "Links"; a link without a
// title is named after its host; two items of one folder that would get the same name, or a name
// taken by something of the other kind, get " (2)", " (3)" ... Missing folders up to `folder` itself
// are made first. Throws FavoritesError with the reason when `folder` or a folder below it cannot be
// read, is not a folder, or a path would be too long for the host.
std::vector<FavoritesImportStep> planFavoritesImport(const BookmarkNode& root,
                                                     const std::filesystem::path& folder);

// Writes one shortcut file. A new file is created in place; an existing one is replaced through a
// temporary file beside it, renamed over it, so it is either the old shortcut or the new one.
// Throws std::runtime_error with the system's reason.
void writeShortcutFile(const std::filesystem::path& path, std::string_view contents);
using ShortcutWriter = std::function<void(const std::filesystem::path&, std::string_view)>;

// Carries out the steps in order, then dates the new folders. When a step fails, the steps done are
// undone in reverse (new files and folders removed, replaced shortcuts written back with their old
// contents, time and permissions) and FavoritesError says what failed and whether the undo was
// complete. `write` is replaceable so tests can make a write fail part-way.
void applyFavoritesImport(const std::vector<FavoritesImportStep>& steps,
                          const ShortcutWriter& write = writeShortcutFile);

} // namespace tessaly
