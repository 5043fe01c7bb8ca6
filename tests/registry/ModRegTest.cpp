// ModRegTest.cpp -- key paths, reading and listing values, creating and removing keys; the registry text
// dump: exact format, loading back, and dumps that must change nothing.
#include "RegistryTestEnv.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

using test::dword;
using test::RegistryEnv;
using test::utf16z;

struct SplitCase {
    const char* path;
    HKEY root;
    const char* rest;
    bool message;
};

TEST(ModRegSplitKeyPath, TableOfPaths) {
    const SplitCase cases[] = {
        {"HKEY_CURRENT_USER", kHkeyCurrentUser, "", false},
        {"HKEY_CURRENT_USER\\Identities", kHkeyCurrentUser, "Identities", false},
        {"HKEY_LOCAL_MACHINE\\Software\\Wine", kHkeyLocalMachine, "Software\\Wine", false},
        {"HKEY_DYN_DATA\\X", kHkeyDynData, "X", false},
        {"HKEY_CURRENT_USER\\Identities\\", kHkeyNone, "HKEY_CURRENT_USER\\Identities\\", true},
        {"hkey_current_user\\Identities", kHkeyNone, "hkey_current_user\\Identities", true},
        {"HKEY", kHkeyNone, "HKEY", true},
        {"Software\\HKEY_CURRENT_USER", kHkeyNone, "Software\\HKEY_CURRENT_USER", true},
        {"HKEY_NOWHERE\\Identities", kHkeyNone, "Identities", false},
        {"HKEY_current_user\\Identities", kHkeyNone, "Identities", false},
    };
    for (const SplitCase& c : cases) {
        RegistryEnv env(false);
        std::string path = c.path;
        HKEY root = 12345;
        env.mod->SplitKeyPath(path, root);
        EXPECT_EQ(root, c.root) << c.path;
        EXPECT_EQ(path, c.rest) << c.path;
        ASSERT_EQ(env.ui.messages.size(), c.message ? 1u : 0u) << c.path;
        if (c.message) {
            EXPECT_EQ(env.ui.messages[0].text, std::string("Incorrect Format:\n\n") + c.path);
            EXPECT_EQ(env.ui.messages[0].title, "Tessaly");
            EXPECT_EQ(env.ui.messages[0].icon, MsgIcon::None);
            EXPECT_EQ(env.ui.messages[0].buttons, MsgButtons::Ok);
        }
    }
}

TEST(ModRegReadStringValue, TrimsBuffersAndLimits) {
    RegistryEnv env(false);
    const std::u16string key = u"T";
    env.set(key, u"Padded", 1, utf16z(u"  word  "));
    env.set(key, u"Len254", 1, utf16z(std::u16string(254, u'x')));
    env.set(key, u"Len255", 1, utf16z(std::u16string(255, u'x')));
    env.set(key, u"NoZero", 1, std::string("a\0b\0c\0", 6));
    env.set(key, u"Accent", 1, utf16z(u"caf\xe9 \x20ac"));
    env.set(key, u"Empty", 1, utf16z(u""));
    auto read = [&](const char* name) { return env.mod->ReadStringValue("HKEY_CURRENT_USER\\T", name); };
    EXPECT_EQ(read("Padded"), "word  ");
    EXPECT_EQ(read("Len254"), std::string(254, 'x'));
    EXPECT_EQ(read("Len255"), "Error");
    EXPECT_EQ(read("NoZero"), "ab");
    EXPECT_EQ(read("accent"), "caf\xc3\xa9 \xe2\x82\xac");
    EXPECT_EQ(read("Empty"), "");
    EXPECT_EQ(read("Missing"), "Error");
    EXPECT_EQ(env.mod->ReadStringValue("HKEY_CURRENT_USER\\Nope", "Padded"), "Error");
    EXPECT_EQ(env.mod->ReadStringValue("HKEY_CLASSES_ROOT\\T", "Padded"), "Error");
    EXPECT_EQ(env.mod->ReadStringValue("HKEY_NOWHERE\\T", "Padded"), std::nullopt);
    EXPECT_TRUE(env.ui.messages.empty());
}

