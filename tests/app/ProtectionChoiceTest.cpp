// ProtectionChoiceTest.cpp -- the backup file format chosen in the Security frame: remembered, written as
// chosen; the Restore tab names an opened file's format.
#include "AppTestKit.h"

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

} // namespace
} // namespace tessaly::test
