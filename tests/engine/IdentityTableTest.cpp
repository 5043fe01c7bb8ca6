// IdentityTableTest.cpp -- identities as the windows list them, and the start-up probe of a profile.
#include "engine/IdentityTable.h"
#include "engine/CommandLine.h"
#include "engine/ProfileSession.h"

#include "EngineTestProfile.h"
#include "RegistryTestEnv.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

using test::RegistryEnv;
using test::utf16z;

TEST(EmptyStringTest, ZerosAndBlanksOnly) {
    EXPECT_TRUE(EmptyString(""));
    EXPECT_TRUE(EmptyString("   "));
    EXPECT_TRUE(EmptyString(std::string("\0\0", 2)));
    EXPECT_TRUE(EmptyString(std::string(" \0 \0", 4)));
    EXPECT_FALSE(EmptyString("a"));
    EXPECT_FALSE(EmptyString(std::string(" \0x ", 4)));
    EXPECT_FALSE(EmptyString("\t"));
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

TEST(CommandLineTest, InfoFilePathAndCommandLine) {
    EXPECT_EQ(InfoFilePathIn("C:\\Program Files\\Tessaly\\", '\\'),
              "C:\\Program Files\\Tessaly\\vantrel.dat");
    EXPECT_EQ(InfoFilePathIn("C:\\Program Files\\Tessaly", '\\'), "C:\\Program Files\\Tessaly\\vantrel.dat");
    EXPECT_EQ(InfoFilePathIn("/tmp/work"), "/tmp/work/vantrel.dat");
    const char* none[] = {"tessaly"};
    EXPECT_EQ(RecordCommandLine(1, none), "");
    EXPECT_FALSE(isUnattended(RecordCommandLine(1, none)));
    const char* scheduled[] = {"tessaly", "sf={A}xm=11111111ps=secret", "bf=/backups/a b.tsy"};
    EXPECT_EQ(RecordCommandLine(3, scheduled), "sf={A}xm=11111111ps=secret bf=/backups/a b.tsy");
}

} // namespace
} // namespace tessaly
