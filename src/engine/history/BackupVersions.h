// BackupVersions.h -- the names of a backup file's earlier versions beside it, and finding them.
//
//   X.tsy                          the newest complete backup (the name every command line uses)
//   X.2026-12-01_031500.tsy        an earlier complete backup, named after its own backup time (local)
//   X.2026-12-01_031500.keep.tsy   a pinned one: never deleted by a policy
//   X.2026-12-01_031500.partial.tsy  a run in which an item failed
//   X.2026-12-01_031500.suspect.tsy  a run whose message stores shrank too much
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tessaly {

enum class VersionKind { Current, Earlier, Pinned, Partial, Suspect };

struct BackupVersion {
    std::filesystem::path file;
    VersionKind kind = VersionKind::Current;
    std::time_t time = 0; // the stamp in the name; the modification time of the current file
    std::uint64_t size = 0;
};

// "YYYY-MM-DD_HHMMSS" in local time (no ":", so FAT file systems take it).
std::string versionStamp(std::time_t when);
// `when` in local time, written with a strftime format.
std::string formatLocalTime(std::time_t when, const char* format);
// The local time a stamp names; nullopt when the text is no stamp.
std::optional<std::time_t> parseVersionStamp(const std::string& stamp);

// "earlier", "pinned", ... as history lists them; "" for the current file.
std::string versionKindName(VersionKind kind);

// The name of a version of `target` made at `when`; Current gives the target itself.
std::filesystem::path versionPath(const std::filesystem::path& target, std::time_t when, VersionKind kind);

// What a file in the target's folder is to that target: nullopt unless its name has exactly the
// pattern above for this target.
std::optional<BackupVersion> versionOf(const std::filesystem::path& target,
                                       const std::filesystem::path& file);

// The target a version file belongs to ("X.2026-12-01_031500.keep.tsy" -> "X.tsy"); the file itself when
// its name carries no stamp.
std::filesystem::path targetOfVersion(const std::filesystem::path& file);

// Every version of `target` that exists (the target itself included), newest first.
std::vector<BackupVersion> listVersions(const std::filesystem::path& target);

// The versions a retention policy counts (the current file and earlier complete ones), newest first.
std::vector<BackupVersion> completeVersions(const std::filesystem::path& target);

// The backup times of `versions`, in their order.
std::vector<std::time_t> timesOf(const std::vector<BackupVersion>& versions);

} // namespace tessaly
