// KeyDumpTest.cpp -- the registry text dump: exact format, loading back, and dumps that must change nothing.
#include "RegistryTestEnv.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

using test::dword;
using test::readFile;
using test::RegistryEnv;
using test::utf16z;
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
