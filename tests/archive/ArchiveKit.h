// ArchiveKit.h -- helpers for archive tests: running Info-ZIP, making archives byte by byte with
// libzip, and looking at folders.
#pragma once

#include "archive/ArchiveError.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace tessaly::test {

struct CommandResult {
    int exitCode;
    std::string output; // stdout and stderr together
};
CommandResult runCommand(const std::string& command);
std::string quoted(const std::filesystem::path& path);

// `unzip -t -q`: 0 when Info-ZIP finds the archive sound.
int infoZipTest(const std::filesystem::path& archive);
// Entry names as Info-ZIP lists them (`unzip -Z1`).
std::vector<std::string> infoZipNames(const std::filesystem::path& archive);

struct RawEntry {
    std::string name;
    std::string data;
    bool stored = false; // store instead of deflate
};
// Writes an archive holding exactly these entries (names taken as given, however unsafe).
void makeArchive(const std::filesystem::path& archive, const std::vector<RawEntry>& entries);

// Every path below a folder, relative to it ("a", "a/b.txt").
std::set<std::string> treeOf(const std::filesystem::path& folder);

// The error a call raises; a test failure, and an error numbered 0, when it raises none.
template <class Call> ArchiveError raisedBy(Call&& call) {
    try {
        call();
    } catch (const ArchiveError& e) {
        return e;
    }
    ADD_FAILURE() << "no error raised";
    return ArchiveError(0, "", "");
}

// Bytes that do not compress much and differ by seed.
std::string noise(std::size_t size, std::uint32_t seed);

} // namespace tessaly::test
