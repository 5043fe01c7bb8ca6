// ThrottledSource.h -- burn sources that slow another source down, or read it into a file first.
#pragma once

#include "BurnLibs.h"

#include <atomic>
#include <filesystem>
#include <functional>

namespace tessaly {

// A source that passes `inner` on at no more than kbPerSecond (1000 bytes to the KB). It takes over
// one reference of inner. Pseudo-drives ignore the drive speed, so this is how SetWriteSpeed reaches
// them.
burn::burn_source* NewThrottledSource(burn::burn_source* inner, int kbPerSecond);

// Reads a whole source into `file`, 2048 bytes per read (larger reads lose the end of an image),
// reporting the percentage done. False on a read or write error or when `abort` becomes true.
bool CacheSourceToFile(burn::burn_source* source, const std::filesystem::path& file,
                       const std::function<void(int percent)>& progress, const std::atomic<bool>& abort);

} // namespace tessaly
