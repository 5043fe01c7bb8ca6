// DiscFormatsTest.cpp -- number patterns, file sizes and dates, megabytes, write speed rows, name rules.
#include "disc/ui/DiscFormats.h"
#include "disc/ui/ItemNames.h"

#include "../platform/EnvGuard.h"

#include <gtest/gtest.h>

#include <ctime>

namespace tessaly {
namespace {

// The number patterns themselves are tested with formatNumber, which FormatNumber hands them to.
TEST(FormatNumber, TextsBuiltOnThePatterns) {
    EXPECT_EQ(FormatFileSize(4), "0.00 KB");
    EXPECT_EQ(FormatFileSize(4'700'000'000LL), "4,700,000.00 KB");
    EXPECT_EQ(FormatImageSize(0), "Data Image Size: 0.00 MB  ");
    EXPECT_EQ(FormatImageSize(1048576.0 * 1536.5), "Data Image Size: 1,536.50 MB  ");
}

// In UTC, so that the texts do not depend on this machine's zone.
TEST(FileDates, MonthDayYearAndTwelveHourClock) {
    test::EnvGuard zone;
    zone.set("TZ", "UTC");
    ::tzset();
    const struct {
        int year, month, day, hour, minute, second;
        const char* text;
    } cases[] = {
        {2024, 3, 7, 14, 5, 9, "03/07/2024 02:05:09 PM"},
        {2024, 12, 31, 0, 30, 0, "12/31/2024 12:30:00 AM"},
        {2001, 1, 2, 12, 0, 0, "01/02/2001 12:00:00 PM"},
        {1999, 10, 10, 23, 59, 59, "10/10/1999 11:59:59 PM"},
        {2030, 6, 15, 11, 59, 59, "06/15/2030 11:59:59 AM"},
    };
    for (const auto& c : cases) {
        std::tm tm{};
        tm.tm_year = c.year - 1900, tm.tm_mon = c.month - 1, tm.tm_mday = c.day;
        tm.tm_hour = c.hour, tm.tm_min = c.minute, tm.tm_sec = c.second;
        EXPECT_EQ(FormatFileDate(::timegm(&tm)), c.text);
    }
}

std::vector<std::string> speedTexts(int maxSpeed, bool cd) {
    std::vector<std::string> out;
    for (const SpeedRow& row : WriteSpeedRows(maxSpeed, cd))
        out.push_back(row.text);
    return out;
}

TEST(WriteSpeeds, CdStepsOfFourThenTwoThenOneDvdStepsOfHalfASpeed) {
    const struct {
        int maxSpeed;
        bool cd;
        std::vector<std::string> rows;
    } cases[] = {
        {40 * 176 + 16,
         true,
         {"40x", "36x", "32x", "28x", "24x", "20x", "16x", "12x", "8x", "4x", "2x", "1x"}},
        {4 * 1380 + 20, false, {"4.0x", "3.5x", "3.0x", "2.5x", "2.0x", "1.5x", "1.0x"}},
        {0, true, {"Default"}},
        {-5, false, {"Default"}},
        // A speed below 2x on a CD counts as 1x; a DVD slower than 1x still gets its one row.
        {300, true, {"1x"}},
        {1, true, {"1x"}},
        {690, false, {".5x"}},
        {1380, false, {"1.0x"}},
        // 1200 KB/s and more step by 4x, below by 2x.
        {1200, true, {"7x", "3x", "1x"}},
        {1199, true, {"7x", "5x", "3x", "1x"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(speedTexts(c.maxSpeed, c.cd), c.rows) << c.maxSpeed << (c.cd ? " CD" : " DVD");

    const int cd = 40 * 176 + 16, dvd = 4 * 1380 + 20;
    const std::vector<SpeedRow> cdRows = WriteSpeedRows(cd, true), dvdRows = WriteSpeedRows(dvd, false);
    EXPECT_EQ(cdRows.front().kbPerSecond, cd);
    EXPECT_EQ(cdRows[1].kbPerSecond, cd - 704);
    EXPECT_EQ(cdRows.back().kbPerSecond, 16);
    EXPECT_EQ(dvdRows.front().kbPerSecond, dvd);
    EXPECT_EQ(dvdRows.back().kbPerSecond, dvd - 6 * 690);
    EXPECT_EQ(WriteSpeedRows(0, false)[0].kbPerSecond, 0);
}

struct NameCase {
    const char* what;
    std::string name;
    int joliet;
    int isoLevel;
    const char* message; // nullptr: the name may be used
};

std::string repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

TEST(ItemNames, FirstBrokenRuleWins) {
    const char* joliet64 = "Item Name violates Joliet naming rules (64 Char Max).";
    const char* level1 = "Item Name violates ISO9660 Level 1 naming rules (8 + 3 Char Max).";
    const char* level2 = "Item Name violates ISO9660 Level 2 naming rules (31 Char Max).";
    const NameCase cases[] = {
        {"blank with Joliet", "", 1, 3, "Item name cannot be blank."},
        {"blank without Joliet", "", 0, 1, "Item name cannot be blank."},
        {"100 characters without Joliet", std::string(100, 'a'), 0, 3, nullptr},
        {"100 characters with Joliet", std::string(100, 'a'), 1, 3, joliet64},
        {"65 characters beat level 1", std::string(65, 'a'), 1, 1, joliet64},
        {"64 characters at level 3", std::string(64, 'a'), 1, 3, level2},
        {"31 characters at level 3", std::string(31, 'a'), 1, 3, nullptr},
        {"32 characters at level 2", std::string(32, 'a'), 1, 2, level2},
        {"8 + 3 at level 1", "ABCDEFGH.TXT", 1, 1, nullptr},
        {"9 before the dot", "ABCDEFGHI.TXT", 1, 1, level1},
        {"4 after the dot", "ABCDEFGH.TEXT", 1, 1, level1},
        {"8 without a dot", "ABCDEFGH", 1, 1, nullptr},
        {"9 without a dot", "ABCDEFGHI", 1, 1, level1},
        {"split at the first dot", "A.B.C", 1, 1, nullptr},
        {"rest after the first dot counts", "A.BC.D", 1, 1, level1},
        {"a dot only", ".", 1, 1, nullptr},
        {"level 1 rules need Joliet", "ABCDEFGHIJKL.TEXT", 0, 1, nullptr},
        {"31 umlauts count as 31 characters", repeat("\xC3\xBC", 31), 1, 3, nullptr},
        {"32 umlauts", repeat("\xC3\xBC", 32), 1, 3, level2},
    };
    for (const NameCase& c : cases) {
        const std::optional<std::string> problem = ItemNameViolation(c.name, c.joliet, c.isoLevel);
        if (c.message) {
            EXPECT_EQ(problem.value_or("(passes)"), c.message) << c.what;
        } else {
            EXPECT_FALSE(problem.has_value()) << c.what << ": " << problem.value_or("");
        }
    }
}

TEST(ItemNames, LengthInUtf16Units) {
    EXPECT_EQ(NameLength("\xE6\x97\xA5\xE6\x9C\xAC"), 2u);
    EXPECT_EQ(NameLength("\xF0\x9F\x93\x80"), 2u); // outside the BMP: two units, as Joliet stores it
}

} // namespace
} // namespace tessaly
