// UnzipTest.cpp -- extraction of archives made by Info-ZIP and by us, the extraction options, and the
// overwrite question and the password prompt through the Ui port.
#include "ArchiveKit.h"
#include "RecordingUi.h"
#include "TempDir.h"
#include "archive/ArchiveError.h"
#include "archive/CGUnzipFiles.h"
#include "archive/CGmodule.h"
#include "archive/EngineMessages.h"

#include <gtest/gtest.h>

#include <functional>

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// Files of the kinds a backup holds, zipped by Info-ZIP with `zip -j`.
class InfoZipArchive : public ::testing::Test {
protected:
    void SetUp() override {
        files_ = {{"Inbox.dbx", test::noise(300000, 7)},
                  {"KVA12.tmp", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\x]\r\n"},
                  {"empty.wab", ""},
                  {"vantrel.dat", "BackupItem=01000000\r\n"},
                  {"Report 2024.txt", "line one\nline two\n"}};
        std::string cmd = "cd " + test::quoted(dir_.path()) + " && zip -q -j archive.zip";
        for (const auto& [name, data] : files_) {
            test::writeFile(dir_ / "src" / name, data);
            cmd += " " + test::quoted(fs::path("src") / name);
        }
        ASSERT_EQ(test::runCommand(cmd).exitCode, 0);
    }
    std::string archive() const { return (dir_ / "archive.zip").string(); }
    std::string out() const { return (dir_ / "out").string(); }

    TempDir dir_;
    std::vector<std::pair<std::string, std::string>> files_;
};

// An existing file is replaced without a question.
TEST_F(InfoZipArchive, UnzipToFolderExtractsEveryEntryByteForByte) {
    test::writeFile(dir_ / "out/vantrel.dat", "old contents that are longer than the new ones");
    UnzipToFolder(archive(), out());
    std::set<std::string> expected;
    for (const auto& [name, data] : files_) {
        expected.insert(name);
        EXPECT_EQ(test::readFile(dir_ / "out" / name), data) << name;
    }
    EXPECT_EQ(test::treeOf(out()), expected);
}

TEST_F(InfoZipArchive, TheLastProgressReportOfAnExtractionIsItsTotal) {
    test::RecordingUi ui;
    ui.setProgressStepBytes(4096);
    UnzipToFolder(archive(), out(), std::nullopt, std::nullopt, &ui);
    std::uint64_t total = 0;
    for (const auto& [name, data] : files_)
        total += data.size();
    ASSERT_GE(ui.byteReports.size(), 2u);
    std::uint64_t last = 0;
    for (const auto& r : ui.byteReports) {
        EXPECT_GE(r.done, last) << r.file;
        EXPECT_EQ(r.total, total) << r.file;
        last = r.done;
    }
    EXPECT_EQ(last, total) << "the bar ends where the extraction does";
}

TEST_F(InfoZipArchive, NameListsChooseTheEntries) {
    struct Case {
        const char* title;
        std::optional<ZipNameList> eFiles, xFiles;
        std::set<std::string> expected;
    };
    std::set<std::string> all;
    for (const auto& f : files_)
        all.insert(f.first);
    std::set<std::string> allButTwo = all;
    allButTwo.erase("Inbox.dbx");
    allButTwo.erase("empty.wab");
    const Case cases[] = {
        {"empty list", ZipNameList{}, std::nullopt, all},
        {"one name", ZipNameList{"vantrel.dat"}, std::nullopt, {"vantrel.dat"}},
        {"name with a NUL after it",
         ZipNameList{std::string("vantrel.dat\0xyz", 15)},
         std::nullopt,
         {"vantrel.dat"}},
        {"two names",
         ZipNameList{"KVA12.tmp", "Report 2024.txt"},
         std::nullopt,
         {"KVA12.tmp", "Report 2024.txt"}},
        {"left out", std::nullopt, ZipNameList{"Inbox.dbx", "empty.wab"}, allButTwo},
        {"named and left out",
         ZipNameList{"KVA12.tmp", "Inbox.dbx"},
         ZipNameList{"Inbox.dbx"},
         {"KVA12.tmp"}},
    };
    for (const auto& c : cases) {
        TempDir out;
        UnzipToFolder(archive(), out.path().string(), c.eFiles, c.xFiles);
        EXPECT_EQ(test::treeOf(out.path()), c.expected) << c.title;
    }
}

