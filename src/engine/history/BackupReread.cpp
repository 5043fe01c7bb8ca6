// BackupReread.cpp -- re-reading a backup file and the facts its info file records.
#include "engine/history/BackupReread.h"

#include "backupfile/BackupContainer.h"
#include "backupfile/InfoFile.h"
#include "engine/BackupAudit.h"
#include "engine/SilentUi.h"

namespace tessaly {

std::vector<std::string> rereadBackup(const std::filesystem::path& file, const std::string& password,
                                      const std::filesystem::path& workDir, const CodePage& codePage,
                                      const CopiedMembers& copied) {
    SilentUi quiet;
    std::optional<ReadableBackup> backup; // no plain archive is ever named on disk
    try {
        backup = openBackupForReading(file, password, workDir, codePage, quiet);
    } catch (const std::exception& e) {
        return {std::string("it cannot be opened again: ") + e.what()};
    }
    return auditBackupArchive(backup->archive, workDir, codePage, copied).problems;
}

RecordedFacts readRecordedFacts(const std::filesystem::path& file, const std::string& password,
                                const std::filesystem::path& workDir, const CodePage& codePage) {
    RecordedFacts facts;
    try {
        SilentUi quiet;
        ReadableBackup backup = openBackupForReading(file, password, workDir, codePage, quiet);
        auto info = readInfoFile(backup.archive, workDir);
        facts.itemFlags = GetINI("BackupItem", info->path(), codePage);
        facts.stores = parseStoreFacts(GetINI(kStoreFactsKey, info->path(), codePage));
        facts.opened = true;
    } catch (const std::exception&) {
    }
    return facts;
}

std::optional<std::vector<StoreFact>> recordedStoreFacts(const std::filesystem::path& file,
                                                         const std::string& password,
                                                         const std::filesystem::path& workDir,
                                                         const CodePage& codePage) {
    RecordedFacts facts = readRecordedFacts(file, password, workDir, codePage);
    if (!facts.opened || facts.stores.empty())
        return std::nullopt;
    return facts.stores;
}

} // namespace tessaly
