// FavoritesNamesTest.cpp -- bookmark titles made into names a Windows file system can hold.
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

} // namespace
} // namespace tessaly
