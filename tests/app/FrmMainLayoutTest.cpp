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
    std::vector<std::pair<std::string, std::string>> buttons = {
        {"cmdAbout", "About"},
        {"cmdApply", "Backup Now"},
        {"cmdQuit", "Quit"},
        {"cmdTargetFile", "Browse..."},
        {"cmdSourceFile", "Browse..."},
        {"ifprotect", "Protect backup file with password"}};
    // The item boxes of both tabs share their captions but for the last one.
    const char* items[] = {"Accounts",      "Address Book", "Rules",        "Email/News Messages",
                           "Block Senders", "Signatures",   "Stationeries", nullptr};
    for (int i = 0; i < kBackupItemCount; ++i) {
        buttons.push_back({"backupitem_" + std::to_string(i), items[i] ? items[i] : "OE Settings"});
        buttons.push_back({"restoreitem_" + std::to_string(i), items[i] ? items[i] : "Settings"});
    }
    for (const auto& [name, caption] : buttons)
        if (auto* b = find<QAbstractButton>(name.c_str())) {
            EXPECT_EQ(plain(b->text()).toStdString(), caption) << name;
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
    EXPECT_NE(find<QPlainTextEdit>("txtFileInfo"),
              nullptr); // the other text fields are used by the run tests
    for (const char* name : {"txtPassword", "txtPassword2"})
        EXPECT_EQ(find<QLineEdit>(name)->echoMode(), QLineEdit::Password) << name;

    auto* tabs = find<QTabWidget>("SSTab1");
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(plain(tabs->tabText(0)), "Backup");
    EXPECT_EQ(plain(tabs->tabText(1)), "Restore");
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
    const std::vector<Row> rows = {{"backup", "Backup Now", "file"},
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
                                   {"Unselectallitems2", "Deselect all items", "selectitem2"}};
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
    EXPECT_EQ(plain(control<QAbstractButton>(&prompt, "cmdOK")->text()), "OK");
    EXPECT_EQ(plain(control<QAbstractButton>(&prompt, "cmdExit")->text()), "Cancel");

    std::vector<QUrl> opened;
    frmabout about([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    EXPECT_EQ(about.windowTitle(), "About Tessaly");
    EXPECT_EQ(plain(control<QAbstractButton>(&about, "Command3")->text()), "Exit");
    for (const char* name : {"Picture1", "SkinLabel1", "SkinLabel7"})
        EXPECT_NE(control<QLabel>(&about, name), nullptr);
    auto* link = control<QLabel>(&about, "SkinLabel5");
    emit link->linkActivated(QString(kWebsiteAddress));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl(kWebsiteAddress));
}

} // namespace
} // namespace tessaly::test
