// BackupCliTest.cpp -- backups and restores through tessaly-cli and the scheduled tessaly run, on real files,
// the history of earlier backups they keep, and the messages they hold.
#include "CliKit.h"
#include "MailFixtures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessaly {
namespace {

using test::readFile;
using test::runProgram;
using test::TempDir;
using test::writeFile;

const std::string kIdA = "{7C2E9A41-5B3D-4E8F-9A16-D04B3C2F8E57}";
const std::string kStoreB = "drive_c/users/sample/Local Settings/Application Data/Identities/"
                            "{E1F04B6A-2C8D-4A39-B5E7-91C3D6A8F024}/Microsoft/Outlook Express/";
const std::string kStoreA =
    "drive_c/users/sample/Local Settings/Application Data/Identities/" + kIdA + "/Microsoft/Outlook Express/";

class BackupCli : public test::SampleProfileCli {
protected:
    void TearDown() override {
        // Nothing of ours is left in the temporary folder, whatever the run did.
        EXPECT_TRUE(std::filesystem::is_empty(tmp)) << "temporary files left behind";
    }
    // The program itself, as a scheduled job starts it.
    test::RunResult scheduled(std::vector<std::string> args) {
        args.insert(args.begin(), TESSALY_APP);
        return runProgram(args, env);
    }
};

// Every verb that reads a backup file, on both protections. The restore goes into identity Work of a copy;
// all items of a restore are compared by the engine's own round trip.
TEST_F(BackupCli, BackupVerifyInspectExtractAndRestoreInBothProtections) {
    const std::string password = "pa55 w\xc3\xb6rd\n";
    for (const std::string protection : {"compatible", "strong"}) {
        SCOPED_TRACE(protection);
        const std::string file = (dir / (protection + ".tsy")).string();
        auto backup = cli({"backup", "--identity", "Main Identity", "--out", file, "--note", "weekly",
                           "--protection", protection, "--password-stdin"},
                          password);
        ASSERT_EQ(backup.exitCode, 0) << backup.err;
        EXPECT_NE(backup.out.find("The Backup was Completed!\n\nBackup Accounts\tSuccessed\n"),
                  std::string::npos)
            << backup.out;
        EXPECT_EQ(readFile(file).compare(0, 4, "\x89TSY") == 0, protection == "strong");

        auto verify = cli({"verify", file, "--password-stdin"}, password);
        EXPECT_EQ(verify.exitCode, 0) << verify.out << verify.err;
        EXPECT_NE(verify.out.find("members read back with correct CRCs"), std::string::npos);
        auto inspect = cli({"inspect", file, "--password-stdin"}, password);
        EXPECT_EQ(inspect.exitCode, 0) << inspect.err;
        for (const std::string& part :
             std::vector<std::string>{"Identity:Main Identity\nDate:", "Note:weekly\n", "\tInbox.dbx\n",
                                      "\nProtection:" + protection + ": "})
            EXPECT_NE(inspect.out.find(part), std::string::npos) << inspect.out;
        const auto out = dir / ("out-" + protection);
        auto extract =
            cli({"extract", file, out.string(), "--member", "Inbox.dbx", "--password-stdin"}, password);
        EXPECT_EQ(extract.exitCode, 0) << extract.err;
        EXPECT_EQ(readFile(out / "Inbox.dbx"), readFile(prefix / kStoreA / "Inbox.dbx"));

        auto wrong = cli({"restore", file, "--identity", "Work", "--yes", "--password-stdin"}, "pa55\n");
        EXPECT_EQ(wrong.exitCode, 2) << wrong.err;
        const auto copy = dir / ("copy-" + protection);
        test::copyTree(prefix, copy);
        env["WINEPREFIX"] = copy.string();
        auto restore = cli({"restore", file, "--identity", "Work", "--yes", "--password-stdin"}, password);
        env["WINEPREFIX"] = prefix.string();
        ASSERT_EQ(restore.exitCode, 0) << restore.err;
        EXPECT_NE(restore.out.find("The Restore was Completed!\n\nRestore Accounts\tSuccessed"),
                  std::string::npos);
        for (const char* store : {"Inbox.dbx", "Folders.dbx", "Newsletters.dbx", "Sent Items.dbx"})
            EXPECT_EQ(readFile(copy / kStoreB / store), readFile(prefix / kStoreA / store)) << store;
    }
}

TEST_F(BackupCli, AnOutThatCannotTakeTheFileIsRefusedBeforeAnyWork) {
    std::filesystem::create_directories(dir / "backups");
    std::filesystem::create_directories(dir / "locked");
    std::filesystem::permissions(dir / "locked",
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    struct Case {
        std::filesystem::path out;
        std::string message;
    };
    std::vector<Case> cases = {
        {dir / "backups", "names a folder; give the backup file's name, e.g. "},
        {dir / "new-folder/", "names a folder"},
        {dir / "missing" / "x.tsy", "the folder " + (dir / "missing").string() + " does not exist"},
    };
    // Permissions do not stop root.
    if (::geteuid() != 0)
        cases.push_back({dir / "locked" / "x.tsy", "cannot be written (permission denied)"});
    const std::string userReg = readFile(prefix / "user.reg");
    for (const Case& c : cases) {
        auto r = cli({"backup", "--identity", kIdA, "--items", "rules", "--out", c.out.string()});
        EXPECT_EQ(r.exitCode, 2) << c.out;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.out << ": " << r.err;
        EXPECT_EQ(r.out, "") << c.out;
        EXPECT_TRUE(std::filesystem::is_empty(dir / "backups")) << c.out;
        EXPECT_FALSE(std::filesystem::exists(dir / "missing")) << c.out;
    }
    EXPECT_EQ(readFile(prefix / "user.reg"), userReg);
    std::filesystem::permissions(dir / "locked", std::filesystem::perms::owner_all);
}

TEST_F(BackupCli, AFullDiskLeavesTheOldBackupFileAsItWas) {
    ASSERT_EQ(cli({"backup", "--identity", kIdA, "--items", "rules", "--out", (dir / "keep.tsy").string()})
                  .exitCode,
              0);
    std::string old = readFile(dir / "keep.tsy");
    // Limits below the size of a complete backup, whatever the sample's stores weigh.
    ASSERT_EQ(cli({"backup", "--identity", kIdA, "--out", (dir / "whole.tsy").string()}).exitCode, 0);
    const auto whole = static_cast<long long>(std::filesystem::file_size(dir / "whole.tsy"));
    std::filesystem::remove(dir / "whole.tsy");
    for (long long limit : {2000LL, whole / 2, whole - 100}) {
        auto full = cli({"backup", "--identity", kIdA, "--out", (dir / "keep.tsy").string()}, "", limit);
        EXPECT_EQ(full.exitCode, 1) << limit << full.out << full.err;
        EXPECT_NE(full.err.find("The Backup was not completed"), std::string::npos) << limit << full.err;
        EXPECT_EQ(full.out.find("The Backup was Completed!"), std::string::npos) << limit;
        EXPECT_EQ(readFile(dir / "keep.tsy"), old) << limit;
        // Nothing half-written stays beside it.
        size_t files = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            files += e.is_regular_file();
        EXPECT_EQ(files, 1u) << limit;
    }
}

TEST_F(BackupCli, ScheduledRunWithoutAnyWindow) {
    auto ok = scheduled({" sf=" + kIdA + "xm=11111111ps=bf=" + (dir / "s.tsy").string()});
    EXPECT_EQ(ok.exitCode, 0) << ok.err;
    auto inspect = cli({"inspect", (dir / "s.tsy").string()});
    EXPECT_NE(inspect.out.find("Computer:\nUser:\nIdentity:Auto Backup\n"), std::string::npos) << inspect.out;

    // The arguments are joined by single blanks: a path with a blank survives unquoted.
    auto split = scheduled({"sf=" + kIdA + "xm=00100000ps=bf=" + (dir / "with").string(), "blank.tsy"});
    EXPECT_EQ(split.exitCode, 0) << split.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "with blank.tsy"));

