// UnattendedBackup.h -- the scheduled backup: its command line and a run without any window.
#pragma once

#include "engine/BackupRunner.h"

#include <optional>
#include <string>

namespace tessaly {

struct UnattendedCommand {
    std::string identityKey; // piece 1
    std::string itemMask;    // piece 2
    std::string password;    // piece 3
    std::string backupFile;  // piece 4
    // Not on the command line: the scheduled job sets $TESSALY_PROTECTION (ProtectionOfVariable).
    Protection protection = Protection::Compatible;
    // Not on the command line either: $TESSALY_KEEP (RetentionOfVariable).
    std::optional<RetentionPolicy> keep = std::nullopt;
    // Nor this: $TESSALY_FULL=1 compresses every file (fullOfVariable).
    bool full = false;
};

// Splits " sf=<key>xm=<mask>ps=<password>bf=<path>" at every "=" and takes the pieces by position.
// nullopt with *error set when there are fewer than five pieces or a piece is too short for its key.
std::optional<UnattendedCommand> ParseUnattendedCommandLine(const std::string& recordedCommandLine,
                                                            std::string* error);

// The protection that the value of $TESSALY_PROTECTION asks for: Compatible when it is unset (null) or
// empty; nullopt, with *error set, for any text other than "strong" or "compatible".
std::optional<Protection> ProtectionOfVariable(const char* value, std::string* error);

// The retention policy $TESSALY_KEEP names: none when it is unset or empty; nullopt, with *error set,
// when it cannot be read.
std::optional<std::optional<RetentionPolicy>> RetentionOfVariable(const char* value, std::string* error);

// The items of a mask: character k is "1" for item k; anything else, or a missing character, is "0".
std::array<bool, kBackupItemCount> ItemsOfMask(const std::string& mask);

// Runs the unattended backup and writes state.AutoItemFlags (and *result when given). Returns false, with
// *message set, when it did nothing (a piece is empty, or a strong backup has no password) or the backup
// failed; shows no message of its own.
bool RunUnattendedBackup(ProfileSession& session, MainWindowState& state, Ui& ui,
                         const UnattendedCommand& command, std::string* message,
                         BackupResult* result = nullptr);

} // namespace tessaly
