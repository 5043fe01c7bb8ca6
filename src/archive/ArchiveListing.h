// ArchiveListing.h -- the members of a zip archive with their sizes, and a read-back check of every member.
#pragma once

#include "archive/ArchiveInput.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tessaly {

struct ArchiveMember {
    std::string name;
    std::uint64_t size = 0;
    std::uint64_t compressedSize = 0;
    std::uint32_t crc = 0;
};

// Throws ArchiveError (kErrUnzipEngine) when the archive cannot be opened or is not a zip archive.
std::vector<ArchiveMember> ListArchive(const ArchiveSource& archive);

struct MemberProblem {
    std::string name;
    std::string problem;
};

// Members whose compressed bytes were copied from an earlier archive, by name, with the CRC-32 those
// compressed bytes had when they were first written (and read back).
using CopiedMembers = std::map<std::string, std::uint32_t>;

// Reads every member to its end, which checks its CRC; returns the members that failed and why. A member
// in `copied` is checked by the CRC-32 of its compressed bytes instead, which costs a fraction of
// inflating it. Throws ArchiveError when the archive itself cannot be opened.
std::vector<MemberProblem> TestArchive(const ArchiveSource& archive, const CopiedMembers& copied = {});

} // namespace tessaly
