// HandlerEdgeCasesTest.cpp -- identities as the windows list them, the start-up probe of a profile, and the
// item handlers where identities and files are not as the sample has them.
#include "engine/IdentityTable.h"
#include "engine/ItemHandlers.h"

#include "EngineTestProfile.h"
#include "RegistryTestEnv.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

using namespace test;

// The sample profile, a backup of it opened for restore, and the handlers of that restore.
struct Handlers : OnSample {
    void open(const std::filesystem::path& file) {
        p.restorer().inspect(file);
        ASSERT_FALSE(p.state.InspectionInvalid);
    }
    // Made again on every call: a reopened profile has a new session.
    ItemHandlers& handlers() {
        handlers_.reset();
        context_.emplace(*p.session, p.state, p.ui, p.work.path(), "");
        return handlers_.emplace(*context_);
    }

private:
    std::optional<HandlerContext> context_;
    std::optional<ItemHandlers> handlers_;
};

TEST_F(Handlers, OnlyTheFirstVersionKeyIsUsed) {
    // "4.0" comes before "5.0" in the registry's order, so it is the version key.
    p.mod().CreateRegKey(identityKey(kIdA) + kOE + "\\4.0\\Rules\\Mail\\Old");
    p.session->registry().save();
    EXPECT_EQ(p.backUp(dir / "r.tsy", {kItemRules}), "00100000");
    open(dir / "r.tsy");
    ASSERT_TRUE(handlers().RestoreRules(kIdB));
    p.reopen();
    // B has only 5.0: the rules of A's 4.0 land there, and 5.0's own rules of A were not taken.
    EXPECT_EQ(p.dump(versionKey(kIdB) + "\\Rules"), "\\\r\n\\Mail\r\n\\Mail\\Old\r\n");
}

TEST_F(Handlers, MissingRulesKeyIsCreatedEmptyAndRestoresEmpty) {
    p.mod().RemoveKeyTree(versionKey(kIdB) + "\\Rules");
    p.session->registry().save();
    EXPECT_EQ(p.backUp(dir / "r.tsy", {kItemRules}, kIdB), "00100000");
    p.reopen();
    EXPECT_TRUE(p.mod().RegKeyExists(versionKey(kIdB) + "\\Rules")); // saved to the profile
    open(dir / "r.tsy");
    ASSERT_TRUE(handlers().RestoreRules(kIdA));
    p.reopen();
    EXPECT_EQ(p.dump(versionKey(kIdA) + "\\Rules"), "\\\r\n");
}

TEST_F(Handlers, AccountsFallBackToTheSharedKeyBothWays) {
    const std::string shared = "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager\\Accounts";
    const std::string ownOfA =
        identityKey(kIdA) + "\\Software\\Microsoft\\Internet Account Manager\\Accounts";
    std::string sharedBefore = p.dump(shared);
    // B has no accounts key of its own: its backup takes the shared one; restoring into A writes A's own.
    EXPECT_EQ(p.backUp(dir / "b.tsy", {kItemAccounts}, kIdB), "10000000");
    open(dir / "b.tsy");
    ASSERT_TRUE(handlers().RestoreAccounts(kIdA));
    p.reopen();
    EXPECT_EQ(p.dump(ownOfA), sharedBefore);
    EXPECT_EQ(p.dump(shared), sharedBefore);

    // With neither key, restoring accounts changes nothing and succeeds; backing up fails.
    p.mod().RemoveKeyTree(shared);
    p.mod().RemoveKeyTree(ownOfA);
    p.session->registry().save();
    std::string before = readFile(p.prefix / "user.reg");
    open(dir / "b.tsy");
    EXPECT_TRUE(handlers().RestoreAccounts(kIdA));
    EXPECT_EQ(readFile(p.prefix / "user.reg"), before);
    EXPECT_EQ(p.backUp(dir / "none.tsy", {kItemAccounts}), "00000000");
}

TEST_F(Handlers, StoreRootAndDbxRules) {
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
    EXPECT_EQ(p.backUp(dir / "caps.tsy", {kItemMessages}, kIdB), "00000000");
    setStoreRoot("%UserProfile%\\Mail");
    EXPECT_EQ(p.backUp(dir / "m.tsy", {kItemMessages}, kIdB), "00010000");
    open(dir / "m.tsy");
    EXPECT_EQ(p.state.RecordedItemValue[kItemMessages], "Folders.DBX;Inbox.dbx");

    // Restoring takes only the recorded entries into the store folder.
    std::filesystem::remove_all(p.prefix / "drive_c/users/sample/Mail");
    ASSERT_TRUE(handlers().RestoreMails(kIdB));
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(p.prefix / "drive_c/users/sample/Mail"))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Folders.DBX", "Inbox.dbx"}));
    EXPECT_EQ(readFile(p.prefix / "drive_c/users/sample/Mail/Inbox.dbx"), "inbox");
}

