// favorites_bench.cpp -- how long the favorites import and export take for 10,000 bookmarks.
#include "favorites/BookmarkFileReader.h"
#include "favorites/Favorites.h"
#include "favorites/FavoritesImport.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A browser-style file: 100 folders (every tenth with a subfolder) of 100 links each.
std::string makeFile(int folders, int linksPerFolder) {
    std::string text = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<META HTTP-EQUIV=\"Content-Type\" "
                       "CONTENT=\"text/html; charset=UTF-8\">\n<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks</H1>\n"
                       "<DL><p>\n";
    for (int f = 0; f < folders; ++f) {
        const bool nested = f % 10 == 0;
        text += "    <DT><H3 ADD_DATE=\"1700000000\">Folder " + std::to_string(f) + "</H3>\n    <DL><p>\n";
        if (nested)
            text += "        <DT><H3>Inner</H3>\n        <DL><p>\n";
        for (int l = 0; l < linksPerFolder; ++l)
            text += "        <DT><A HREF=\"https://site" + std::to_string(l) +
                    ".example.com/page?id=" + std::to_string(f * 1000 + l) + "&amp;lang=en\" ADD_DATE=\"" +
                    std::to_string(1700000000 + l) +
                    "\" ICON=\"data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAABAAAAAQ\">Bookmark " +
                    std::to_string(l) + " &mdash; Caf&eacute;</A>\n";
        if (nested)
            text += "        </DL><p>\n";
        text += "    </DL><p>\n";
    }
    return text + "</DL><p>\n";
}

} // namespace

int main() {
    const int folders = 100, linksPerFolder = 100;
    std::string pattern = (fs::temp_directory_path() / "tessaly-favorites-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path dir = pattern;
    const fs::path file = dir / "bookmarks.htm";
    const fs::path favorites = dir / "Favorites";
    const std::string text = makeFile(folders, linksPerFolder);
    std::ofstream(file, std::ios::binary) << text;
    std::printf("bookmark file: %d links in %d folders, %zu bytes\n", folders * linksPerFolder, folders,
                text.size());

    auto start = Clock::now();
    const tessaly::BookmarkFile parsed = tessaly::parseBookmarkFile(text);
    std::printf("parse:                         %8.1f ms\n", millisecondsSince(start));

    start = Clock::now();
    const auto steps = tessaly::planFavoritesImport(parsed.root, dir / "Planned");
    std::printf("plan (no writes):              %8.1f ms (%zu steps)\n", millisecondsSince(start),
                steps.size());

    // What the file system alone needs to create as many small files in as many folders.
    start = Clock::now();
    for (int i = 0; i < folders * linksPerFolder; ++i) {
        const fs::path folder = dir / "Floor" / std::to_string(i % folders);
        if (i < folders)
            fs::create_directories(folder);
        std::ofstream(folder / (std::to_string(i) + ".url"), std::ios::binary) << "[InternetShortcut]\r\n";
    }
    std::printf("file system alone, %d files:  %8.1f ms\n", folders * linksPerFolder,
                millisecondsSince(start));

    start = Clock::now();
    tessaly::FavoritesReport report = tessaly::importFavorites(favorites, file);
    std::printf("import into an empty folder:   %8.1f ms (%zu links, %zu folders)\n",
                millisecondsSince(start), report.links, report.folders);

    start = Clock::now();
    report = tessaly::importFavorites(favorites, file);
    std::printf("import again (all replaced):   %8.1f ms (%zu replaced)\n", millisecondsSince(start),
                report.replaced);

    start = Clock::now();
    report = tessaly::exportFavorites(favorites, dir / "exported.htm", tessaly::CodePage(1252));
    std::printf("export:                        %8.1f ms (%zu links, %zu bytes)\n", millisecondsSince(start),
                report.links, static_cast<std::size_t>(fs::file_size(dir / "exported.htm")));

    fs::remove_all(dir);
    return parsed.root.children.size() == static_cast<std::size_t>(folders) ? 0 : 1;
}
