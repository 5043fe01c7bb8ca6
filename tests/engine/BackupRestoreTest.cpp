// BackupRestoreTest.cpp -- a whole backup of one identity restored into another, and what the drivers say.
#include "archive/ArchiveListing.h"
#include "platform/TempFiles.h"

#include "EngineTestProfile.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

using namespace test;

// The values and subkeys of two keys, compared through the registry module as a restore sees them.
void expectSameKeyTree(EngineProfile& a, const std::string& keyA, EngineProfile& b, const std::string& keyB) {
    std::string dumpA = a.dump(keyA);
    EXPECT_GT(dumpA.size(), 3u) << keyA;
    EXPECT_EQ(b.dump(keyB), dumpA) << keyA << " vs " << keyB;
}

TEST(BackupRestoreEndToEnd, AllItemsOfOneIdentityRestoredIntoAnotherOfACopy) {
    TempDir dir;
    EngineProfile source(dir / "source");
    copyTree(source.prefix, dir / "target");
    source.state.BackupFileName = (dir / "a.tsy").string();
    BackupDriver backup(*source.session, source.state, source.ui);
    BackupRequest request = allItemsOfA();
    request.protect = true;
    request.password = request.password2 = "s3cret";
    request.note = "first line\r\nsecond line";
    BackupOutcome made = backup.run(request, false);
    ASSERT_TRUE(made.completed);
    EXPECT_EQ(made.itemFlags, "11111111");

    // Restore into identity B of the copy, as the window would: inspect, then run.
    EngineProfile target(dir / "target", false);
    target.ui.passwordAnswers.push_back("s3cret");
    RestoreDriver restore = target.restorer();
    InspectionView view = restore.inspect(dir / "a.tsy");
    ASSERT_TRUE(view.opened);
    EXPECT_EQ(view.note, "first line\r\nsecond line");
    RestoreOutcome restored = restore.run(kAllItems, kIdB);
    EXPECT_TRUE(restored.started);
    for (const std::string& failure : restored.failures)
        EXPECT_EQ(failure, "");

    // Read the target back from disk and compare with the source.
    target.reopen();
    for (const char* item : {"\\Rules", "\\Block Senders", "\\signatures", "\\Mail"})
        expectSameKeyTree(source, versionKey(kIdA) + item, target, versionKey(kIdB) + item);
    // B has no accounts key of its own: the accounts went to the user's shared key.
    expectSameKeyTree(source, identityKey(kIdA) + "\\Software\\Microsoft\\Internet Account Manager\\Accounts",
                      target, "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager\\Accounts");
    for (const char* store : {"Folders.dbx", "Inbox.dbx", "Newsletters.dbx", "Sent Items.dbx"})
        EXPECT_EQ(readFile(storeOf(target.prefix, kIdB) / store),
                  readFile(storeOf(source.prefix, kIdA) / store))
            << store;
    EXPECT_FALSE(std::filesystem::exists(storeOf(target.prefix, kIdB) / "Pop3uidl.dat"));
    const auto wab = "drive_c/users/sample/Application Data/Microsoft/Address Book/sample.wab";
    EXPECT_EQ(readFile(target.prefix / wab), readFile(source.prefix / wab));
    EXPECT_TRUE(std::filesystem::exists(target.prefix / "drive_c/Program Files/Common Files/Microsoft Shared/"
                                                        "Stationery/Sunrise.htm"));
    // A's own data in the target is untouched.
    expectSameKeyTree(source, identityKey(kIdA), target, identityKey(kIdA));
}

using BackupDriverChecks = OnSample;

// No target chosen at all is the window's case (BackupChecks).
TEST_F(BackupDriverChecks, RefusalsComeInOrderAndWriteNothing) {
    BackupDriver driver(*p.session, p.state, p.ui);
    const std::string target = (dir / "x.tsy").string();
    const struct {
        std::optional<std::string> file;
        bool protect; // with an empty first password and "a" as the second
        std::string message;
        MsgIcon icon;
    } cases[] = {
        {"", false, "Invalid backup file name.", MsgIcon::Exclamation},
        {target, true, "Incorect Password!", MsgIcon::Critical},
    };
    for (const auto& c : cases) {
        p.ui.messages.clear();
        p.state.BackupFileName = c.file;
        BackupRequest r = allItemsOfA();
        r.protect = c.protect;
        r.password2 = "a";
        EXPECT_FALSE(driver.run(r, true).started) << c.message;
        ASSERT_EQ(p.ui.messages.size(), 1u) << c.message;
        EXPECT_EQ(p.ui.messages[0].text, c.message);
        EXPECT_EQ(p.ui.messages[0].icon, c.icon);
        EXPECT_EQ(p.ui.messages[0].title, "Tessaly");
    }
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1); // only the profile
}

