// PreviousBackup.h -- the previous complete backup of a target, opened so that a new run can take over
// the compressed bytes of the files that have not changed since.
#pragma once

#include "archive/ZipSession.h"
#include "backupfile/BackupContainer.h"
#include "engine/history/StoreFacts.h"
#include "platform/CodePage.h"
#include "platform/UnnamedFile.h"

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tessaly {

// The info-file key: "NAME|SIZE|MTIME|CRC" per member added from a file, joined with ";"; SIZE in bytes,
// MTIME the file's modification time in nanoseconds since 1970 (UTC), CRC the CRC-32 of the member's
// compressed bytes (decimal). The first versions wrote no CRC: such a part is skipped, and its file
// compressed again.
inline constexpr const char* kMemberSourcesKey = "MemberSources";

// A scheduled job that compresses every file carries TESSALY_FULL=1 on its crontab line.
inline constexpr const char* kFullVariable = "TESSALY_FULL";
// Whether the variable's value asks for a full run: exactly "1".
inline bool fullOfVariable(const char* value) {
    return value && std::string(value) == "1";
}

// Members whose name holds "|" or ";" are left out (they are compressed every time).
std::string formatMemberSources(const std::vector<MemberSource>& sources);
// Malformed parts are skipped.
std::vector<MemberSource> parseMemberSources(const std::string& value);

class PreviousBackup {
public:
    // The backup file `target` opened for reading (see openBackupForReading), when it is there,
    // has `protection`, opens with `password` and records its members' files; nullptr otherwise (no
    // file, another protection or password, a damaged file, a file of an earlier version). Throws
    // RunStopped when the Ui asks to stop.
    static std::unique_ptr<PreviousBackup> open(const std::filesystem::path& target,
                                                const std::string& password, Protection protection,
                                                const std::filesystem::path& workDir,
                                                const CodePage& codePage, Ui& ui);

    // Lets the session take over the members whose files are recorded with their current size and time
    // (and, the session checks, the same CRC-32). This object must outlive the session.
    bool lendTo(ZipSession& zip) const;
    // The message store facts the file records; nullopt when it records none.
    const std::optional<std::vector<StoreFact>>& storeFacts() const { return storeFacts_; }

private:
    explicit PreviousBackup(ReadableBackup backup) : backup_(std::move(backup)) {}

    ReadableBackup backup_;
    std::map<std::string, MemberSource> recorded_;
    std::optional<std::vector<StoreFact>> storeFacts_;
};

} // namespace tessaly
