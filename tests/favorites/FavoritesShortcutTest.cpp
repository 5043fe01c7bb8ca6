// FavoritesShortcutTest.cpp -- favorites on disk: bookmark titles made into names a Windows file system
// can hold, and Internet Shortcut files read and written with their UTF-7.
#include "favorites/FavoritesShortcut.h"
#include "favorites/FavoritesNames.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

TEST(FavoritesNamesTest, TitlesBecomeValidWindowsNames) {
    const struct {
        std::string title;
        const char* name;
    } cases[] = {
        {"Plain title", "Plain title"},
        {"a\\b/c:d*e?f\"g<h>i|j", "a_b_c_d_e_f_g_h_i_j"},
        {"Ends with dots...", "Ends with dots"},
        {"Ends with blanks and dots . . ", "Ends with blanks and dots"},
        {"   Leading blanks", "Leading blanks"},
        {"tab\there\nand\x01there\x7F", "tab here and there"},
        {"CON", "CON_"},
        {"Con.txt", "Con_.txt"},
        {"aux .example", "aux_ .example"},
        {"Conference.2024", "Conference.2024"},
        {"...", "Fallback"},
        {"", "Fallback"},
        {" ? ", "_"},
        {"Café ünï 日本語", "Café ünï 日本語"},
        {"bad \xFF byte", "bad \xEF\xBF\xBD byte"},
    };
    for (const auto& tc : cases)
        EXPECT_EQ(windowsSafeName(tc.title, "Fallback"), tc.name) << tc.title;
}

TEST(FavoritesNamesTest, LongNamesAreCutAtACharacter) {
    std::string title;
    for (int i = 0; i < 200; ++i)
        title += "é"; // two bytes each
    const std::string name = windowsSafeName(title, "x");
    EXPECT_EQ(name.size(), kMaxFavoriteNameBytes);
    EXPECT_EQ(name, title.substr(0, kMaxFavoriteNameBytes));

    const std::string odd = "a" + title; // the cut would fall inside a character
    const std::string oddName = windowsSafeName(odd, "x");
    EXPECT_EQ(oddName.size(), kMaxFavoriteNameBytes - 1);
    EXPECT_EQ(oddName, odd.substr(0, kMaxFavoriteNameBytes - 1));

    const std::string dotted = std::string(kMaxFavoriteNameBytes - 1, 'x') + ". more";
    EXPECT_EQ(windowsSafeName(dotted, "x"), std::string(kMaxFavoriteNameBytes - 1, 'x'));
}

TEST(FavoritesNamesTest, NumberedNamesStayWithinTheLimit) {
    EXPECT_EQ(numberedName("Home", 2), "Home (2)");
    EXPECT_EQ(numberedName("Home", 13), "Home (13)");
    const std::string longName(kMaxFavoriteNameBytes, 'n');
    const std::string numbered = numberedName(longName, 2);
    EXPECT_EQ(numbered.size(), kMaxFavoriteNameBytes);
    EXPECT_TRUE(numbered.ends_with("n (2)"));
    std::string accents;
    for (int i = 0; i < 120; ++i)
        accents += "é";
    const std::string cut = numberedName(accents, 100); // 240 bytes of "é", then " (100)"
    EXPECT_LE(cut.size(), kMaxFavoriteNameBytes);
    EXPECT_TRUE(cut.ends_with("é (100)"));
}

// The device names themselves; windowsSafeName above only shows what it makes of one.
TEST(FavoritesNamesTest, ReservedDeviceNames) {
    for (const char* reserved : {"CON", "prn", "Aux", "nul", "COM1", "com9", "LPT1", "CONIN$", "conout$",
                                 "nul.txt", "NUL .txt", "LPT\xC2\xB3", "COM\xC2\xB9", "lpt9"})
        EXPECT_TRUE(isReservedDeviceName(reserved)) << reserved;
    for (const char* fine :
         {"CONX", "COM", "COM0", "COM10", "LPT10", "LPT", "xNUL", "NULL", ".CON", "CONSOLE", "COM\xC2\xB4"})
        EXPECT_FALSE(isReservedDeviceName(fine)) << fine;
}

// Latin-1 text as UTF-16LE with its byte order mark.
std::string utf16le(std::string_view latin1) {
    std::string out = "\xFF\xFE";
    for (char c : latin1) {
        out += c;
        out += '\0';
    }
    return out;
}

