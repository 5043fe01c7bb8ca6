// DiscCodesTest.cpp -- the code tables of the control and MMC profiles mapped onto them.
#include "disc/DiscCodes.h"
#include "disc/MediaProfiles.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

TEST(DiscCodes, MediaTypeTable) {
    const std::pair<int, const char*> table[] = {
        {0, "DVD-ROM"},
        {1, "DVD-RAM"},
        {2, "DVD-R"},
        {3, "DVD-RW"},
        {9, "DVD+RW"},
        {10, "DVD+R"},
        {252, "DVD+R Dual Layer"},
        {253, "CD-RW"},
        {254, "Not Loaded"},
        {255, "CD-R"},
    };
    for (const auto& [code, text] : table)
        EXPECT_EQ(MediaTypeText(code), std::optional<std::string>(text)) << code;
    for (int unlisted : {4, 5, 8, 11, 251, 256, 264, -1})
        EXPECT_EQ(MediaTypeText(unlisted), std::nullopt) << unlisted;
}

TEST(DiscCodes, DiscSessionAndDiscTypeTables) {
    const char* disc[] = {"Empty Disc", "Disc Open", "Disc is Closed", "Unknown"};
    const char* session[] = {"Empty Session", "Incomplete Session", "Unknown", "Closed Session"};
    for (int code = 0; code < 4; ++code) {
        EXPECT_EQ(DiscStatusText(code), std::optional<std::string>(disc[code]));
        EXPECT_EQ(LastSessionStatusText(code), std::optional<std::string>(session[code]));
    }
    const std::pair<int, const char*> types[] = {
        {0, "CD-DA/CD-ROM"}, {16, "CDI"}, {32, "CD-ROM XA"}, {255, "Unknown"}};
    for (const auto& [code, text] : types)
        EXPECT_EQ(DiscTypeText(code), std::optional<std::string>(text)) << code;
    EXPECT_EQ(DiscStatusText(4), std::nullopt);
    EXPECT_EQ(LastSessionStatusText(-1), std::nullopt);
    EXPECT_EQ(DiscTypeText(1), std::nullopt);
    EXPECT_EQ(DiscTypeText(64), std::nullopt);
}

TEST(DiscCodes, OnlyCdRwAndCdRCountAsCdForWriting) {
    for (int code = 0; code < 300; ++code)
        EXPECT_EQ(IsCdMedia(code), code == 253 || code == 255) << code;
}

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
    EXPECT_TRUE(ProfilesHaveFeature(cdWriter, kFeatureCdRw));
    EXPECT_FALSE(ProfilesHaveFeature(cdWriter, kFeatureDvdRam));
    EXPECT_FALSE(ProfilesHaveFeature(cdWriter, kFeatureDvdRw));
    EXPECT_FALSE(ProfilesHaveFeature(cdWriter, kFeatureDvdPlusRw));
    for (int feature : {kFeatureCdRw, kFeatureDvdRam, kFeatureDvdRw, kFeatureDvdPlusRw})
        EXPECT_TRUE(ProfilesHaveFeature(dvdWriter, feature)) << feature;
    EXPECT_TRUE(ProfilesHaveFeature({0x14}, kFeatureDvdRw));
    EXPECT_FALSE(ProfilesHaveFeature(dvdWriter, kFeatureBufferProtection));
}

} // namespace
} // namespace tessaly