TEST(ModRegListValues, TypesAndBufferRules) {
    RegistryEnv env(false);
    std::string bin5000(5000, '\0');
    for (size_t i = 0; i < bin5000.size(); ++i)
        bin5000[i] = static_cast<char>('a' + i % 26);
    env.set(u"V", u"Big", 3, bin5000);
    env.set(u"V", u"One", 3, std::string("\x07", 1));
    env.set(u"V", u"Neg", 4, dword(4294967295u));
    env.set(u"V", u"Three", 4, dword(3));
    env.set(u"V", u"Str", 1, utf16z(u"text"));
    env.set(u"V", u"Exp", 2, utf16z(u"%UserProfile%\\x"));
    env.set(u"V", u"Multi", 7, utf16z(std::u16string(u"a\0b\0", 4)));
    env.set(u"V", u"", 1, utf16z(u"dflt"));
    auto values = env.mod->ListValues("HKEY_CURRENT_USER\\V");
    ASSERT_EQ(values.count(), 8u);
    EXPECT_EQ(values[0].key, ""); // Wine's order: default value first
    EXPECT_EQ(std::get<std::string>(*values.find("Big")), bin5000.substr(0, 4999));
    EXPECT_EQ(std::get<std::string>(*values.find("One")), "");
    EXPECT_EQ(std::get<std::int32_t>(*values.find("Neg")), -1);
    EXPECT_EQ(std::get<std::int32_t>(*values.find("three")), 3);
    EXPECT_EQ(std::get<std::string>(*values.find("Str")), "text");
    EXPECT_EQ(std::get<std::string>(*values.find("Exp")), "%UserProfile%\\x");
    EXPECT_TRUE(std::holds_alternative<std::monostate>(*values.find("Multi")));
    EXPECT_TRUE(env.mod->ListValues("HKEY_CURRENT_USER\\Missing").empty());
    EXPECT_TRUE(env.mod->ListValues("HKEY_USERS\\V").empty());
}

TEST(ModRegKeys, ListCreateExistsAndDefaultValue) {
    RegistryEnv env;
    const std::string rules =
        "HKEY_CURRENT_USER\\Identities\\{11111111-2222-3333-4444-555555555555}\\Software\\"
        "Microsoft\\Outlook Express\\5.0\\Rules\\Mail\\000";
    std::string names;
    for (const auto& item : env.mod->ListSubKeys(rules))
        names += item.value + "|";
    EXPECT_EQ(names, "001|_under|apple|Banana|Brack]et [k|Cl\xc3\xa9 \xc3\x9cn\xc3\xaf"
                     "code|Key With Space|quote\"key|UPPER lower|Zeta|zz|");
    EXPECT_TRUE(env.mod->RegKeyExists("HKEY_CURRENT_USER\\identities"));
    EXPECT_TRUE(env.mod->RegKeyExists("HKEY_CURRENT_USER"));
    EXPECT_FALSE(env.mod->RegKeyExists("HKEY_CURRENT_USER\\Identities\\Nobody"));
    EXPECT_FALSE(env.mod->RegKeyExists("HKEY_CLASSES_ROOT\\txtfile"));
    EXPECT_EQ(env.mod->lastResult(), kErrorFileNotFound);

    EXPECT_EQ(env.mod->CreateRegKey("HKEY_CURRENT_USER\\New\\Deep\\Key"), kErrorSuccess);
    EXPECT_TRUE(env.mod->RegKeyExists("HKEY_CURRENT_USER\\New\\Deep"));
    EXPECT_TRUE(env.mod->RegKeyExists("HKEY_CURRENT_USER\\New\\Deep\\Key"));

    std::string value = "unchanged";
    EXPECT_TRUE(env.mod->ReadDefaultValue(rules, value));
    EXPECT_EQ(value, "default value");
    EXPECT_TRUE(env.mod->ReadDefaultValue("HKEY_CURRENT_USER\\New\\Deep", value));
    EXPECT_EQ(value, "");
    value = "unchanged";
    EXPECT_FALSE(env.mod->ReadDefaultValue("HKEY_CURRENT_USER\\Missing", value));
    EXPECT_EQ(value, "unchanged");
}

