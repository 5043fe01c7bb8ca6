// BackupReread.h -- reading a sealed backup file back before it may replace anything.
#pragma once

#include "archive/ArchiveListing.h"
#include "engine/history/StoreFacts.h"
#include "platform/CodePage.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tessaly {

// Opens the backup file with the password (for a strong file this checks its authentication),
// reads back every archive member (CRCs; the members in `copied` by their compressed bytes) and checks
// the info file against the members. Returns the problems found; empty when the file is sound. Works in
// `workDir` (private) and leaves nothing there.
std::vector<std::string> rereadBackup(const std::filesystem::path& file, const std::string& password,
                                      const std::filesystem::path& workDir, const CodePage& codePage,
                                      const CopiedMembers& copied = {});

// The message store facts a backup file records; nullopt when it cannot be opened with the password
// or records none (a file of an earlier version, or one without messages).
std::optional<std::vector<StoreFact>> recordedStoreFacts(const std::filesystem::path& file,
                                                         const std::string& password,
                                                         const std::filesystem::path& workDir,
                                                         const CodePage& codePage);

struct RecordedFacts {
    bool opened = false;           // the password opened the file and its info file was read
    std::string itemFlags;         // BackupItem
    std::vector<StoreFact> stores; // kStoreFactsKey
};

// What a backup file's info file records, for a listing of versions.
RecordedFacts readRecordedFacts(const std::filesystem::path& file, const std::string& password,
                                const std::filesystem::path& workDir, const CodePage& codePage);

} // namespace tessaly