TEST_F(InfoZipArchive, AMissingNameFailsTheCallAndTheOthersAreStillExtracted) {
    const ArchiveError e = test::raisedBy([&] {
        UnzipToFolder(archive(), out(), ZipNameList{"vantrel.dat", "Outbox.dbx"});
    });
    EXPECT_EQ(e.number(), kErrUnzipEngine);
    EXPECT_EQ(e.source(), "CGmodule::UnzipToFolder");
    EXPECT_EQ(e.engineResult(), UnzipResult::kNoMatch);
    EXPECT_EQ(e.description(), "caution: filename not matched:  Outbox.dbx");
    EXPECT_EQ(test::treeOf(out()), std::set<std::string>{"vantrel.dat"});
}

TEST_F(InfoZipArchive, AHundredNamesAreAcceptedAndMoreFailBeforeAnythingIsWritten) {
    ZipNameList hundred(100, "vantrel.dat");
    CGUnzipFiles unzip;
    EXPECT_EQ(unzip.Unzip(archive(), out(), hundred), UnzipResult::kOk);
    EXPECT_TRUE(fs::exists(dir_ / "out/vantrel.dat"));

    TempDir other;
    for (bool extractList : {true, false}) {
        ZipNameList tooMany(101, "vantrel.dat");
        const ArchiveError e = test::raisedBy([&] {
            if (extractList)
                unzip.Unzip(archive(), other.path().string(), tooMany);
            else
                unzip.Unzip(archive(), other.path().string(), std::nullopt, tooMany);
        });
        EXPECT_EQ(e.number(), kErrSubscript);
        EXPECT_EQ(e.source(), "CGUnZipFiles::Unzip");
        EXPECT_EQ(e.description(), "Subscript out of range");
        EXPECT_TRUE(test::treeOf(other.path()).empty());
    }
}

TEST_F(InfoZipArchive, UnzipWithoutArgumentsUsesTheStoredNames) {
    CGUnzipFiles unzip;
    EXPECT_EQ(unzip.Unzip(archive(), out(), ZipNameList{"KVA12.tmp"}), 0);
    fs::remove_all(out());
    EXPECT_EQ(unzip.Unzip("", "", ZipNameList{"empty.wab"}), 0);
    EXPECT_EQ(unzip.ZipFileName(), archive());
    EXPECT_EQ(unzip.ExtractDir(), out());
    EXPECT_EQ(test::treeOf(out()), std::set<std::string>{"empty.wab"});
}

TEST(CGUnzipFiles, NumbersOutside16BitsAreAnOverflow) {
    TempDir dir;
    test::makeArchive(dir / "a.zip", {{"a.txt", "a"}});
    for (int which = 0; which < 3; ++which) {
        CGUnzipFiles u;
        if (which == 0)
            u.setMessageLevel(32768);
        if (which == 1)
            u.setExtractList(-32769);
        if (which == 2)
            u.setPrivilege(100000);
        const ArchiveError e =
            test::raisedBy([&] { u.Unzip((dir / "a.zip").string(), (dir / "out").string()); });
        EXPECT_EQ(e.number(), kErrOverflow);
        EXPECT_EQ(e.source(), "CGUnZipFiles::Unzip");
        EXPECT_EQ(e.description(), "Overflow");
        EXPECT_FALSE(fs::exists(dir / "out"));
    }
}

TEST(CGUnzipFiles, FolderOptionsShapeTheWrittenPaths) {
    TempDir dir;
    test::makeArchive(dir / "a.zip", {{"top.txt", "t"}, {"sub/deep/my file.txt", "d"}, {"sub/empty/", ""}});
    struct Case {
        bool honor, underscores;
        std::set<std::string> tree;
    };
    const Case cases[] = {
        {true, false, {"top.txt", "sub", "sub/deep", "sub/deep/my file.txt", "sub/empty"}},
        {false, false, {"top.txt", "my file.txt"}},
        {false, true, {"top.txt", "my_file.txt"}},
    };
    for (const auto& c : cases) {
        TempDir out;
        CGUnzipFiles u;
        if (!c.honor) // the first case runs with the initial values
            u.setHonorDirectories(false);
        if (c.underscores)
            u.setSpaceToUnderScore(true);
        EXPECT_EQ(u.Unzip((dir / "a.zip").string(), out.path().string()), 0) << u.GetLastMessage();
        EXPECT_EQ(test::treeOf(out.path()), c.tree)
            << "honor " << c.honor << " underscores " << c.underscores;
    }
}