// Records the deletes that reach the back end, to see the order of a tree removal.
class DeleteRecorder : public WineRegistry {
public:
    using WineRegistry::WineRegistry;
    std::vector<std::u16string> deleted;
    long deleteKey(HKEY parent, std::u16string_view subKey) override {
        deleted.emplace_back(subKey);
        return WineRegistry::deleteKey(parent, subKey);
    }
};

TEST(ModRegRemoveKeyTree, DeepestKeysFirstNamedKeyLast) {
    test::TempDir dir;
    test::writeFile(dir / "user.reg", test::kEmptyUserReg);
    test::writeFile(dir / "system.reg", test::kEmptySystemReg);
    DeleteRecorder wine(dir.path());
    AnsiRegistry ansi(wine, CodePage(1252));
    test::RecordingUi ui;
    ModReg mod(ansi, ui);
    for (const char* k : {"HKEY_CURRENT_USER\\Top\\A\\A1\\A1x", "HKEY_CURRENT_USER\\Top\\A\\A2",
                          "HKEY_CURRENT_USER\\Top\\B", "HKEY_CURRENT_USER\\Keep"})
        mod.CreateRegKey(k);
    mod.RemoveKeyTree("HKEY_CURRENT_USER\\Top");
    const std::vector<std::u16string> order = {u"A1x", u"A1", u"A2", u"A", u"B", u"Top"};
    EXPECT_EQ(wine.deleted, order);
    EXPECT_FALSE(mod.RegKeyExists("HKEY_CURRENT_USER\\Top"));
    EXPECT_TRUE(mod.RegKeyExists("HKEY_CURRENT_USER\\Keep"));
    // A key with subkeys is never deleted directly.
    mod.CreateRegKey("HKEY_CURRENT_USER\\Keep\\Child");
    EXPECT_EQ(mod.RemoveKey("HKEY_CURRENT_USER\\Keep"), kErrorAccessDenied);
    EXPECT_TRUE(mod.RegKeyExists("HKEY_CURRENT_USER\\Keep\\Child"));
}

using test::readFile;
using test::writeFile;

std::string dumpOf(RegistryEnv& env, const std::string& key) {
    auto file = env.dir / "dump.txt";
    env.mod->DumpKeyTree(key, "", file);
    return readFile(file);
}

TEST(KeyDumpWriter, ExactLines) {
    RegistryEnv env(false);
    env.mod->CreateRegKey("HKEY_CURRENT_USER\\Empty");
    EXPECT_EQ(dumpOf(env, "HKEY_CURRENT_USER\\Empty"), "\\\r\n");

    env.set(u"K", u"Name", 1, utf16z(u"Main"));
    env.set(u"K", u"Count", 4, dword(3));
    env.set(u"K\\Sub", u"Data", 3, std::string("\x01\x02\xff", 3));
    env.set(u"K\\Sub\\Deep", u"Neg", 4, dword(4294967295u));
    env.set(u"K\\Sub\\Deep", u"", 1, utf16z(u"default"));
    env.set(u"K\\Sub\\Deep", u"Exp", 2, utf16z(u"%UserProfile%\\Mail"));
    env.set(u"K\\Sub\\Deep", u"NoBytes", 3, "");
    env.set(u"K\\Sub\\Deep", u"Multi", 7, utf16z(std::u16string(u"a\0b\0", 4)));
    env.set(u"K\\Sub\\Deep", u"Qword", 11, std::string(8, '\x01'));
    env.set(u"K\\Sub\\Deep", u"Caf\xe9", 1, utf16z(u"M\xfcller"));
    EXPECT_EQ(dumpOf(env, "HKEY_CURRENT_USER\\K"), "\\\r\n"
                                                   "\"Count\"= dw:3\r\n"
                                                   "\"Name\"= sz:Main\r\n"
                                                   "\\Sub\r\n"
                                                   "\"Data\"=bin:1,2,255\r\n"
                                                   "\\Sub\\Deep\r\n"
                                                   "\"\"= sz:default\r\n"
                                                   "\"Caf\xe9\"= sz:M\xfcller\r\n"
                                                   "\"Exp\"=esz:%UserProfile%\\Mail\r\n"
                                                   "\"Neg\"= dw:-1\r\n"
                                                   "\"NoBytes\"=bin:\r\n");
}

