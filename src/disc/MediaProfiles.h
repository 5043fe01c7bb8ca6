// MediaProfiles.h -- MMC profiles of real media and drives mapped onto the control's codes.
#pragma once

#include <vector>

namespace tessaly {

// The MediaType code of a loaded medium's MMC profile (0 = no medium).
int MediaTypeForProfile(int profile);
// Whether a drive that lists these profiles has the HasFeature code (buffer protection excluded:
// that is a property of the drive's write options).
bool ProfilesHaveFeature(const std::vector<int>& profiles, int feature);
// Profiles libburn can write to.
bool IsWritableProfile(int profile);
bool IsCdProfile(int profile);

} // namespace tessaly
