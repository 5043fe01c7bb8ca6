// MainWindowState.h -- what the main window keeps for the whole run; the engine reads and writes it.
#pragma once

#include "engine/IdentityTable.h"

#include <array>
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
    std::string ItemFlags;
    bool InspectionInvalid = true;
    std::array<std::string, kBackupItemCount> RecordedItemValue;
    std::string InfoFilePath;
    std::string AutoItemFlags;
    std::string BackupPassword;
    std::string LogonUserName;
};

// The info file's path in a folder: "vantrel.dat" after the folder, with one separator between.
std::string InfoFilePathIn(const std::string& folder, char separator = '/');

} // namespace tessaly
