// Screenshots.cpp -- app_screenshots DIR: pictures of both tabs and the password prompt on the sample
// profile.
#include "TempDir.h"

#include "app/InteractiveApp.h"
#include "app/frmPwd.h"
#include "app/frmabout.h"

#include <QApplication>
#include <QSettings>
#include <QStyleFactory>
#include <QTabWidget>

#include <iostream>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: app_screenshots DIR\n";
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    const QString out = QString::fromLocal8Bit(argv[1]);

    tessaly::test::TempDir dir;
    // The pictures show the defaults, whatever the user running this chose.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString((dir / "config").string()));
    tessaly::test::copyTree(TESSALY_SAMPLE_PROFILE_DIR, dir / "prefix");
    tessaly::InteractiveApp app(tessaly::Profile{dir / "prefix", false, "sample"});
    app.window().show();
    app.load("Using the sample profile.");
    app.window().resize(app.window().sizeHint());
    QApplication::processEvents();
    auto* tabs = app.window().findChild<QTabWidget*>("SSTab1");
    for (int tab : {0, 1}) {
        tabs->setCurrentIndex(tab);
        QApplication::processEvents();
        app.window().grab().save(out + (tab == 0 ? "/backup-tab.png" : "/restore-tab.png"));
    }
    tessaly::frmPwd prompt(&app.window());
    prompt.show();
    QApplication::processEvents();
    prompt.grab().save(out + "/password-prompt.png");
    tessaly::frmabout about(nullptr, &app.window());
    about.show();
    QApplication::processEvents();
    about.grab().save(out + "/about.png");
    return 0;
}