    auto shortLine = scheduled({"sf=" + kIdA + "xm=11111111"});
    EXPECT_EQ(shortLine.exitCode, 2);
    EXPECT_NE(shortLine.err.find("pieces"), std::string::npos) << shortLine.err;
    auto noPath = scheduled({" sf=" + kIdA + "xm=11111111ps=pwbf="});
    EXPECT_EQ(noPath.exitCode, 2);
    EXPECT_NE(noPath.err.find("nothing was backed up"), std::string::npos);
}

// Unknown protections and a strong backup without a password are among CliTest's refused invocations.
TEST_F(BackupCli, ProtectionIsChosenByOptionOrEnvironment) {
    env["TESSALY_PROTECTION"] = "strong";
    const std::string byEnv = (dir / "e.tsy").string(), byOption = (dir / "o.tsy").string();
    auto r =
        cli({"backup", "--identity", kIdA, "--items", "rules", "--out", byEnv, "--password-stdin"}, "pw\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = cli({"backup", "--identity", kIdA, "--items", "rules", "--out", byOption, "--password-stdin",
             "--protection", "compatible"},
            "pw\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readFile(byEnv).compare(0, 4, "\x89TSY"), 0);
    EXPECT_NE(readFile(byOption).compare(0, 4, "\x89TSY"), 0);
}