TEST(CGUnzipFiles, CaseSensitiveDecidesWhetherNamesMatchInAnotherCase) {
    TempDir dir;
    test::makeArchive(dir / "a.zip", {{"Inbox.DBX", "i"}});
    for (bool sensitive : {true, false}) {
        TempDir out;
        CGUnzipFiles u; // case-sensitive unless told otherwise
        if (!sensitive)
            u.setCaseSensitive(false);
        int result = u.Unzip((dir / "a.zip").string(), out.path().string(), ZipNameList{"inbox.dbx"});
        EXPECT_EQ(result, sensitive ? UnzipResult::kNoMatch : UnzipResult::kOk);
        EXPECT_EQ(fs::exists(out / "Inbox.DBX"), !sensitive);
    }
}

TEST(CGUnzipFiles, NewerOptionsCompareTimesWithTheFilesOnDisk) {
    TempDir dir;
    test::writeFile(dir / "src/a.txt", "archived a");
    test::writeFile(dir / "src/b.txt", "archived b");
    ASSERT_EQ(
        test::runCommand("cd " + test::quoted(dir / "src") + " && zip -q ../a.zip a.txt b.txt").exitCode, 0);
    auto entryTime = fs::last_write_time(dir / "src/a.txt");
    struct Case {
        const char* title;
        bool freshen, update;
        std::string a, b; // what a.txt (older copy on disk) and b.txt (absent) end up as
    };
    const Case cases[] = {
        {"freshen", true, false, "archived a", "<absent>"},
        {"only newer", false, true, "archived a", "archived b"},
    };
    for (const auto& c : cases) {
        TempDir out;
        test::writeFile(out / "a.txt", "older copy");
        fs::last_write_time(out / "a.txt", entryTime - std::chrono::hours(3));
        test::writeFile(out / "c.txt", "unrelated");
        CGUnzipFiles u;
        u.setExtractNewer(c.freshen);
        u.setExtractOnlyNewer(c.update);
        ASSERT_EQ(u.Unzip((dir / "a.zip").string(), out.path().string()), 0) << c.title;
        EXPECT_EQ(test::readFile(out / "a.txt"), c.a) << c.title;
        EXPECT_EQ(fs::exists(out / "b.txt") ? test::readFile(out / "b.txt") : "<absent>", c.b) << c.title;

        // A copy on disk that is newer than the entry is kept by both.
        test::writeFile(out / "a.txt", "newer copy");
        fs::last_write_time(out / "a.txt", entryTime + std::chrono::hours(3));
        ASSERT_EQ(u.Unzip(), 0);
        EXPECT_EQ(test::readFile(out / "a.txt"), "newer copy") << c.title;
    }
}

TEST(CGUnzipFiles, OptionsDecideTheMessageAndWhatIsWritten) {
    TempDir dir;
    const std::string a(300, 'a'); // deflated, while b.txt is too short and is stored
    test::writeFile(dir / "src/a.txt", a);
    test::writeFile(dir / "src/b.txt", "a\nb\r\nc\n\n");
    ASSERT_EQ(
        test::runCommand("cd " + test::quoted(dir / "src") +
                         " && zip -q ../a.zip a.txt b.txt && echo 'made for the test' | zip -q -z ../a.zip")
            .exitCode,
        0);
    const std::string archive = (dir / "a.zip").string();
    const fs::path out = dir / "out";
    struct Case {
        const char* title;
        std::function<void(CGUnzipFiles&)> set;
        std::string message;
        bool whole;    // the message is the whole buffer, not a part of it
        std::string b; // b.txt afterwards
    };
    const Case cases[] = {
        {"initial values", [](CGUnzipFiles&) {}, "", true, "a\nb\r\nc\n\n"},
        {"message level 0", [](CGUnzipFiles& u) { u.setMessageLevel(0); },
         "Archive:  " + archive + "\r\n  inflating: " + (out / "a.txt").string() +
             "\r\n extracting: " + (out / "b.txt").string() + "\r\n",
         true, "a\nb\r\nc\n\n"},
        {"lone line feeds as CR LF", [](CGUnzipFiles& u) { u.setConvertCRtoCRLF(true); }, "", true,
         "a\r\nb\r\nc\r\n\r\n"},
        {"archive comment", [](CGUnzipFiles& u) { u.setDisplayComment(true); }, "made for the test", false,
         "a\nb\r\nc\n\n"},
        {"test only",
         [](CGUnzipFiles& u) {
             u.setTestZip(true);
             u.setMessageLevel(0);
         },
         "testing: b.txt   OK\r\n", false, "<absent>"},
        {"to standard output", [](CGUnzipFiles& u) { u.setWriteToStdOut(true); }, a + "a\nb\r\nc\n\n", true,
         "<absent>"},
    };
    for (const auto& c : cases) {
        fs::remove_all(out);
        CGUnzipFiles u;
        c.set(u);
        ASSERT_EQ(u.Unzip(archive, out.string()), 0) << c.title << ": " << u.GetLastMessage();
        if (c.whole) {
            EXPECT_EQ(u.GetLastMessage(), c.message) << c.title;
        } else {
            EXPECT_NE(u.GetLastMessage().find(c.message), std::string::npos)
                << c.title << ": " << u.GetLastMessage();
        }
        EXPECT_EQ(fs::exists(out / "b.txt") ? test::readFile(out / "b.txt") : "<absent>", c.b) << c.title;
    }
}

