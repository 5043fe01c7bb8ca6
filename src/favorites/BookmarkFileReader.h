// BookmarkFileReader.h -- reading a Netscape bookmark file as browsers write it.
#pragma once

#include "favorites/BookmarkTree.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

// Folder lists nested deeper than this are refused; no browser writes such a file.
inline constexpr std::size_t kMaxBookmarkDepth = 64;

struct BookmarkFile {
    BookmarkNode root;                // the file's top list: its folders and links in file order
    std::vector<std::string> skipped; // links left out, each "Folder\Name: reason"
};

// Reads the whole file. Tolerates what browsers write: <p> and <DT> never closed, attribute names in
// any case and order, quoted or bare values, character references, <DD> descriptions (kept on the
// item before them), <HR> separators (dropped), a list without a heading (its items join the list
// around it). Dates in milliseconds or microseconds are brought to seconds. Links without an address,
// with control characters in it, without a scheme, or with a scheme that runs script (javascript:,
// vbscript:, data:) or only means something inside one browser (place:) are left out and listed.
// Throws FavoritesError with the reason, never a partial tree, when the bytes are not a bookmark
// file (no <!DOCTYPE NETSCAPE-Bookmark-file-1> first), not text in their encoding, cut off inside a
// tag or before their lists are closed, or nested deeper than kMaxBookmarkDepth.
BookmarkFile parseBookmarkFile(std::string_view bytes);

// Why a link with this address is not imported, or empty when it is. `url` is the address with
// leading and trailing blanks and embedded TAB, CR and LF already removed.
std::string refusedAddressReason(std::string_view url);

} // namespace tessaly
