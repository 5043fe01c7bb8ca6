// ExportMessagesTest.cpp -- "Export Messages..." of the restore tab on a backup of the sample's main
// identity.
#include "AppTestKit.h"

#include <QPushButton>

namespace tessaly::test {
namespace {

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

} // namespace
} // namespace tessaly::test