TEST(CGUnzipFiles, ExtractListFillsTheListingInColumnsAndWritesNothing) {
    TempDir dir;
    test::makeArchive(dir / "a.zip", {{"first.txt", std::string(1234, 'x')}, {"second.txt", "ab"}});
    CGUnzipFiles u;
    u.setExtractList(1);
    ASSERT_EQ(u.Unzip((dir / "a.zip").string(), (dir / "out").string()), 0);
    EXPECT_FALSE(fs::exists(dir / "out"));
    const std::string& listing = unzipListing();
    // Entry lines are 80 columns and CR LF; a header comes first once in the program's life.
    ASSERT_GE(listing.size(), 2 * 82u);
    std::string second = listing.substr(listing.size() - 82, 80);
    std::string first = listing.substr(listing.size() - 164, 80);
    EXPECT_EQ(first.substr(0, 9), "first.txt");
    EXPECT_EQ(first.substr(50, 7), "   1234");
    EXPECT_EQ(second.substr(50, 7), "      2");
    EXPECT_EQ(first[61], '/');
    EXPECT_EQ(first[64], '/');
    EXPECT_EQ(first[71], ':');
    EXPECT_EQ(listing.substr(listing.size() - 2), "\r\n");
}

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
        test::RecordingUi ui;
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
        bool oneName; // extract one.txt only
        int result;
        std::size_t prompts;
    };
    const Case cases[] = {
        {"right answer asked once for every entry", true, {"sesame"}, false, UnzipResult::kOk, 1},
        {"wrong answer asked again", true, {"wrong", "sesame"}, false, UnzipResult::kOk, 2},
        {"three wrong answers give up", true, {"a", "b", "c", "sesame"}, true, UnzipResult::kBadPassword, 3},
        {"no Ui to ask", false, {}, false, UnzipResult::kBadPassword, 0},
    };
    for (const auto& c : cases) {
        TempDir out;
        test::RecordingUi ui;
        ui.inputAnswers.assign(c.answers.begin(), c.answers.end());
        CGUnzipFiles u(c.withUi ? &ui : nullptr);
        const std::optional<ZipNameList> names =
            c.oneName ? std::optional<ZipNameList>(ZipNameList{"one.txt"}) : std::nullopt;
        EXPECT_EQ(u.Unzip(archive(), out.path().string(), names), c.result) << c.title;
        EXPECT_EQ(ui.inputPrompts.size(), c.prompts) << c.title;
        for (const auto& prompt : ui.inputPrompts)
            EXPECT_EQ(prompt, "Please Enter The Password!") << c.title;
        if (c.result != UnzipResult::kOk) {
            EXPECT_TRUE(test::treeOf(out.path()).empty()) << c.title;
            continue;
        }
        EXPECT_EQ(test::treeOf(out.path()), (std::set<std::string>{"one.txt", "two.txt"})) << c.title;
        EXPECT_EQ(test::readFile(out / "one.txt"), "first secret") << c.title;
        EXPECT_EQ(test::readFile(out / "two.txt"), "second secret") << c.title;
    }
}

TEST_F(EncryptedArchive, AnEmptyAnswerEndsTheAskingForThatRunOnly) {
    for (std::optional<std::string> giveUp : {std::optional<std::string>(""), std::optional<std::string>()}) {
        test::RecordingUi ui;
        ui.inputAnswers = {giveUp};
        const ArchiveError e = test::raisedBy(
            [&] { UnzipToFolder(archive(), (dir_ / "out").string(), std::nullopt, std::nullopt, &ui); });
        EXPECT_EQ(e.engineResult(), UnzipResult::kBadPassword);
        EXPECT_EQ(e.description(), "skipping: one.txt  unable to get password");
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
