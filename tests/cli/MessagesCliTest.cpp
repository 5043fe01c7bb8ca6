// MessagesCliTest.cpp -- tessaly-cli messages on a profile whose identity holds generated stores, and on
// backup files of both protections made from it.
#include "CliKit.h"
#include "MailFixtures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <sys/wait.h>
#include <thread>

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using test::readFile;

const std::string kStoreA = "drive_c/users/sample/Local Settings/Application Data/Identities/"
                            "{7C2E9A41-5B3D-4E8F-9A16-D04B3C2F8E57}/Microsoft/Outlook Express/";

class MessagesCli : public test::SampleProfileCli {
protected:
    std::map<std::string, std::vector<test::BuiltMessage>> folders;

    void SetUp() override {
        SampleProfileCli::SetUp();
        for (const auto& e : fs::directory_iterator(prefix / kStoreA))
            if (e.path().extension() == ".dbx")
                fs::remove(e.path());
        folders = test::writeStoreFolder(prefix / kStoreA);
    }
    void TearDown() override { EXPECT_TRUE(fs::is_empty(tmp)) << "temporary files left behind"; }
    void backup(const fs::path& file, const std::string& protection) {
        auto r = cli({"backup", "--identity", "Main Identity", "--out", file.string(), "--items", "messages",
                      "--protection", protection, "--password-stdin"},
                     "pa55\n");
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    void expectMboxHolds(const fs::path& mbox, const std::vector<test::BuiltMessage>& messages) {
        fs::path expected = dir / ("expected-" + mbox.filename().string());
        fs::create_directories(expected);
        for (std::size_t i = 0; i < messages.size(); ++i)
            test::writeFile(expected / std::to_string(i), messages[i].text);
        auto r = test::runProgram({TESSALY_PYTHON, TESSALY_MBOX_CHECK, mbox.string(), expected.string()});
        EXPECT_EQ(r.exitCode, 0) << r.err;
    }
};

TEST_F(MessagesCli, ListOfAnIdentityShowsTheTreeThenEveryMessage) {
    auto r = cli({"messages", "list", "--identity", "Main Identity"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.out.starts_with("Folders:\n  Local Folders\n    Inbox: 20 message(s)\n"
                                  "      Projects: 7 message(s)\n        2026: 3 message(s)\n"
                                  "    Sent Items: 7 message(s)\n    Drafts: 0 message(s)\n"
                                  "  Archive: 3 message(s)\n\nLocal Folders/Inbox:\n"
                                  "  2021-12-12 04:45\tRen\xc3\xa9 M\xc3\xbcller\tMessage 1\n"))
        << r.out;
    auto one = cli({"messages", "list", "--identity", "Main Identity", "--folder", "2026"});
    EXPECT_NE(one.out.find("\nLocal Folders/Inbox/Projects/2026:\n"), std::string::npos);
    EXPECT_EQ(one.out.find("\nLocal Folders/Inbox:\n"), std::string::npos);
    auto none = cli({"messages", "list", "--identity", "Main Identity", "--folder", "Nowhere"});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_EQ(none.err, "tessaly-cli: no folder named \"Nowhere\"; 'tessaly-cli messages list' shows them\n");
}

TEST_F(MessagesCli, AStoreAbove2GiBIsLeftOutWithAMessageAndTheRestListed) {
    fs::path huge = prefix / kStoreA / "Huge.dbx";
    test::writeFile(huge, "");
    fs::resize_file(huge, (std::uintmax_t{1} << 31) + 1); // sparse: no disk used
    auto r = cli({"messages", "list", "--identity", "Main Identity"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err,
              "tessaly-cli: Huge.dbx is larger than 2 GiB, more than a message store can hold; it is not "
              "read\ntessaly-cli: 1 damaged message(s) or store(s) left out\n");
    EXPECT_NE(r.out.find("    Inbox: 20 message(s)\n"), std::string::npos);
}

TEST_F(MessagesCli, ExportFromBackupFilesOfBothProtections) {
    backup(dir / "c.tsy", "compatible");
    backup(dir / "s.tsy", "strong");
    auto mbox = cli(
        {"messages", "export", (dir / "c.tsy").string(), "--to", (dir / "mbox").string(), "--password-stdin"},
        "pa55\n");
    ASSERT_EQ(mbox.exitCode, 0) << mbox.err;
    EXPECT_EQ(mbox.out, "Exported 40 message(s) of 6 folder(s) into " + (dir / "mbox").string() +
                            "; 0 damaged message(s) skipped\n");
    expectMboxHolds(dir / "mbox" / "Local Folders.sbd" / "Inbox", folders["Local Folders/Inbox"]);

    auto eml = cli({"messages", "export", (dir / "s.tsy").string(), "--to", (dir / "eml").string(),
                    "--format", "eml", "--folder", "Sent Items", "--password-stdin"},
                   "pa55\n");
    ASSERT_EQ(eml.exitCode, 0) << eml.err;
    EXPECT_EQ(readFile(dir / "eml" / "Local Folders" / "Sent Items" / "0001 Message 31.eml"),
              folders["Local Folders/Sent Items"][0].text);

    auto wrong = cli({"messages", "list", (dir / "s.tsy").string(), "--password-stdin"}, "nope\n");
    EXPECT_EQ(wrong.exitCode, 2) << wrong.err;
    auto list = cli({"messages", "list", (dir / "c.tsy").string(), "--password-stdin"}, "pa55\n");
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find("    Inbox: 20 message(s)\n"), std::string::npos);
}

TEST_F(MessagesCli, SigintStopsAnExportAndLeavesCompleteFilesOnly) {
    std::vector<test::BuiltMessage> many;
    for (int i = 0; i < 20000; ++i) {
        test::BuiltMessage m;
        m.subject = "Note " + std::to_string(i + 1);
        m.text =
            "Subject: " + m.subject + "\r\n\r\n" + std::string(1500 + i % 700, char('a' + i % 26)) + "\r\n";
        many.push_back(std::move(m));
    }
    std::ofstream(prefix / kStoreA / "Inbox.dbx", std::ios::binary) << test::buildMessageStore(many).bytes;
    fs::path out = dir / "out";
    const pid_t pid = start({"messages", "export", "--identity", "Main Identity", "--to", out.string(),
                             "--format", "eml", "--folder", "Inbox"});
    ASSERT_GT(pid, 0);
    fs::path inbox = out / "Local Folders" / "Inbox";
    for (int i = 0; i < 20000 && !(fs::exists(inbox) && !fs::is_empty(inbox)); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ::kill(pid, SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    std::size_t files = 0;
    for (const auto& e : fs::directory_iterator(inbox)) {
        std::string name = e.path().filename().string();
        std::size_t number = std::stoul(name.substr(0, name.find(' ')));
        ASSERT_TRUE(number >= 1 && number <= many.size()) << name;
        EXPECT_EQ(name, name.substr(0, 5) + many[number - 1].subject + ".eml");
        EXPECT_EQ(readFile(e.path()), many[number - 1].text) << name;
        ++files;
    }
    EXPECT_GT(files, 0u);
    EXPECT_LT(files, many.size()) << "the export ended before the signal came";
}

} // namespace
} // namespace tessaly
