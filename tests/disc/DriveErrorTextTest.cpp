// DriveErrorTextTest.cpp -- the drive error table, file error texts and the DriveError message.
#include "disc/DriveErrorText.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

namespace tessaly {
namespace {

TEST(DriveErrorText, TableCodesGiveTheirTextTheCodeAndAFullStop) {
    const struct {
        std::int32_t code;
        const char* expected;
    } cases[] = {
        {1000, "No additional error data was reported (1000)."},
        {1008, "A buffer under-run has occurred (1008)."},
        {1021, "Error trying to write past the end of the media (1021)."},
        {1033, "A disc is not present (1033)."},
        {1036, "The disc could not be erased (1036)."},
        {1051, "Unknown error - use extended data for more information (1051)."},
        {1055, "A format is in progress causing operation failure (1055)."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DriveErrorText(c.code), c.expected) << c.code;
}

TEST(DriveErrorText, CodesOutsideTheTableGiveOnlyTheCode) {
    const struct {
        std::int32_t code;
        const char* expected;
    } cases[] = {
        {999, " (999)."},
        {1056, " (1056)."},
        {0, " (0)."},
        {-1008, " (-1008)."},
        {INT32_MIN, " (-2147483648)."},
        {INT32_MAX, " (2147483647)."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DriveErrorText(c.code), c.expected) << c.code;
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

TEST(DriveErrorMessage, KindThreeHasThreeLinesTheLastBeginningWithABlank) {
    EXPECT_EQ(DriveErrorMessage(3, 1008, "Write failed", "5 0C 09"),
              "Writing Error: (3)   Write failed\r\nA buffer under-run has occurred (1008).\r\n Error Sense "
              "Data: 5 0C 09");
    EXPECT_EQ(DriveErrorMessage(3, 999, "x", ""), "Writing Error: (3)   x\r\n (999).\r\n Error Sense Data: ");
}

TEST(DriveErrorMessage, OtherKindsShowOneLineEndingInCrLf) {
    for (int kind : {0, 1, 2, 4, -3}) {
        const std::string message = DriveErrorMessage(kind, 1008, "Drive gone", "5 0C 09");
        EXPECT_EQ(message, "Writing Error: (" + std::to_string(kind) + ")   Drive gone\r\n");
        EXPECT_EQ(message.find("\r\n"), message.size() - 2);
    }
}

} // namespace
} // namespace tessaly
