// FavoritesTestKit.h -- helpers of the favorites tests: fixtures, tree outlines, folder snapshots.
#pragma once

#include "favorites/BookmarkTree.h"
#include "favorites/FavoritesFolder.h"
#include "favorites/FavoritesShortcut.h"

#include "TempDir.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tessaly::test {

inline std::filesystem::path favoritesFixture(const std::string& name) {
    return wineFixtureDir().parent_path() / "favorites" / name;
}

// One line per item, two blanks of indent per level: "Folder/" (" [toolbar]" when marked),
// "Title -> url", and " -- description" when there is one.
inline std::string outline(const BookmarkNode& folder, std::size_t depth = 0) {
    std::string out;
    for (const BookmarkNode& child : folder.children) {
        out += std::string(depth * 2, ' ') +
               (child.isFolder() ? child.name + "/" + (child.toolbar ? " [toolbar]" : "")
                                 : child.name + " -> " + child.url) +
               (child.description.empty() ? "" : " -- " + child.description) + "\n";
        if (child.isFolder())
            out += outline(child, depth + 1);
    }
    return out;
}

// The favorites on disk: "dir/" and "dir/Name.url = address" lines in sorted order; other files
// as "name (not a shortcut)".
inline std::string diskOutline(const std::filesystem::path& folder) {
    std::vector<std::string> lines;
    const CodePage codePage(1252);
    for (auto it = std::filesystem::recursive_directory_iterator(folder);
         it != std::filesystem::recursive_directory_iterator(); ++it) {
        const std::string rel = std::filesystem::relative(it->path(), folder).generic_string();
        if (it->is_directory()) {
            lines.push_back(rel + "/");
        } else if (auto url = shortcutAddress(readFile(it->path()), codePage)) {
            lines.push_back(rel + " = " + *url);
        } else {
            lines.push_back(rel + " (not a shortcut)");
        }
    }
    std::sort(lines.begin(), lines.end());
    std::string out;
    for (const std::string& line : lines)
        out += line + "\n";
    return out;
}

// Everything below a folder that an operation could change: kinds, contents, times, permissions.
struct FileState {
    bool directory = false;
    std::string contents;
    std::int64_t modified = 0;
    std::filesystem::perms perms{};
    bool operator==(const FileState&) const = default;
};
// Folder times change whenever an entry is replaced; `folderTimes` false leaves them out.
inline std::map<std::string, FileState> snapshot(const std::filesystem::path& folder,
                                                 bool folderTimes = true) {
    std::map<std::string, FileState> state;
    if (!std::filesystem::exists(folder))
        return state;
    for (auto it = std::filesystem::recursive_directory_iterator(folder);
         it != std::filesystem::recursive_directory_iterator(); ++it) {
        FileState s;
        s.directory = it->is_directory();
        if (!s.directory)
            s.contents = readFile(it->path());
        s.modified = s.directory && !folderTimes ? 0 : modificationSeconds(it->path());
        s.perms = it->status().permissions();
        state[std::filesystem::relative(it->path(), folder).generic_string()] = s;
    }
    return state;
}

// What a favorites operation complains about, or "(no error)".
inline std::string favoritesErrorOf(const std::function<void()>& run) {
    try {
        run();
    } catch (const FavoritesError& e) {
        return e.what();
    }
    return "(no error)";
}

inline void writeShortcut(const std::filesystem::path& path, const std::string& url,
                          std::int64_t modified = 0) {
    writeFile(path, shortcutFileText(url));
    if (modified) {
        std::error_code ec;
        setModificationSeconds(path, modified, ec);
    }
}

} // namespace tessaly::test
