// WineHiveBadInputTest.cpp -- registry files Wine would reject give a message with file and line, and change
// nothing.
#include "RegistryTestEnv.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

struct BadFile {
    const char* name;
    std::string text;
    int line;
};

const std::string kHead =
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n";

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
