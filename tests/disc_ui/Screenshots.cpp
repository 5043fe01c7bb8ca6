// Screenshots.cpp -- disc_ui_screenshots DIR: pictures of the writing window (also with its File menu
// open), the disc information and erase windows, on a pseudo-drive holding one written session.
#include "DiscUiTestKit.h"

#include "disc/ui/DiscWindow.h"
#include "disc/ui/frmDiscInfo.h"
#include "disc/ui/frmErase.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStyleFactory>

#include <iostream>

namespace fs = std::filesystem;
using namespace tessaly;

namespace {

void save(QWidget& w, const QString& file) {
    w.show();
    QApplication::processEvents();
    if (!w.grab().save(file))
        std::cerr << "could not write " << file.toStdString() << "\n";
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: disc_ui_screenshots DIR\n";
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    const QString out = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();

    test::TempDir dir;
    const fs::path src = dir / "Backups";
    test::writePatternFile(src / "Mail" / "Inbox.dbx", 1'572'864, 1);
    test::writePatternFile(src / "Mail" / "Sent Items.dbx", 412'004, 2);
    test::writePatternFile(src / "Mail" / "Folders.dbx", 1536, 3);
    test::writePatternFile(src / "Mail" / "Archive" / "2023.dbx", 80'000, 4);
    test::writePatternFile(dir / "weekly.tsy", 2'345'678, 5);
    // A pseudo-drive of the size of a DVD, named relative to its folder, so that no folder of this
    // machine shows in the pictures.
    fs::current_path(dir.path());
    test::ExtraDrives drives("stdio:disc.iso#4480M");
    test::RecordingUi ui;
    BurnDiscWriter control(QtEventPoster());
    {
        // One session on the disc first, so that the information window has something to show.
        frmMaindvdwrite first(control, ui, DiscHandOver{"weekly.tsy", (dir / "weekly.tsy").string()});
        first.show();
        test::click(&first, "cmdWriteDisc");
        test::waitFor([&] { return !control.IsBusy() && first.windowIdle(); });
        test::settle();
    }

    frmMaindvdwrite window(control, ui, DiscHandOver{"weekly.tsy", (dir / "weekly.tsy").string()});
    window.resize(
        QSize(820, 640).boundedTo(window.screen()->availableGeometry().size())); // a small screen: all of it
    window.show();
    test::dropOnto(window.findChild<QWidget*>("tvwDirectories"), {src / "Mail"});
    auto* tree = window.findChild<QTreeWidget*>("tvwDirectories");
    tree->setCurrentItem(test::itemByKey(tree, "\\Mail"));
    window.RefreshImageView();
    window.findChild<QCheckBox*>("chkAutoVerify")->setChecked(true);
    save(window, out + "/disc-writing-window.png");

    // The File menu open on its Add entries, drawn over the window as the screen shows it.
    auto* bar = window.findChild<QMenuBar*>("mnuBar");
    auto* file = window.findChild<QMenu*>("mnuFile");
    file->popup(bar->mapToGlobal(bar->actionGeometry(file->menuAction()).bottomLeft()));
    file->setActiveAction(window.findChild<QAction*>("mnuFileAddFiles"));
    QApplication::processEvents();
    QPixmap shot = window.grab();
    {
        QPainter painter(&shot);
        painter.drawPixmap(file->pos() - window.mapToGlobal(QPoint(0, 0)), file->grab());
    }
    file->close();
    if (!shot.save(out + "/disc-add-menu.png"))
        std::cerr << "could not write disc-add-menu.png\n";

    frmDiscInfo* info = ShowDiscInfo(control, ui, &window);
    if (info)
        save(*info, out + "/disc-information.png");
    frmErase erase(control, ui, &window);
    save(erase, out + "/disc-erase.png");
    return 0;
}
