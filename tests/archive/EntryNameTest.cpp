// EntryNameTest.cpp -- which entry names may be written below a destination, and where.
#include "archive/EntryName.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

TEST(EntryName, DefectsOfNames) {
    struct Case {
        const char* name;
        EntryNameDefect defect;
    };
    const Case cases[] = {
        {"Inbox.dbx", EntryNameDefect::None},
        {"sub/dir/file.txt", EntryNameDefect::None},
        {"./file.txt", EntryNameDefect::None},
        {"..file", EntryNameDefect::None},
        {"file..", EntryNameDefect::None},
        {"a/.../b", EntryNameDefect::ParentComponent},
        {"..", EntryNameDefect::ParentComponent},
        {"a/../b", EntryNameDefect::ParentComponent},
        {"a\\..\\b", EntryNameDefect::ParentComponent},
        {"a/.. /b", EntryNameDefect::ParentComponent},
        {"/etc/passwd", EntryNameDefect::Absolute},
        {"\\\\server\\share\\x", EntryNameDefect::Absolute},
        {"C:\\x", EntryNameDefect::DriveLetter},
        {"z:x", EntryNameDefect::DriveLetter},
        {"1:x", EntryNameDefect::None},
        {"", EntryNameDefect::Empty},
        {"./", EntryNameDefect::Empty},
    };
    for (const auto& c : cases)
        EXPECT_EQ(entryNameDefect(c.name), c.defect) << '"' << c.name << '"';
}

TEST(EntryName, RelativePaths) {
    EXPECT_EQ(entryRelativePath("a\\b/./c d.txt", true, false), std::filesystem::path("a/b/c d.txt"));
    EXPECT_EQ(entryRelativePath("a\\b/./c d.txt", false, true), std::filesystem::path("c_d.txt"));
    EXPECT_EQ(entryRelativePath("dir/", true, false), std::filesystem::path("dir"));
}

TEST(EntryName, CaseBlindComparison) {
    EXPECT_TRUE(sameNameIgnoringCase("Inbox.DBX", "inbox.dbx"));
    EXPECT_TRUE(sameNameIgnoringCase("\xc3\xa9t\xc3\xa9", "\xc3\x89T\xc3\x89"));
    EXPECT_FALSE(sameNameIgnoringCase("Inbox.dbx", "Inbox.dbx2"));
    EXPECT_FALSE(sameNameIgnoringCase("a\xc3\xa9", "a\xc3\xa8"));
}

} // namespace
} // namespace tessaly
