// ExtraDrivesTest.cpp -- TESSALY_EXTRA_DRIVES: pseudo-drives and their capacities.
#include "disc/ExtraDrives.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

TEST(ExtraDrives, EntriesAreSeparatedBySemicolonsAndTrimmed) {
    const auto drives = ParseExtraDrives(" stdio:/tmp/a.iso ;stdio:/tmp/b c.iso;;  ");
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_EQ(drives[0].address, "stdio:/tmp/a.iso");
    EXPECT_EQ(drives[0].capacityBlocks, 0);
    EXPECT_EQ(drives[1].address, "stdio:/tmp/b c.iso");
}

TEST(ExtraDrives, CapacitySuffixes) {
    const struct {
        const char* entry;
        long long blocks;
    } cases[] = {
        {"stdio:/d.iso#700M", 700LL * 512},
        {"stdio:/d.iso#4K", 2},
        {"stdio:/d.iso#2g", 2LL * 1024 * 512},
        {"stdio:/d.iso#4096", 2},
    };
    for (const auto& c : cases) {
        const auto drives = ParseExtraDrives(c.entry);
        ASSERT_EQ(drives.size(), 1u) << c.entry;
        EXPECT_EQ(drives[0].address, "stdio:/d.iso");
        EXPECT_EQ(drives[0].capacityBlocks, c.blocks) << c.entry;
    }
}

TEST(ExtraDrives, MalformedEntriesAreLeftOut) {
    for (const char* value : {"/dev/sr0", "stdio:", "stdio:/d.iso#", "stdio:/d.iso#12X", "stdio:/d.iso#-5",
                              "stdio:/d.iso#0", "stdio:/d.iso#1K", "stdio:#700M", "cd:/x"})
        EXPECT_TRUE(ParseExtraDrives(value).empty()) << value;
    EXPECT_EQ(ParseExtraDrives("/dev/sr0;stdio:/ok.iso").size(), 1u);
}

} // namespace
} // namespace tessaly
