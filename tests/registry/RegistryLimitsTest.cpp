// RegistryLimitsTest.cpp -- what the registry files and the dump cannot hold: too deep trees, names and data
// a dump would change, files whose last block ends in a continued hex line.
#include "RegistryTestEnv.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

using test::readFile;
using test::RegistryEnv;
using test::utf16z;
using test::writeFile;

// A key path of `levels` names, in Wine's file form ("a\\a\\a") or as a dump line ("\a\a\a").
std::string nested(size_t levels, const std::string& separator, const std::string& lead = "") {
    std::string path = lead;
    for (size_t i = 0; i < levels; ++i)
        path += (i ? separator : "") + std::string("a");
    return path;
}

template <class E, class F> std::string errorOf(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(RegistryDepth, RegistryFileDeeperThanWindowsAllowsIsRefused) {
    for (const auto& [levels, accepted] :
         {std::pair<size_t, bool>{512, true}, {513, false}, {1'000'000, false}}) {
        test::TempDir dir;
        writeFile(dir / "system.reg", test::kEmptySystemReg);
        writeFile(dir / "user.reg",
                  test::kEmptyUserReg + "\n[" + nested(levels, "\\\\") + "] 1\n\"v\"=\"x\"\n");
        std::string msg = errorOf<RegistryFileError>([&] { WineRegistry reg(dir.path()); });
        if (accepted)
            EXPECT_EQ(msg, "(no error)") << levels;
        else
            EXPECT_EQ(msg, (dir / "user.reg").string() +
                               ", line 6: a key more than 512 levels deep, which Windows does not allow")
                << levels;
    }
}

TEST(RegistryDepth, DumpLoaderRefusesKeysDeeperThanWindowsAllows) {
    // The target lies 2 levels below its root, so the dump may add 510 more.
    for (const auto& [levels, accepted] :
         {std::pair<size_t, bool>{510, true}, {511, false}, {300'000, false}}) {
        RegistryEnv env(false);
        env.set(u"T\\Old", u"keep", 1, utf16z(u"me"));
        auto file = env.dir / "deep.txt";
        writeFile(file, "\\\r\n" + nested(levels, "\\", "\\") + "\r\n\"v\"= sz:x\r\n");
        std::string msg =
            errorOf<KeyDumpError>([&] { env.mod->LoadKeyDump("HKEY_CURRENT_USER\\T\\U", file); });
        if (accepted) {
            EXPECT_EQ(msg, "(no error)");
            EXPECT_NE(env.wine->hive(kHkeyCurrentUser).find(u"T\\U\\" + utf8ToUtf16(nested(510, "\\"))),
                      nullptr);
        } else {
            EXPECT_EQ(msg, "registry dump " + file.string() +
                               ", line 2: a key more than 512 levels deep, which Windows does not allow")
                << levels;
            EXPECT_NE(env.get(u"T\\Old", u"keep"), nullptr);
            EXPECT_EQ(env.wine->hive(kHkeyCurrentUser).find(u"T\\U"), nullptr);
        }
    }
}

TEST(RegistryDepth, TheDumpWriterAndKeyCreationStopAt512Levels) {
    // 300,000 levels, far deeper than the registry files may hold, are still written and refused without
    // recursion.
    for (const size_t levels : {size_t{512}, size_t{513}, size_t{300'000}}) {
        RegistryEnv env(false);
        WineHive& hive = env.wine->hive(kHkeyCurrentUser);
        hive.setValue(hive.create(utf8ToUtf16(nested(levels, "\\"))), u"v", 1, utf16z(u"x"));
        EXPECT_NE(hive.serialize().find("a\\\\a]"), std::string::npos);
        const auto file = env.dir / "d.txt";
        std::string msg =
            errorOf<KeyDumpError>([&] { env.mod->DumpKeyTree("HKEY_CURRENT_USER\\a", "", file); });
        if (levels == 512) {
            EXPECT_EQ(msg, "(no error)");
            EXPECT_NE(readFile(file).find(nested(511, "\\", "\\") + "\r\n\"v\"="), std::string::npos);
        } else {
            EXPECT_EQ(msg,
                      "cannot dump HKEY_CURRENT_USER\\a: it holds a key more than 512 levels deep, which "
                      "Windows does not allow")
                << levels;
        }
    }
    RegistryEnv env(false);
    HKEY key = 0;
    EXPECT_EQ(env.ansi->RegCreateKeyA(kHkeyCurrentUser, nested(513, "\\"), &key), kErrorInvalidParameter);
    EXPECT_EQ(env.ansi->RegCreateKeyA(kHkeyCurrentUser, nested(512, "\\"), &key), kErrorSuccess);
}

TEST(RegistryFileWriter, LastBlockEndingInAContinuedHexLineReadsBack) {
    const std::string head = test::kEmptyUserReg;
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"last in the file", head + "\n[A] 1\n\"v\"=hex:01,\\\n\n"},
        {"CR LF lines", head + "\r\n[A] 1\r\n\"v\"=hex:01,\\\r\n\r\n"},
        // Written in key order, the block that was first in the file becomes the last one.
        {"last in key order", head + "\n[B] 1\n\"v\"=hex:01,\\\n\n[A] 1\n\"w\"=dword:00000001\n"},
    };
    for (const auto& [name, text] : cases) {
        WineHive hive = WineHive::parse(text, "user.reg");
        std::string saved = hive.serialize();
        std::string again = errorOf<RegistryFileError>([&] {
            WineHive back = WineHive::parse(saved, "user.reg");
            RegKey* key = back.find(hive.find(u"B") ? u"B" : u"A");
            EXPECT_EQ(key->findValue(u"v")->data, std::string(1, '\x01')) << name;
        });
        EXPECT_EQ(again, "(no error)") << name;
    }
}

TEST(KeyDumpWriter, RefusesWhatTheDumpWouldLoadBackChanged) {
    struct Case {
        const char* what;
        std::u16string key;
        std::u16string name;
        std::u16string text;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"NUL in a key name", std::u16string(u"K\\a\0b", 5), u"v", u"x",
         "the subkey name \"a\\0b\" cannot be carried by a registry dump"},
        {"separator in a value name", u"K", u"a\"= sz:b", u"x",
         "the value \"a\"= sz:b\" has a name that a registry dump cannot carry (it would load back under "
         "another name)"},
        {"line break in a value name", u"K", u"a\nb", u"x",
         "the value \"a\\nb\" has a line break in its name, which a registry dump cannot carry"},
        {"the line break token as data", u"K", u"v", u"ZQ$KMX",
         "the value \"v\" holds the text \"ZQ$KMX\", which stands for a line break in a registry dump"},
    };
    for (const Case& c : cases) {
        RegistryEnv env(false);
        env.set(c.key, c.name, 1, utf16z(c.text));
        EXPECT_EQ(errorOf<KeyDumpError>(
                      [&] { env.mod->DumpKeyTree("HKEY_CURRENT_USER\\K", "", env.dir / "d.txt"); }),
                  "cannot dump HKEY_CURRENT_USER\\K: " + c.message)
            << c.what;
    }
}

TEST(KeyDumpLoader, ClearsATargetWhoseKeyNamesHoldNul) {
    RegistryEnv env(false);
    env.set(std::u16string(u"T\\x\0a", 5), u"v", 1, utf16z(u"1"));
    env.set(std::u16string(u"T\\x\0b", 5), u"v", 1, utf16z(u"2"));
    writeFile(env.dir / "d.txt", "\\\r\n\"v\"= sz:new\r\n");
    env.mod->LoadKeyDump("HKEY_CURRENT_USER\\T", env.dir / "d.txt");
    EXPECT_TRUE(env.wine->hive(kHkeyCurrentUser).find(u"T")->subkeys.empty());
    EXPECT_EQ(env.get(u"T", u"v")->data, utf16z(u"new"));
}

} // namespace
} // namespace tessaly
