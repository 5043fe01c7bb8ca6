// HandOverTest.cpp -- from a backup in the main window to a disc: OK to the disc question opens the
// writing window with the new file, and the disc written from it holds that file.
#include "AppTestKit.h"
#include "DiscUiFiles.h"

#include "app/OptionalWindows.h"

#include <QCheckBox>
#include <QPointer>
#include <QTimer>
#include <QTreeWidget>

namespace fs = std::filesystem;

namespace tessaly::test {
namespace {

class HandOver : public AppFixture {};

TEST_F(HandOver, OkToTheDiscQuestionWritesTheNewBackupToADisc) {
    ASSERT_TRUE(discWindowBuilt());
    const fs::path disc = dir / "disc.iso";
    ExtraDrives drives("stdio:" + disc.string());
    start();
    const fs::path file = dir / "weekly.tsy";
    nextTarget = QString::fromStdString(file.string());
    click("cmdTargetFile");
    find<QCheckBox>("backupitem_0")->setChecked(true);
    find<QCheckBox>("backupitem_2")->setChecked(true);

    std::vector<std::string> layout;
    QPointer<QWidget> writing;
    dialogs.thenAnswer(QMessageBox::Ok); // the completion report
    dialogs.thenAnswer(QMessageBox::Ok); // the disc question
    dialogs.then([&](QWidget* window) {
        writing = window;
        EXPECT_EQ(window->objectName(), "frmMaindvdwrite");
        auto* list = window->findChild<QTreeWidget*>("lvwImageFiles");
        if (list)
            layout = keysOf(list);
        if (auto* write = window->findChild<QAbstractButton*>("cmdWriteDisc"))
            write->click();
    });
    dialogs.thenAnswer(QMessageBox::Ok, [&] {
        // "Writing is complete!": the write is over; the window is closed once the box is gone.
        QTimer::singleShot(50, [&] {
            if (writing)
                writing->close();
        });
    });
    click("cmdApply");
    ASSERT_TRUE(waitFor([&] { return !window().isRunning(); }));

    ASSERT_EQ(dialogs.boxes.size(), 3u);
    EXPECT_EQ(dialogs.boxes[1].text, "Do you need to backup your data to CD-R/RW or DVD?");
    EXPECT_EQ(dialogs.boxes[1].buttons, QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(dialogs.boxes[2].text, "Writing is complete!");
    EXPECT_EQ(layout, std::vector<std::string>{"\\weekly.tsy"});
    EXPECT_EQ(state().backupfiletocd, "weekly.tsy");
    EXPECT_EQ(state().backupcdpath, file.string());

    // The disc holds the backup byte for byte.
    ASSERT_TRUE(xorrisoExtract(disc, dir / "fromdisc"));
    EXPECT_EQ(readFile(dir / "fromdisc" / "weekly.tsy"), readFile(file));

    // The menu command opens the window again with the same file in its layout.
    std::vector<std::string> again;
    dialogs.then([&](QWidget* window) {
        if (auto* list = window->findChild<QTreeWidget*>("lvwImageFiles"))
            again = keysOf(list);
        QTimer::singleShot(0, window, [window] { window->close(); });
    });
    trigger("backuptocd");
    EXPECT_EQ(again, std::vector<std::string>{"\\weekly.tsy"});
    EXPECT_FALSE(window().isRunning());
}

} // namespace
} // namespace tessaly::test
