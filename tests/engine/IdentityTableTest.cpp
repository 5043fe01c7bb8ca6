// IdentityTableTest.cpp -- identities as the windows list them, and the start-up probe of a profile.
#include "engine/IdentityTable.h"
#include "engine/ProfileSession.h"

#include "EngineTestProfile.h"
#include "RegistryTestEnv.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

using test::RegistryEnv;
using test::utf16z;

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

using MainWindowStateTest = test::OnSample;

TEST_F(MainWindowStateTest, SampleProfileProbe) {
    EXPECT_EQ(p.state.sComputerName, "SAMPLE-PC");
    EXPECT_EQ(p.state.LogonUserName, "sample");
    EXPECT_EQ(p.state.windowsdir, "C:\\windows");
    EXPECT_EQ(p.state.InfoFilePath, (p.work.path() / "vantrel.dat").string());
    EXPECT_TRUE(p.state.InspectionInvalid);
    EXPECT_FALSE(p.state.OENotInstalled);
    ASSERT_EQ(identityCount(p.state.IdentityTable), 2u);
    EXPECT_EQ(p.state.IdentityTable[0].userName, "Main Identity");
    EXPECT_EQ(p.state.IdentityTable[1].userName, "Work");
    EXPECT_EQ(p.session->codePage().number(), 1252u);
    EXPECT_TRUE(p.ui.messages.empty());
}

} // namespace
} // namespace tessaly
