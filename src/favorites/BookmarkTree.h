// BookmarkTree.h -- favorites as a tree of folders and links, the form both the favorites folder and
// the bookmark file are read into and written from.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tessaly {

struct BookmarkNode {
    enum class Kind { Folder, Link };

    Kind kind = Kind::Folder;
    std::string name;                   // UTF-8, as the file or the file system gave it
    std::string url;                    // links only
    std::string description;            // a bookmark file's <DD> text; .url files have no place for it
    std::int64_t addDate = 0;           // seconds since 1970; 0 when unknown
    std::int64_t lastModified = 0;      // seconds since 1970; 0 when unknown
    bool toolbar = false;               // folders: the browser's toolbar folder
    std::vector<BookmarkNode> children; // folders only, in file order

    bool isFolder() const { return kind == Kind::Folder; }
};

// A favorites export or import that could not be done. The parts below Favorites.h give the reason
// ("it is not a bookmark file ..."); exportFavorites and importFavorites a complete message.
class FavoritesError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A failed import whose changes could not all be undone; what() says which.
class FavoritesUndoError : public FavoritesError {
public:
    using FavoritesError::FavoritesError;
};

// Counts the links and folders below `folder` (the folder itself not counted).
struct BookmarkCounts {
    std::size_t links = 0;
    std::size_t folders = 0;
};
BookmarkCounts countBookmarks(const BookmarkNode& folder);

} // namespace tessaly
