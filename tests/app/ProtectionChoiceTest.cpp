// ProtectionChoiceTest.cpp -- the backup file format chosen in the Security frame: remembered, refused
// without a password when strong, written as chosen; the Restore tab names an opened file's format.
#include "AppTestKit.h"

#include "app/OptionalWindows.h"
#include "engine/BackupDriver.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>

namespace tessaly::test {
namespace {

using Protect = AppFixture;

bool checked(Protect& t, const char* name) {
    auto* option = t.find<QRadioButton>(name);
    return option && option->isChecked();
}

TEST_F(Protect, TheChoiceStartsCompatibleAndIsRememberedForTheNextWindow) {
    start();
    EXPECT_TRUE(checked(*this, "optCompatible"));
    EXPECT_FALSE(checked(*this, "optStrong"));
    EXPECT_EQ(find<QLabel>("lblProtectionNote")->text().toStdString(),
              protectionChoiceNote(Protection::Compatible));
    click("optStrong");
    EXPECT_EQ(find<QLabel>("lblProtectionNote")->text().toStdString(),
              protectionChoiceNote(Protection::Strong));

    app.reset();
    start();
    EXPECT_TRUE(checked(*this, "optStrong"));
    click("optCompatible");
    app.reset();
    start();
    EXPECT_TRUE(checked(*this, "optCompatible"));
}

TEST_F(Protect, StrongHoldsTheProtectBoxAndARestartKeepsBothButNoPassword) {
    start();
    auto* protect = find<QCheckBox>("ifprotect");
    click("optStrong");
    EXPECT_TRUE(protect->isChecked());
    EXPECT_FALSE(protect->isEnabled()) << "strong without a password is not a choice";
    EXPECT_TRUE(find<QLineEdit>("txtPassword")->isEnabled());
    find<QLineEdit>("txtPassword")->setText("never kept");

    app.reset();
    start();
    EXPECT_TRUE(checked(*this, "optStrong"));
    EXPECT_TRUE(find<QCheckBox>("ifprotect")->isChecked());
    EXPECT_TRUE(find<QLineEdit>("txtPassword")->isEnabled());
    EXPECT_EQ(find<QLineEdit>("txtPassword")->text(), "");

    // Compatible lets the box go; both choices are kept as they were left.
    click("optCompatible");
    EXPECT_TRUE(find<QCheckBox>("ifprotect")->isEnabled());
    EXPECT_TRUE(find<QCheckBox>("ifprotect")->isChecked());
    app.reset();
    start();
    EXPECT_TRUE(checked(*this, "optCompatible"));
    EXPECT_TRUE(find<QCheckBox>("ifprotect")->isChecked());
    click("ifprotect");
    app.reset();
    start();
    EXPECT_FALSE(find<QCheckBox>("ifprotect")->isChecked());
    EXPECT_FALSE(find<QLineEdit>("txtPassword")->isEnabled());
}

TEST_F(Protect, StrongWithoutAPasswordIsRefusedBeforeAnythingIsWritten) {
    start();
    const std::filesystem::path target = dir / "old.tsy";
    writeFile(target, "an older backup");
    nextTarget = QString::fromStdString(target.string());
    click("cmdTargetFile");
    find<QCheckBox>("backupitem_0")->setChecked(true);
    click("optStrong");
    dialogs.thenAnswer(QMessageBox::Ok);
    click("cmdApply");
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "Please enter Password!");
    EXPECT_EQ(readFile(target), "an older backup");
    EXPECT_FALSE(window().isRunning());
}

TEST_F(Protect, RestoreTabNamesTheProtectionOfTheOpenedFile) {
    const std::filesystem::path file = makeBackup("c.tsy", "");
    start();
    find<QTabWidget>("SSTab1")->setCurrentIndex(1);
    EXPECT_TRUE(find<QLabel>("lblProtection")->text().isEmpty());
    nextSource = QString::fromStdString(file.string());
    click("cmdSourceFile");
    EXPECT_EQ(find<QLabel>("lblProtection")->text().toStdString(),
              "Protection: compatible: scrambled only, opens without the password with little effort");
}

TEST_F(Protect, AStrongBackupFromTheWindowOpensOnlyAsAStrongFile) {
    start();
    const std::filesystem::path file = dir / "strong.tsy";
    nextTarget = QString::fromStdString(file.string());
    click("cmdTargetFile");
    find<QCheckBox>("backupitem_0")->setChecked(true);
    click("optStrong");
    find<QLineEdit>("txtPassword")->setText("pa55-Strong");
    find<QLineEdit>("txtPassword2")->setText("pa55-Strong");
    dialogs.thenAnswer(QMessageBox::Ok);
    if (discWindowBuilt())
        dialogs.thenAnswer(QMessageBox::Cancel);
    click("cmdApply");
    ASSERT_FALSE(dialogs.boxes.empty());
    EXPECT_TRUE(dialogs.boxes[0].text.starts_with("The Backup was Completed!")) << dialogs.boxes[0].text;
    ASSERT_EQ(detectProtection(file), Protection::Strong);
    EXPECT_EQ(checkContainer(file, "pa55-strong", CodePage(1252)), BackupFileCheck::WrongPassword);

    find<QTabWidget>("SSTab1")->setCurrentIndex(1);
    state().rtPassword = "pa55-Strong";
    nextSource = QString::fromStdString(file.string());
    click("cmdSourceFile");
    EXPECT_TRUE(find<QCheckBox>("restoreitem_0")->isEnabled());
    EXPECT_EQ(find<QLabel>("lblProtection")->text().toStdString(),
              "Protection: " + describeProtection(Protection::Strong));
}

} // namespace
} // namespace tessaly::test
