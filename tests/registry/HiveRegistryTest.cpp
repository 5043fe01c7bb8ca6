// HiveRegistryTest.cpp -- the hive back end against the Wine back end on the same data, its result codes,
// non-ASCII names and damaged hives (a dirty one is met through tessaly-cli in CliTest's WindowsCli).
#include "HiveWriter.h"
#include "RegistryTestEnv.h"

#include "registry/HiveRegistry.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tessaly {
namespace {

using test::dword;
using test::RegistryEnv;
using test::TempDir;
using test::utf16z;

// Every key and value below a root, in enumeration order, as one text per key.
std::vector<std::string> walk(RegistryBackend& reg, HKEY root) {
    std::vector<std::string> out;
    std::vector<std::pair<HKEY, std::string>> pending{{root, ""}};
    while (!pending.empty()) {
        auto [key, path] = pending.back();
        pending.pop_back();
        std::string line = "[" + path + "]";
        std::u16string name;
        std::uint32_t type = 0;
        std::string data;
        for (std::uint32_t i = 0; reg.enumValue(key, i, &name, &type, &data) == kErrorSuccess; ++i)
            line += " " + utf16ToUtf8(name) + "=" + std::to_string(type) + ":" + data;
        out.push_back(line);
        std::vector<std::pair<HKEY, std::string>> children;
        for (std::uint32_t i = 0; reg.enumKey(key, i, &name) == kErrorSuccess; ++i) {
            HKEY sub = 0;
            EXPECT_EQ(reg.openKey(key, name, &sub), kErrorSuccess) << path;
            children.emplace_back(sub, path + "\\" + utf16ToUtf8(name));
        }
        if (key != root)
            reg.closeKey(key);
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return out;
}

struct HiveEnv {
    TempDir dir;
    std::unique_ptr<HiveRegistry> reg;
    void open(const WineHive& user) {
        test::writeHive(dir / "NTUSER.DAT", user.root());
        reg = std::make_unique<HiveRegistry>(HiveFiles{dir / "NTUSER.DAT", {}, {}});
    }
};

TEST(HiveRegistry, GivesTheWineFixtureExactlyAsTheWineBackEndDoes) {
    RegistryEnv wine;
    HiveEnv hive;
    hive.open(wine.wine->hive(kHkeyCurrentUser));
    const auto expected = walk(*wine.wine, kHkeyCurrentUser);
    EXPECT_GT(expected.size(), 50u);
    EXPECT_EQ(walk(*hive.reg, kHkeyCurrentUser), expected);
    EXPECT_TRUE(hive.reg->warning().empty());
}

TEST(HiveRegistry, MachineHivesAnswerBelowHkeyLocalMachineThroughTheCurrentControlSet) {
    RegistryEnv wine;
    HiveEnv hive;
    test::writeHive(hive.dir / "NTUSER.DAT", wine.wine->hive(kHkeyCurrentUser).root());
    test::writeMachineHives(wine.wine->hive(kHkeyLocalMachine), hive.dir / "software", hive.dir / "system");
    HiveRegistry reg(HiveFiles{hive.dir / "NTUSER.DAT", hive.dir / "software", hive.dir / "system"});
    AnsiRegistry ansi(reg, CodePage(1252));
    ModReg mod(ansi, wine.ui);
    for (const char* key : {"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Nls\\CodePage",
                            "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion"}) {
        SCOPED_TRACE(key);
        auto fromHive = mod.ListValues(key);
        auto fromWine = wine.mod->ListValues(key);
        ASSERT_GT(fromWine.count(), 0u);
        ASSERT_EQ(fromHive.count(), fromWine.count());
        for (std::size_t i = 0; i < fromWine.count(); ++i) {
            EXPECT_EQ(fromHive[i].key, fromWine[i].key);
            EXPECT_EQ(fromHive[i].value, fromWine[i].value);
        }
    }
    EXPECT_EQ(
        mod.ReadStringValue("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", "ACP"),
        "1252");
    // Without machine hives HKEY_LOCAL_MACHINE is empty, and the other roots are absent as in Wine.
    HiveRegistry userOnly(HiveFiles{hive.dir / "NTUSER.DAT", {}, {}});
    HKEY k = 0;
    EXPECT_EQ(userOnly.openKey(kHkeyLocalMachine, u"SOFTWARE", &k), kErrorFileNotFound);
    EXPECT_EQ(userOnly.openKey(kHkeyClassesRoot, u"", &k), kErrorFileNotFound);
}

TEST(HiveRegistry, ResultCodesMatchTheWineBackEndAndChangesAreRefused) {
    WineHive user;
    user.setValue(user.create(u"A\\B"), u"V", kRegSz, utf16z(u"x"));
    HiveEnv env;
    env.open(user);
    HiveRegistry& reg = *env.reg;
    HKEY a = 0, b = 0, c = 0;
    std::u16string name;
    std::uint32_t type = 0;
    std::string data;
    ASSERT_EQ(reg.openKey(kHkeyCurrentUser, u"a", &a), kErrorSuccess);
    EXPECT_EQ(reg.openKey(a, u"missing", &c), kErrorFileNotFound);
    EXPECT_EQ(reg.createKey(a, u"b", &b), kErrorSuccess); // an existing key opens
    EXPECT_EQ(reg.createKey(a, u"new", &c), kErrorAccessDenied);
    EXPECT_EQ(reg.deleteKey(a, u"B"), kErrorAccessDenied);
    EXPECT_EQ(reg.deleteKey(a, u"missing"), kErrorFileNotFound);
    EXPECT_EQ(reg.setValue(b, u"V", kRegSz, utf16z(u"y")), kErrorAccessDenied);
    EXPECT_EQ(reg.deleteValue(b, u"V"), kErrorAccessDenied);
    EXPECT_EQ(reg.queryValue(b, u"v", &type, &data), kErrorSuccess);
    EXPECT_EQ(data, utf16z(u"x"));
    EXPECT_EQ(reg.queryValue(b, u"W", &type, &data), kErrorFileNotFound);
    EXPECT_EQ(reg.enumKey(a, 1, &name), kErrorNoMoreItems);
    EXPECT_EQ(reg.enumValue(b, 1, &name, &type, &data), kErrorNoMoreItems);
    EXPECT_EQ(reg.closeKey(b), kErrorSuccess);
    EXPECT_EQ(reg.closeKey(b), kErrorInvalidHandle);
    EXPECT_EQ(reg.enumKey(b, 0, &name), kErrorInvalidHandle);
    EXPECT_THROW(reg.checkCanChange(), std::runtime_error);
    EXPECT_FALSE(reg.hasUnsavedChanges());
}

TEST(HiveRegistry, NonAsciiNamesCompareWithoutRegardToCaseAndMultiStringsKeepTheirBytes) {
    WineHive user;
    const std::string multi = utf16z(u"a") + utf16z(u"\x0431") + std::string(2, '\0');
    RegKey& latin = user.create(u"Identities\\M\x00fcller"); // stored in 8-bit form by hivex
    RegKey& cyrillic = user.create(u"Identities\\\x043f\x043e\x0447\x0442\x0430"); // stored in UTF-16
    user.setValue(latin, u"\x00c4nderung", kRegMultiSz, multi);
    user.setValue(cyrillic, u"Username", kRegSz, utf16z(u"\x0418\x0432\x0430\x043d"));
    HiveEnv env;
    env.open(user);
    HiveRegistry& reg = *env.reg;
    HKEY k = 0;
    ASSERT_EQ(reg.openKey(kHkeyCurrentUser, u"IDENTITIES\\M\x00dcLLER", &k), kErrorSuccess);
    std::uint32_t type = 0;
    std::string data;
    ASSERT_EQ(reg.queryValue(k, u"\x00e4NDERUNG", &type, &data), kErrorSuccess);
    EXPECT_EQ(type, kRegMultiSz);
    EXPECT_EQ(data, multi);
    ASSERT_EQ(reg.openKey(kHkeyCurrentUser, u"identities\\\x041f\x041e\x0427\x0422\x0410", &k),
              kErrorSuccess);

    // Through the ANSI layer with the profile's code page, as the identity list reads them.
    RegistryEnv ui(false);
    AnsiRegistry cp1252(reg, CodePage(1252));
    ModReg mod1252(cp1252, ui.ui);
    auto ids = mod1252.ListSubKeys("HKEY_CURRENT_USER\\Identities");
    ASSERT_EQ(ids.count(), 2u);
    EXPECT_EQ(ids[0].value, "M\xc3\xbcller");
    EXPECT_EQ(ids[1].value, "?????"); // 1252 cannot hold Cyrillic
    AnsiRegistry cp1251(reg, CodePage(1251));
    ModReg mod1251(cp1251, ui.ui);
    EXPECT_EQ(mod1251.ReadStringValue(
                  "HKEY_CURRENT_USER\\Identities\\\xd0\x9f\xd0\x9e\xd0\xa7\xd0\xa2\xd0\x90", "Username"),
              "\xd0\x98\xd0\xb2\xd0\xb0\xd0\xbd");
}

TEST(HiveRegistry, DamagedHivesAreRefusedWithAMessageNamingTheFile) {
    WineHive user;
    for (int i = 0; i < 300; ++i)
        user.setValue(user.create(u"Identities\\K" + utf8ToUtf16(std::to_string(i))), u"Username", kRegSz,
                      utf16z(std::u16string(40, u'n')));
    struct Case {
        const char* name;
        std::function<void(std::string&)> damage;
        const char* why;
    };
    const Case cases[] = {
        {"truncated", [](std::string& b) { b.resize(b.size() - 4096); }, "cut short"},
        {"truncated header", [](std::string& b) { b.resize(100); }, "cut short inside its header"},
        {"wrong checksum", [](std::string& b) { b[0x30] ^= 1; }, "wrong checksum"},
        {"not a hive", [](std::string& b) { b = "WINE REGISTRY Version 2\n"; },
         "not a Windows registry hive"},
        {"bad bin", [](std::string& b) { b[0x1000] = 'x'; }, "damaged"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HiveEnv env;
        const auto file = env.dir / "NTUSER.DAT";
        test::writeHive(file, user.root());
        std::string bytes = test::readFile(file);
        ASSERT_GT(bytes.size(), 3u * 4096);
        c.damage(bytes);
        test::writeFile(file, bytes);
        try {
            HiveRegistry reg(HiveFiles{file, {}, {}});
            ADD_FAILURE() << "a damaged hive was opened";
        } catch (const HiveError& e) {
            const std::string msg = e.what();
            EXPECT_NE(msg.find("The registry hive " + file.string() + " cannot be read"), std::string::npos)
                << msg;
            EXPECT_NE(msg.find(c.why), std::string::npos) << msg;
        }
    }
}

} // namespace
} // namespace tessaly