TEST(KeyDumpWriter, KeepsDataTheLineFormatWouldLose) {
    RegistryEnv env(false);
    // Line breaks travel as a token; a lone CR or LF becomes a CR LF pair first.
    env.set(u"S", u"Sig", 1, utf16z(u"Regards,\r\nAnn\nExample Ltd\r"));
    // A string stored without its terminating zero keeps its last character.
    env.set(u"S", u"Bare", 1, std::string("a\0b\0c\0", 6));
    // Binary values longer than 32,767 bytes are dumped whole.
    env.set(u"S", u"Huge", 3, std::string(40000, '\x05'));
    std::string dump = dumpOf(env, "HKEY_CURRENT_USER\\S");
    EXPECT_NE(dump.find("\"Bare\"= sz:abc\r\n"), std::string::npos);
    EXPECT_NE(dump.find("\"Sig\"= sz:Regards,ZQ$KMXAnnZQ$KMXExample LtdZQ$KMX\r\n"), std::string::npos);
    EXPECT_NE(dump.find("\"Huge\"=bin:5,5,"), std::string::npos);
    std::string huge = dump.substr(dump.find("\"Huge\""));
    huge = huge.substr(0, huge.find("\r\n"));
    EXPECT_EQ(std::count(huge.begin(), huge.end(), ','), 39999);

    env.mod->LoadKeyDump("HKEY_CURRENT_USER\\T", env.dir / "dump.txt");
    EXPECT_EQ(env.get(u"T", u"Sig")->data, utf16z(u"Regards,\r\nAnn\r\nExample Ltd\r\n"));
    EXPECT_EQ(env.get(u"T", u"Bare")->data, utf16z(u"abc"));
    EXPECT_EQ(env.get(u"T", u"Huge")->data, std::string(40000, '\x05'));
}

TEST(KeyDumpLoader, RoundTripReplacesTheTargetTree) {
    RegistryEnv env(false);
    env.set(u"Src", u"", 1, utf16z(u"dflt"));
    env.set(u"Src", u"a=b", 1, utf16z(u"eq"));
    env.set(u"Src", u"Neg", 4, dword(4294967295u));
    env.set(u"Src", u"Three", 1, utf16z(u"abc"));
    env.set(u"Src", u"Multi", 7, utf16z(std::u16string(u"x\0", 2)));
    env.set(u"Src\\Sub", u"Bin", 3, std::string("\0\x80", 2));
    // Close to the names and data a dump refuses (RegistryLimitsTest), but carried.
    const std::vector<std::pair<std::u16string, std::u16string>> nearMisses = {
        {u"a\"=b", u"x"},
        {u"q\"= s", u"\"= sz:"},
        {u"v", u"ZQ$KM"},
        {u"w", u"ZQ$KM\r\nX"},
        {u"n", std::u16string(u"a\0b", 3)}};
    for (const auto& [name, text] : nearMisses)
        env.set(u"Src", name, 1, utf16z(text));
    // The target holds other keys and values that must not survive the load.
    env.set(u"Dst", u"Old", 1, utf16z(u"old"));
    env.set(u"Dst\\Gone\\Deeper", u"X", 4, dword(1));
    env.set(u"Dst\\Sub", u"Stale", 1, utf16z(u"stale"));
    env.mod->DumpKeyTree("HKEY_CURRENT_USER\\Src", "", env.dir / "d.txt");
    env.mod->LoadKeyDump("HKEY_CURRENT_USER\\Dst", env.dir / "d.txt");

    RegKey* dst = env.wine->hive(kHkeyCurrentUser).find(u"Dst");
    ASSERT_NE(dst, nullptr);
    ASSERT_EQ(dst->values.size(), 4u + nearMisses.size());
    for (const auto& [name, text] : nearMisses) {
        ASSERT_NE(env.get(u"Dst", name), nullptr) << utf16ToUtf8(name);
        EXPECT_EQ(env.get(u"Dst", name)->data, utf16z(text)) << utf16ToUtf8(name);
    }
    EXPECT_EQ(env.get(u"Dst", u"")->data, utf16z(u"dflt"));
    EXPECT_EQ(env.get(u"Dst", u"a=b")->data, utf16z(u"eq"));
    EXPECT_EQ(env.get(u"Dst", u"Neg")->data, dword(4294967295u));
    EXPECT_EQ(env.get(u"Dst", u"Neg")->type, 4u);
    EXPECT_EQ(env.get(u"Dst", u"Three")->data, utf16z(u"abc"));
    EXPECT_EQ(env.get(u"Dst", u"Multi"), nullptr); // not carried by the format
    ASSERT_EQ(dst->subkeys.size(), 1u);
    EXPECT_EQ(env.get(u"Dst\\Sub", u"Bin")->data, std::string("\0\x80", 2));
    EXPECT_EQ(env.get(u"Dst\\Sub", u"Stale"), nullptr);
}

