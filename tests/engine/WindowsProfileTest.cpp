// WindowsProfileTest.cpp -- backing up from a Windows user profile on disk (hives written by the test) and
// restoring into a Wine prefix, compared with the same round trip from a Wine prefix; refusing a restore.
// Dirty and damaged hives and the other refused changes are met through tessaly-cli (WindowsCli, in CliTest).
#include "platform/WindowsProfile.h"
#include "platform/PathMapper.h"

#include "EngineTestProfile.h"
#include "HiveWriter.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace tessaly {
namespace {

using namespace test;

// The sample profile as a Windows disk: drive_c's tree, the user's hive in users/sample/NTUSER.DAT and
// the machine's hives in windows/system32/config. `changeUser` may alter the user's registry first.
fs::path makeWindowsDisk(const fs::path& at, const std::function<void(WineHive&)>& changeUser = {}) {
    const fs::path sample = TESSALY_SAMPLE_PROFILE_DIR;
    copyTree(sample / "drive_c", at);
    WineHive user = WineHive::load(sample / "user.reg");
    if (changeUser)
        changeUser(user);
    writeHive(at / "users" / "sample" / "NTUSER.DAT", user.root());
    fs::create_directories(at / "windows" / "system32" / "config");
    writeMachineHives(WineHive::load(sample / "system.reg"), at / "windows/system32/config/software",
                      at / "windows/system32/config/system");
    return at;
}

BackupOutcome backUp(EngineProfile& p, const fs::path& file) {
    p.state.BackupFileName = file.string();
    return BackupDriver(*p.session, p.state, p.ui).run(allItemsOfA(), false);
}

// Restores every item of `file` into identity B of a fresh copy of the sample profile.
void restoreInto(const fs::path& file, const fs::path& prefix) {
    EngineProfile target(prefix);
    RestoreDriver restore = target.restorer();
    ASSERT_TRUE(restore.inspect(file).opened);
    RestoreOutcome outcome = restore.run(kAllItems, kIdB);
    ASSERT_TRUE(outcome.started);
    for (const std::string& failure : outcome.failures)
        EXPECT_EQ(failure, "");
}

// The round trip from a Windows disk gives what the Wine prefix's gives; a restore into the disk is
// refused, and neither writes anything on it.
TEST(WindowsProfile, RoundTripToAWinePrefixGivesWhatTheWinePrefixRoundTripGives) {
    TempDir dir;
    // From the Wine prefix.
    EngineProfile wine(dir / "wine");
    BackupOutcome fromWine = backUp(wine, dir / "wine.tsy");
    ASSERT_TRUE(fromWine.completed);
    EXPECT_EQ(fromWine.itemFlags, "11111111");
    // From the same data on a Windows disk, the user named as on the command line.
    const fs::path disk = makeWindowsDisk(dir / "disk");
    const auto before = snapshot(disk);
    EngineProfile windows(resolveProfile(disk, nullptr, std::string("SAMPLE")));
    EXPECT_EQ(windows.state.sComputerName, "SAMPLE-PC");
    EXPECT_EQ(windows.session->environment().userProfile, "C:\\users\\sample");
    BackupOutcome fromWindows = backUp(windows, dir / "windows.tsy");
    ASSERT_TRUE(fromWindows.completed);
    EXPECT_EQ(fromWindows.itemFlags, "11111111");
    for (const std::string& failure : fromWindows.failures)
        EXPECT_EQ(failure, "");
    RestoreDriver refused = windows.restorer();
    ASSERT_TRUE(refused.inspect(dir / "wine.tsy").opened);
    windows.ui.messages.clear();
    EXPECT_FALSE(refused.run(kAllItems, kIdB).started);
    ASSERT_EQ(windows.ui.messages.size(), 1u);
    EXPECT_EQ(windows.ui.messages[0].text, readOnlyProfileMessage(windows.session->profile(), "restore"));
    EXPECT_EQ(windows.ui.messages[0].icon, MsgIcon::Critical);
    EXPECT_EQ(snapshot(disk), before);

    restoreInto(dir / "wine.tsy", dir / "fromWine");
    restoreInto(dir / "windows.tsy", dir / "fromWindows");
    EngineProfile wineCopy(dir / "fromWine", false), windowsCopy(dir / "fromWindows", false);
    for (const std::string& key :
         {identityKey(kIdB),
          std::string("HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager")}) {
        const std::string expected = wineCopy.dump(key);
        EXPECT_GT(expected.size(), 100u);
        EXPECT_EQ(windowsCopy.dump(key), expected) << key;
    }
    for (const char* store : {"Folders.dbx", "Inbox.dbx", "Newsletters.dbx", "Sent Items.dbx"})
        EXPECT_EQ(readFile(storeOf(dir / "fromWindows", kIdB) / store),
                  readFile(storeOf(dir / "fromWine", kIdB) / store))
            << store;
    const auto wab = "drive_c/users/sample/Application Data/Microsoft/Address Book/sample.wab";
    EXPECT_EQ(readFile(dir / "fromWindows" / wab), readFile(dir / "fromWine" / wab));
}

TEST(WindowsProfile, APathOutsideTheMountedUserFolderFailsOnlyItsItem) {
    TempDir dir;
    const std::string elsewhere = "C:\\Mail\\" + kIdA;
    const fs::path disk = makeWindowsDisk(dir / "disk", [&](WineHive& user) {
        RegKey* version =
            user.find(u"Identities\\" + utf8ToUtf16(kIdA) + u"\\Software\\Microsoft\\Outlook Express\\5.0");
        ASSERT_NE(version, nullptr);
        user.setValue(*version, u"Store Root", kRegExpandSz,
                      utf16Bytes(utf8ToUtf16(elsewhere)) + std::string(2, '\0'));
    });
    // Only the user's folder: the profile's own C:\users\sample paths still reach it.
    EngineProfile windows(resolveProfile(disk / "users" / "sample", nullptr));
    BackupOutcome made = backUp(windows, dir / "b.tsy");
    ASSERT_TRUE(made.completed);
    // Messages: its folder lies outside; Stationeries: no machine hives name the common files folder.
    EXPECT_EQ(made.itemFlags, "11101101");
    EXPECT_NE(made.failures[kItemMessages].find("\"" + elsewhere + "\" lies outside the Windows profile"),
              std::string::npos)
        << made.failures[kItemMessages];
    EXPECT_EQ(windows.session->codePage().number(), 1252u);
}

TEST(WindowsProfile, FindingTheProfileOnADrive) {
    TempDir dir;
    // Older Windows keep profiles in "Documents and Settings"; names match without regard to case.
    fs::create_directories(dir / "xp" / "DOCUMENTS AND SETTINGS" / "Bob");
    writeEmptyHive(dir / "xp" / "DOCUMENTS AND SETTINGS" / "Bob" / "ntuser.dat");
    Profile xp = resolveProfile(dir / "xp", nullptr, std::string("bob"));
    EXPECT_EQ(xp.windowsUserFolder, dir / "xp" / "DOCUMENTS AND SETTINGS" / "Bob");
    EXPECT_EQ(xp.windowsUserProfile, "C:\\DOCUMENTS AND SETTINGS\\Bob");
    EXPECT_EQ(xp.loginName, "Bob");
    EXPECT_EQ(hostPath(xp, "c:\\Documents and Settings\\bob\\Favorites"),
              dir / "xp" / "DOCUMENTS AND SETTINGS" / "Bob" / "Favorites");
    EXPECT_THROW(hostPath(xp, "D:\\Mail"), std::runtime_error);
    EXPECT_THROW(hostPath(xp, "C:\\..\\etc"), std::invalid_argument);

    // A Wine prefix stays one even with a hive file beside its user.reg.
    writeFile(dir / "wine" / "user.reg", "WINE REGISTRY Version 2\n");
    writeEmptyHive(dir / "wine" / "NTUSER.DAT");
    EXPECT_FALSE(resolveProfile(dir / "wine", nullptr).isWindowsProfile());
    EXPECT_TRUE(resolveProfile(dir / "xp" / "DOCUMENTS AND SETTINGS" / "Bob", nullptr).isWindowsProfile());

    struct Refusal {
        std::optional<fs::path> dir;
        std::optional<std::string> user;
        std::string message;
    };
    const Refusal refusals[] = {
        {dir / "xp", std::string("alice"),
         "The Windows drive " + (dir / "xp").string() +
             " has no profile of the user \"alice\": neither "
             "Documents and Settings\\alice nor Users\\alice holds NTUSER.DAT"},
        {dir / "xp", std::string("../xp"),
         "--user needs the name of a user folder of the Windows drive, not \"../xp\""},
        {std::nullopt, std::string("bob"),
         "--user names a user of a Windows drive: give the drive with --profile too"},
    };
    for (const Refusal& r : refusals) {
        try {
            resolveProfile(r.dir, nullptr, r.user);
            ADD_FAILURE() << r.message;
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), r.message);
        }
    }
}

} // namespace
} // namespace tessaly