TEST_F(BackupCli, ProtectTurnsAFileStrongAndBackKeepingTheArchive) {
    std::filesystem::path file = dir / "p.tsy";
    ASSERT_EQ(cli({"backup", "--identity", kIdA, "--items", "rules,signatures", "--out", file.string(),
                   "--password-stdin"},
                  "old\n")
                  .exitCode,
              0);
    const std::string original = readFile(file);

    auto wrongOld = cli({"protect", file.string(), "--to", "strong", "--password-stdin"}, "olt\nN3w\n");
    EXPECT_EQ(wrongOld.exitCode, 2) << wrongOld.err;
    auto badTarget = cli({"protect", file.string(), "--to", "armoured", "--password-stdin"}, "old\nN3w\n");
    EXPECT_EQ(badTarget.exitCode, 2);
    EXPECT_NE(badTarget.err.find("unknown protection \"armoured\""), std::string::npos) << badTarget.err;
    auto emptyNew = cli({"protect", file.string(), "--to", "strong", "--password-stdin"}, "old\n\n");
    EXPECT_EQ(emptyNew.exitCode, 2);
    EXPECT_EQ(readFile(file), original);

    auto toStrong = cli({"protect", file.string(), "--to", "strong", "--password-stdin"}, "old\nN3w\n");
    ASSERT_EQ(toStrong.exitCode, 0) << toStrong.err;
    EXPECT_EQ(readFile(file).compare(0, 4, "\x89TSY"), 0);
    auto verify = cli({"verify", file.string(), "--password-stdin"}, "N3w\n");
    EXPECT_EQ(verify.exitCode, 0) << verify.out << verify.err;

    auto back = cli({"protect", file.string(), "--to", "compatible"});
    EXPECT_EQ(back.exitCode, 2) << "no password given: " << back.err;
    auto toCompatible =
        cli({"protect", file.string(), "--to", "compatible", "--password-stdin"}, "N3w\nold\n");
    ASSERT_EQ(toCompatible.exitCode, 0) << toCompatible.err;
    // The compatible format is deterministic: the same archive and password give the very same file.
    EXPECT_EQ(readFile(file), original);
    size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        files += e.is_regular_file();
    EXPECT_EQ(files, 1u) << "temporary files left beside the backup file";
}
// A signal while the backup works: the earlier file stays where it is (a retention policy rotates it only
// once the new file is whole), no temporary file is left, and the exit code is the shell's 128 + the
// signal's number.
class StoppedCliBackup : public BackupCli, public ::testing::WithParamInterface<int> {};

TEST_P(StoppedCliBackup, LeavesTheEarlierFileAndExitsWith128PlusTheSignal) {
    // A large store of varied bytes keeps the compression busy long after the run has started.
    std::string bytes(48u << 20, '\0');
    std::uint32_t x = 7;
    for (char& c : bytes) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 24);
    }
    writeFile(prefix / kStoreA / "Big.dbx", bytes);
    const std::filesystem::path out = dir / "out";
    std::filesystem::create_directories(out);
    writeFile(out / "a.tsy", "the earlier backup");

    const pid_t pid =
        start({"backup", "--identity", "Main Identity", "--out", (out / "a.tsy").string(), "--keep", "2l"});
    ASSERT_GT(pid, 0);
    // The temporary archive beside the target shows that the run is under way.
    bool started = false;
    for (int i = 0; i < 20000 && !started; ++i) {
        for (const auto& e : std::filesystem::directory_iterator(out))
            started = started || e.path().filename() != "a.tsy";
        if (!started)
            usleep(500);
    }
    EXPECT_TRUE(started);
    kill(pid, GetParam());
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal itself";
    EXPECT_EQ(WEXITSTATUS(status), 128 + GetParam());
    EXPECT_EQ(readFile(out / "a.tsy"), "the earlier backup");
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(out))
        files += e.path().filename() != "a.tsy";
    EXPECT_EQ(files, 0) << "a temporary file beside the target";
}

