// PathMapper.h -- Windows paths of a profile (C:\...) mapped to host paths inside the Wine prefix.
#pragma once

#include "platform/Profile.h"

#include <filesystem>
#include <string_view>

namespace tessaly {

// Maps "C:\users\root\Local Settings\x.dbx" (drive letter in any case, "\" or "/" separators) to a
// host path through P/dosdevices/<letter>: (Wine's drive links), falling back to P/drive_c for C:.
// A component that does not exist under its exact name is matched without regard to letter case
// against the entries of its folder (first match in sorted order); components that exist nowhere are
// kept as given, so new files can be created. The text ends at a NUL, as Windows reads it.
// Throws std::invalid_argument for a path without a drive letter or with ".." climbing above the
// drive root, and std::runtime_error for a drive that the prefix does not map.
// A Windows profile's paths are mapped by windowsHostPath (platform/WindowsProfile.h) instead.
std::filesystem::path hostPath(const Profile& profile, std::string_view windowsPath);

// The same below an already mapped host folder: each component of `relative` ("\" or "/" separated,
// no "..") is matched as above.
std::filesystem::path resolveComponents(const std::filesystem::path& base, std::string_view relative);

} // namespace tessaly
