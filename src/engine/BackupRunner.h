// BackupRunner.h -- making one backup file: info file, item handlers, archive, sealing, atomic replace.
#pragma once

#include "backupfile/BackupContainer.h"
#include "engine/MainWindowState.h"
#include "engine/ProfileSession.h"
#include "engine/history/BackupPlacement.h"

#include <array>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace tessaly {

// The backup could not be completed; the target file is as it was before the run.
class BackupFailed : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct BackupPlan {
    std::filesystem::path target;
    std::string identityKey;
    std::array<bool, kBackupItemCount> items{};
    std::string password;
    Protection protection = Protection::Compatible;
    // Info-file entries written before the items' own (computer, user, identity, time, note).
    std::vector<std::pair<std::string, std::string>> leadingEntries;
    // Interactive runs show status texts and progress amounts; unattended ones show nothing.
    bool interactive = true;
    // The backup time (recorded as BackupTime by the caller): names the file's version.
    std::time_t time = 0;
    // With a non-empty policy a complete run keeps the earlier file as a version and prunes.
    std::optional<RetentionPolicy> keep;
    // Message stores may shrink: no suspect check against the previous backup.
    bool acceptShrink = false;
    // Compress every file, even those the previous backup of the target holds unchanged.
    bool full = false;
};

struct BackupResult {
    std::string itemFlags; // eight "1"/"0"
    std::string log;       // CR LF, title, TAB, "Successed"/"Fail" per chosen item
    std::array<std::string, kBackupItemCount> failures; // why a chosen item failed
    PlacedBackup placed;                                // where the new file went
    std::vector<std::string> shrunkStores;              // why it is suspect
    std::vector<std::string> takenOver; // members copied from the previous backup, not compressed again
};

// Builds the plain archive in the private working folder, seals it into a temporary file beside the
// target, reads it back and puts it in its place (finishBackup): over the target, or beside it as a
// partial or suspect version, keeping the earlier versions the plan's policy asks for. Unless the plan asks
// for a full run, the members of files that the previous backup of the target holds unchanged are copied
// from it (see PreviousBackup.h); when the new file then does not read back, the run is made again with
// every file compressed. The info file lives at
// state.InfoFilePath, whose folder is the run's private working folder. Throws BackupFailed (nothing of the
// target touched) when the archive, the info file or the sealing fails, and RunStopped (nothing touched
// either) when the Ui asks for a stop.
BackupResult runBackup(ProfileSession& session, MainWindowState& state, Ui& ui, const BackupPlan& plan);

// The local date and time as the backup records it: "M/D/YYYY h:mm:ss AM".
std::string generalDateTime(std::time_t when);

} // namespace tessaly
