// FrmMainRunTest.cpp -- backups, restores and the messages export driven through the window, with its message
// boxes and password prompts answered.
#include "AppTestKit.h"

#include "app/OptionalWindows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>

namespace tessaly::test {
namespace {

using Runs = AppFixture;

struct CheckCase {
    const char* what;
    bool target;
    bool items;
    bool protect; // with passwords that differ
    const char* message;
    QMessageBox::Icon icon;
    bool strong = false;
};

// An empty file name and passwords that differ are the engine's cases (BackupDriverChecks); these are the
// window's: no target chosen, the item check before the passwords, and strong ticking the protect box.
class BackupChecks : public AppFixture, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(BackupChecks, RefuseBeforeAnythingIsWritten) {
    const CheckCase& c = GetParam();
    start();
    std::filesystem::path target = dir / "old.tsy";
    writeFile(target, "an older backup");
    if (c.target) {
        chooseTarget(target);
        nextTarget.reset(); // a cancelled second choice keeps the first
        click("cmdTargetFile");
        EXPECT_EQ(find<QLineEdit>("txtTargetFile")->text().toStdString(), target.string());
        EXPECT_EQ(state().BackupFileName, target.string());
    }
    if (c.items)
        find<QCheckBox>("backupitem_2")->setChecked(true);
    if (c.protect) {
        click("ifprotect");
        find<QLineEdit>("txtPassword")->setText("a");
        find<QLineEdit>("txtPassword2")->setText("b");
    }
    if (c.strong)
        click("optStrong");
    dialogs.thenAnswer(QMessageBox::Ok);
    click("cmdApply");
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, c.message);
    EXPECT_EQ(dialogs.boxes[0].icon, c.icon);
    EXPECT_EQ(dialogs.boxes[0].title, "Tessaly");
    EXPECT_EQ(readFile(target), "an older backup");
    EXPECT_FALSE(window().isRunning());
    EXPECT_TRUE(find<QWidget>("cmdApply")->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(InOrder, BackupChecks,
                         ::testing::Values(CheckCase{"NoTargetEvenWithItems", false, true, false,
                                                     "Invalid backup file name.", QMessageBox::Warning},
                                           CheckCase{"NoItem", true, false, true,
                                                     "Please select at least one item.",
                                                     QMessageBox::Warning},
                                           CheckCase{"StrongWithoutAPassword", true, true, false,
                                                     "Please enter Password!", QMessageBox::Critical, true}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST_F(Runs, AProtectedBackupOfEveryItemThroughTheWindow) {
    start();
    const std::filesystem::path file = dir / "all.tsy";
    chooseTarget(file);
    trigger("Selectallitems");
    click("ifprotect");
    find<QLineEdit>("txtPassword")->setText("pa55");
    find<QLineEdit>("txtPassword2")->setText("pa55");

    // While the run is in progress (its completion message is still open) no second command starts,
    // and a quit waits for the run to end.
    bool panelHiddenAtReport = false;
    dialogs.thenAnswer(QMessageBox::Ok, [&] {
        EXPECT_TRUE(window().isRunning());
        EXPECT_FALSE(find<QWidget>("cmdApply")->isEnabled());
        EXPECT_FALSE(find<QAction>("backup")->isEnabled());
        EXPECT_FALSE(find<QWidget>("cmdTargetFile")->isEnabled());
        trigger("backup");
        window().cmdApply_Click();
        EXPECT_TRUE(window().statusBar()->currentMessage().contains("running"));
        window().quit_Click();
        EXPECT_EQ(programEnded, 0);
        panelHiddenAtReport = !find<QWidget>("picCon3")->isVisible();
    });
    // The disc question, where there is one, is the engine's and the disc window's to test.
    if (discWindowBuilt())
        dialogs.thenAnswer(QMessageBox::Cancel);
    click("cmdApply");
    ASSERT_FALSE(dialogs.boxes.empty());
    EXPECT_EQ(dialogs.boxes[0].text, "The Backup was Completed!\n\n"
                                     "Backup Accounts\tSuccessed\nBackup Adress Book\tSuccessed\n"
                                     "Backup Rules\tSuccessed\nBackup Messages\tSuccessed\n"
                                     "Backup Block Senders\tSuccessed\nBackup Signatures\tSuccessed\n"
                                     "Backup Stationeries\tSuccessed\nBackup Settings\tSuccessed");
    EXPECT_EQ(dialogs.boxes[0].icon, QMessageBox::Information);
    EXPECT_TRUE(panelHiddenAtReport);
    EXPECT_TRUE(std::filesystem::exists(file));
    // The quit asked for during the run happens once it is over; this test goes on without it.
    EXPECT_EQ(programEnded, 1);
    EXPECT_FALSE(window().isRunning());
}

TEST_F(Runs, RestoreThroughTheWindowWithThePasswordPrompt) {
    const std::filesystem::path file =
        makeBackup("all.tsy", "pa55", {true, true, true, true, true, true, true, true});
    const std::string inboxBefore = readFile(prefix / storeFolder(kWorkIdentity) / "Inbox.dbx");
    start();
    dialogs.thenTypePassword("pa55", true);
    openOnRestoreTab(file);
    ASSERT_EQ(find<QAbstractButton>("cmdApply")->text().remove('&'), "Restore Now");
    EXPECT_EQ(dialogs.boxes.size(), 0u);
    EXPECT_EQ(state().rtPassword, "pa55");
    EXPECT_FALSE(state().InspectionInvalid);
    EXPECT_TRUE(std::filesystem::exists(state().TempArchivePath));
    EXPECT_EQ(find<QLineEdit>("txtSourceFile")->text().toStdString(), file.string());
    const std::string details = find<QPlainTextEdit>("txtPOBinfo")->toPlainText().toStdString();
    EXPECT_EQ(details.rfind("Computer:SAMPLE-PC\nUser:", 0), 0u) << details;
    EXPECT_NE(details.find("\nIdentity:Main Identity\nDate:"), std::string::npos) << details;

    // Cancel at the warning restores nothing.
    trigger("Selectallitems2");
    find<QComboBox>("cbTarget")->setCurrentIndex(1);
    dialogs.thenAnswer(QMessageBox::Cancel);
    click("cmdApply");
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text,
              "Your current Email and News messages will be replaced with the messages from "
              "the selected backup file.\n\nDo you want to countinue?\n\nIdentity: Work");
    EXPECT_EQ(dialogs.boxes[0].icon, QMessageBox::Information);
    EXPECT_EQ(dialogs.boxes[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(readFile(prefix / storeFolder(kWorkIdentity) / "Inbox.dbx"), inboxBefore);

    // OK restores every item into "Work"; the menu command warns the same way.
    dialogs.thenAnswer(QMessageBox::Ok);
    dialogs.thenAnswer(QMessageBox::Ok);
    trigger("restore");
    ASSERT_EQ(dialogs.boxes.size(), 3u);
    EXPECT_EQ(dialogs.boxes[1].text, dialogs.boxes[0].text);
    EXPECT_EQ(dialogs.boxes[2].text, "The Restore was Completed!\n\n"
                                     "Restore Accounts\tSuccessed\nRestore Adress Book\tSuccessed\n"
                                     "Restore Rules\tSuccessed\nRestore Messages\tSuccessed\n"
                                     "Restore Block Senders\tSuccessed\nRestore Signatures\tSuccessed\n"
                                     "Restore Stationeries\tSuccessed\nRestore Settings\tSuccessed");
    for (const char* store : {"Inbox.dbx", "Folders.dbx", "Sent Items.dbx"})
        EXPECT_EQ(readFile(prefix / storeFolder(kWorkIdentity) / store),
                  readFile(prefix / storeFolder(kMainIdentity) / store))
            << store;
    EXPECT_TRUE(find<QWidget>("cmdApply")->isEnabled());
    find<QTabWidget>("SSTab1")->setCurrentIndex(0);
    EXPECT_EQ(find<QAbstractButton>("cmdApply")->text().remove('&'), "Backup Now");
}

// What a restore of such a file does with the missing items is the engine's test.
TEST_F(Runs, OnlyTheItemsTheFileHoldsAreOffered) {
    const std::filesystem::path file =
        makeBackup("two.tsy", "", {true, false, true, false, false, false, false, false});
    start();
    openOnRestoreTab(file);
    for (int i = 0; i < kBackupItemCount; ++i)
        EXPECT_EQ(find<QCheckBox>(("restoreitem_" + std::to_string(i)).c_str())->isEnabled(),
                  i == 0 || i == 2)
            << i;
}

// "Export Messages..." of the restore tab on a backup of the sample's main identity.
using ExportMessages = AppFixture;

TEST_F(ExportMessages, TheOpenedBackupFilesMailIsWrittenAndSummed) {
    const std::filesystem::path file = makeBackup("mail.tsy", "", {false, false, false, true});
    start();
    QPushButton* button = find<QPushButton>("cmdExportMessages");
    EXPECT_FALSE(button->isEnabled()) << "nothing is opened yet";
    openOnRestoreTab(file);
    ASSERT_TRUE(button->isEnabled());

    const std::filesystem::path out = dir / "mail";
    int asked = 0;
    window().setMessageExportChooser([&](QWidget*) {
        ++asked;
        return std::optional<MessageExportChoice>({QString::fromStdString(out.string()), ExportFormat::Eml});
    });
    dialogs.thenAnswer(QMessageBox::Ok);
    click("cmdExportMessages");
    EXPECT_EQ(asked, 1);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Exported 5 message(s) of 3 folder(s) into " + out.string() +
                                         "; 0 damaged message(s) skipped.");
    EXPECT_EQ(dialogs.boxes[0].icon, QMessageBox::Information);
    EXPECT_TRUE(readFile(out / "Local Folders/Inbox/0001 Lunch on Friday_.eml")
                    .starts_with("From: Ben Carter <ben.carter@example.com>\r\nTo: "));
    EXPECT_TRUE(std::filesystem::exists(out / "Local Folders/Inbox/Newsletters"));
    EXPECT_FALSE(window().isRunning());

    window().setMessageExportChooser([&](QWidget*) {
        ++asked;
        return std::nullopt;
    });
    click("cmdExportMessages");
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(dialogs.boxes.size(), 1u) << "a cancelled dialog exports nothing";
}

// Opening backup files on the restore tab: when the password prompt comes and what it keeps.
enum class Prompt { None, Enter, OkButton, Cancel };

struct PromptCase {
    const char* what;
    const char* filePassword;
    const char* remembered; // rtPassword before the file is opened
    Prompt prompt;
    const char* typed;
    const char* rememberedAfter;
    bool opens;
};

class OpeningAFile : public AppFixture, public ::testing::WithParamInterface<PromptCase> {};

TEST_P(OpeningAFile, PromptsOnlyWhenTheRememberedPasswordFails) {
    const PromptCase& c = GetParam();
    const std::filesystem::path file = makeBackup("f.tsy", c.filePassword);
    start();
    state().rtPassword = c.remembered;
    switch (c.prompt) {
    case Prompt::None:
        break;
    case Prompt::Enter:
    case Prompt::OkButton:
        dialogs.thenTypePassword(c.typed, c.prompt == Prompt::Enter);
        break;
    case Prompt::Cancel:
        dialogs.thenCancelPassword();
        break;
    }
    if (!c.opens)
        dialogs.thenAnswer(QMessageBox::Ok);
    openOnRestoreTab(file);

    EXPECT_EQ(dialogs.dialogsSeen, (c.prompt == Prompt::None ? 0 : 1) + (c.opens ? 0 : 1));
    EXPECT_EQ(state().rtPassword, c.rememberedAfter);
    EXPECT_EQ(state().InspectionInvalid, !c.opens);
    EXPECT_EQ(find<QCheckBox>("restoreitem_0")->isEnabled(), c.opens);
    if (c.opens) {
        EXPECT_EQ(find<QLineEdit>("txtSourceFile")->text().toStdString(), file.string());
    } else {
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0].text, "Incorect Password or Invalid backup file");
        EXPECT_EQ(dialogs.boxes[0].icon, QMessageBox::Information);
        EXPECT_TRUE(find<QLineEdit>("txtSourceFile")->text().isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpeningAFile,
    ::testing::Values(
        PromptCase{"NoPasswordNothingRemembered", "", "", Prompt::None, "", "", true},
        PromptCase{"SamePasswordAsTheLastFile", "pa55", "pa55", Prompt::None, "", "pa55", true},
        PromptCase{"EnterInAnEmptyBoxGivesTheEmptyPassword", "", "old", Prompt::Enter, "", "", true},
        PromptCase{"OkButton", "pa55", "old", Prompt::OkButton, "pa55", "pa55", true},
        PromptCase{"CancelKeepsTheEarlierPassword", "pa55", "old", Prompt::Cancel, "", "old", false}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(AppFixture, AWrongPasswordAsksAgainForTheSameFileUpToThreeTimes) {
    const std::filesystem::path file = makeBackup("f.tsy", "pa55");
    start();
    std::vector<std::string> prompts;
    auto typeInto = [&](const QString& typed) {
        dialogs.then([&prompts, typed](QWidget* prompt) {
            prompts.push_back(control<QLabel>(prompt, "SkinLabel1")->text().toStdString());
            QTest::keyClicks(control<QLineEdit>(prompt, "txtPassword"), typed);
            QTest::keyClick(control<QLineEdit>(prompt, "txtPassword"), Qt::Key_Return);
        });
    };
    typeInto("nope");
    typeInto("pa55");
    openOnRestoreTab(file);
    EXPECT_EQ(prompts, (std::vector<std::string>{"Enter the password of the backup file f.tsy:",
                                                 "That password does not open f.tsy. Enter it again:"}));
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_FALSE(state().InspectionInvalid);
    EXPECT_EQ(find<QLineEdit>("txtSourceFile")->text().toStdString(), file.string());

    // Three wrong ones end the asking with the message, and nothing counts as opened.
    prompts.clear();
    for (const char* wrong : {"a", "b", "c"})
        typeInto(wrong);
    dialogs.thenAnswer(QMessageBox::Ok);
    state().rtPassword.clear();
    click("cmdSourceFile");
    EXPECT_EQ(prompts.size(), 3u);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Incorect Password or Invalid backup file");
    EXPECT_TRUE(state().InspectionInvalid);
}

TEST_F(AppFixture, ARefusedSecondFileLeavesNothingOpened) {
    const std::filesystem::path good = makeBackup("good.tsy", "");
    const std::filesystem::path locked = makeBackup("locked.tsy", "secret");
    start();
    openOnRestoreTab(good);
    ASSERT_FALSE(state().InspectionInvalid);
    const std::string firstArchive = state().TempArchivePath;
    ASSERT_TRUE(std::filesystem::exists(firstArchive));

    // A cancelled open dialog keeps the opened file.
    nextSource.reset();
    click("cmdSourceFile");
    EXPECT_TRUE(std::filesystem::exists(firstArchive));
    EXPECT_FALSE(state().InspectionInvalid);

    dialogs.thenCancelPassword();
    dialogs.thenAnswer(QMessageBox::Ok);
    dialogs.thenAnswer(QMessageBox::Ok);
    openOnRestoreTab(locked);
    EXPECT_TRUE(state().InspectionInvalid);
    EXPECT_TRUE(find<QPlainTextEdit>("txtPOBinfo")->toPlainText().isEmpty());
    // The restore that follows says so, without the warning first, instead of running against a
    // deleted archive.
    find<QCheckBox>("restoreitem_0")->setChecked(true);
    click("cmdApply");
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes.back().text, "Invalid backup file.");
    EXPECT_EQ(dialogs.boxes.back().icon, QMessageBox::Critical);
}

} // namespace
} // namespace tessaly::test
