// MailExportTest.cpp -- mbox and eml export of generated stores and the public samples, read back by
// Python's mailbox module and compared byte for byte; a stop leaves complete files only.
#include "MailFixtures.h"
#include "RecordingUi.h"
#include "RunProgram.h"
#include "TempDir.h"

#include "mailstore/MboxWriter.h"
#include "mailstore/MessageExport.h"
#include "mailstore/SafeNames.h"

#include <gtest/gtest.h>

#include <set>

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

MailCollection collectionOf(const fs::path& dir) {
    std::vector<StoreImage> images;
    for (const auto& e : fs::directory_iterator(dir))
        images.push_back(StoreImage::mapFile(e.path()));
    return MailCollection(std::move(images));
}

// Every file below `dir`, relative, sorted.
std::vector<std::string> filesBelow(const fs::path& dir) {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file())
            out.push_back(fs::relative(e.path(), dir).string());
    std::sort(out.begin(), out.end());
    return out;
}

// The From line of each message; quoting at the end of a text and of an empty one (every kind of line in
// the generated messages goes through the mbox export test, read back by Python).
TEST(MboxWriter, QuotesEveryFromLineAtAnyDepthAndNothingElse) {
    for (const auto& [text, body] : std::vector<std::pair<std::string, std::string>>{
             {">From x\r\n>>From y\r\n", ">>From x\r\n>>>From y\r\n\n"},
             {"a\nFrom ", "a\n>From \n\n"},
             {"", "\n\n"}}) {
        std::string out;
        appendMboxMessage(out, text, "a@example.com", 132837579590000000ULL);
        EXPECT_EQ(out, "From a@example.com Sun Dec 12 04:45:59 2021\n" + body) << text;
    }
    std::string out;
    appendMboxMessage(out, "x\n", "two words", 0);
    EXPECT_EQ(out, "From MAILER-DAEMON Thu Jan  1 00:00:00 1970\nx\n\n");
}

TEST(SafeNames, NamesCannotLeaveTheFolderOrHideOrVanish) {
    EXPECT_EQ(safeFileName("..", 100, "f"), "f");
    EXPECT_EQ(safeFileName(" . ", 100, "f"), "f");
    EXPECT_EQ(safeFileName("../..", 100, "f"), "_");
    EXPECT_EQ(safeFileName("a/b\\c:d*e?f\"g<h>i|j\x01", 100, "f"), "a_b_c_d_e_f_g_h_i_j");
    EXPECT_EQ(safeFileName(" .hidden. ", 100, "f"), "hidden");
    EXPECT_EQ(safeFileName("\xc3\xa9\xc3\xa9", 3, "f"), "\xc3\xa9"); // whole characters only
}

class Export : public ::testing::Test {
protected:
    TempDir dir;
    fs::path stores = dir / "stores";
    fs::path out = dir / "out";
    std::map<std::string, std::vector<test::BuiltMessage>> folders = test::writeStoreFolder(stores);
};

TEST_F(Export, MboxFilesReadBackByPythonWithIdenticalBytes) {
    MailCollection mail = collectionOf(stores);
    test::RecordingUi ui;
    exportMessages(mail, out, ExportFormat::Mbox, std::nullopt, ui);
    EXPECT_EQ(filesBelow(out),
              (std::vector<std::string>{"Archive", "Local Folders.sbd/Drafts", "Local Folders.sbd/Inbox",
                                        "Local Folders.sbd/Inbox.sbd/Projects",
                                        "Local Folders.sbd/Inbox.sbd/Projects.sbd/2026",
                                        "Local Folders.sbd/Sent Items"}));
    // The Inbox's file is read back by the command-line test.
    const std::map<std::string, std::string> files = {
        {"Local Folders/Inbox/Projects/2026", "Local Folders.sbd/Inbox.sbd/Projects.sbd/2026"},
        {"Local Folders/Sent Items", "Local Folders.sbd/Sent Items"},
        {"Archive", "Archive"}};
    for (const auto& [folder, file] : files) {
        fs::path expected = dir / "expected" / fs::path(file).filename();
        fs::create_directories(expected);
        for (std::size_t i = 0; i < folders[folder].size(); ++i)
            test::writeFile(expected / std::to_string(i), folders[folder][i].text);
        test::RunResult r =
            test::runProgram({TESSALY_PYTHON, TESSALY_MBOX_CHECK, (out / file).string(), expected.string()});
        EXPECT_EQ(r.exitCode, 0) << folder << ": " << r.err << r.out;
    }
}

