// StrongCliKit.h -- what the tests of tessaly-cli on crafted strong backup files share: the archive they
// seal, a flipped byte, and one file run through verify and extract.
#pragma once

#include "ArchiveKit.h"
#include "RunProgram.h"
#include "TempDir.h"

#include <filesystem>
#include <utility>

namespace tessaly::test {

// Writes and returns an archive whose one stationery, a.htm, is noise(size, 7).
inline std::string strongTestArchive(const std::filesystem::path& zip, std::size_t size) {
    makeArchive(zip,
                {{"vantrel.dat", "BackupIdentity=x\r\nBackupItem=00000010\r\nBackupStationeries=a.htm\r\n"},
                 {"a.htm", noise(size, 7), true}});
    return readFile(zip);
}

inline std::string flipped(std::string file, std::size_t offset) {
    file[offset] ^= 0x04;
    return file;
}

// tessaly-cli verify and extract (into `out`) of `file` against the sample profile, each with its result.
inline std::vector<std::pair<std::string, RunResult>>
verifyAndExtract(const std::filesystem::path& file, const std::filesystem::path& out,
                 const std::map<std::string, std::optional<std::string>>& env) {
    std::vector<std::pair<std::string, RunResult>> results;
    for (std::vector<std::string> args : {std::vector<std::string>{"verify", file.string()},
                                          std::vector<std::string>{"extract", file.string(), out.string()}}) {
        args.insert(args.begin(), TESSALY_CLI);
        args.insert(args.end(), {"--profile", TESSALY_SAMPLE_PROFILE_DIR});
        results.emplace_back(args[1], runProgram(args, env));
    }
    return results;
}

} // namespace tessaly::test
