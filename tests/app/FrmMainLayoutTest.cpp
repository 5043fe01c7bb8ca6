// FrmMainLayoutTest.cpp -- every control and menu command of the main window by name, with its caption.
#include "AppTestKit.h"

#include "app/OptionalWindows.h"
#include "app/frmPwd.h"
#include "app/frmabout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTabWidget>

namespace tessaly::test {
namespace {

QString plain(QString caption) {
    return caption.remove('&');
}

using Layout = AppFixture;

TEST_F(Layout, ButtonsFramesAndItemBoxesCarryTheirCaptions) {
    start();
    EXPECT_EQ(window().objectName(), "frmMain");
    EXPECT_EQ(window().windowTitle(), "Tessaly V1.50");
    const std::vector<std::pair<const char*, const char*>> buttons = {
        {"cmdAbout", "About"},
        {"cmdApply", "Backup Now"},
        {"cmdQuit", "Quit"},
        {"cmdTargetFile", "Browse..."},
        {"cmdSourceFile", "Browse..."},
        {"ifprotect", "Protect backup file with password"},
        {"backupitem_0", "Accounts"},
        {"backupitem_1", "Address Book"},
        {"backupitem_2", "Rules"},
        {"backupitem_3", "Email/News Messages"},
        {"backupitem_4", "Block Senders"},
        {"backupitem_5", "Signatures"},
        {"backupitem_6", "Stationeries"},
        {"backupitem_7", "OE Settings"},
        {"restoreitem_0", "Accounts"},
        {"restoreitem_1", "Address Book"},
        {"restoreitem_2", "Rules"},
        {"restoreitem_3", "Email/News Messages"},
        {"restoreitem_4", "Block Senders"},
        {"restoreitem_5", "Signatures"},
        {"restoreitem_6", "Stationeries"},
        {"restoreitem_7", "Settings"},
    };
    for (const auto& [name, caption] : buttons)
        if (auto* b = find<QAbstractButton>(name)) {
            EXPECT_EQ(b->text().toStdString(), caption) << name;
        }

    const std::vector<std::tuple<const char*, const char*, const char*>> frames = {
        {"Frame1", "What", "tabBackup"},
        {"Frame2", "Where", "tabBackup"},
        {"Frame5", "Security", "tabBackup"},
        {"Frame3", "Where", "tabRestore"},
        {"Frame4", "What", "tabRestore"}};
    for (const auto& [name, caption, tab] : frames)
        if (auto* f = find<QGroupBox>(name)) {
            EXPECT_EQ(f->title().toStdString(), caption) << name;
            EXPECT_EQ(f->parentWidget()->objectName().toStdString(), tab) << name;
        }
    // The item boxes and identity lists sit in their frames.
    EXPECT_EQ(find<QCheckBox>("backupitem_3")->parent()->objectName(), "Frame1");
    EXPECT_EQ(find<QCheckBox>("restoreitem_3")->parent()->objectName(), "Frame4");
    EXPECT_EQ(find<QComboBox>("cbSource")->parent()->objectName(), "Frame1");
    EXPECT_EQ(find<QComboBox>("cbTarget")->parent()->objectName(), "Frame4");
    for (const char* name : {"txtTargetFile", "txtPassword", "txtPassword2", "txtSourceFile"})
        EXPECT_NE(find<QLineEdit>(name), nullptr);
    for (const char* name : {"txtAttachInfo", "txtPOBinfo", "txtFileInfo"})
        EXPECT_NE(find<QPlainTextEdit>(name), nullptr);
    EXPECT_EQ(find<QLineEdit>("txtPassword")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(find<QLineEdit>("txtPassword2")->echoMode(), QLineEdit::Password);

    auto* tabs = find<QTabWidget>("SSTab1");
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(0), "Backup");
    EXPECT_EQ(tabs->tabText(1), "Restore");
    EXPECT_EQ(tabs->currentIndex(), 0);

    auto* panel = find<QWidget>("picCon3");
    EXPECT_FALSE(panel->isVisible());
    auto* bar = find<QProgressBar>("pbshow");
    EXPECT_EQ(bar->parent(), panel);
    EXPECT_EQ(std::make_tuple(bar->minimum(), bar->maximum(), bar->value()), std::make_tuple(0, 100, 0));
    EXPECT_EQ(find<QLabel>("Label1")->parent(), panel);
}

TEST_F(Layout, MenuCommandsSitInTheirMenus) {
    start();
    struct Row {
        const char* name;
        const char* caption;
        const char* menu;
    };
    const std::vector<Row> rows = {
        {"backup", "Backup Now", "file"},
        {"restore", "Restore Now", "file"},
        {"fg1", "", "file"},
        {"quit", "Quit", "file"},
        {"TaskScheduler", "Task Scheduler", "option"},
        {"fg54", "", "option"},
        {"update", "Check for Update", "option"},
        {"backupiefavorites", "Backup IE Favorites", "backuprestorefavorites"},
        {"restoreiefavorites", "Restore IE Favorites", "backuprestorefavorites"},
        {"fg34", "", "tools"},
        {"backuptocd", "Backup Data to CD/DVD", "tools"},
        {"help1", "Help", "help"},
        {"fg2", "", "help"},
        {"website", "Our Website", "help"},
        {"fg3", "", "help"},
        {"about", "About", "help"},
        {"Selectallitems", "Select all items", "selectitem"},
        {"Unselectallitems", "Deselect all items", "selectitem"},
        {"Selectallitems2", "Select all items", "selectitem2"},
        {"Unselectallitems2", "Deselect all items", "selectitem2"},
    };
    for (const Row& row : rows) {
        auto* menu = find<QMenu>(row.menu);
        auto* action = find<QAction>(row.name);
        if (!menu || !action)
            continue;
        EXPECT_TRUE(menu->actions().contains(action)) << row.name << " is not in " << row.menu;
        EXPECT_EQ(action->isSeparator(), *row.caption == 0) << row.name;
        EXPECT_EQ(plain(action->text()).toStdString(), row.caption) << row.name;
    }
    const std::vector<std::pair<const char*, const char*>> bar = {
        {"file", "File"}, {"option", "Option"}, {"tools", "Tools"}, {"help", "Help"}};
    for (const auto& [name, caption] : bar)
        EXPECT_EQ(plain(find<QMenu>(name)->title()).toStdString(), caption);
    EXPECT_EQ(plain(find<QMenu>("backuprestorefavorites")->title()), "Backup and Restore IE Favorites");
    EXPECT_TRUE(
        find<QMenu>("tools")->actions().contains(find<QMenu>("backuprestorefavorites")->menuAction()));
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

TEST(PromptLayout, PasswordPromptAndAboutBox) {
    frmPwd prompt;
    EXPECT_EQ(prompt.windowTitle(), "Please enter password");
    EXPECT_EQ(control<QGroupBox>(&prompt, "Frame1")->title(), "Security");
    EXPECT_EQ(control<QLineEdit>(&prompt, "txtPassword")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(control<QAbstractButton>(&prompt, "cmdOK")->text(), "OK");
    EXPECT_EQ(control<QAbstractButton>(&prompt, "cmdExit")->text(), "Cancel");

    std::vector<QUrl> opened;
    frmabout about([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    EXPECT_EQ(about.windowTitle(), "About Tessaly");
    EXPECT_EQ(control<QAbstractButton>(&about, "Command3")->text(), "Exit");
    for (const char* name : {"Picture1", "SkinLabel1", "SkinLabel7"})
        EXPECT_NE(control<QLabel>(&about, name), nullptr);
    auto* link = control<QLabel>(&about, "SkinLabel5");
    emit link->linkActivated(QString(kWebsiteAddress));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl(kWebsiteAddress));
}

} // namespace
} // namespace tessaly::test
