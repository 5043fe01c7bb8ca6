// KeepChoiceTest.cpp -- the backup tab's "Keep earlier backups" choice: 5 last at first, remembered, and
// what a backup from the window does with the earlier file.
#include "AppTestKit.h"

#include "app/KeepChoice.h"
#include "app/OptionalWindows.h"
#include "engine/history/BackupVersions.h"

#include <QCheckBox>
#include <QComboBox>

namespace tessaly::test {
namespace {

using Keep = AppFixture;

TEST_F(Keep, FiveLastAtFirstThenTheChoiceIsRememberedAndApplied) {
    start();
    auto* list = find<QComboBox>("cmbKeep");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(chosenKeep(list), "5l");
    const std::filesystem::path file = dir / "k.tsy";
    auto backup = [&] {
        nextTarget = QString::fromStdString(file.string());
        click("cmdTargetFile");
        find<QCheckBox>("backupitem_0")->setChecked(true);
        dialogs.boxes.clear();
        dialogs.thenAnswer(QMessageBox::Ok);
        if (discWindowBuilt())
            dialogs.thenAnswer(QMessageBox::Cancel);
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

} // namespace
} // namespace tessaly::test
