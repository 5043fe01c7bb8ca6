// main.cpp -- tessaly: the main window, or the scheduled backup (no window, no display) when given a command
// line.
#include "app/InteractiveApp.h"
#include "engine/CommandLine.h"
#include "engine/ScheduledRun.h"

#include <QApplication>
#include <QMessageBox>
#include <QStyleFactory>

#include <cstdlib>
#include <iostream>

namespace {

bool displayAvailable() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (const char* value = std::getenv(name); value && *value)
            return true;
    return false;
}

int runInteractive(int argc, char** argv) {
    if (!displayAvailable()) {
        std::cerr << "tessaly: there is no display to show the window on (DISPLAY is not set).\n"
                     "Scheduled backups need none; tessaly-cli works on the terminal.\n";
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tessaly");
    QApplication::setApplicationVersion("1.50");
    if (QStyle* fusion = QStyleFactory::create("Fusion"))
        QApplication::setStyle(fusion);

    std::unique_ptr<tessaly::InteractiveApp> tessalyApp;
    std::string notice;
    try {
        tessaly::Profile profile = tessaly::resolveProfile(std::nullopt, &notice);
        if (!notice.empty())
            std::cerr << "tessaly: " << notice << std::endl;
        tessalyApp = std::make_unique<tessaly::InteractiveApp>(profile);
    } catch (const std::exception& e) {
        std::cerr << "tessaly: " << e.what() << std::endl;
        QMessageBox::critical(nullptr, tessaly::kAppTitle, QString::fromStdString(e.what()));
        return 2;
    }
    tessaly::frmMain& window = tessalyApp->window();
    QObject::connect(&window, &tessaly::frmMain::programEnded, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    window.show();
    tessalyApp->load(notice);
    return app.exec();
}

} // namespace

int main(int argc, char** argv) {
    const std::string recorded = tessaly::RecordCommandLine(argc, argv);
    // A scheduled run has no display: it must never create the application object.
    if (tessaly::isUnattended(recorded))
        return tessaly::RunScheduledBackup(recorded, std::cerr);
    return runInteractive(argc, argv);
}
