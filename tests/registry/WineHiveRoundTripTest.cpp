// WineHiveRoundTripTest.cpp -- Wine's own registry files come back byte for byte, changes only where made;
// files Wine would reject give a message with file and line, and change nothing.
#include "RegistryTestEnv.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

using test::readFile;
using test::utf16z;
using test::wineFixtureDir;

// Wine's own files, and the bundled sample profile, which is written in Wine's form so that Wine and Tessaly
// agree on it. Saved unchanged they come back byte for byte, and so they do with every block regenerated
// from the tree: that proves the writer, not just the cache of what was read.
class RoundTrip : public ::testing::TestWithParam<std::filesystem::path> {};

TEST_P(RoundTrip, LoadThenSaveGivesTheFileBackByteForByte) {
    std::string original = readFile(GetParam());
    WineHive hive = WineHive::load(GetParam());
    EXPECT_FALSE(hive.dirty());
    EXPECT_EQ(hive.serialize(), original);
    std::vector<RegKey*> stack{&hive.root()};
    int blocks = 0;
    for (; !stack.empty(); ++blocks) {
        RegKey* k = stack.back();
        stack.pop_back();
        k->rewrite = true;
        for (auto& c : k->subkeys)
            stack.push_back(c.get());
    }
    EXPECT_EQ(hive.serialize(), original);
    EXPECT_GT(blocks, 2);
}

INSTANTIATE_TEST_SUITE_P(RegistryFiles, RoundTrip,
                         ::testing::Values(wineFixtureDir() / "user.reg", wineFixtureDir() / "system.reg",
                                           wineFixtureDir() / "userdef.reg",
                                           std::filesystem::path(TESSALY_SAMPLE_PROFILE_DIR) / "user.reg",
                                           std::filesystem::path(TESSALY_SAMPLE_PROFILE_DIR) / "system.reg",
                                           std::filesystem::path(TESSALY_SAMPLE_PROFILE_DIR) /
                                               "userdef.reg"));

const std::u16string kRules = u"Identities\\{11111111-2222-3333-4444-555555555555}"
                              u"\\Software\\Microsoft\\Outlook Express\\5.0\\Rules\\Mail\\000";

TEST(WineHiveReader, DecodesEveryEscapeAndType) {
    WineHive hive = WineHive::load(wineFixtureDir() / "user.reg");
    RegKey* key = hive.find(kRules);
    ASSERT_NE(key, nullptr);
    auto str = [&](const char16_t* name) {
        const RegValue* v = key->findValue(name);
        return v ? v->data : std::string("(missing)");
    };
    EXPECT_EQ(str(u"a=b"), utf16z(u"eq"));
    EXPECT_EQ(str(u"back\\slash"), utf16z(u"bs"));
    EXPECT_EQ(str(u"Ctrl1"), utf16z(u"x\001y\0337z"));
    EXPECT_EQ(str(u"Emoji"), utf16z(u"smile \xd83d\xde00 \x20ac"
                                    u"9"));
    EXPECT_EQ(str(u"Multi"), utf16z(std::u16string(u"one\0two\0three\0", 14)));
    EXPECT_EQ(str(u"Name \"quoted\" \xe9"), utf16z(u"nq"));
    EXPECT_EQ(str(u"Newline"), utf16z(u"line1\nline2"));
    EXPECT_EQ(str(u"BINARY").substr(0, 2), "\x01\x02"); // names compare without regard to case
    EXPECT_EQ(key->findValue(u"Expand")->type, 2u);
    EXPECT_EQ(key->findValue(u"Multi")->type, 7u);
    EXPECT_EQ(key->findValue(u"Qword")->type, 11u);
    EXPECT_EQ(key->findValue(u"Qword")->data, std::string("\xef\xcd\xab\x89\x67\x45\x23\x01", 8));
    EXPECT_EQ(key->findValue(u"NoneType")->data, std::string(2, '\0'));
    EXPECT_EQ(key->findValue(u"Dword")->data, std::string(4, '\xff'));
    EXPECT_EQ(key->findValue(u"LongBinary")->data.size(), 100u);
    EXPECT_EQ(key->findValue(u"LongBinary")->data[99], '\x63');
    // Key names with escapes are read back in ModRegKeys; implicit parents have no block of their own.
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

struct BadFile {
    const char* name;
    std::string text;
    int line;
};

const std::string& kHead = test::kEmptySystemReg;

TEST(WineHiveBadInput, MessageNamesFileAndLine) {
    const std::string fixture = test::readFile(test::wineFixtureDir() / "user.reg");
    const size_t cut = fixture.find("\"LongBinary\"=hex:00,01");
    const std::vector<BadFile> cases = {
        {"not a registry file", "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software]\n", 1},
        {"empty file", "", 1},
        {"html", "<html><body>oops</body></html>\n", 1},
        {"value before any key", kHead + "\"A\"=\"b\"\n", 5},
        {"garbage line", kHead + "\n[Software] 1\nthis is not a value\n", 7},
        {"unterminated key", kHead + "\n[Software\\\\Wine 1\n", 6},
        {"unterminated string", kHead + "\n[Software] 1\n\"A\"=\"no end\n", 7},
        {"no =", kHead + "\n[Software] 1\n\"A\" \"b\"\n", 7},
        {"unknown type", kHead + "\n[Software] 1\n\"A\"=qword:1\n", 7},
        {"bad hex type", kHead + "\n[Software] 1\n\"A\"=hex(zz):00\n", 7},
        {"bad hex data", kHead + "\n[Software] 1\n\"A\"=hex:00,0g\n", 7},
        {"truncated in a wrapped hex value", fixture.substr(0, fixture.find("\\\n", cut) + 2), 251},
        {"truncated in a string", fixture.substr(0, fixture.find("\"Username\"=\"Main") + 14), 225},
    };
    for (const BadFile& c : cases) {
        try {
            WineHive::parse(c.text, "/some/prefix/user.reg");
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const RegistryFileError& e) {
            std::string msg = e.what();
            EXPECT_NE(msg.find("/some/prefix/user.reg, line " + std::to_string(c.line) + ":"),
                      std::string::npos)
                << c.name << ": " << msg;
            continue;
        }
    }
}

TEST(WineHiveBadInput, LenientWhereWineIsLenient) {
    // Hand edits Wine loads: CR LF, spaces around '=', str:, raw UTF-8, no timestamps, unsorted values.
    std::string text = kHead +
                       "\r\n[Software\\\\Hand]\r\n\"Zed\" = str:\"z\"\r\n\"Alpha\"=\"caf\xc3\xa9\"\r\n"
                       "\"Num\"=dword:0000002a\r\n";
    WineHive hive = WineHive::parse(text, "user.reg");
    RegKey* key = hive.find(u"software\\hand");
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(key->values.size(), 3u);
    EXPECT_EQ(key->values[0].name, u"Alpha"); // sorted as Wine keeps them
    EXPECT_EQ(key->values[0].data, test::utf16z(u"caf\xe9"));
    EXPECT_EQ(key->findValue(u"Zed")->type, 1u);
    // Unchanged, the hand edit is kept as it was written; Wine reads it either way.
    EXPECT_EQ(hive.serialize().substr(0, kHead.size()), kHead);
}

} // namespace
} // namespace tessaly
