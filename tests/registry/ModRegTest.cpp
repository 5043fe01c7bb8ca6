// ModRegTest.cpp -- key paths, reading and listing values, creating and removing keys.
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

} // namespace
} // namespace tessaly
