// AppLinks.h -- the help manual and the web site, and how the desktop is asked to open them.
#pragma once

#include <QUrl>

#include <filesystem>
#include <functional>

namespace tessaly {

inline constexpr const char* kWebsiteAddress = "https://tessaly.example.org/";

// Hands an address to the desktop (a browser); false when nothing could open it.
using UrlOpener = std::function<bool(const QUrl&)>;
bool openWithDesktop(const QUrl& url);

// The HTML manual: $TESSALY_HELP_FILE, else share/tessaly/help/index.html beside the installed
// program, else the copy in the source tree the program was built from.
std::filesystem::path helpManualPath();

} // namespace tessaly
