// AppLinks.cpp -- where the manual is found, and opening addresses through QDesktopServices.
#include "app/AppLinks.h"

#include <QCoreApplication>
#include <QDesktopServices>

#include <cstdlib>

namespace tessaly {

bool openWithDesktop(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

std::filesystem::path helpManualPath() {
    if (const char* env = std::getenv("TESSALY_HELP_FILE"); env && *env)
        return env;
    if (QCoreApplication::instance()) {
        std::filesystem::path installed =
            std::filesystem::path(QCoreApplication::applicationDirPath().toStdString()) / ".." / "share" /
            "tessaly" / "help" / "index.html";
        std::error_code ec;
        if (std::filesystem::is_regular_file(installed, ec))
            return installed.lexically_normal();
    }
    return TESSALY_HELP_SOURCE_FILE;
}

} // namespace tessaly
