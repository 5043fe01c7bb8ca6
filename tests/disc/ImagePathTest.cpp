// ImagePathTest.cpp -- image path parsing and names that ignore letter case; joining is seen in the exact
// paths of the writer's events.
#include "disc/ImagePath.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

using Names = std::vector<std::string>;

TEST(ImagePath, SplitsOnEitherSeparatorAndSkipsEmptyParts) {
    EXPECT_EQ(SplitImagePath("\\"), Names{});
    EXPECT_EQ(SplitImagePath(""), Names{});
    EXPECT_EQ(SplitImagePath("\\Mail\\Inbox.dbx"), (Names{"Mail", "Inbox.dbx"}));
    EXPECT_EQ(SplitImagePath("Mail\\Inbox.dbx"), (Names{"Mail", "Inbox.dbx"}));
    EXPECT_EQ(SplitImagePath("/Mail//Inbox.dbx/"), (Names{"Mail", "Inbox.dbx"}));
    EXPECT_EQ(SplitImagePath("\\Ordner Ü\\a b.txt"), (Names{"Ordner Ü", "a b.txt"}));
}

TEST(ImagePath, NamesCompareWithoutLetterCase) {
    const struct {
        const char* a;
        const char* b;
        bool same;
    } cases[] = {
        {"Inbox.dbx", "INBOX.DBX", true},
        {"Identität", "IDENTITÄT", true},
        {"Ärger", "ärger", true},
        {"Ωmega", "ωMEGA", true},
        {"Inbox.dbx", "Inbox.db", false},
        {"a", "b", false},
        {"Ä", "A", false},
        {"", "", true},
        {"a\xff", "A\xff", true},
        {"a\xff", "a\xfe", false},
        {"\xc3", "\xc3", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SameItemName(c.a, c.b), c.same) << c.a << " / " << c.b;
}

TEST(ImagePath, ValidNames) {
    for (const char* ok : {"a", "Inbox.dbx", "Identität", "a b", ".hidden", "..."})
        EXPECT_TRUE(IsValidItemName(ok)) << ok;
    for (const char* bad : {"", ".", "..", "a\\b", "a/b", "\\"})
        EXPECT_FALSE(IsValidItemName(bad)) << bad;
    EXPECT_FALSE(IsValidItemName(std::string("a\0b", 3)));
}

} // namespace
} // namespace tessaly
