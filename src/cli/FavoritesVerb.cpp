// FavoritesVerb.cpp -- tessaly-cli favorites export / import: the profile's favorites and a bookmark file.
#include "cli/CliCommon.h"
#include "cli/Verbs.h"
#include "favorites/Favorites.h"

#include <iostream>

namespace tessaly::cli {

namespace {

const char* kUsage =
    "usage: tessaly-cli favorites export FILE [--profile DIR]\n"
    "       tessaly-cli favorites import FILE [--profile DIR]\n"
    "export writes the favorites (the .url files below C:\\users\\<login>\\Favorites) to FILE as\n"
    "a bookmark file that browsers import; import adds the bookmarks of such a file to the\n"
    "favorites, replacing shortcuts of the same name. A file that cannot be read changes nothing.\n";

} // namespace

int runFavorites(const Args& args) {
    CommonOptions options = parseCommonOptions(args);
    if (options.help || options.positional.empty()) {
        std::cout << kUsage;
        return options.help ? kExitOk : kExitRefused;
    }
    if (options.positional.size() != 2 ||
        (options.positional[0] != "export" && options.positional[0] != "import"))
        return fail(kExitRefused, std::string("favorites needs export or import and a file\n") + kUsage);
    const bool exporting = options.positional[0] == "export";
    const std::filesystem::path file = options.positional[1];
    TerminalUi ui(options.yes);
    auto session = openProfile(options, ui);
    std::unique_ptr<ProfileLock> lock;
    if (!exporting)
        lock = session->lockForChanges("favorites import");
    const std::filesystem::path folder = favoritesFolder(*session);
    const FavoritesReport report =
        exporting ? exportFavorites(folder, file, session->codePage()) : importFavorites(folder, file);
    std::cerr << report.summary << std::endl;
    return kExitOk;
}

} // namespace tessaly::cli
