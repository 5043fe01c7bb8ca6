// DiscCodesTest.cpp -- MMC profiles mapped onto the control's codes and the drive's features.
#include "disc/DiscCodes.h"
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
