// Leftovers.h -- removing the working folders and temporary backup files of runs that were killed.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>

namespace tessaly {

// Removes, directly below `folder`, only what provably a killed run of this user left: a working folder
// ("tessaly-*") whose owner mark nobody holds, an empty folder of exactly the generated name, and a
// reserved backup name ("TSY" + 16 hexadecimal digits + ".tmp", itself an owner mark) with its sealed
// "E" file. Each must be older than `minimumAge` (a run marks what it makes at once, so a run that is
// just making one is never disturbed). Links, FIFOs, devices, other users' entries and anything without
// a mark are left alone. Returns how many were removed; never throws.
int removeLeftovers(const std::filesystem::path& folder,
                    std::chrono::seconds minimumAge = std::chrono::seconds(2));

// The status-line sentence for `count` removed leftovers; empty for none.
std::string leftoversNotice(int count);

} // namespace tessaly
