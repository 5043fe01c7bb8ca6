// FavoritesFolder.cpp -- reading the tree of Internet Shortcut files below the favorites folder.
#include "favorites/FavoritesFolder.h"

#include "favorites/BookmarkFileReader.h"
#include "favorites/FavoritesNames.h"
#include "favorites/FavoritesShortcut.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>

namespace fs = std::filesystem;

namespace tessaly {

namespace {

constexpr std::uintmax_t kMaxShortcutBytes = 1 << 20;

bool hasUrlExtension(const std::string& fileName) {
    if (fileName.size() <= 4)
        return false;
    return utf8::foldCase(fileName.substr(fileName.size() - 4)) == ".URL";
}

// The bytes of a small file, or nullopt with the reason.
std::optional<std::string> readSmallFile(const fs::path& path, std::string& reason) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec) {
        reason = ec.message();
        return std::nullopt;
    }
    if (size > kMaxShortcutBytes) {
        reason = "it is too large to be a shortcut file";
        return std::nullopt;
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        reason = std::strerror(errno);
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
        reason = "it cannot be read";
        return std::nullopt;
    }
    bytes.resize(got);
    return bytes;
}

bool byName(const BookmarkNode& a, const BookmarkNode& b) {
    if (a.isFolder() != b.isFolder())
        return a.isFolder();
    const std::string fa = utf8::foldCase(a.name), fb = utf8::foldCase(b.name);
    return fa != fb ? fa < fb : a.name < b.name;
}

class FolderReader {
    struct Listed {
        fs::path path;
        std::string name;
        fs::file_status link;   // the entry itself
        fs::file_status target; // what a symbolic link leads to
    };

public:
    FolderReader(const CodePage& codePage, std::vector<std::string>& skipped)
        : codePage_(codePage), skipped_(skipped) {}

    void read(const fs::path& dir, BookmarkNode& into, const std::string& shownPath, std::size_t depth) {
        std::error_code ec;
        std::vector<Listed> entries;
        for (fs::directory_iterator it(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
            std::error_code statusError;
            entries.push_back({it->path(), it->path().filename().string(), it->symlink_status(statusError),
                               it->status(statusError)});
        }
        if (ec) {
            if (depth == 0)
                throw FavoritesError("the favorites folder " + dir.string() +
                                     " cannot be read: " + ec.message());
            skipped_.push_back(shownPath + ": the folder cannot be read: " + ec.message());
            return;
        }
        // Listed by name, so that what is reported comes in a fixed order.
        std::sort(entries.begin(), entries.end(), [](const Listed& a, const Listed& b) {
            const std::string fa = utf8::foldCase(a.name), fb = utf8::foldCase(b.name);
            return fa != fb ? fa < fb : a.name < b.name;
        });
        for (const Listed& entry : entries) {
            const std::string shown = shownPath + validUtf8(entry.name);
            if (fs::is_directory(entry.target)) {
                if (fs::is_symlink(entry.link)) {
                    skipped_.push_back(shown + ": a symbolic link to a folder is not followed");
                } else if (depth + 1 > kMaxBookmarkDepth) {
                    skipped_.push_back(shown + ": folders are nested more than " +
                                       std::to_string(kMaxBookmarkDepth) + " deep");
                } else {
                    BookmarkNode folder;
                    folder.name = validUtf8(entry.name);
                    folder.addDate = modificationSeconds(entry.path);
                    read(entry.path, folder, shown + "\\", depth + 1);
                    into.children.push_back(std::move(folder));
                }
            } else if (fs::is_regular_file(entry.target) && hasUrlExtension(entry.name)) {
                readShortcut(entry.path, entry.name, shown, into);
            }
        }
        std::sort(into.children.begin(), into.children.end(), byName);
    }

private:
    void readShortcut(const fs::path& path, const std::string& fileName, const std::string& shown,
                      BookmarkNode& into) {
        std::string reason;
        const auto bytes = readSmallFile(path, reason);
        std::optional<std::string> url;
        if (bytes) {
            url = shortcutAddress(*bytes, codePage_);
            if (!url)
                reason = "the shortcut names no address";
        }
        if (!url) {
            skipped_.push_back(shown + ": " + reason);
            return;
        }
        BookmarkNode link;
        link.kind = BookmarkNode::Kind::Link;
        link.name = validUtf8(fileName.substr(0, fileName.size() - 4));
        link.url = validUtf8(*url);
        link.addDate = modificationSeconds(path);
        into.children.push_back(std::move(link));
    }

    const CodePage& codePage_;
    std::vector<std::string>& skipped_;
};

} // namespace

std::int64_t modificationSeconds(const fs::path& path) {
    std::error_code ec;
    const auto time = fs::last_write_time(path, ec);
    if (ec)
        return 0;
    const auto seconds =
        std::chrono::time_point_cast<std::chrono::seconds>(std::chrono::file_clock::to_sys(time));
    return std::max<std::int64_t>(0, seconds.time_since_epoch().count());
}

void setModificationSeconds(const fs::path& path, std::int64_t seconds, std::error_code& ec) {
    // Beyond the range a 64-bit nanosecond count holds the conversion would wrap; the kernel clamps
    // what remains to the file system's own range.
    seconds = std::clamp<std::int64_t>(seconds, 0, kLatestFileSecond);
    const std::chrono::sys_seconds when{std::chrono::seconds{seconds}};
    fs::last_write_time(path, std::chrono::file_clock::from_sys(when), ec);
}

FavoritesScan readFavoritesFolder(const fs::path& folder, const CodePage& codePage) {
    std::error_code ec;
    const fs::file_status status = fs::status(folder, ec);
    if (!fs::exists(status))
        throw FavoritesError("the favorites folder " + folder.string() + " does not exist");
    if (!fs::is_directory(status))
        throw FavoritesError("the favorites folder " + folder.string() + " is not a folder");
    FavoritesScan scan;
    FolderReader(codePage, scan.skipped).read(folder, scan.root, "", 0);
    for (BookmarkNode& child : scan.root.children)
        if (child.isFolder() && utf8::foldCase(child.name) == "LINKS")
            child.toolbar = true;
    return scan;
}

} // namespace tessaly