TEST(FavoritesShortcutTest, AddressOfShortcutFilesInTheirVariants) {
    const CodePage cp1252(1252);
    const struct {
        const char* name;
        std::string file;
        std::optional<std::string> address;
    } cases[] = {
        {"plain", "[InternetShortcut]\r\nURL=https://www.example.com/\r\n", "https://www.example.com/"},
        {"LF only, no last line end", "[InternetShortcut]\nURL=https://a.example.com/",
         "https://a.example.com/"},
        {"any case, blanks", "[internetshortcut]\r\n  url = https://b.example.com/  \r\n",
         "https://b.example.com/"},
        {"quoted", "[InternetShortcut]\r\nURL=\"https://c.example.com/\"\r\n", "https://c.example.com/"},
        {"other keys and sections",
         "[DEFAULT]\r\nBASEURL=https://base.example.com/\r\n[InternetShortcut]\r\nIconIndex=1\r\n"
         "URL=https://d.example.com/\r\nIconFile=C:\\x.ico\r\n",
         "https://d.example.com/"},
        {"URL only in another section", "[DEFAULT]\r\nURL=https://e.example.com/\r\n", std::nullopt},
        {"no address", "[InternetShortcut]\r\nIconIndex=0\r\n", std::nullopt},
        {"empty address", "[InternetShortcut]\r\nURL=\r\n", std::nullopt},
        {"not an INI file",
         "\x7F"
         "ELF\x02\x01",
         std::nullopt},
        {"UTF-8 byte order mark", "\xEF\xBB\xBF[InternetShortcut]\r\nURL=https://f.example.com/\r\n",
         "https://f.example.com/"},
        {"ANSI in the code page", "[InternetShortcut]\r\nURL=https://g.example.com/caf\xE9\r\n",
         "https://g.example.com/café"},
        {"wide section beats ANSI",
         "[InternetShortcut]\r\nURL=https://h.example.com/?q=?\r\n[InternetShortcut.W]\r\n"
         "URL=https://h.example.com/?q=+ZeVnLIqe-\r\n",
         "https://h.example.com/?q=日本語"},
        {"unreadable wide section falls back",
         "[InternetShortcut]\r\nURL=https://i.example.com/\r\n[InternetShortcut.W]\r\nURL=+2D3-\r\n",
         "https://i.example.com/"},
        {"UTF-16 file", utf16le("[InternetShortcut]\r\nURL=http://\xE9\r\n"), "http://é"},
    };
    for (const auto& tc : cases)
        EXPECT_EQ(shortcutAddress(tc.file, cp1252), tc.address) << tc.name;
}

TEST(FavoritesShortcutTest, WrittenShortcutsKeepTheAddressAndStayAscii) {
    EXPECT_EQ(shortcutFileText("https://www.example.com/?a=1&b=\"2\""),
              "[InternetShortcut]\r\nURL=https://www.example.com/?a=1&b=\"2\"\r\n");
    const std::string wide = shortcutFileText("https://café.example.com/ü?q=😀+1");
    EXPECT_EQ(wide, "[InternetShortcut]\r\nURL=https://caf%C3%A9.example.com/%C3%BC?q=%F0%9F%98%80+1\r\n"
                    "[InternetShortcut.W]\r\nURL=https://caf+AOk-.example.com/+APw-?q=+2D3eAA-+-1\r\n");
    for (char c : wide)
        EXPECT_LT(static_cast<unsigned char>(c), 0x80);
    const CodePage cp1252(1252);
    for (const char* url : {"https://café.example.com/ü?q=😀+1", "https://x.example.com/~user\\path",
                            "https://y.example.com/?a=+&b=++", "mailto:ünï@example.com"})
        EXPECT_EQ(shortcutAddress(shortcutFileText(url), cp1252), url);
}

TEST(FavoritesShortcutTest, Utf7AsTheRfcWritesIt) {
    // The examples of RFC 2152.
    EXPECT_EQ(decodeUtf7("A+ImIDkQ."), "A\u2262\u0391.");
    EXPECT_EQ(decodeUtf7("Hi Mom -+Jjo--!"), "Hi Mom -\u263A-!");
    EXPECT_EQ(decodeUtf7("+ZeVnLIqe-"), "日本語");
    EXPECT_EQ(decodeUtf7("1 +- 1"), "1 + 1");
    EXPECT_EQ(encodeUtf7("Hi Mom -\u263A-!"), "Hi Mom -+Jjo--!");
    EXPECT_EQ(encodeUtf7("日本語"), "+ZeVnLIqe-");
    EXPECT_EQ(encodeUtf7("1 + 1"), "1 +- 1");
    // Not UTF-7: 8-bit bytes, a lone low surrogate, non-zero padding bits.
    EXPECT_EQ(decodeUtf7("caf\xE9"), std::nullopt);
    EXPECT_EQ(decodeUtf7("+3AA-"), std::nullopt);
    EXPECT_EQ(decodeUtf7("+ZeX-"), std::nullopt);
}

} // namespace
} // namespace tessaly