INSTANTIATE_TEST_SUITE_P(Signals, StoppedCliBackup, ::testing::Values(SIGINT, SIGTERM), [](const auto& info) {
    return std::string(info.param == SIGINT ? "Sigint" : "Sigterm");
});

// A backup is never readable by other users, keeps a stricter mode it had, and replaces the file a link
// names (the link stays), whether it is written by backup or rewritten by protect.
TEST_F(BackupCli, ModesAndLinksOfTheBackupFile) {
    namespace fs = std::filesystem;
    const struct {
        const char* verb;
        bool link;
        int oldMode; // 0: no earlier file
        unsigned wantMode;
    } cases[] = {
        {"backup", false, 0, 0600},   {"backup", false, 0644, 0600},  {"backup", false, 0400, 0400},
        {"backup", true, 0644, 0600}, {"protect", false, 0644, 0600}, {"protect", true, 0640, 0600},
    };
    const mode_t oldUmask = ::umask(022);
    for (const auto& tc : cases) {
        const fs::path file = dir / "real.tsy", link = dir / "link.tsy";
        fs::remove(file);
        fs::remove(link);
        if (tc.oldMode || std::string(tc.verb) == "protect") {
            ASSERT_EQ(
                cli({"backup", "--identity", "Main Identity", "--out", file.string(), "--items", "rules"})
                    .exitCode,
                0);
        }
        if (tc.oldMode)
            fs::permissions(file, fs::perms(tc.oldMode));
        if (tc.link)
            fs::create_symlink(file.filename(), link);
        const std::string named = (tc.link ? link : file).string();
        auto run = std::string(tc.verb) == "backup"
                       ? cli({"backup", "--identity", "Main Identity", "--out", named, "--items", "rules"})
                       : cli({"protect", named, "--to", "strong", "--password-stdin"}, "\nnew\n");
        const std::string what = std::string(tc.verb) + (tc.link ? " through a link" : "") + " over mode " +
                                 std::to_string(tc.oldMode);
        ASSERT_EQ(run.exitCode, 0) << what << ": " << run.err;
        EXPECT_EQ(unsigned(fs::status(file).permissions()), tc.wantMode) << what;
        EXPECT_EQ(fs::is_symlink(link), tc.link) << what;
        if (std::string(tc.verb) == "protect") {
            EXPECT_NE(cli({"inspect", file.string(), "--password-stdin"}, "new\n").out.find("strong"),
                      std::string::npos)
                << what;
        }
    }
    ::umask(oldUmask);
}

std::string storeBytes(std::uint32_t messages, size_t size) {
    std::string bytes(size, 'm');
    bytes.replace(0, 4, "\xCF\xAD\x12\xFE");
    for (int i = 0; i < 4; ++i)
        bytes[0xC4 + i] = static_cast<char>((messages >> (8 * i)) & 0xFF);
    return bytes;
}

// backup --keep/--accept-shrink, history and restore --from: a message store emptied between two runs is
// caught, the earlier backup pinned, and both are listed.
class HistoryCli : public BackupCli {
protected:
    std::filesystem::path target = dir / "b.tsy";
    void SetUp() override {
        BackupCli::SetUp();
        env.insert({{"TZ", "UTC0"}, {"TESSALY_KEEP", std::nullopt}});
        env["TESSALY_PASSWORD"] = "pw";
    }
    // Day d of December 2026 at 03:00 UTC.
    test::RunResult cli(const std::vector<std::string>& args, int day = 1) {
        env["TESSALY_TEST_CLOCK"] = std::to_string(1796094000 + (day - 1) * 86400);
        return SampleProfileCli::cli(args);
    }
    test::RunResult backup(int day, std::vector<std::string> extra = {"--keep", "3l"}) {
        std::vector<std::string> args = {"backup",   "--identity", "Main Identity", "--items",
                                         "messages", "--out",      target.string()};
        args.insert(args.end(), extra.begin(), extra.end());
        return cli(args, day);
    }
};