TEST(KeyDumpLoader, StopsAtAnEmptyLineAndWritesOverWithoutARootLine) {
    RegistryEnv env(false);
    env.set(u"Dst", u"Keep", 1, utf16z(u"keep"));
    writeFile(env.dir / "d.txt", "\\Sub\r\n\"A\"= sz:1\r\n\r\n\\Other\r\n\"B\"= sz:2\r\n");
    env.mod->LoadKeyDump("HKEY_CURRENT_USER\\Dst", env.dir / "d.txt");
    EXPECT_EQ(env.get(u"Dst", u"Keep")->data, utf16z(u"keep"));
    EXPECT_EQ(env.get(u"Dst\\Sub", u"A")->data, utf16z(u"1"));
    EXPECT_EQ(env.wine->hive(kHkeyCurrentUser).find(u"Dst\\Other"), nullptr);
}

struct BadDump {
    const char* name;
    const char* body;
    int line;
};

TEST(KeyDumpLoader, MalformedDumpChangesNothing) {
    const BadDump cases[] = {
        {"value line without =", "\\\r\n\"A\"= sz:1\r\nno equals here\r\n", 3},
        {"= too early", "\\\r\n\"=x\r\n", 2},
        {"no opening quote", "\\\r\nN= sz:x\"= sz:1\r\n", 2},
        {"dw not a number", "\\\r\n\"A\"= dw:twelve\r\n", 2},
        {"dw out of range", "\\\r\n\\Sub\r\n\"A\"= dw:2147483648\r\n", 3},
        {"bin byte too big", "\\\r\n\"A\"=bin:1,256\r\n", 2},
        {"bin empty piece", "\\\r\n\"A\"=bin:1,,2\r\n", 2},
        {"bin negative", "\\\r\n\"A\"=bin:-1\r\n", 2},
    };
    for (const BadDump& c : cases) {
        RegistryEnv env;
        const std::string target = "HKEY_CURRENT_USER\\Identities\\{11111111-2222-3333-4444-555555555555}";
        std::string before = env.wine->hive(kHkeyCurrentUser).serialize();
        writeFile(env.dir / "bad.txt", c.body);
        try {
            env.mod->LoadKeyDump(target, env.dir / "bad.txt");
            ADD_FAILURE() << c.name << ": no error";
        } catch (const KeyDumpError& e) {
            EXPECT_NE(std::string(e.what()).find("line " + std::to_string(c.line) + ":"), std::string::npos)
                << c.name << ": " << e.what();
        }
        EXPECT_FALSE(env.wine->hasUnsavedChanges()) << c.name;
        EXPECT_EQ(env.wine->hive(kHkeyCurrentUser).serialize(), before) << c.name;
    }
}

} // namespace
} // namespace tessaly
