// BookmarkTree.cpp -- counting the links and folders of a bookmark tree.
#include "favorites/BookmarkTree.h"

namespace tessaly {

BookmarkCounts countBookmarks(const BookmarkNode& folder) {
    BookmarkCounts counts;
    for (const BookmarkNode& child : folder.children) {
        if (!child.isFolder()) {
            ++counts.links;
            continue;
        }
        const BookmarkCounts below = countBookmarks(child);
        counts.folders += 1 + below.folders;
        counts.links += below.links;
    }
    return counts;
}

} // namespace tessaly