TEST_F(Handlers, AddressBookTakesTheCurrentNameAndSparesOtherFiles) {
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
    EXPECT_EQ(p.backUp(dir / "w.tsy", {kItemAddressBook}), "01000000");

    // Now the registry names b.wab, and an unrelated a.wab sits in the same folder.
    writeFile(book / "b.wab", "current b");
    writeFile(book / "a.wab", "someone else's a");
    nameBook("C:\\users\\sample\\Application Data\\Microsoft\\Address Book\\b.wab");
    open(dir / "w.tsy");
    ItemHandlers& restore = handlers();
    ASSERT_TRUE(restore.RestoreAddress());
    EXPECT_EQ(readFile(book / "b.wab"), "contacts of a");
    EXPECT_EQ(readFile(book / "a.wab"), "someone else's a");

    // No current address book: nothing to replace.
    std::filesystem::remove(book / "b.wab");
    EXPECT_FALSE(restore.RestoreAddress());
    EXPECT_FALSE(std::filesystem::exists(book / "b.wab"));
}

TEST_F(Handlers, StationeryFolderIsCreatedOnRestore) {
    EXPECT_EQ(p.backUp(dir / "s.tsy", {kItemStationeries}), "00000010");
    const auto folder = p.prefix / "drive_c/Program Files/Common Files/Microsoft Shared/Stationery";
    std::filesystem::remove_all(folder);
    open(dir / "s.tsy");
    EXPECT_EQ(p.state.RecordedItemValue[kItemStationeries], "Notebook.htm;Sunrise.bmp;Sunrise.htm");
    ASSERT_TRUE(handlers().RestoreStationeries());
    EXPECT_TRUE(std::filesystem::exists(folder / "Sunrise.bmp"));
}

TEST_F(Handlers, HostileRecordedNamesAreRefused) {
    EXPECT_EQ(p.backUp(dir / "h.tsy", {kItemRules, kItemStationeries}), "00100010");
    open(dir / "h.tsy");
    ItemHandlers& restore = handlers();
    std::string before = readFile(p.prefix / "user.reg");
    for (const char* name : {"../../user.reg", "/etc/passwd", "C:\\x", "", ".."}) {
        p.state.RecordedItemValue[kItemRules] = name;
        EXPECT_FALSE(restore.RestoreRules(kIdA)) << name;
        p.state.RecordedItemValue[kItemStationeries] = std::string("Sunrise.htm;") + name;
        EXPECT_FALSE(restore.RestoreStationeries()) << name;
    }
    EXPECT_EQ(readFile(p.prefix / "user.reg"), before);
}

// Identities as the windows list them, and the start-up probe of a profile.
TEST(EmptyStringTest, ZerosAndBlanksOnly) {
    for (const std::string& empty :
         {std::string(), std::string("   "), std::string("\0\0", 2), std::string(" \0 \0", 4)})
        EXPECT_TRUE(EmptyString(empty)) << empty.size();
    for (const std::string& text : {std::string("a"), std::string(" \0x ", 4), std::string("\t")})
        EXPECT_FALSE(EmptyString(text)) << text;
}

TEST(EnumerateIdentitiesTest, NoIdentitiesMeansNotInstalled) {
    for (bool withEmptyKey : {false, true}) {
        RegistryEnv env(false);
        if (withEmptyKey)
            env.mod->CreateRegKey("HKEY_CURRENT_USER\\Identities");
        IdentityTable table{{"stale", "stale"}};
        bool notInstalled = false;
        EnumerateIdentities(*env.mod, table, notInstalled);
        EXPECT_TRUE(notInstalled);
        EXPECT_TRUE(table.empty());
    }
}

TEST(EnumerateIdentitiesTest, OrderDuplicatesBlankKeysAndMissingUserName) {
    RegistryEnv env(false);
    env.set(u"Identities\\{B}", u"Username", 1, utf16z(u"Same"));
    env.set(u"Identities\\{A}", u"Username", 1, utf16z(u"Same"));
    env.set(u"Identities\\   ", u"Username", 1, utf16z(u"Blank"));
    env.set(u"Identities\\{C}", u"Other", 1, utf16z(u"no user name"));
    env.set(u"Identities\\{D}", u"Username", 1, utf16z(u"Caf\xe9"));
    IdentityTable table;
    bool notInstalled = true;
    EnumerateIdentities(*env.mod, table, notInstalled);
    EXPECT_TRUE(notInstalled); // only ever set, never cleared, by the enumeration
    std::vector<std::pair<std::string, std::string>> rows;
    for (const IdentityColumn& c : table)
        rows.emplace_back(c.userName, c.key);
    EXPECT_EQ(rows, (std::vector<std::pair<std::string, std::string>>{
                        {"Same", "{A}"}, {"Same", "{B}"}, {"{C}", "{C}"}, {"Caf\xc3\xa9", "{D}"}, {"", ""}}));
    EXPECT_EQ(identityCount(table), 4u);
    EXPECT_EQ(findIdentity(table, "{b}"), &table[1]);
    EXPECT_EQ(findIdentity(table, "Same"), &table[0]);
    EXPECT_EQ(findIdentity(table, "nobody"), nullptr);
}

using MainWindowStateTest = OnSample;

// The identities, the computer's name and the absence of messages are what the window shows at start-up.
TEST_F(MainWindowStateTest, SampleProfileProbe) {
    EXPECT_EQ(p.state.LogonUserName, "sample");
    EXPECT_EQ(p.state.windowsdir, "C:\\windows");
    EXPECT_EQ(p.state.InfoFilePath, (p.work.path() / "vantrel.dat").string());
    EXPECT_TRUE(p.state.InspectionInvalid); // nothing opened yet: a restore is refused
    EXPECT_EQ(p.session->codePage().number(), 1252u);
}

} // namespace
} // namespace tessaly
