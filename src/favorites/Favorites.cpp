// Favorites.cpp -- the favorites export and import of a profile, with the texts the user sees.
#include "favorites/Favorites.h"

#include "favorites/BookmarkFileReader.h"
#include "favorites/BookmarkFileWriter.h"
#include "favorites/FavoritesFolder.h"
#include "platform/AtomicFile.h"
#include "platform/PathMapper.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>

namespace fs = std::filesystem;

namespace tessaly {

namespace {

constexpr std::size_t kSkippedShown = 10;

std::string counted(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string skippedText(const std::vector<std::string>& skipped, const char* heading) {
    if (skipped.empty())
        return {};
    std::string text = std::string("\n\n") + heading + " (" + std::to_string(skipped.size()) + "):";
    for (std::size_t i = 0; i < skipped.size() && i < kSkippedShown; ++i)
        text += "\n" + skipped[i];
    if (skipped.size() > kSkippedShown)
        text += "\nand " + std::to_string(skipped.size() - kSkippedShown) + " more";
    return text;
}

std::string readBookmarkFile(const fs::path& file) {
    std::error_code ec;
    const fs::file_status status = fs::status(file, ec);
    if (fs::is_directory(status))
        throw FavoritesError("it is a folder");
    if (!fs::exists(status))
        throw FavoritesError("it does not exist");
    const std::uintmax_t size = fs::file_size(file, ec);
    if (!ec && size > kMaxBookmarkFileBytes)
        throw FavoritesError("it is too large to be a bookmark file (" + std::to_string(size) + " bytes)");
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f)
        throw FavoritesError(std::string("it cannot be read: ") + std::strerror(errno));
    std::string bytes;
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0 && bytes.size() <= kMaxBookmarkFileBytes)
        bytes.append(buffer, got);
    const int err = errno;
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed)
        throw FavoritesError(std::string("it cannot be read: ") + std::strerror(err));
    if (bytes.size() > kMaxBookmarkFileBytes)
        throw FavoritesError("it is too large to be a bookmark file");
    return bytes;
}

bool showOutcome(Ui& ui, const std::function<FavoritesReport()>& run) {
    try {
        const FavoritesReport report = run();
        ui.messageBox(report.summary, kAppTitle, MsgIcon::Information, MsgButtons::Ok);
        return true;
    } catch (const std::exception& e) {
        ui.messageBox(e.what(), kAppTitle, MsgIcon::Critical, MsgButtons::Ok);
        return false;
    }
}

} // namespace

std::string favoritesWindowsPath(const EnvironmentInfo& environment) {
    return environment.userProfile + "\\Favorites";
}

fs::path favoritesFolder(const ProfileSession& session) {
    return hostPath(session.profile(), favoritesWindowsPath(session.environment()));
}

FavoritesReport exportFavorites(const fs::path& folder, const fs::path& file, const CodePage& codePage) {
    const std::string failure = "The favorites could not be backed up to " + file.string() + ": ";
    try {
        FavoritesScan scan = readFavoritesFolder(folder, codePage);
        const std::string text = formatBookmarkFile(scan.root);
        try {
            writeFileAtomically(file, text);
        } catch (const std::exception& e) {
            throw FavoritesError(e.what());
        }
        FavoritesReport report;
        const BookmarkCounts counts = countBookmarks(scan.root);
        report.links = counts.links;
        report.folders = counts.folders;
        report.skipped = std::move(scan.skipped);
        report.summary = "The favorites were backed up to " + file.string() + ": " +
                         counted(report.links, "favorite", "favorites") + " in " +
                         counted(report.folders, "folder", "folders") + "." +
                         skippedText(report.skipped, "Not backed up");
        return report;
    } catch (const std::exception& e) {
        throw FavoritesError(failure + e.what() + ". The file was left as it was.");
    }
}

FavoritesReport importFavorites(const fs::path& folder, const fs::path& file, const ShortcutWriter& write) {
    const std::string failure = "The favorites could not be restored from " + file.string() + ": ";
    FavoritesReport report;
    try {
        BookmarkFile parsed = parseBookmarkFile(readBookmarkFile(file));
        const std::vector<FavoritesImportStep> steps = planFavoritesImport(parsed.root, folder);
        applyFavoritesImport(steps, write);
        const BookmarkCounts counts = countBookmarks(parsed.root);
        report.links = counts.links;
        report.folders = counts.folders;
        for (const FavoritesImportStep& step : steps)
            report.replaced += step.replaces ? 1 : 0;
        report.skipped = std::move(parsed.skipped);
    } catch (const FavoritesUndoError& e) {
        throw FavoritesError(failure + e.what() + ".");
    } catch (const std::exception& e) {
        throw FavoritesError(failure + e.what() + ". The favorites were left as they were.");
    }
    report.summary = "The favorites were restored from " + file.string() + ": " +
                     counted(report.links, "favorite", "favorites") + " in " +
                     counted(report.folders, "folder", "folders") +
                     (report.replaced ? ", " + std::to_string(report.replaced) +
                                            (report.replaced == 1 ? " of them replacing a favorite"
                                                                  : " of them replacing favorites") +
                                            " of the same name"
                                      : std::string()) +
                     "." + skippedText(report.skipped, "Not restored");
    return report;
}

bool BackupIEFavorites(ProfileSession& session, Ui& ui, const fs::path& file) {
    return showOutcome(ui, [&] {
        fs::path folder;
        try {
            folder = favoritesFolder(session);
        } catch (const std::exception& e) {
            throw FavoritesError("The favorites could not be backed up: the folder " +
                                 favoritesWindowsPath(session.environment()) + " cannot be found (" +
                                 e.what() + ").");
        }
        return exportFavorites(folder, file, session.codePage());
    });
}

bool RestoreIEFavorites(ProfileSession& session, Ui& ui, const fs::path& file) {
    return showOutcome(ui, [&] {
        auto lock = session.lockForChanges("favorites import");
        fs::path folder;
        try {
            folder = favoritesFolder(session);
        } catch (const std::exception& e) {
            throw FavoritesError("The favorites could not be restored: the folder " +
                                 favoritesWindowsPath(session.environment()) + " cannot be found (" +
                                 e.what() + ").");
        }
        return importFavorites(folder, file);
    });
}

} // namespace tessaly
