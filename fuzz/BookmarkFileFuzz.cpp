// BookmarkFileFuzz.cpp -- a bookmark file read, written and read again must give the same tree, and the
// dates it holds must be settable as file times.
#include "FuzzSupport.h"

#include "favorites/BookmarkFileReader.h"
#include "favorites/BookmarkFileWriter.h"
#include "favorites/FavoritesFolder.h"

#include <cstdint>

using namespace tessaly;

namespace {

std::string difference(const BookmarkNode& a, const BookmarkNode& b, const std::string& where) {
    if (a.kind != b.kind || a.name != b.name || a.url != b.url || a.description != b.description ||
        a.addDate != b.addDate || a.lastModified != b.lastModified || a.toolbar != b.toolbar)
        return "the item " + where + a.name + " differs";
    if (a.children.size() != b.children.size())
        return "the folder " + where + a.name + " holds another number of items";
    for (size_t i = 0; i < a.children.size(); ++i)
        if (std::string diff = difference(a.children[i], b.children[i], where + a.name + "\\"); !diff.empty())
            return diff;
    return {};
}

// A link's date becomes its shortcut's file time; whatever the date, the time set must be a sane one.
void checkDates(const BookmarkNode& folder, int& budget) {
    static const std::filesystem::path file = [] {
        std::filesystem::path p = fuzz::scratch() / "dated.url";
        fuzz::writeBytes(p, "");
        return p;
    }();
    for (const BookmarkNode& child : folder.children) {
        if (budget-- <= 0)
            return;
        if (child.isFolder()) {
            checkDates(child, budget);
            continue;
        }
        std::error_code ec;
        setModificationSeconds(file, child.addDate, ec);
        const std::int64_t back = modificationSeconds(file);
        if (!ec && child.addDate > 0 && child.addDate < INT32_MAX && back != child.addDate)
            fuzz::failed("the date " + std::to_string(child.addDate) + " came back as " +
                         std::to_string(back));
        if (!ec && child.addDate >= INT32_MAX && back < INT32_MAX)
            fuzz::failed("the date " + std::to_string(child.addDate) + " went back to " +
                         std::to_string(back));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    BookmarkFile first;
    try {
        first = parseBookmarkFile(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const FavoritesError&) {
        return 0;
    }
    const std::string written = formatBookmarkFile(first.root);
    BookmarkFile second;
    try {
        second = parseBookmarkFile(written);
    } catch (const FavoritesError& e) {
        fuzz::failed(std::string("a written bookmark file does not read back: ") + e.what());
    }
    if (std::string diff = difference(first.root, second.root, ""); !diff.empty())
        fuzz::failed("a written bookmark file reads back as another tree: " + diff);
    int budget = 8;
    checkDates(first.root, budget);
    return 0;
}
