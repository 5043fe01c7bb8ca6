// HandlerEdgeCasesTest.cpp -- the item handlers where identities and files are not as the sample has them.
#include "backupfile/InfoFile.h"
#include "engine/BackupItems.h"
#include "engine/BackupRunner.h"
#include "engine/ItemHandlers.h"
#include "engine/RestoreDriver.h"

#include "EngineTestProfile.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

using namespace test;

// Backs up the chosen items of an identity into a file and opens it again for restore in `to`.
std::string backupInto(EngineProfile& from, const std::string& id, std::initializer_list<int> items,
                       const std::filesystem::path& file) {
    BackupPlan plan;
    plan.target = file;
    plan.identityKey = id;
    for (int i : items)
        plan.items[i] = true;
    plan.interactive = false;
    return runBackup(*from.session, from.state, from.ui, plan).itemFlags;
}

void open(EngineProfile& to, const std::filesystem::path& file) {
    RestoreDriver(*to.session, to.state, to.ui).inspect(file);
    ASSERT_FALSE(to.state.InspectionInvalid);
}

std::string dumpOf(ModReg& mod, const std::string& key, const std::filesystem::path& dir) {
    mod.DumpKeyTree(key, "", dir / "dump.txt");
    return readFile(dir / "dump.txt");
}

TEST(RegistryItems, OnlyTheFirstVersionKeyIsUsed) {
    TempDir dir;
    EngineProfile p(dir / "p");
    // "4.0" comes before "5.0" in the registry's order, so it is the version key.
    p.mod().CreateRegKey(identityKey(kIdA) + kOE + "\\4.0\\Rules\\Mail\\Old");
    p.session->registry().save();
    EXPECT_EQ(backupInto(p, kIdA, {kItemRules}, dir / "r.tsy"), "00100000");
    open(p, dir / "r.tsy");
    HandlerContext context{*p.session, p.state, p.ui, p.work.path(), ""};
    ItemHandlers handlers(context);
    ASSERT_TRUE(handlers.RestoreRules(kIdB));
    p.reopen();
    // B has only 5.0: the rules of A's 4.0 land there, and 5.0's own rules of A were not taken.
    std::string restored = dumpOf(p.mod(), identityKey(kIdB) + kOE + "\\5.0\\Rules", dir.path());
    EXPECT_EQ(restored, "\\\r\n\\Mail\r\n\\Mail\\Old\r\n");
}

TEST(RegistryItems, MissingRulesKeyIsCreatedEmptyAndRestoresEmpty) {
    TempDir dir;
    EngineProfile p(dir / "p");
    p.mod().RemoveKeyTree(identityKey(kIdB) + kOE + "\\5.0\\Rules");
    p.session->registry().save();
    EXPECT_EQ(backupInto(p, kIdB, {kItemRules}, dir / "r.tsy"), "00100000");
    p.reopen();
    EXPECT_TRUE(p.mod().RegKeyExists(identityKey(kIdB) + kOE + "\\5.0\\Rules")); // saved to the profile
    open(p, dir / "r.tsy");
    HandlerContext context{*p.session, p.state, p.ui, p.work.path(), ""};
    ASSERT_TRUE(ItemHandlers(context).RestoreRules(kIdA));
    p.reopen();
    EXPECT_EQ(dumpOf(p.mod(), identityKey(kIdA) + kOE + "\\5.0\\Rules", dir.path()), "\\\r\n");
}

TEST(RegistryItems, AccountsFallBackToTheSharedKeyBothWays) {
    TempDir dir;
    EngineProfile p(dir / "p");
    const std::string shared = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager\\Accounts";
    const std::string ownOfA =
        identityKey(kIdA) + "\\Software\\Microsoft\\Internet Account Manager\\Accounts";
    std::string sharedBefore = dumpOf(p.mod(), shared, dir.path());
    // B has no accounts key of its own: its backup takes the shared one; restoring into A writes A's own.
    EXPECT_EQ(backupInto(p, kIdB, {kItemAccounts}, dir / "b.tsy"), "10000000");
    open(p, dir / "b.tsy");
    HandlerContext context{*p.session, p.state, p.ui, p.work.path(), ""};
    ASSERT_TRUE(ItemHandlers(context).RestoreAccounts(kIdA));
    p.reopen();
    EXPECT_EQ(dumpOf(p.mod(), ownOfA, dir.path()), sharedBefore);
    EXPECT_EQ(dumpOf(p.mod(), shared, dir.path()), sharedBefore);

    // With neither key, restoring accounts changes nothing and succeeds; backing up fails.
    p.mod().RemoveKeyTree(shared);
    p.mod().RemoveKeyTree(ownOfA);
    p.session->registry().save();
    std::string before = readFile(p.prefix / "user.reg");
    open(p, dir / "b.tsy");
    HandlerContext again{*p.session, p.state, p.ui, p.work.path(), ""};
    EXPECT_TRUE(ItemHandlers(again).RestoreAccounts(kIdA));
    EXPECT_EQ(readFile(p.prefix / "user.reg"), before);
    EXPECT_EQ(backupInto(p, kIdA, {kItemAccounts}, dir / "none.tsy"), "00000000");
}

