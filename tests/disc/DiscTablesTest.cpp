// DiscTablesTest.cpp -- the control's tables: MMC profiles mapped onto its codes and the drive's features,
// TESSALY_EXTRA_DRIVES entries and their capacities, image paths and item names (joining is seen in the exact
// paths of the writer's events).
#include "disc/DiscCodes.h"
#include "disc/ExtraDrives.h"
#include "disc/ImagePath.h"
#include "disc/MediaProfiles.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

TEST(MediaProfiles, ProfilesMapOntoTheTableAndOthersStayOutOfIt) {
    const std::pair<int, int> cases[] = {
        {0x00, 254}, {0x09, 255}, {0x0a, 253}, {0x10, 0},  {0x11, 2},   {0x12, 1},
        {0x13, 3},   {0x14, 3},   {0x1a, 9},   {0x1b, 10}, {0x2b, 252}, {0xffff, 1},
    };
    for (const auto& [profile, code] : cases)
        EXPECT_EQ(MediaTypeForProfile(profile), code) << std::hex << profile;
    // A pressed CD-ROM, BD media and removable disks have no code in the table; their codes never
    // collide with one that has a text.
    for (int profile : {0x01, 0x02, 0x08, 0x15, 0x40, 0x41, 0x43}) {
        EXPECT_EQ(MediaTypeForProfile(profile), kMediaOtherBase + profile);
        EXPECT_EQ(MediaTypeText(MediaTypeForProfile(profile)), std::nullopt);
    }
}

TEST(MediaProfiles, FeaturesFollowTheDrivesProfiles) {
    const std::vector<int> cdWriter = {0x08, 0x09, 0x0a};
    const std::vector<int> dvdWriter = {0x08, 0x09, 0x0a, 0x10, 0x11, 0x12, 0x13, 0x14, 0x1a, 0x1b};
    for (int feature : {kFeatureCdRw, kFeatureDvdRam, kFeatureDvdRw, kFeatureDvdPlusRw}) {
        EXPECT_EQ(ProfilesHaveFeature(cdWriter, feature), feature == kFeatureCdRw) << feature;
        EXPECT_TRUE(ProfilesHaveFeature(dvdWriter, feature)) << feature;
    }
    EXPECT_TRUE(ProfilesHaveFeature({0x14}, kFeatureDvdRw));
    EXPECT_FALSE(ProfilesHaveFeature(dvdWriter, kFeatureBufferProtection));
}

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
