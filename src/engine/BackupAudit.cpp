// BackupAudit.cpp -- directory, CRCs, item flags and recorded members of an opened backup's archive.
#include "engine/BackupAudit.h"

#include "archive/ArchiveError.h"
#include "archive/EntryName.h"
#include "archive/MemberCopy.h"
#include "backupfile/InfoFile.h"
#include "engine/BackupItems.h"
#include "engine/HandlerSupport.h"
#include "engine/MainWindowState.h"

#include <set>

namespace tessaly {

std::unique_ptr<UnnamedFile> readInfoFile(const ArchiveSource& archive,
                                          const std::filesystem::path& workDir) {
    auto info = std::make_unique<UnnamedFile>(workDir);
    copyMemberTo(archive, kInfoFileName, info->fd());
    return info;
}

std::vector<std::string> recordedMembers(int item, const std::string& value) {
    if (item == kItemMessages || item == kItemStationeries)
        return splitNames(value);
    return {MemberNameOf(value)};
}

BackupAudit auditBackupArchive(const ArchiveSource& archive, const std::filesystem::path& workDir,
                               const CodePage& codePage, const CopiedMembers& copied) {
    BackupAudit audit;
    try {
        audit.members = ListArchive(archive);
        audit.readable = true;
        for (const MemberProblem& p : TestArchive(archive, copied))
            audit.problems.push_back("member " + p.name + ": " + p.problem);
        // Extraction refuses the whole archive for one such name; so does everything that reads it.
        for (const ArchiveMember& m : audit.members)
            if (EntryNameDefect defect = entryNameDefect(m.name); defect != EntryNameDefect::None)
                audit.problems.push_back("member \"" + m.name + "\": " + describeDefect(defect) +
                                         " would lead outside the folder it is extracted to");
    } catch (const ArchiveError& e) {
        audit.problems.push_back("its archive cannot be read (" + e.description() + ")");
        return audit;
    }
    std::unique_ptr<UnnamedFile> infoFile;
    try {
        infoFile = readInfoFile(archive, workDir);
    } catch (const std::exception&) {
        audit.problems.push_back("the info file " + std::string(kInfoFileName) + " is missing or damaged");
        return audit;
    }
    const std::filesystem::path& info = infoFile->path();
    std::set<std::string> names;
    for (const ArchiveMember& m : audit.members)
        names.insert(m.name);
    std::string flags = GetINI("BackupItem", info, codePage);
    if (flags.size() != kBackupItemCount || flags.find_first_not_of("01") != std::string::npos)
        audit.problems.push_back("the item flags \"" + flags + "\" are not eight digits 0 or 1");
    for (int i = 0; i < kBackupItemCount && i < static_cast<int>(flags.size()); ++i) {
        if (flags[i] != '1')
            continue;
        for (const std::string& member :
             recordedMembers(i, GetINI(kBackupItems[i].infoKey.data(), info, codePage)))
            if (!names.count(member))
                audit.problems.push_back(std::string(kBackupItems[i].cliName) + ": recorded member \"" +
                                         member + "\" is not in the archive");
    }
    return audit;
}

} // namespace tessaly
