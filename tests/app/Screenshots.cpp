// Screenshots.cpp -- app_screenshots DIR: pictures of both tabs, the password prompt, the about box, the
// Export Messages dialog and a backup being stopped, on the sample profile.
#include "TempDir.h"

#include "app/InteractiveApp.h"
#include "app/MessageExportDialog.h"
#include "app/frmPwd.h"
#include "app/frmabout.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTimer>

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
    about.hide();

    // The Export Messages dialog of the restore tab, its folder filled in.
    tabs->setCurrentIndex(1);
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        dialog->findChild<QLineEdit*>("txtExportFolder")->setText("/home/user/Mail from the old computer");
        QApplication::processEvents();
        dialog->grab().save(out + "/export-messages.png");
        dialog->reject();
    });
    tessaly::ChooseMessageExport(&app.window());

    // A backup under way, its action button turned into Stop; the shot is taken while the messages are
    // copied, then Stop ends the run and its report is closed.
    tabs->setCurrentIndex(0);
    tessaly::FileChoosers choosers;
    choosers.backupTarget = [&](QWidget*) {
        return std::optional<QString>(QString::fromStdString((dir / "a.tsy").string()));
    };
    app.window().setFileChoosers(choosers);
    app.window().findChild<QAbstractButton*>("cmdTargetFile")->click();
    for (QCheckBox* box : app.window().findChildren<QCheckBox*>())
        if (box->objectName().startsWith("backupitem_"))
            box->setChecked(true);
    auto* status = app.window().findChild<QLabel*>("Label1");
    auto* fileLine = app.window().findChild<QLabel*>("lblProgressFile");
    auto* target = app.window().findChild<QLineEdit*>("txtTargetFile");
    auto* apply = app.window().findChild<QAbstractButton*>("cmdApply");
    bool taken = false;
    QTimer during;
    QObject::connect(&during, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->done(QMessageBox::Ok);
        else if (!taken && app.window().isStoppable() && status->text().startsWith("Copying Messages") &&
                 !fileLine->text().isEmpty()) {
            taken = true;
            // The picture shows a home folder rather than this run's temporary one.
            target->setText("/home/user/Backups/weekly.tsy");
            app.window().grab().save(out + "/stop-during-a-run.png");
            apply->click();
        }
    });
    during.start(0);
    apply->click();
    return 0;
}
