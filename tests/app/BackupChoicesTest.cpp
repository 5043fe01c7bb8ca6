// BackupChoicesTest.cpp -- the backup file format chosen in the Security frame: remembered, written as
// chosen; the Restore tab names an opened file's format. The "Keep earlier backups" choice: 5 last at
// first, remembered, and what a backup from the window does with the earlier file; the Restore tab's list of
// versions.
#include "AppTestKit.h"

#include "app/KeepChoice.h"
#include "engine/BackupDriver.h"
#include "engine/history/BackupVersions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTabWidget>

namespace tessaly::test {
namespace {

using Protect = AppFixture;

bool checked(Protect& t, const char* name) {
    auto* option = t.find<QRadioButton>(name);
    return option && option->isChecked();
}

TEST_F(Protect, StrongHoldsTheProtectBoxAndARestartKeepsBothButNoPassword) {
    start();
    EXPECT_TRUE(checked(*this, "optCompatible"));
    auto* note = find<QLabel>("lblProtectionNote");
    EXPECT_EQ(note->text().toStdString(), protectionChoiceNote(Protection::Compatible));
    auto* protect = find<QCheckBox>("ifprotect");
    click("optStrong");
    EXPECT_EQ(note->text().toStdString(), protectionChoiceNote(Protection::Strong));
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

TEST_F(Protect, AStrongBackupFromTheWindowOpensOnlyAsAStrongFileAndTheRestoreTabSaysSo) {
    const std::filesystem::path compatible = makeBackup("c.tsy", "");
    start();
    const std::filesystem::path file = dir / "strong.tsy";
    chooseTarget(file);
    find<QCheckBox>("backupitem_0")->setChecked(true);
    click("optStrong");
    find<QLineEdit>("txtPassword")->setText("pa55-Strong");
    find<QLineEdit>("txtPassword2")->setText("pa55-Strong");
    answerBackupReport();
    click("cmdApply");
    ASSERT_FALSE(dialogs.boxes.empty());
    EXPECT_TRUE(dialogs.boxes[0].text.starts_with("The Backup was Completed!")) << dialogs.boxes[0].text;
    ASSERT_EQ(detectProtection(file), Protection::Strong);

    find<QTabWidget>("SSTab1")->setCurrentIndex(1);
    auto* label = find<QLabel>("lblProtection");
    EXPECT_TRUE(label->text().isEmpty());
    openOnRestoreTab(compatible);
    EXPECT_EQ(label->text().toStdString(),
              "Protection: compatible: scrambled only, opens without the password with little effort");
    state().rtPassword = "pa55-Strong";
    openOnRestoreTab(file);
    EXPECT_TRUE(find<QCheckBox>("restoreitem_0")->isEnabled());
    EXPECT_EQ(label->text().toStdString(), "Protection: " + describeProtection(Protection::Strong));
}

using Keep = AppFixture;

TEST_F(Keep, FiveLastAtFirstThenTheChoiceIsRememberedAndApplied) {
    start();
    auto* list = find<QComboBox>("cmbKeep");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(chosenKeep(list), "5l");
    const std::filesystem::path file = dir / "k.tsy";
    auto backup = [&] {
        chooseTarget(file);
        find<QCheckBox>("backupitem_0")->setChecked(true);
        dialogs.boxes.clear();
        answerBackupReport();
        click("cmdApply");
        return dialogs.boxes.empty() ? std::string() : dialogs.boxes[0].text;
    };
    backup();
    std::string second = backup();
    EXPECT_NE(second.find("The earlier backup was kept as k."), std::string::npos) << second;
    EXPECT_EQ(listVersions(file).size(), 2u);

    list->setCurrentIndex(0);
    emit list->activated(0); // as a person's choice
    app.reset();
    start();
    EXPECT_EQ(chosenKeep(find<QComboBox>("cmbKeep")), "");
    // Without a policy the complete run replaces the file and leaves the earlier version alone.
    std::string third = backup();
    EXPECT_EQ(third.find("earlier backup"), std::string::npos) << third;
    EXPECT_EQ(listVersions(file).size(), 2u);
}

TEST_F(Keep, TheRestoreTabListsTheVersionsNewestFirstAndOpensTheChosenOne) {
    const std::filesystem::path file = makeBackup("v.tsy", "");
    std::filesystem::copy_file(file, dir / "v.2020-01-02_030000.tsy");
    std::filesystem::copy_file(file, dir / "v.2020-01-03_030000.partial.tsy");
    writeFile(dir / "v.2020-01-04_030000.other.tsy", "not a version");
    start();
    openOnRestoreTab(file);
    auto* list = find<QListWidget>("lstVersions");
    ASSERT_EQ(list->count(), 3);
    EXPECT_TRUE(list->item(0)->text().endsWith("  current  v.tsy"));
    EXPECT_TRUE(list->item(1)->text().endsWith("  partial  v.2020-01-03_030000.partial.tsy"));
    EXPECT_TRUE(list->item(2)->text().endsWith("  earlier  v.2020-01-02_030000.tsy"));
    EXPECT_EQ(list->currentRow(), 0);

    list->setCurrentRow(2);
    emit list->itemClicked(list->item(2));
    EXPECT_EQ(find<QLineEdit>("txtSourceFile")->text().toStdString(),
              (dir / "v.2020-01-02_030000.tsy").string());
    EXPECT_EQ(list->count(), 3);
    EXPECT_EQ(list->currentRow(), 2);
    // TESSALY_SCREENSHOT_DIR keeps a picture (docs/restore-versions.png is made this way).
    if (!qEnvironmentVariableIsEmpty("TESSALY_SCREENSHOT_DIR")) {
        EXPECT_TRUE(
            window().grab().save(qEnvironmentVariable("TESSALY_SCREENSHOT_DIR") + "/restore-versions.png"));
    }
}

} // namespace
} // namespace tessaly::test
