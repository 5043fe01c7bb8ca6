// WineHiveRoundTripTest.cpp -- Wine's own registry files come back byte for byte, changes only where made.
#include "registry/Utf16.h"
#include "registry/WineHive.h"

#include "TempDir.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

using test::readFile;
using test::wineFixtureDir;

class FixtureRoundTrip : public ::testing::TestWithParam<const char*> {};

TEST_P(FixtureRoundTrip, LoadThenSaveGivesTheFileBackByteForByte) {
    auto file = wineFixtureDir() / GetParam();
    std::string original = readFile(file);
    WineHive hive = WineHive::load(file);
    EXPECT_FALSE(hive.dirty());
    EXPECT_EQ(hive.serialize(), original);
}

INSTANTIATE_TEST_SUITE_P(WineFixtures, FixtureRoundTrip,
                         ::testing::Values("user.reg", "system.reg", "userdef.reg"));

// The bundled sample profile is written in Wine's form too, so Wine and Tessaly agree on it.
TEST(SampleProfileRoundTrip, EveryRegistryFileComesBackByteForByte) {
    for (const char* name : {"user.reg", "system.reg", "userdef.reg"}) {
        auto file = std::filesystem::path(TESSALY_SAMPLE_PROFILE_DIR) / name;
        std::string original = readFile(file);
        WineHive hive = WineHive::load(file);
        EXPECT_EQ(hive.serialize(), original) << name;
    }
}

// Every block regenerated from the tree must equal what Wine wrote: proves the writer, not just the cache.
TEST(WineHiveWriter, RegeneratedBlocksEqualWinesOwn) {
    auto file = wineFixtureDir() / "user.reg";
    std::string original = readFile(file);
    WineHive hive = WineHive::load(file);
    std::vector<RegKey*> stack{&hive.root()};
    int blocks = 0;
    while (!stack.empty()) {
        RegKey* k = stack.back();
        stack.pop_back();
        for (auto& c : k->subkeys) {
            c->rewrite = true;
            stack.push_back(c.get());
            ++blocks;
        }
    }
    EXPECT_EQ(hive.serialize(), original);
    EXPECT_GT(blocks, 50);
}

const std::u16string kRules = u"Identities\\{11111111-2222-3333-4444-555555555555}"
                              u"\\Software\\Microsoft\\Outlook Express\\5.0\\Rules\\Mail\\000";

TEST(WineHiveReader, DecodesEveryEscapeAndType) {
    WineHive hive = WineHive::load(wineFixtureDir() / "user.reg");
    RegKey* key = hive.find(kRules);
    ASSERT_NE(key, nullptr);
    auto str = [&](const char16_t* name) {
        const RegValue* v = key->findValue(name);
        EXPECT_NE(v, nullptr) << utf16ToUtf8(name);
        if (!v)
            return std::u16string();
        std::u16string s;
        for (size_t i = 0; i + 1 < v->data.size(); i += 2)
            s += static_cast<char16_t>(static_cast<unsigned char>(v->data[i]) |
                                       (static_cast<unsigned char>(v->data[i + 1]) << 8));
        return s;
    };
    EXPECT_EQ(str(u""), std::u16string(u"default value\0", 14));
    EXPECT_EQ(str(u"a=b"), std::u16string(u"eq\0", 3));
    EXPECT_EQ(str(u"back\\slash"), std::u16string(u"bs\0", 3));
    EXPECT_EQ(str(u"Ctrl1"), std::u16string(u"x\001y\0337z\0", 7));
    EXPECT_EQ(str(u"Emoji"), std::u16string(u"smile \xd83d\xde00 \x20ac"
                                            u"9\0",
                                            12));
    EXPECT_EQ(str(u"Multi"), std::u16string(u"one\0two\0three\0\0", 15));
    EXPECT_EQ(str(u"Name \"quoted\" \xe9"), std::u16string(u"nq\0", 3));
    EXPECT_EQ(str(u"Newline"), std::u16string(u"line1\nline2\0", 12));
    EXPECT_EQ(str(u"BINARY")[0], 0x0201); // names compare without regard to case
    EXPECT_EQ(key->findValue(u"Expand")->type, 2u);
    EXPECT_EQ(key->findValue(u"Multi")->type, 7u);
    EXPECT_EQ(key->findValue(u"Qword")->type, 11u);
    EXPECT_EQ(key->findValue(u"Qword")->data, std::string("\xef\xcd\xab\x89\x67\x45\x23\x01", 8));
    EXPECT_EQ(key->findValue(u"NoneType")->data, std::string(2, '\0'));
    EXPECT_EQ(key->findValue(u"Dword")->data, std::string(4, '\xff'));
    EXPECT_EQ(key->findValue(u"LongBinary")->data.size(), 100u);
    EXPECT_EQ(key->findValue(u"LongBinary")->data[99], '\x63');
    // Key names with escapes, and implicit parents that have no block of their own.
    EXPECT_NE(key->findSubkey(u"Brack]et [k"), nullptr);
    EXPECT_NE(key->findSubkey(u"quote\"key"), nullptr);
    EXPECT_NE(key->findSubkey(u"cl\xc9 \xfcn\xef"
                              u"code"),
              nullptr);
    EXPECT_NE(hive.find(u"Identities"), nullptr);
}

TEST(WineHiveWriter, ChangeTouchesOnlyTheChangedKeyAndKeepsOrder) {
    auto file = wineFixtureDir() / "user.reg";
    std::string original = readFile(file);
    WineHive hive = WineHive::load(file);
    hive.setClock([] { return 0x1dd860000000000ull; });
    RegKey* key = hive.find(kRules);
    ASSERT_NE(key, nullptr);
    std::string one = std::string("\x01\0\0\0", 4);
    hive.setValue(*key, u"Aardvark", 4, one);
    bool created = false;
    RegKey& fresh = hive.create(kRules + u"\\Bz new", &created);
    EXPECT_TRUE(created);
    (void)fresh;
    std::string saved = hive.serialize();

    // Expected: the original with exactly these edits -- the changed key's stamp and new value, and the
    // new key's block between "Brack]et [k" and "Cl..." in Wine's order.
    const std::string rulesPath =
        "[Identities\\\\{11111111-2222-3333-4444-555555555555}\\\\Software\\\\Microsoft"
        "\\\\Outlook Express\\\\5.0\\\\Rules\\\\Mail\\\\000";
    std::string expected = original;
    auto replaceOnce = [&](const std::string& from, const std::string& to) {
        size_t at = expected.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        expected.replace(at, from.size(), to);
    };
    replaceOnce(rulesPath + "] 1796537726\n#time=1dd85492f5ea4fc\n@=\"default value\"\n\"a=b\"=\"eq\"\n",
                rulesPath + "] 1796616244\n#time=1dd860000000000\n@=\"default value\"\n\"a=b\"=\"eq\"\n"
                            "\"Aardvark\"=dword:00000001\n");
    replaceOnce(rulesPath + "\\\\Cl\\xe9",
                rulesPath + "\\\\Bz new] 1796616244\n#time=1dd860000000000\n\n" + rulesPath + "\\\\Cl\\xe9");
    EXPECT_EQ(saved, expected);
    WineHive again = WineHive::parse(saved, "saved");
    EXPECT_EQ(again.find(kRules)->findValue(u"aardvark")->data, one);
}

} // namespace
} // namespace tessaly
