// BackupAudit.h -- the one check of an opened backup's archive that verify and restore both rely on.
#pragma once

#include "archive/ArchiveListing.h"
#include "platform/CodePage.h"
#include "platform/UnnamedFile.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tessaly {

struct BackupAudit {
    bool readable = false;              // the archive's directory could be read at all
    std::vector<ArchiveMember> members; // when readable
    std::vector<std::string> problems;  // empty when everything holds
};

// Reads the archive's directory, reads back every member (which checks its CRC), checks that every
// member's name is one extraction accepts, reads the info file (into a file without a name in `workDir`)
// and checks its item flags and that every member it records is present. Members in `copied` are checked by
// their compressed bytes (see TestArchive).
BackupAudit auditBackupArchive(const ArchiveSource& archive, const std::filesystem::path& workDir,
                               const CodePage& codePage, const CopiedMembers& copied = {});

// The archive's info file, copied (CRC-checked) into a file without a name in `workDir`, to be read by its
// path. Throws ArchiveError when it is missing or damaged.
std::unique_ptr<UnnamedFile> readInfoFile(const ArchiveSource& archive, const std::filesystem::path& workDir);

// The members an item's recorded info-file value names.
std::vector<std::string> recordedMembers(int item, const std::string& value);

} // namespace tessaly
