// UnzipPromptTest.cpp -- the overwrite question and the password prompt through the Ui port.
#include "ArchiveKit.h"
#include "RecordingUi.h"
#include "TempDir.h"
#include "archive/ArchiveError.h"
#include "archive/CGUnzipFiles.h"
#include "archive/CGmodule.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using test::RecordingUi;
using test::TempDir;

TEST(OverwriteQuestion, AnswersDecideWhichFilesAreReplaced) {
    struct Case {
        const char* title;
        std::vector<MsgResult> answers;
        std::string a, b; // contents of the two existing files afterwards
        std::size_t questions;
    };
    const Case cases[] = {
        {"yes, yes", {MsgResult::Yes, MsgResult::Yes}, "new a", "new b", 2},
        {"no, yes", {MsgResult::No, MsgResult::Yes}, "old a", "new b", 2},
        {"cancel stops asking", {MsgResult::Cancel}, "old a", "old b", 1},
    };
    TempDir dir;
    test::makeArchive(dir / "a.zip", {{"a.txt", "new a"}, {"b.txt", "new b"}, {"c.txt", "new c"}});
    for (const auto& c : cases) {
        TempDir out;
        test::writeFile(out / "a.txt", "old a");
        test::writeFile(out / "b.txt", "old b");
        RecordingUi ui;
        ui.messageAnswers.assign(c.answers.begin(), c.answers.end());
        CGUnzipFiles u(&ui);
        u.setPromptOverwrite(true);
        EXPECT_EQ(u.Unzip((dir / "a.zip").string(), out.path().string()), UnzipResult::kOk) << c.title;
        EXPECT_EQ(test::readFile(out / "a.txt"), c.a) << c.title;
        EXPECT_EQ(test::readFile(out / "b.txt"), c.b) << c.title;
        EXPECT_EQ(test::readFile(out / "c.txt"), "new c") << c.title << ": a new file needs no question";
        ASSERT_EQ(ui.messages.size(), c.questions) << c.title;
        const auto& q = ui.messages.front();
        EXPECT_EQ(q.text, "Overwrite " + (out / "a.txt").string() + "?");
        EXPECT_EQ(q.title, "VBUnZip32 - File Already Exists!");
        EXPECT_EQ(q.icon, MsgIcon::Exclamation);
        EXPECT_EQ(q.buttons, MsgButtons::YesNoCancel);
        EXPECT_EQ(test::treeOf(out.path()), (std::set<std::string>{"a.txt", "b.txt", "c.txt"}))
            << "no temporary left";
    }
}

TEST(OverwriteQuestion, WithoutPromptOrOverwriteExistingFilesAreKept) {
    TempDir dir;
    test::makeArchive(dir / "a.zip", {{"a.txt", "new a"}});
    test::writeFile(dir / "out/a.txt", "old a");
    RecordingUi ui;
    CGUnzipFiles u(&ui);
    u.setOverWriteFiles(false);
    EXPECT_EQ(u.Unzip((dir / "a.zip").string(), (dir / "out").string()), 0);
    EXPECT_EQ(test::readFile(dir / "out/a.txt"), "old a");
    EXPECT_TRUE(ui.messages.empty());
}

// Archives encrypted by Info-ZIP (`zip -P`), which the program itself never writes.
class EncryptedArchive : public ::testing::Test {
protected:
    void SetUp() override {
        test::writeFile(dir_ / "src/one.txt", "first secret");
        test::writeFile(dir_ / "src/two.txt", "second secret");
        ASSERT_EQ(test::runCommand("cd " + test::quoted(dir_ / "src") +
                                   " && zip -q -P sesame ../locked.zip one.txt two.txt")
                      .exitCode,
                  0);
    }
    std::string archive() const { return (dir_ / "locked.zip").string(); }
    TempDir dir_;
};

TEST_F(EncryptedArchive, TheRightAnswerIsAskedOnceAndUsedForEveryEntry) {
    RecordingUi ui;
    ui.inputAnswers = {std::string("sesame")};
    UnzipToFolder(archive(), (dir_ / "out").string(), std::nullopt, std::nullopt, &ui);
    EXPECT_EQ(test::readFile(dir_ / "out/one.txt"), "first secret");
    EXPECT_EQ(test::readFile(dir_ / "out/two.txt"), "second secret");
    EXPECT_EQ(ui.inputPrompts, std::vector<std::string>{"Please Enter The Password!"});
}

TEST_F(EncryptedArchive, AWrongAnswerIsFollowedByAnotherQuestion) {
    RecordingUi ui;
    ui.inputAnswers = {std::string("wrong"), std::string("sesame")};
    UnzipToFolder(archive(), (dir_ / "out").string(), std::nullopt, std::nullopt, &ui);
    EXPECT_EQ(test::readFile(dir_ / "out/two.txt"), "second secret");
    EXPECT_EQ(ui.inputPrompts.size(), 2u);
}

TEST_F(EncryptedArchive, AnEmptyAnswerEndsTheAskingForThatRunOnly) {
    for (std::optional<std::string> giveUp : {std::optional<std::string>(""), std::optional<std::string>()}) {
        RecordingUi ui;
        ui.inputAnswers = {giveUp};
        try {
            UnzipToFolder(archive(), (dir_ / "out").string(), std::nullopt, std::nullopt, &ui);
            ADD_FAILURE() << "entries without password counted as extracted";
        } catch (const ArchiveError& e) {
            EXPECT_EQ(e.engineResult(), UnzipResult::kBadPassword);
            EXPECT_EQ(e.description(), "skipping: one.txt  unable to get password");
        }
        EXPECT_EQ(ui.inputPrompts.size(), 1u) << "asked again after an empty answer";
        EXPECT_TRUE(test::treeOf(dir_ / "out").empty());

        // The next run asks again.
        ui.inputAnswers = {std::string("sesame")};
        UnzipToFolder(archive(), (dir_ / "out").string(), ZipNameList{"two.txt"}, std::nullopt, &ui);
        EXPECT_EQ(ui.inputPrompts.size(), 2u);
        EXPECT_EQ(test::readFile(dir_ / "out/two.txt"), "second secret");
        fs::remove_all(dir_ / "out");
    }
}

TEST_F(EncryptedArchive, PersistentlyWrongAnswersGiveUpAfterThreeTries) {
    RecordingUi ui;
    ui.inputAnswers = {std::string("a"), std::string("b"), std::string("c"), std::string("sesame")};
    CGUnzipFiles u(&ui);
    EXPECT_EQ(u.Unzip(archive(), (dir_ / "out").string(), ZipNameList{"one.txt"}), UnzipResult::kBadPassword);
    EXPECT_EQ(ui.inputPrompts.size(), 3u);
    EXPECT_FALSE(fs::exists(dir_ / "out/one.txt"));
}

TEST_F(EncryptedArchive, WithoutAUiEncryptedEntriesFail) {
    CGUnzipFiles u;
    EXPECT_EQ(u.Unzip(archive(), (dir_ / "out").string()), UnzipResult::kBadPassword);
    EXPECT_TRUE(test::treeOf(dir_ / "out").empty());
}

} // namespace
} // namespace tessaly