TEST_F(Export, EmlFilesEqualTheMessagesAndTakeNoExistingName) {
    const fs::path inbox = out / "Local Folders" / "Inbox", users = inbox / "0001 Message 1.eml";
    test::writeFile(users, "the user's own file");
    MailCollection mail = collectionOf(stores);
    test::RecordingUi ui;
    exportMessages(mail, out, ExportFormat::Eml, std::nullopt, ui);
    EXPECT_EQ(test::readFile(users), "the user's own file");
    EXPECT_EQ(test::readFile(inbox / "0001 Message 1 (2).eml"), folders["Local Folders/Inbox"][0].text);
    EXPECT_EQ(test::readFile(inbox / "0002 Re_ caf\xc3\xa9 _ plans .. 2.eml"),
              folders["Local Folders/Inbox"][1].text);
    for (const auto& [folder, messages] : folders) {
        std::multiset<std::string> want, got;
        for (const auto& m : messages)
            want.insert(m.text);
        fs::path place = out / folder;
        if (fs::exists(place))
            for (const auto& e : fs::directory_iterator(place))
                if (e.is_regular_file() && e.path() != users)
                    got.insert(test::readFile(e.path()));
        EXPECT_EQ(got, want) << folder;
    }
}

TEST_F(Export, OneFolderByNameOrPath) {
    MailCollection mail = collectionOf(stores);
    test::RecordingUi ui;
    EXPECT_EQ(exportMessages(mail, out, ExportFormat::Mbox, "sent items", ui).messages, 7u);
    EXPECT_EQ(exportMessages(mail, out, ExportFormat::Mbox, "Local Folders/Inbox/Projects", ui).messages, 7u);
    EXPECT_EQ(filesBelow(out), (std::vector<std::string>{"Local Folders.sbd/Inbox.sbd/Projects",
                                                         "Local Folders.sbd/Sent Items"}));
}

// Every byte count reported, a stop after the 4th message of Projects: the Inbox's file is complete and
// nothing of Projects is left, not even a partial file. (The eml export's stop is run through the
// command line.)
TEST_F(Export, AStopLeavesCompleteFilesOnly) {
    MailCollection mail = collectionOf(stores);
    test::RecordingUi ui;
    ui.setProgressStepBytes(1);
    ui.stopWhen = [](const test::RecordingUi& u) { return u.byteReports.size() >= 24; };
    EXPECT_THROW(exportMessages(mail, out, ExportFormat::Mbox, std::nullopt, ui), RunStopped);
    EXPECT_EQ(filesBelow(out), std::vector<std::string>{"Local Folders.sbd/Inbox"});
}

TEST_F(Export, ADamagedMessageIsSkippedAndCounted) {
    test::BuiltStore inbox = test::buildMessageStore(folders["Local Folders/Inbox"], 3); // as the fixture's
    test::putU32(inbox.bytes, inbox.firstBlocks[2] + 12, inbox.firstBlocks[2]);          // its chain loops
    test::writeFile(stores / "Inbox.dbx", inbox.bytes);
    MailCollection mail = collectionOf(stores);
    test::RecordingUi ui;
    ExportSummary s = exportMessages(mail, out, ExportFormat::Eml, "Inbox", ui);
    EXPECT_EQ(s.messages, 19u);
    EXPECT_EQ(s.damaged, 1u);
    EXPECT_EQ(filesBelow(out).size(), 19u);
}

// The client's own stores: the tree its folder list names with the Inbox's one message, and a .dbx
// file that is no message store left out.
TEST(ExportPublicSamples, TheWelcomeMessageIsExported) {
    TempDir dir;
    MailCollection mail = collectionOf(fs::path(TESSALY_FIXTURES_DIR) / "dbx");
    EXPECT_EQ(mail.folderListDamage(), 0u);
    std::vector<std::string> shown;
    for (const MailFolder& f : mail.folders())
        shown.push_back(std::string(2 * f.depth(), ' ') + f.path.back() + " " +
                        (f.store ? std::to_string(f.store->messages().size()) : "-"));
    ASSERT_EQ(shown, (std::vector<std::string>{"Local Folders -", "  Inbox 1", "  Outbox 0", "  Sent Items -",
                                               "  Deleted Items -", "  Drafts -", "Hotmail -"}));
    EXPECT_EQ(mail.folders()[1].store->messages()[0].sender, "Microsoft Outlook Express Team");
    test::RecordingUi ui;
    ExportSummary s = exportMessages(mail, dir.path(), ExportFormat::Eml, std::nullopt, ui);
    EXPECT_EQ(s.messages, 1u);
    EXPECT_EQ(s.folders, 2u);
    std::string eml = test::readFile(dir / "Local Folders/Inbox/0001 Welcome to Outlook Express 6.eml");
    EXPECT_EQ(eml.size(), 10139u);
    EXPECT_TRUE(eml.starts_with("From: \"Microsoft Outlook Express Team\""));
}

} // namespace
} // namespace tessaly
