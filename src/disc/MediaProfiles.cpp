// MediaProfiles.cpp -- MMC profile tables.
#include "MediaProfiles.h"

#include "DiscCodes.h"

#include <algorithm>

namespace tessaly {

int MediaTypeForProfile(int profile) {
    switch (profile) {
    case 0x00:
        return kMediaNotLoaded;
    case 0x09:
        return kMediaCdR;
    case 0x0a:
        return kMediaCdRw;
    case 0x10:
        return kMediaDvdRom;
    case 0x11:
        return kMediaDvdR;
    case 0x12:
        return kMediaDvdRam;
    case 0x13:
    case 0x14:
        return kMediaDvdRw;
    case 0x1a:
        return kMediaDvdPlusRw;
    case 0x1b:
        return kMediaDvdPlusR;
    case 0x2b:
        return kMediaDvdPlusRDualLayer;
    case 0xffff: // a pseudo-drive's file counts as an overwritable DVD
        return kMediaDvdRam;
    default:
        return kMediaOtherBase + profile;
    }
}

bool ProfilesHaveFeature(const std::vector<int>& profiles, int feature) {
    const auto has = [&](int p) { return std::find(profiles.begin(), profiles.end(), p) != profiles.end(); };
    switch (feature) {
    case kFeatureCdRw:
        return has(0x0a);
    case kFeatureDvdRam:
        return has(0x12);
    case kFeatureDvdRw:
        return has(0x13) || has(0x14);
    case kFeatureDvdPlusRw:
        return has(0x1a);
    default:
        return false;
    }
}

bool IsWritableProfile(int profile) {
    switch (profile) {
    case 0x09:
    case 0x0a:
    case 0x11:
    case 0x12:
    case 0x13:
    case 0x14:
    case 0x15:
    case 0x1a:
    case 0x1b:
    case 0x2b:
    case 0x41:
    case 0x43:
        return true;
    default:
        return false;
    }
}

bool IsCdProfile(int profile) {
    return profile == 0x08 || profile == 0x09 || profile == 0x0a;
}

} // namespace tessaly
