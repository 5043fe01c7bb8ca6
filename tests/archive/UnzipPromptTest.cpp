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
        bool prompt, overwrite;
        std::vector<MsgResult> answers;
        std::string a, b; // contents of the two existing files afterwards
        std::size_t questions;
    };
    const Case cases[] = {
        {"yes, yes", true, true, {MsgResult::Yes, MsgResult::Yes}, "new a", "new b", 2},
        {"no, yes", true, true, {MsgResult::No, MsgResult::Yes}, "old a", "new b", 2},
        {"cancel stops asking", true, true, {MsgResult::Cancel}, "old a", "old b", 1},
        {"neither prompt nor overwrite", false, false, {}, "old a", "old b", 0},
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
        u.setPromptOverwrite(c.prompt);
        u.setOverWriteFiles(c.overwrite);
        EXPECT_EQ(u.Unzip((dir / "a.zip").string(), out.path().string()), UnzipResult::kOk) << c.title;
        EXPECT_EQ(test::readFile(out / "a.txt"), c.a) << c.title;
        EXPECT_EQ(test::readFile(out / "b.txt"), c.b) << c.title;
        EXPECT_EQ(test::readFile(out / "c.txt"), "new c") << c.title << ": a new file needs no question";
        ASSERT_EQ(ui.messages.size(), c.questions) << c.title;
        EXPECT_EQ(test::treeOf(out.path()), (std::set<std::string>{"a.txt", "b.txt", "c.txt"}))
            << c.title << ": no temporary left";
        if (c.questions == 0)
            continue;
        const auto& q = ui.messages.front();
        EXPECT_EQ(q.text, "Overwrite " + (out / "a.txt").string() + "?");
        EXPECT_EQ(q.title, "VBUnZip32 - File Already Exists!");
        EXPECT_EQ(q.icon, MsgIcon::Exclamation);
        EXPECT_EQ(q.buttons, MsgButtons::YesNoCancel);
    }
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

TEST_F(EncryptedArchive, AnswersDecideWhatIsExtracted) {
    struct Case {
        const char* title;
        bool withUi;
        std::vector<std::optional<std::string>> answers;
        std::optional<ZipNameList> names;
        int result;
        std::size_t prompts;
        std::set<std::string> tree;
    };
    const Case cases[] = {
        {"right answer asked once for every entry",
         true,
         {"sesame"},
         std::nullopt,
         UnzipResult::kOk,
         1,
         {"one.txt", "two.txt"}},
        {"wrong answer asked again",
         true,
         {"wrong", "sesame"},
         std::nullopt,
         UnzipResult::kOk,
         2,
         {"one.txt", "two.txt"}},
        {"three wrong answers give up",
         true,
         {"a", "b", "c", "sesame"},
         ZipNameList{"one.txt"},
         UnzipResult::kBadPassword,
         3,
         {}},
        {"no Ui to ask", false, {}, std::nullopt, UnzipResult::kBadPassword, 0, {}},
    };
    for (const auto& c : cases) {
        TempDir out;
        RecordingUi ui;
        ui.inputAnswers.assign(c.answers.begin(), c.answers.end());
        CGUnzipFiles u(c.withUi ? &ui : nullptr);
        EXPECT_EQ(u.Unzip(archive(), out.path().string(), c.names), c.result) << c.title;
        EXPECT_EQ(ui.inputPrompts.size(), c.prompts) << c.title;
        for (const auto& prompt : ui.inputPrompts)
            EXPECT_EQ(prompt, "Please Enter The Password!") << c.title;
        EXPECT_EQ(test::treeOf(out.path()), c.tree) << c.title;
        if (!c.tree.empty()) {
            EXPECT_EQ(test::readFile(out / "one.txt"), "first secret") << c.title;
            EXPECT_EQ(test::readFile(out / "two.txt"), "second secret") << c.title;
        }
    }
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

} // namespace
} // namespace tessaly