TEST(FileItems, StoreRootAndDbxRules) {
    TempDir dir;
    EngineProfile p(dir / "p");
    const std::string version = identityKey(kIdB) + kOE + "\\5.0";
    HKEY key = 0;
    AnsiRegistry& reg = p.session->ansiRegistry();
    auto setStoreRoot = [&](const std::string& value) {
        ASSERT_EQ(reg.RegCreateKeyA(kHkeyCurrentUser, "Identities\\" + kIdB + kOE + "\\5.0", &key), 0);
        reg.RegSetValueExA(key, "Store Root", kRegExpandSz, value + std::string(1, '\0'));
        reg.RegCloseKey(key);
        p.session->registry().save();
    };
    // "%UserProfile%" is the only spelling that is expanded.
    std::filesystem::create_directories(p.prefix / "drive_c/users/sample/Mail");
    writeFile(p.prefix / "drive_c/users/sample/Mail/Inbox.dbx", "inbox");
    writeFile(p.prefix / "drive_c/users/sample/Mail/Folders.DBX", "folders");
    writeFile(p.prefix / "drive_c/users/sample/Mail/Pop3uidl.dat", "uidl");
    std::filesystem::create_directories(p.prefix / "drive_c/users/sample/Mail/Sub.dbx");
    setStoreRoot("%USERPROFILE%\\Mail");
    EXPECT_EQ(backupInto(p, kIdB, {kItemMessages}, dir / "caps.tsy"), "00000000");
    setStoreRoot("%UserProfile%\\Mail");
    EXPECT_EQ(backupInto(p, kIdB, {kItemMessages}, dir / "m.tsy"), "00010000");
    open(p, dir / "m.tsy");
    EXPECT_EQ(p.state.RecordedItemValue[kItemMessages], "Folders.DBX;Inbox.dbx");

    // Restoring takes only the recorded entries into the store folder.
    std::filesystem::remove_all(p.prefix / "drive_c/users/sample/Mail");
    HandlerContext context{*p.session, p.state, p.ui, p.work.path(), ""};
    ASSERT_TRUE(ItemHandlers(context).RestoreMails(kIdB));
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(p.prefix / "drive_c/users/sample/Mail"))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Folders.DBX", "Inbox.dbx"}));
    EXPECT_EQ(readFile(p.prefix / "drive_c/users/sample/Mail/Inbox.dbx"), "inbox");
}

TEST(FileItems, AddressBookTakesTheCurrentNameAndSparesOtherFiles) {
    TempDir dir;
    EngineProfile p(dir / "p");
    const std::filesystem::path book =
        p.prefix / "drive_c/users/sample/Application Data/Microsoft/Address Book";
    auto nameBook = [&](const std::string& windowsPath) {
        HKEY key = 0;
        AnsiRegistry& reg = p.session->ansiRegistry();
        reg.RegCreateKeyA(kHkeyCurrentUser, "Software\\Microsoft\\WAB\\WAB4\\Wab File Name", &key);
        reg.RegSetValueExA(key, "", kRegSz, windowsPath + std::string(1, '\0'));
        reg.RegCloseKey(key);
        p.session->registry().save();
    };
    writeFile(book / "a.wab", "contacts of a");
    nameBook("C:\\users\\sample\\Application Data\\Microsoft\\Address Book\\a.wab");
    EXPECT_EQ(backupInto(p, kIdA, {kItemAddressBook}, dir / "w.tsy"), "01000000");

    // Now the registry names b.wab, and an unrelated a.wab sits in the same folder.
    writeFile(book / "b.wab", "current b");
    writeFile(book / "a.wab", "someone else's a");
    nameBook("C:\\users\\sample\\Application Data\\Microsoft\\Address Book\\b.wab");
    open(p, dir / "w.tsy");
    HandlerContext context{*p.session, p.state, p.ui, p.work.path(), ""};
    ItemHandlers handlers(context);
    ASSERT_TRUE(handlers.RestoreAddress());
    EXPECT_EQ(readFile(book / "b.wab"), "contacts of a");
    EXPECT_EQ(readFile(book / "a.wab"), "someone else's a");

    // No current address book: nothing to replace.
    std::filesystem::remove(book / "b.wab");
    EXPECT_FALSE(handlers.RestoreAddress());
    EXPECT_FALSE(std::filesystem::exists(book / "b.wab"));
}

TEST(FileItems, StationeryFolderIsCreatedOnRestore) {
    TempDir dir;
    EngineProfile p(dir / "p");
    EXPECT_EQ(backupInto(p, kIdA, {kItemStationeries}, dir / "s.tsy"), "00000010");
    const auto folder = p.prefix / "drive_c/Program Files/Common Files/Microsoft Shared/Stationery";
    std::filesystem::remove_all(folder);
    open(p, dir / "s.tsy");
    EXPECT_EQ(p.state.RecordedItemValue[kItemStationeries], "Notebook.htm;Sunrise.bmp;Sunrise.htm");
    HandlerContext context{*p.session, p.state, p.ui, p.work.path(), ""};
    ASSERT_TRUE(ItemHandlers(context).RestoreStationeries());
    EXPECT_TRUE(std::filesystem::exists(folder / "Sunrise.bmp"));
}

TEST(FileItems, HostileRecordedNamesAreRefused) {
    TempDir dir;
    EngineProfile p(dir / "p");
    EXPECT_EQ(backupInto(p, kIdA, {kItemRules, kItemStationeries}, dir / "h.tsy"), "00100010");
    open(p, dir / "h.tsy");
    HandlerContext context{*p.session, p.state, p.ui, p.work.path(), ""};
    ItemHandlers handlers(context);
    std::string before = readFile(p.prefix / "user.reg");
    for (const char* name : {"../../user.reg", "/etc/passwd", "C:\\x", "", ".."}) {
        p.state.RecordedItemValue[kItemRules] = name;
        EXPECT_FALSE(handlers.RestoreRules(kIdA)) << name;
        p.state.RecordedItemValue[kItemStationeries] = std::string("Sunrise.htm;") + name;
        EXPECT_FALSE(handlers.RestoreStationeries()) << name;
    }
    EXPECT_EQ(readFile(p.prefix / "user.reg"), before);
}

} // namespace
} // namespace tessaly
