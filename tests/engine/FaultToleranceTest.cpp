// FaultToleranceTest.cpp -- two runs on one profile, restores that change nothing until everything is
// checked, restores killed half-way, dumps that never share a name; scheduled runs: their command line taken
// apart by position, a run of no items and a run without identities.
#include "backupfile/InfoFile.h"
#include "backupfile/Scrambler.h"
#include "engine/RestoreJournal.h"
#include "engine/ScheduledRun.h"
#include "engine/UnattendedBackup.h"
#include "engine/history/BackupVersions.h"

#include "EngineTestProfile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace tessaly {
namespace {

using namespace test;

using ProfileWriters = OnSample;
using StagedRestore = OnSample;
using BackupNames = OnSample;

const std::string kRulesA = versionKey(kIdA) + "\\Rules";

// Everything a restore into identity B could change, read from disk.
std::string profileState(const fs::path& prefix) {
    std::ostringstream all;
    all << readFile(prefix / "user.reg");
    for (const auto& e : fs::recursive_directory_iterator(prefix / "drive_c"))
        if (e.is_regular_file())
            all << e.path().string() << '\n' << readFile(e.path());
    return all.str();
}

TEST_F(ProfileWriters, ABackupNeverSavesOverWhatAnotherRunChangedMeanwhile) {
    EngineProfile& window = p;
    window.mod().RemoveKeyTree(kRulesA);
    window.session->registry().save();
    window.reopen();
    // While the window stays open, another run changes the profile and saves it.
    {
        EngineProfile other(dir / "p", false);
        other.mod().CreateRegKey(identityKey(kIdB) + "\\Restored By Another Run");
        other.session->registry().save();
    }
    // The window's backup re-creates the missing Rules key and saves: the other run's key stays.
    window.backUp(dir / "r.tsy", {kItemRules});
    EngineProfile after(dir / "p", false);
    EXPECT_TRUE(after.mod().RegKeyExists(identityKey(kIdB) + "\\Restored By Another Run"));
    EXPECT_TRUE(after.mod().RegKeyExists(kRulesA));
}

TEST_F(StagedRestore, ADamagedMemberOfALaterItemChangesNothing) {
    p.backUp(dir / "all.tsy", {kItemAccounts, kItemAddressBook, kItemRules, kItemMessages, kItemSettings});
    // Damage the compressed data of one message store, keeping the password check right.
    CodePage cp(1252);
    ScrambleFile(dir / "all.tsy", "", false, dir / "plain.zip", cp, p.ui);
    std::string zip = readFile(dir / "plain.zip");
    size_t at = zip.find("Sent Items.dbx");
    ASSERT_NE(at, std::string::npos);
    zip[at + 40] ^= 0x55;
    writeFile(dir / "damaged.tsy", zip);
    ScrambleFile(dir / "damaged.tsy", "", true, {}, cp, p.ui);

    RestoreDriver restore = p.restorer();
    restore.inspect(dir / "damaged.tsy");
    ASSERT_FALSE(p.state.InspectionInvalid);
    const std::string before = profileState(p.prefix);
    RestoreOutcome outcome = restore.run(kAllItems, kIdB);
    EXPECT_FALSE(outcome.started);
    ASSERT_FALSE(outcome.problems.empty());
    EXPECT_NE(outcome.problems[0].find("Sent Items.dbx"), std::string::npos) << outcome.problems[0];
    EXPECT_NE(p.ui.messages.back().text.find("nothing was restored"), std::string::npos);
    EXPECT_EQ(profileState(p.prefix), before);
    EXPECT_FALSE(fs::exists(RestoreJournal::journalFile(p.prefix)));
}

std::string identityRecord(const fs::path& prefix) {
    struct stat st {};
    EXPECT_EQ(::stat(prefix.c_str(), &st), 0);
    return "P\t" + std::to_string(st.st_dev) + "\t" + std::to_string(st.st_ino) + "\n";
}

TEST(KilledRestore, AKilledRestoreIsFinishedOrUndoneOnlyInsideItsOwnProfile) {
    enum class Journal { Undone, Completed, Foreign, PathOutside, ThroughALink, MoveFails, Link };
    const struct {
        Journal kind;
        const char* notice;
        bool moved, journalKept;
    } cases[] = {
        {Journal::Undone, "undone", false, false},
        {Journal::Completed, "completed", true, false},
        {Journal::Foreign, "was not written for this profile", false, true},
        {Journal::PathOutside, "undone", false, false},
        {Journal::ThroughALink, "torn", false, true},
        {Journal::MoveFails, "torn", false, true},
        {Journal::Link, "not one Tessaly can read", false, true},
    };
    for (const auto& tc : cases) {
        TempDir dir;
        EngineProfile p(dir / "p");
        const fs::path store = storeOf(p.prefix, kIdB);
        const fs::path rel = store.lexically_relative(p.prefix);
        const std::string inboxBefore = readFile(store / "Inbox.dbx");
        writeFile(dir / "victim.txt", "not the profile's");
        // What a restore killed while putting its messages in place leaves behind.
        const fs::path staging = store / ".tessaly-stage-0A1B";
        fs::create_directory(staging);
        writeFile(staging / "Inbox.dbx", "restored inbox");
        std::string journal = tc.kind == Journal::Foreign ? "P\t1\t2\n" : identityRecord(p.prefix);
        journal += "S\t" + (rel / staging.filename()).string() + "\n";
        if (tc.kind != Journal::Undone) {
            fs::create_directory_symlink(dir.path(), store / "linked");
            const fs::path to = tc.kind == Journal::PathOutside    ? fs::path("../victim.txt")
                                : tc.kind == Journal::ThroughALink ? rel / "linked" / "victim.txt"
                                : tc.kind == Journal::MoveFails    ? rel / "Inbox.dbx" / "inside-a-file"
                                                                   : rel / "Inbox.dbx";
            journal +=
                "M\t" + (rel / staging.filename() / "Inbox.dbx").string() + "\t" + to.string() + "\nC\n";
        }
        const fs::path file = RestoreJournal::journalFile(p.prefix);
        // A link that dangles: following it would create a file outside the profile.
        if (tc.kind == Journal::Link)
            fs::create_symlink(dir / "elsewhere", file);
        else
            writeFile(file, journal);

        p.reopen();
        const int kind = int(tc.kind);
        EXPECT_NE(p.session->leftoverNotice().find(tc.notice), std::string::npos)
            << kind << ": " << p.session->leftoverNotice();
        EXPECT_EQ(readFile(store / "Inbox.dbx"), tc.moved ? "restored inbox" : inboxBefore) << kind;
        EXPECT_EQ(readFile(dir / "victim.txt"), "not the profile's") << kind;
        EXPECT_FALSE(fs::exists(dir / "elsewhere")) << kind;
        EXPECT_EQ(fs::exists(fs::symlink_status(file)), tc.journalKept) << kind;
        EXPECT_EQ(fs::exists(staging), tc.journalKept) << kind;
    }
}

TEST_F(StagedRestore, RestoredFilesKeepTheModeOfWhatTheyReplace) {
    const fs::path store = storeOf(p.prefix, kIdB);
    fs::permissions(store / "Inbox.dbx", fs::perms::owner_read | fs::perms::owner_write);
    RestoreJournal journal(p.prefix);
    const fs::path staging = journal.stagingFolderFor(store);
    writeFile(staging / "Inbox.dbx", "restored");
    writeFile(staging / "New.dbx", "new");
    ::chmod((staging / "Inbox.dbx").c_str(), 0644);
    ::chmod((staging / "New.dbx").c_str(), 0644);
    EXPECT_EQ(journal.commit(
                  {{staging / "Inbox.dbx", store / "Inbox.dbx"}, {staging / "New.dbx", store / "New.dbx"}}),
              "");
    for (const char* name : {"Inbox.dbx", "New.dbx"})
        EXPECT_EQ(fs::status(store / name).permissions(), fs::perms::owner_read | fs::perms::owner_write)
            << name;
    EXPECT_THROW(journal.stagingFolderFor(dir / "outside"), std::runtime_error);
}

TEST_F(StagedRestore, MoreMessageStoresThanOneUnzipRunTakes) {
    for (int i = 0; i < 130; ++i)
        writeFile(storeOf(p.prefix, kIdA) / ("Folder" + std::to_string(i) + ".dbx"),
                  "store " + std::to_string(i));
    p.backUp(dir / "m.tsy", {kItemMessages});
    RestoreDriver restore = p.restorer();
    restore.inspect(dir / "m.tsy");
    std::array<bool, 8> messages{};
    messages[kItemMessages] = true;
    RestoreOutcome outcome = restore.run(messages, kIdB);
    EXPECT_EQ(outcome.failures[kItemMessages], "");
    for (int i = 0; i < 130; ++i)
        EXPECT_EQ(readFile(storeOf(p.prefix, kIdB) / ("Folder" + std::to_string(i) + ".dbx")),
                  "store " + std::to_string(i));
}

TEST_F(BackupNames, RegistryDumpsOfOneBackupNeverShareAName) {
    setTempNumberSource([] { return 0x1233u; }); // every draw starts at the same number
    p.backUp(dir / "r.tsy", {kItemRules, kItemBlockSenders, kItemSignatures});
    setTempNumberSource(nullptr);
    RestoreDriver restore = p.restorer();
    restore.inspect(dir / "r.tsy");
    const auto& recorded = p.state.RecordedItemValue;
    EXPECT_NE(recorded[kItemRules], recorded[kItemBlockSenders]);
    EXPECT_NE(recorded[kItemBlockSenders], recorded[kItemSignatures]);
    EXPECT_NE(recorded[kItemRules], recorded[kItemSignatures]);
    const std::string rulesA = p.dump(kRulesA);
    std::array<bool, 8> rules{};
    rules[kItemRules] = true;
    ASSERT_TRUE(restore.run(rules, kIdB).started);
    p.reopen();
    EXPECT_EQ(p.dump(versionKey(kIdB) + "\\Rules"), rulesA);
}

TEST(ScheduledRun, WithoutIdentitiesTheItemsThatNeedNoneAreStillSaved) {
    TempDir dir;
    {
        EngineProfile p(dir / "p");
        p.mod().RemoveKeyTree("HKEY_CURRENT_USER\\Identities");
        p.session->registry().save();
    }
    const char* saved = std::getenv("WINEPREFIX");
    std::string keep = saved ? saved : "";
    setenv("WINEPREFIX", (dir / "p").c_str(), 1);
    std::ostringstream err;
    int code = RunScheduledBackup(" sf=" + kIdA + "xm=11111111ps=bf=" + (dir / "auto.tsy").string(), err);
    saved ? setenv("WINEPREFIX", keep.c_str(), 1) : unsetenv("WINEPREFIX");
    EXPECT_EQ(code, 1) << err.str();
    // Items failed: the file is kept as a partial version beside the (absent) target.
    std::vector<BackupVersion> versions = listVersions(dir / "auto.tsy");
    ASSERT_EQ(versions.size(), 1u) << err.str();
    EXPECT_EQ(versions[0].kind, VersionKind::Partial);
    EngineProfile reader(dir / "q");
    reader.restorer().inspect(versions[0].file);
    // Accounts come from the user's shared key, the address book and stationery need no identity.
    EXPECT_EQ(reader.state.ItemFlags, "11000010");
}

// The scheduled command line, taken apart by position, and a run without windows.
using UnattendedRun = OnSample;

struct GrammarCase {
    std::string line;
    bool parses;
    UnattendedCommand expected;
};

TEST(UnattendedGrammar, PiecesByPosition) {
    const std::vector<GrammarCase> cases = {
        {" sf={A}xm=11111111ps=bf=/b/x.tsy", true, {"{A}", "11111111", "", "/b/x.tsy"}},
        {" sf={A}xm=10010000ps=pwbf=/b/with blank.tsy", true, {"{A}", "10010000", "pw", "/b/with blank.tsy"}},
        // A password holding "=" shifts the pieces: the path comes from the wrong one.
        {" sf={A}xm=11111111ps=pass=wordbf=/b/x.tsy", true, {"{A}", "11111111", "pa", "word"}},
        {" sf={A}xm=11111111ps=p=qbf=/b/x.tsy", false, {}}, // "p" is too short to end with a key name
        {" sf={A}xm=11111111ps=pwbf=", true, {"{A}", "11111111", "pw", ""}},
        {" sf={A}xm=11111111ps=pw", false, {}},
        {"", false, {}},
        {" sf={A}xm=1ps=x=", false, {}},
        {" sf={A}xm=1ps=xybf=", true, {"{A}", "1", "xy", ""}},
        {" sf=xm=1ps=pwbf=/x", true, {"", "1", "pw", "/x"}},
        {" sf=xxm=11ps=pwbf=/x", true, {"x", "11", "pw", "/x"}},
    };
    for (const GrammarCase& c : cases) {
        std::string error;
        auto parsed = ParseUnattendedCommandLine(c.line, &error);
        ASSERT_EQ(parsed.has_value(), c.parses) << c.line << " " << error;
        if (!parsed) {
            EXPECT_FALSE(error.empty()) << c.line;
            continue;
        }
        const UnattendedCommand& e = c.expected;
        EXPECT_EQ(std::tie(parsed->identityKey, parsed->itemMask, parsed->password, parsed->backupFile),
                  std::tie(e.identityKey, e.itemMask, e.password, e.backupFile))
            << c.line;
    }
}

TEST(UnattendedGrammar, MaskCharactersOtherThanOneCountAsZero) {
    auto items = ItemsOfMask("1x1?1");
    EXPECT_EQ(items, (std::array<bool, 8>{true, false, true, false, true, false, false, false}));
    EXPECT_EQ(ItemsOfMask(""), (std::array<bool, 8>{}));
}

TEST(UnattendedGrammar, ProtectionVariableIsStrongCompatibleOrUnset) {
    const std::vector<std::pair<const char*, std::optional<Protection>>> cases = {
        {nullptr, Protection::Compatible},
        {"", Protection::Compatible},
        {"compatible", Protection::Compatible},
        {"strong", Protection::Strong},
        {"Strong", std::nullopt},
        {"strong ", std::nullopt},
        {"weak", std::nullopt}};
    for (const auto& [value, expected] : cases) {
        std::string error;
        EXPECT_EQ(ProtectionOfVariable(value, &error), expected) << (value ? value : "(unset)");
        EXPECT_EQ(error.empty(), expected.has_value()) << error;
    }
}

// The details of a scheduled file and a run without a path are checked through the program.
TEST_F(UnattendedRun, EightZerosStillWriteAFileWithOnlyTheInfoFile) {
    std::string message;
    UnattendedCommand command{kIdA, "00000000", "pw", (dir / "z.tsy").string()};
    ASSERT_TRUE(RunUnattendedBackup(*p.session, p.state, p.ui, command, &message)) << message;
    EXPECT_EQ(p.state.AutoItemFlags, "00000000");
    EXPECT_TRUE(p.ui.messages.empty());
    p.state.rtPassword = "pw";
    InspectionView view = p.restorer().inspect(dir / "z.tsy");
    EXPECT_EQ(view.note, "Auto Backup");
    EXPECT_EQ(p.state.ItemFlags, "00000000");
}

} // namespace
} // namespace tessaly
