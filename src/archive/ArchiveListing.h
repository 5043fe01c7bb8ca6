// ArchiveListing.h -- the members of a zip archive with their sizes, and a read-back check of every member.
#pragma once

#include <cstdint>
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
std::vector<ArchiveMember> ListArchive(const std::string& archivePath);

struct MemberProblem {
    std::string name;
    std::string problem;
};

// Reads every member to its end, which checks its CRC; returns the members that failed and why.
// Throws ArchiveError when the archive itself cannot be opened.
std::vector<MemberProblem> TestArchive(const std::string& archivePath);

} // namespace tessaly
