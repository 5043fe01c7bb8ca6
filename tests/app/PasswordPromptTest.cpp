// PasswordPromptTest.cpp -- opening backup files on the restore tab: when the prompt comes and what it keeps.
#include "AppTestKit.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

namespace tessaly::test {
namespace {

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

    EXPECT_TRUE(dialogs.allAnswered());
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
