// Stationery.h -- whether the shared stationery folder holds anything the Stationeries item could save.
#pragma once

#include "engine/ProfileSession.h"

#include <optional>
#include <string>

namespace tessaly {

// The registry's CommonFilesDir, cut at its first zero character and trimmed, then
// "\Microsoft Shared\Stationery"; nullopt when the value cannot be read.
std::optional<std::string> sharedStationeryFolder(ProfileSession& session);

// True when that folder exists and holds at least one file directly in it (subfolders do not count).
bool stationeryAvailable(ProfileSession& session);

} // namespace tessaly
