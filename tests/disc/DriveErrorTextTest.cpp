// DriveErrorTextTest.cpp -- the drive error table, file error texts and the DriveError message.
#include "disc/DriveErrorText.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

namespace tessaly {
namespace {

// 1008 and 1021 are read in full through DriveErrorMessage below and the write verb's message.
TEST(DriveErrorText, TableCodesGiveTheirTextOthersOnlyTheCode) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {1000, "No additional error data was reported (1000)."},
        {1033, "A disc is not present (1033)."},
        {1036, "The disc could not be erased (1036)."},
        {1051, "Unknown error - use extended data for more information (1051)."},
        {1055, "A format is in progress causing operation failure (1055)."},
        {999, " (999)."},
        {1056, " (1056)."},
        {0, " (0)."},
        {-1008, " (-1008)."},
        {INT32_MIN, " (-2147483648)."},
        {INT32_MAX, " (2147483647)."},
    };
    for (const auto& [code, expected] : cases)
        EXPECT_EQ(DriveErrorText(code), expected) << code;
}

TEST(DriveErrorText, EveryCodeOfTheTableHasItsOwnText) {
    std::set<std::string> texts;
    for (std::int32_t code = 1000; code <= 1055; ++code) {
        const std::string text = DriveErrorText(code);
        const std::string suffix = " (" + std::to_string(code) + ").";
        ASSERT_GT(text.size(), suffix.size()) << code;
        EXPECT_EQ(text.substr(text.size() - suffix.size()), suffix);
        EXPECT_NE(text[0], ' ') << code;
        texts.insert(text.substr(0, text.size() - suffix.size()));
    }
    EXPECT_EQ(texts.size(), 56u);
}

TEST(FileErrorText, CodesZeroToTwoAndTheRest) {
    const struct {
        int code;
        const char* expected;
    } cases[] = {
        {0, "Error Opening File: C:\\a b.tsy"},  {1, "Error Closing File: C:\\a b.tsy"},
        {2, "Error Reading file: C:\\a b.tsy"},  {3, "Unknown file error!:C:\\a b.tsy"},
        {-1, "Unknown file error!:C:\\a b.tsy"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileErrorText(c.code, "C:\\a b.tsy"), c.expected) << c.code;
    EXPECT_EQ(FileErrorText(0, ""), "Error Opening File: ");
}

TEST(DriveErrorMessage, KindThreeHasThreeLinesOtherKindsOne) {
    const struct {
        int kind, code;
        const char *text, *sense, *expected;
    } cases[] = {
        {3, 1008, "Write failed", "5 0C 09",
         "Writing Error: (3)   Write failed\r\nA buffer under-run has occurred (1008).\r\n Error Sense Data: "
         "5 0C 09"},
        {3, 999, "x", "", "Writing Error: (3)   x\r\n (999).\r\n Error Sense Data: "},
        {0, 1008, "Drive gone", "5 0C 09", "Writing Error: (0)   Drive gone\r\n"},
        {2, 1008, "Drive gone", "5 0C 09", "Writing Error: (2)   Drive gone\r\n"},
        {4, 1008, "Drive gone", "", "Writing Error: (4)   Drive gone\r\n"},
        {-3, 1, "Drive gone", "", "Writing Error: (-3)   Drive gone\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DriveErrorMessage(c.kind, c.code, c.text, c.sense), c.expected) << c.kind << " " << c.code;
}

} // namespace
} // namespace tessaly
