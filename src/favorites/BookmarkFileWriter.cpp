// BookmarkFileWriter.cpp -- the Netscape bookmark file of a bookmark tree.
#include "favorites/BookmarkFileWriter.h"

#include "favorites/BookmarkEntities.h"

namespace tessaly {

namespace {

constexpr const char* kEol = "\r\n";

void appendDate(std::string& out, const char* attribute, std::int64_t seconds) {
    if (seconds > 0)
        out.append(" ").append(attribute).append("=\"").append(std::to_string(seconds)).append("\"");
}

void appendList(std::string& out, const BookmarkNode& folder, std::size_t depth) {
    const std::string indent(depth * 4, ' ');
    out.append(indent).append("<DL><p>").append(kEol);
    for (const BookmarkNode& child : folder.children) {
        out.append(indent).append("    <DT>");
        if (child.isFolder()) {
            out.append("<H3");
            appendDate(out, "ADD_DATE", child.addDate);
            appendDate(out, "LAST_MODIFIED", child.lastModified);
            if (child.toolbar)
                out.append(" PERSONAL_TOOLBAR_FOLDER=\"true\"");
            out.append(">").append(escapeHtml(child.name)).append("</H3>").append(kEol);
        } else {
            out.append("<A HREF=\"").append(escapeHtml(child.url)).append("\"");
            appendDate(out, "ADD_DATE", child.addDate);
            appendDate(out, "LAST_MODIFIED", child.lastModified);
            out.append(">").append(escapeHtml(child.name)).append("</A>").append(kEol);
        }
        if (!child.description.empty())
            out.append(indent).append("    <DD>").append(escapeHtml(child.description)).append(kEol);
        if (child.isFolder())
            appendList(out, child, depth + 1);
    }
    out.append(indent).append("</DL><p>").append(kEol);
}

} // namespace

std::string formatBookmarkFile(const BookmarkNode& root) {
    std::string out;
    out.append("<!DOCTYPE NETSCAPE-Bookmark-file-1>").append(kEol);
    out.append("<!-- Favorites exported by Tessaly. -->").append(kEol);
    out.append("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">").append(kEol);
    out.append("<TITLE>Bookmarks</TITLE>").append(kEol);
    out.append("<H1>Bookmarks</H1>").append(kEol);
    appendList(out, root, 0);
    return out;
}

} // namespace tessaly
