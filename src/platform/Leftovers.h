// Leftovers.h -- removing the working folders and temporary backup files of runs that were killed.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>

namespace tessaly {

// Removes, below `folder`, the working folders ("tessaly-*") and temporary backup files ("TSY*.tmp"
// and "TSY*.tmpE") whose owner is gone: nobody holds their lock, and they were made longer ago than
// `minimumAge` (a run locks what it makes at once, so a run that is just making one is never
// disturbed). Folders of earlier versions, which have no lock, must be a minute old; an empty one
// only `minimumAge`. Returns how many
// were removed; never throws.
int removeLeftovers(const std::filesystem::path& folder,
                    std::chrono::seconds minimumAge = std::chrono::seconds(2));

// The status-line sentence for `count` removed leftovers; empty for none.
std::string leftoversNotice(int count);

} // namespace tessaly
