// ExtraDrives.h -- the pseudo-drives named in TESSALY_EXTRA_DRIVES, which write a disc image to a file.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tessaly {

inline constexpr const char* kExtraDrivesVariable = "TESSALY_EXTRA_DRIVES";

struct PseudoDrive {
    std::string address;          // "stdio:/path/to/disc.iso"
    long long capacityBlocks = 0; // 0: as much as the file system holds
};

// Entries are separated by ";". Each is "stdio:" + a path, optionally followed by "#" and a capacity
// in bytes with an optional K, M or G suffix (1024-based), e.g. "stdio:/home/me/disc.iso#700M" for a
// disc the size of a CD. Entries that do not start with "stdio:" or carry a malformed capacity are
// left out.
std::vector<PseudoDrive> ParseExtraDrives(const std::string& value);
std::vector<PseudoDrive> ExtraDrivesFromEnvironment();

} // namespace tessaly
