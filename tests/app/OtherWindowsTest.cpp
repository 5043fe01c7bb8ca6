// OtherWindowsTest.cpp -- the menu commands that open other folders' windows or run the favorites transfer.
#include "AppTestKit.h"

#include <QCheckBox>
#include <QRadioButton>

#include "app/OptionalWindows.h"

namespace tessaly::test {
namespace {

using OtherWindows = AppFixture;

TEST_F(OtherWindows, FavoritesGoToABookmarkFileAndComeBack) {
    if (!favoritesBuilt())
        GTEST_SKIP() << "this build has no favorites transfer";
    start();
    const std::filesystem::path file = dir / "favorites.htm";
    const std::filesystem::path folder = prefix / "drive_c/users/sample/Favorites";

    nextFavorites.reset();
    trigger("backupiefavorites");
    EXPECT_FALSE(std::filesystem::exists(file)) << "a cancelled dialog writes nothing";

    nextFavorites = QString::fromStdString(file.string());
    dialogs.thenAnswer(QMessageBox::Ok);
    trigger("backupiefavorites");
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].icon, QMessageBox::Information) << dialogs.boxes[0].text;
    EXPECT_NE(readFile(file).find("NETSCAPE-Bookmark-file-1"), std::string::npos);

    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    dialogs.thenAnswer(QMessageBox::Ok);
    trigger("restoreiefavorites");
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].icon, QMessageBox::Information) << dialogs.boxes[1].text;
    EXPECT_FALSE(std::filesystem::is_empty(folder)) << "the favorites came back";
    EXPECT_FALSE(window().isRunning());
}

TEST_F(OtherWindows, TaskSchedulerOpensItsWindowModally) {
    if (!schedulerWindowBuilt())
        GTEST_SKIP() << "this build has no schedule window";
    start();
    click("optStrong");
    std::string opened;
    bool strong = false, protect = false;
    dialogs.then([&](QWidget* modal) {
        opened = modal->objectName().toStdString();
        // A new task starts from the main window's choice.
        strong = control<QRadioButton>(modal, "optStrong")->isChecked();
        protect = control<QCheckBox>(modal, "ifprotect")->isChecked();
        QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
    });
    trigger("TaskScheduler");
    EXPECT_EQ(opened, "Frmoption");
    EXPECT_TRUE(strong);
    EXPECT_TRUE(protect);
    EXPECT_TRUE(find<QAction>("TaskScheduler")->isEnabled()) << "usable again once the window closed";
}

} // namespace
} // namespace tessaly::test
