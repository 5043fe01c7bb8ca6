// NumberTextTest.cpp -- exact halves round up as written, whatever the nearest double is; byte counts.
#include "platform/NumberText.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

TEST(NumberText, ExactHalvesRoundAwayFromZeroAsWritten) {
    struct Case {
        double value;
        const char* pattern;
        const char* expected;
    } const cases[] = {
        // Each of these lies just below its half as a double; printf and llround give the lower text.
        {1.005, "###,###,##0.00", "1.01"},
        {1005 / 1000.0, "###,###,##0.00", "1.01"},
        {2.675, "0.00", "2.68"},
        {0.285, "#,##0.00", "0.29"},
        {1449 / 1380.0, "#.0", "1.1"},
        // Exact binary halves (megabytes of whole blocks): printf rounds these to even.
        {64 * 2048 / 1048576.0, "0.00 MB", "0.13 MB"},
        {0.5, "#", "1"},
        {-1.005, "0.00", "-1.01"},
        {9.995, "#,##0.00", "10.00"},
        {999999.995, "#,##0.00", "1,000,000.00"},
        {1.0049, "0.00", "1.00"},
        // The patterns of the disc windows: grouping, optional and required digits, text after them.
        {0, "###,###,##0.00", "0.00"},
        {1234567890123.0, "###,###,##0.00", "1,234,567,890,123.00"},
        {4482.5, "#,##0.00", "4,482.50"},
        {4482.25, "#########0.#0 MB", "4482.25 MB"},
        {0, "#########0.#0 MB", "0.00 MB"},
        {40.09, "#", "40"},
        {0, "#", ""},
        {0.5, "#.0", ".5"},
        {5, "0#", "05"},
        {123, "0#", "123"},
        {0, "0#", "00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatNumber(c.value, c.pattern), c.expected) << c.value << " " << c.pattern;
}

TEST(NumberText, SizeTexts) {
    EXPECT_EQ(sizeText(0), "0 bytes");
    EXPECT_EQ(sizeText(1023), "1023 bytes");
    EXPECT_EQ(sizeText(1024), "1.0 KB");
    EXPECT_EQ(sizeText(1536 + 51), "1.5 KB");
    EXPECT_EQ(sizeText(300ull * 1024 * 1024), "300.0 MB");
    EXPECT_EQ(sizeText(1024ull * 1024 * 1024 * 5 / 2), "2.5 GB");
}

} // namespace
} // namespace tessaly
