// FrmMainLayoutTest.cpp -- the item boxes' order, hidden passwords, the progress panel, the menus that are
// not in the bar, and the commands of windows left out of the build.
#include "AppTestKit.h"

#include "app/OptionalWindows.h"
#include "app/frmPwd.h"
#include "app/frmabout.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QTabWidget>

namespace tessaly::test {
namespace {

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
