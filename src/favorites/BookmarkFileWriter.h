// BookmarkFileWriter.h -- writing a bookmark tree as a Netscape bookmark file.
#pragma once

#include "favorites/BookmarkTree.h"

#include <string>

namespace tessaly {

// The whole file as browsers import it: the NETSCAPE-Bookmark-file-1 doctype, a UTF-8 META tag,
// folders as <DT><H3> followed by their <DL><p> list, links as <DT><A HREF ADD_DATE>, descriptions as
// <DD>, names and addresses escaped, CR LF line ends, children in the order of the tree. Dates of 0
// are left out; a folder marked `toolbar` carries PERSONAL_TOOLBAR_FOLDER="true".
std::string formatBookmarkFile(const BookmarkNode& root);

} // namespace tessaly
