// RestoreDriver.h -- opening a backup file (inspection) and restoring its items into an identity.
#pragma once

#include "backupfile/BackupContainer.h"
#include "engine/MainWindowState.h"
#include "engine/ProfileSession.h"

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tessaly {

// What the restore tab shows after an inspection.
struct InspectionView {
    bool opened = false; // the file's password was accepted and its archive unscrambled
    BackupFileCheck check = BackupFileCheck::Ok; // why the file did not open
    std::string problem;                         // the sentence saying so, when there is one
    Protection protection = Protection::Compatible;
    std::string sourcePath; // txtSourceFile
    std::string details;    // txtPOBinfo: Computer, User, Identity and Date lines
    std::string note;       // txtFileInfo
    // restoreitem(0..7) enabled or disabled; nullopt leaves a box as it was.
    std::array<std::optional<bool>, kBackupItemCount> enableItem{};
};

struct RestoreOutcome {
    bool started = false;              // false: nothing of the profile was changed
    std::vector<std::string> problems; // the damage found in the backup file, as verify reports it
    bool stopped = false;              // the person stopped the run between two items
    std::array<bool, kBackupItemCount> notRestored{}; // chosen items a stop left out
    std::string log;
    std::array<std::string, kBackupItemCount> failures;
};

// How often the password prompt asks for one file before the inspection gives up.
inline constexpr int kPasswordAttempts = 3;

class RestoreDriver {
public:
    RestoreDriver(ProfileSession& session, MainWindowState& state, Ui& ui)
        : session_(session), state_(state), ui_(ui) {}

    // Opens a chosen backup file: password check (then the password prompt, again after a wrong one),
    // unscrambling into the temporary archive, the info file's details and item flags.
    InspectionView inspect(const std::filesystem::path& file);
    // Restores the checked items that the opened file holds into the identity.
    RestoreOutcome run(const std::array<bool, kBackupItemCount>& checked, const std::string& identityKey);

private:
    std::array<double, kBackupItemCount> restoreWeights(const std::function<bool(int)>& wanted) const;

    ProfileSession& session_;
    MainWindowState& state_;
    Ui& ui_;
};

} // namespace tessaly