TEST_F(BackupDriverChecks, DiscQuestionOnlyWhenOfferedAndOnlyOkSetsTheFile) {
    BackupDriver driver(*p.session, p.state, p.ui);
    BackupRequest request;
    request.items[kItemRules] = true;
    request.identityKey = kIdA;
    p.state.BackupFileName = (dir / "r.tsy").string();
    driver.run(request, false);
    EXPECT_EQ(p.ui.messages.size(), 1u);
    p.ui.messages.clear();
    p.ui.messageAnswers = {MsgResult::Ok, MsgResult::Cancel};
    BackupOutcome cancelled = driver.run(request, true);
    ASSERT_EQ(p.ui.messages.size(), 2u);
    EXPECT_EQ(p.ui.messages[1].text, "Do you need to backup your data to CD-R/RW or DVD?");
    EXPECT_EQ(p.ui.messages[1].buttons, MsgButtons::OkCancel);
    EXPECT_FALSE(cancelled.discRequested);
    EXPECT_EQ(p.state.backupfiletocd, "");
    p.ui.messageAnswers = {MsgResult::Ok, MsgResult::Ok};
    BackupOutcome accepted = driver.run(request, true);
    EXPECT_TRUE(accepted.discRequested);
    EXPECT_EQ(p.state.backupfiletocd, "r.tsy");
    EXPECT_EQ(p.state.backupcdpath, (dir / "r.tsy").string());
}

// Enabled items, prompts and a refused second file are checked through the window.
TEST_F(BackupDriverChecks, RestoreInspectionStatesAndOnlyPresentItems) {
    p.backUp(dir / "ar.tsy", {kItemAccounts, kItemRules});
    RestoreDriver restore = p.restorer();
    restore.inspect(dir / "ar.tsy");
    std::array<bool, 8> onlyMissing{};
    onlyMissing[kItemMessages] = true;
    RestoreOutcome nothing = restore.run(onlyMissing, kIdB);
    EXPECT_TRUE(nothing.started); // a checked item counts as a selection even when the file lacks it
    EXPECT_EQ(nothing.log, "");
    p.ui.messages.clear();
    restore.run({}, kIdB);
    EXPECT_EQ(p.ui.messages.back().text, "Please select at least one item.");
}

// Looks into the target's folder whenever the engine lets the window breathe: a plain archive there
// would be readable by anyone who can read that folder.
class PlainArchiveWatch : public RecordingUi {
public:
    explicit PlainArchiveWatch(std::filesystem::path folder) : folder_(std::move(folder)) {}
    int looks = 0;
    std::vector<std::string> plainFiles;
    void pumpEvents() override {
        RecordingUi::pumpEvents();
        ++looks;
        for (const auto& e : std::filesystem::directory_iterator(folder_))
            if (e.is_regular_file() && readFile(e.path()).compare(0, 4, "PK\x03\x04") == 0)
                plainFiles.push_back(e.path().filename().string());
    }

private:
    std::filesystem::path folder_;
};

TEST(BackupRestoreEndToEnd, StrongBackupKeepsThePlainArchivePrivateAndOpensInTheRestoreTab) {
    TempDir dir;
    EngineProfile source(dir / "source");
    std::filesystem::create_directories(dir / "stick");
    source.state.BackupFileName = (dir / "stick" / "s.tsy").string();
    PlainArchiveWatch watch(dir / "stick");
    BackupRequest request = allItemsOfA();
    request.protection = Protection::Strong;
    EXPECT_FALSE(BackupDriver(*source.session, source.state, watch).run(request, false).started)
        << "a strong backup without a password";
    request.protect = true;
    request.password = request.password2 = "s3cret";
    ASSERT_TRUE(BackupDriver(*source.session, source.state, watch).run(request, false).completed);
    EXPECT_GT(watch.looks, 0);
    EXPECT_TRUE(watch.plainFiles.empty()) << watch.plainFiles.front();
    EXPECT_EQ(detectProtection(dir / "stick" / "s.tsy"), Protection::Strong);

    EngineProfile target(dir / "target");
    RestoreDriver restore = target.restorer();
    target.ui.passwordAnswers.push_back("s3cret");
    InspectionView view = restore.inspect(dir / "stick" / "s.tsy");
    ASSERT_TRUE(view.opened);
    // That it opens as a strong file the Restore tab names is the window's test. The opened archive is plain,
    // so it has no name on disk: nothing below the temporary folder holds it.
    std::vector<std::string> named;
    for (const auto& e : std::filesystem::recursive_directory_iterator(hostTempDir()))
        if (e.is_regular_file() && readFile(e.path()).compare(0, 4, "PK\x03\x04") == 0)
            named.push_back(e.path().string());
    EXPECT_EQ(named, std::vector<std::string>{});
    EXPECT_FALSE(ListArchive(target.state.TempArchivePath).empty());

    // A damaged strong file says so (the password was right), and nothing counts as opened.
    std::string bytes = readFile(dir / "stick" / "s.tsy");
    bytes[bytes.size() / 2] ^= 0x01;
    writeFile(dir / "damaged.tsy", bytes);
    view = restore.inspect(dir / "damaged.tsy");
    EXPECT_FALSE(view.opened);
    EXPECT_TRUE(target.state.InspectionInvalid);
    ASSERT_FALSE(target.ui.messages.empty());
    EXPECT_EQ(target.ui.messages.back().icon, MsgIcon::Critical);
    EXPECT_NE(target.ui.messages.back().text.find("fails authentication"), std::string::npos)
        << target.ui.messages.back().text;
    EXPECT_EQ(target.ui.passwordPrompts, 1);
}

} // namespace
} // namespace tessaly
