// FrmMainStartTest.cpp -- start-up, item pop-up menus, password boxes, stationery rule, help and about, and
// the commands that open other windows.
#include "AppTestKit.h"

#include "app/OptionalWindows.h"
#include "app/frmPwd.h"
#include "app/frmabout.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QRadioButton>
#include <QTabWidget>

namespace tessaly::test {
namespace {

const char* kEmptyUserReg =
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n"
    "\n#arch=win64\n";

using StartUp = AppFixture;

std::vector<std::string> listed(QComboBox* list) {
    std::vector<std::string> names;
    for (int i = 0; i < list->count(); ++i)
        names.push_back(list->itemText(i).toStdString());
    return names;
}

TEST_F(StartUp, BothListsHoldEveryIdentityAndStartOnTheFirst) {
    start();
    EXPECT_EQ(dialogs.dialogsSeen, 0);
    for (const char* name : {"cbSource", "cbTarget"}) {
        auto* list = find<QComboBox>(name);
        EXPECT_EQ(listed(list), (std::vector<std::string>{"Main Identity", "Work"})) << name;
        EXPECT_EQ(list->currentIndex(), 0) << name;
    }
    EXPECT_TRUE(find<QWidget>("cmdApply")->isEnabled());
    // Nothing opened yet: no restore item is offered; every backup item is.
    for (int i = 0; i < kBackupItemCount; ++i) {
        EXPECT_TRUE(find<QCheckBox>(("backupitem_" + std::to_string(i)).c_str())->isEnabled()) << i;
        EXPECT_FALSE(find<QCheckBox>(("restoreitem_" + std::to_string(i)).c_str())->isEnabled()) << i;
    }
}

// Both registry shapes without identities are the engine's cases; the window is shown one of them.
TEST_F(StartUp, NoIdentityGivesOneCriticalMessageAndNoWayToRun) {
    copyTree(TESSALY_SAMPLE_PROFILE_DIR, prefix);
    writeFile(prefix / "user.reg", kEmptyUserReg);
    dialogs.thenAnswer(QMessageBox::Ok);
    start();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Your Windows System have not install Outlook Express ");
    EXPECT_EQ(dialogs.boxes[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(state().OENotInstalled);
    EXPECT_EQ(find<QComboBox>("cbSource")->count(), 0);
    EXPECT_EQ(find<QComboBox>("cbTarget")->count(), 0);
    auto* apply = find<QAbstractButton>("cmdApply");
    EXPECT_FALSE(apply->isEnabled());
    EXPECT_EQ(apply->text(), "BACKUP NOW"); // the load stops before the caption rule
    EXPECT_FALSE(find<QAction>("backup")->isEnabled());
    EXPECT_FALSE(find<QAction>("restore")->isEnabled());
    // The window stays open and usable for everything else.
    EXPECT_TRUE(window().isVisible());
    find<QTabWidget>("SSTab1")->setCurrentIndex(1);
    EXPECT_FALSE(apply->isEnabled());
}

struct PopupCase {
    const char* frame;
    const char* menu;
    const char* otherMenu;
    const char* selectAll;
    const char* deselectAll;
    const char* boxes;
    const char* otherBoxes;
};

class ItemMenus : public AppFixture, public ::testing::WithParamInterface<PopupCase> {
protected:
    std::vector<bool> checks(const char* array) {
        std::vector<bool> out;
        for (int i = 0; i < kBackupItemCount; ++i)
            out.push_back(
                find<QCheckBox>((std::string(array) + "_" + std::to_string(i)).c_str())->isChecked());
        return out;
    }
};

TEST_P(ItemMenus, RightClickOffersTheFramesOwnMenuWhichSetsEveryBoxOfIt) {
    const PopupCase& c = GetParam();
    start();
    find<QTabWidget>("SSTab1")->setCurrentIndex(std::string(c.boxes) == "backupitem" ? 0 : 1);
    auto* frame = find<QGroupBox>(c.frame);
    auto* menu = find<QMenu>(c.menu);
    auto* other = find<QMenu>(c.otherMenu);

    // Only the right button opens the menu.
    QMouseEvent left(QEvent::MouseButtonPress, QPointF(5, 5), frame->mapToGlobal(QPointF(5, 5)),
                     Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame, &left);
    EXPECT_FALSE(menu->isVisible());
    QContextMenuEvent right(QContextMenuEvent::Mouse, QPoint(5, 5), frame->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(frame, &right);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_FALSE(other->isVisible());
    menu->close();

    // A disabled box is set too; the other frame's boxes are left alone.
    find<QCheckBox>((std::string(c.boxes) + "_6").c_str())->setEnabled(false);
    find<QCheckBox>((std::string(c.otherBoxes) + "_2").c_str())->setChecked(true);
    const std::vector<bool> otherBefore = checks(c.otherBoxes);
    trigger(c.selectAll);
    EXPECT_EQ(checks(c.boxes), std::vector<bool>(kBackupItemCount, true));
    EXPECT_EQ(checks(c.otherBoxes), otherBefore);
    trigger(c.deselectAll);
    EXPECT_EQ(checks(c.boxes), std::vector<bool>(kBackupItemCount, false));
    EXPECT_EQ(checks(c.otherBoxes), otherBefore);
}

INSTANTIATE_TEST_SUITE_P(Frames, ItemMenus,
                         ::testing::Values(PopupCase{"Frame1", "selectitem", "selectitem2", "Selectallitems",
                                                     "Unselectallitems", "backupitem", "restoreitem"},
                                           PopupCase{"Frame4", "selectitem2", "selectitem", "Selectallitems2",
                                                     "Unselectallitems2", "restoreitem", "backupitem"}),
                         [](const auto& info) { return std::string(info.param.frame); });

TEST_F(StartUp, PasswordCheckBoxEnablesColoursAndEmptiesBothBoxes) {
    start();
    auto* protect = find<QCheckBox>("ifprotect");
    const std::array<QLineEdit*, 2> boxes = {find<QLineEdit>("txtPassword"), find<QLineEdit>("txtPassword2")};
    const QColor window = QApplication::palette().color(QPalette::Base);
    const QColor grey = QApplication::palette().color(QPalette::Button);
    ASSERT_NE(window, grey);
    EXPECT_FALSE(protect->isChecked());
    for (QLineEdit* box : boxes) {
        EXPECT_FALSE(box->isEnabled());
        EXPECT_EQ(box->palette().color(QPalette::Base), grey);
    }
    for (bool on : {true, false, true}) {
        for (QLineEdit* box : boxes)
            box->setText("typed");
        protect->click();
        ASSERT_EQ(protect->isChecked(), on);
        for (QLineEdit* box : boxes) {
            EXPECT_EQ(box->isEnabled(), on);
            EXPECT_EQ(box->palette().color(QPalette::Base), on ? window : grey);
            EXPECT_TRUE(box->text().isEmpty()) << "after switching " << (on ? "on" : "off");
        }
    }
}

enum class Stationery { WithFiles, OnlyASubfolder, Missing };

class StationeryRule : public AppFixture, public ::testing::WithParamInterface<Stationery> {};

TEST_P(StationeryRule, IdentityChangeClearsEveryBoxAndOffersStationeryOnlyWithFiles) {
    copyTree(TESSALY_SAMPLE_PROFILE_DIR, prefix);
    const auto folder = prefix / "drive_c/Program Files/Common Files/Microsoft Shared/Stationery";
    if (GetParam() != Stationery::WithFiles)
        std::filesystem::remove_all(folder);
    if (GetParam() == Stationery::OnlyASubfolder)
        writeFile(folder / "More" / "x.htm", "<html></html>");
    start();
    trigger("Selectallitems");
    auto* source = find<QComboBox>("cbSource");
    source->setCurrentIndex(1);
    emit source->activated(1);
    for (int i = 0; i < kBackupItemCount; ++i) {
        auto* box = find<QCheckBox>(("backupitem_" + std::to_string(i)).c_str());
        EXPECT_FALSE(box->isChecked()) << i;
        EXPECT_EQ(box->isEnabled(), i != 6 || GetParam() == Stationery::WithFiles) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Folders, StationeryRule,
                         ::testing::Values(Stationery::WithFiles, Stationery::OnlyASubfolder,
                                           Stationery::Missing));

TEST_F(StartUp, HelpOpensTheManualAndTheWebsiteItsAddress) {
    start();
    trigger("help1");
    trigger("website");
    ASSERT_EQ(openedUrls.size(), 2u);
    ASSERT_TRUE(openedUrls[0].isLocalFile());
    std::string manual = readFile(openedUrls[0].toLocalFile().toStdString());
    for (const char* topic : {"Address Book", "sf=", "WINEPREFIX", "Restore"})
        EXPECT_NE(manual.find(topic), std::string::npos) << topic;
    EXPECT_EQ(openedUrls[1], QUrl(kWebsiteAddress));
    EXPECT_EQ(dialogs.dialogsSeen, 0);

    // When the desktop cannot open it, the user is told instead of nothing happening.
    urlOpens = false;
    dialogs.thenAnswer(QMessageBox::Ok);
    trigger("help1");
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(dialogs.boxes[0].text.find("The help could not be opened"), std::string::npos);
}

// The about button is used by the quit tests; here the menu command opens the box and Exit closes it.
TEST_F(StartUp, AboutBoxOpensModallyFromTheMenuAndExitCloses) {
    start();
    dialogs.then([](QWidget* box) {
        EXPECT_EQ(box->objectName(), "frmabout");
        control<QAbstractButton>(box, "Command3")->click();
    });
    trigger("about");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// The menu commands that open other folders' windows or run the favorites transfer.
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

// The item boxes' order, hidden passwords, the progress panel, the menus that are not in the bar, and the
// commands of windows left out of the build.
using Layout = AppFixture;

TEST_F(Layout, ItemBoxesPasswordsAndTheHiddenProgressPanel) {
    start();
    // Box i of either tab is item i: the captions name the items in the engine's order.
    const char* items[] = {"Accounts",      "Address Book", "Rules",        "Email/News Messages",
                           "Block Senders", "Signatures",   "Stationeries", nullptr};
    for (int i = 0; i < kBackupItemCount; ++i) {
        const std::string n = std::to_string(i);
        EXPECT_EQ(find<QCheckBox>(("backupitem_" + n).c_str())->text().remove('&').toStdString(),
                  items[i] ? items[i] : "OE Settings");
        EXPECT_EQ(find<QCheckBox>(("restoreitem_" + n).c_str())->text().remove('&').toStdString(),
                  items[i] ? items[i] : "Settings");
    }
    for (const char* name : {"txtPassword", "txtPassword2"})
        EXPECT_EQ(find<QLineEdit>(name)->echoMode(), QLineEdit::Password) << name;
    EXPECT_EQ(find<QTabWidget>("SSTab1")->currentIndex(), 0);

    auto* panel = find<QWidget>("picCon3");
    EXPECT_FALSE(panel->isVisible());
    auto* bar = find<QProgressBar>("pbshow");
    EXPECT_EQ(bar->parent(), panel);
    EXPECT_EQ(std::make_tuple(bar->minimum(), bar->maximum(), bar->value()), std::make_tuple(0, 100, 0));
    EXPECT_EQ(find<QLabel>("Label1")->parent(), panel);

    EXPECT_EQ(find<QAction>("help1")->shortcut(), QKeySequence(Qt::Key_F1));
    // The two pop-up menus are not in the menu bar.
    for (const char* name : {"selectitem", "selectitem2"})
        EXPECT_FALSE(window().menuBar()->actions().contains(find<QMenu>(name)->menuAction()));
}

TEST_F(Layout, CommandsOfWindowsNotInThisBuildAreDisabledWithANote) {
    start();
    const std::vector<std::pair<const char*, bool>> commands = {
        {"TaskScheduler", schedulerWindowBuilt()},
        {"backupiefavorites", favoritesBuilt()},
        {"restoreiefavorites", favoritesBuilt()},
        {"backuptocd", discWindowBuilt()},
    };
    for (const auto& [name, built] : commands) {
        auto* action = find<QAction>(name);
        EXPECT_EQ(action->isEnabled(), built) << name;
        if (!built) {
            EXPECT_TRUE(action->toolTip().contains("later version")) << name;
        }
    }
}

TEST(PromptLayout, ThePromptHidesThePasswordAndTheAboutBoxLinkOpensTheWebsite) {
    frmPwd prompt;
    EXPECT_EQ(control<QLineEdit>(&prompt, "txtPassword")->echoMode(), QLineEdit::Password);

    std::vector<QUrl> opened;
    frmabout about([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    emit control<QLabel>(&about, "SkinLabel5")->linkActivated(QString(kWebsiteAddress));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl(kWebsiteAddress));
}

} // namespace
} // namespace tessaly::test