TEST_F(HistoryCli, AnEmptiedStoreIsCaughtPinnedListedAndAcceptedOnRequest) {
    writeFile(prefix / kStoreA / "Inbox.dbx", storeBytes(30, 6000));
    ASSERT_EQ(backup(1).exitCode, 0);
    ASSERT_EQ(backup(2).exitCode, 0);
    const std::string good = readFile(target);

    writeFile(prefix / kStoreA / "Inbox.dbx", storeBytes(0, 0x200));
    auto suspect = backup(3);
    EXPECT_EQ(suspect.exitCode, 1) << suspect.err;
    EXPECT_NE(suspect.err.find("Inbox.dbx: 0 messages, was 30"), std::string::npos) << suspect.err;
    EXPECT_NE(suspect.err.find("b.2026-12-03_030000.suspect.tsy"), std::string::npos) << suspect.err;
    EXPECT_EQ(readFile(target), good);
    EXPECT_EQ(readFile(dir / "b.2026-12-02_030000.keep.tsy"), good);

    auto history = cli({"history", target.string()});
    EXPECT_EQ(history.exitCode, 0) << history.err;
    const std::string expected[] = {
        "2026-12-03 03:00:00 ", "items 00010000  messages ",
        "Inbox.dbx 0, ",        "  suspect  b.2026-12-03_030000.suspect.tsy\n",
        "2026-12-02 03:00:00 ", "items 00010000  messages ",
        "Inbox.dbx 30, ",       "  current  b.tsy\n",
        "2026-12-02 03:00:00 ", "  pinned  b.2026-12-02_030000.keep.tsy\n",
        "2026-12-01 03:00:00 ", "  earlier  b.2026-12-01_030000.tsy\n",
    };
    size_t at = 0;
    for (const std::string& part : expected) {
        size_t found = history.out.find(part, at);
        ASSERT_NE(found, std::string::npos) << "\"" << part << "\" after " << at << " in\n" << history.out;
        at = found + part.size();
    }

    auto from = cli({"restore", target.string(), "--from", "2026-12-01", "--identity", "Work", "--yes"});
    EXPECT_EQ(from.exitCode, 0) << from.err;
    EXPECT_NE(from.err.find("restoring from " + (dir / "b.2026-12-01_030000.tsy").string()),
              std::string::npos)
        << from.err;
    auto none = cli({"restore", target.string(), "--from", "2026-11-30", "--identity", "Work", "--yes"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.err.find("no complete version"), std::string::npos) << none.err;

    // --full compresses every store again instead of taking the unchanged ones over.
    auto accepted = backup(4, {"--keep", "3l", "--accept-shrink", "--full"});
    EXPECT_EQ(accepted.exitCode, 0) << accepted.err;
    EXPECT_NE(readFile(target), good);
    // 3 last: the 4th, the 2nd and the 1st; the pinned and the suspect file stay whatever the policy.
    for (const char* name : {"b.2026-12-02_030000.tsy", "b.2026-12-01_030000.tsy",
                             "b.2026-12-02_030000.keep.tsy", "b.2026-12-03_030000.suspect.tsy"})
        EXPECT_TRUE(std::filesystem::exists(dir / name)) << name;

    auto pin = cli({"history", "pin", (dir / "b.2026-12-01_030000.tsy").string()});
    EXPECT_EQ(pin.exitCode, 0) << pin.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "b.2026-12-01_030000.keep.tsy"));
}

// tessaly-cli messages on a profile whose identity holds generated stores, and on backup files of both
// protections made from it.
class MessagesCli : public BackupCli {
protected:
    std::map<std::string, std::vector<test::BuiltMessage>> folders;

    void SetUp() override {
        BackupCli::SetUp();
        for (const auto& e : fs::directory_iterator(prefix / kStoreA))
            if (e.path().extension() == ".dbx")
                fs::remove(e.path());
        folders = test::writeStoreFolder(prefix / kStoreA);
    }
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
