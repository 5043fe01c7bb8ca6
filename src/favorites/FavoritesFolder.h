// FavoritesFolder.h -- the favorites folder of a profile read as a bookmark tree.
#pragma once

#include "favorites/BookmarkTree.h"
#include "platform/CodePage.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tessaly {

struct FavoritesScan {
    BookmarkNode root;
    std::vector<std::string> skipped; // "Folder\Name.url: reason"
};

// Reads the folder tree: each subfolder becomes a folder, each .url file (extension in any case) a
// link named after the file without its extension, dated by its modification time. Folders come
// before links, each sorted by name without regard to case. The top-level "Links" folder (the
// browser's toolbar folder on Windows) is marked as the toolbar folder. Other files are not
// favorites and are passed over; shortcut files that name no address or cannot be read, symbolic
// links to folders (not followed, so a loop cannot arise) and folders deeper than the bookmark
// file allows are listed in `skipped`. Throws FavoritesError with the reason when the folder itself
// does not exist or cannot be read.
FavoritesScan readFavoritesFolder(const std::filesystem::path& folder, const CodePage& codePage);

// The last second a file time can be set to and read back as: file times travel as nanoseconds since
// 1970 in 64 bits (2262-04-11 23:47:15 UTC).
inline constexpr std::int64_t kLatestFileSecond = 9'223'372'035;

// Modification time in seconds since 1970 (0 when it cannot be read), and setting it; a time outside
// 1970 to kLatestFileSecond is set to the nearer end, and the file system may narrow that further.
std::int64_t modificationSeconds(const std::filesystem::path& path);
void setModificationSeconds(const std::filesystem::path& path, std::int64_t seconds, std::error_code& ec);

} // namespace tessaly
