// MainWindowState.h -- what the main window keeps for the whole run; the engine reads and writes it.
#pragma once

#include "engine/IdentityTable.h"
#include "platform/UnnamedFile.h"

#include <array>
#include <memory>
#include <optional>
#include <string>

namespace tessaly {

inline constexpr int kBackupItemCount = 8;

struct MainWindowState {
    std::string rtPassword;
    std::string sComputerName;
    std::string backupfiletocd;
    std::string backupcdpath;
    std::string windowsdir;
    bool OENotInstalled = false;
    tessaly::IdentityTable IdentityTable;
    std::optional<std::string> BackupFileName;
    std::string TempArchivePath;
    // The opened backup file's plain archive; TempArchivePath names it while it lives (never on disk).
    std::shared_ptr<UnnamedFile> TempArchive;
    std::string ItemFlags;
    bool InspectionInvalid = true;
    std::array<std::string, kBackupItemCount> RecordedItemValue;
    std::string InfoFilePath;
    std::string AutoItemFlags;
    std::string BackupPassword;
    std::string LogonUserName;
};

// Drops the opened plain archive: nothing counts as opened any more.
inline void dropTempArchive(MainWindowState& state) {
    state.TempArchive.reset();
    state.TempArchivePath.clear();
}

// The info file's path in a folder: "vantrel.dat" after the folder, with one separator between.
std::string InfoFilePathIn(const std::string& folder, char separator = '/');

} // namespace tessaly
