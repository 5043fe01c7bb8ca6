// BackupFileCheck.h -- telling a wrong password apart from a file that is no (longer a) backup file.
#pragma once

#include "platform/CodePage.h"

#include <filesystem>
#include <string>

namespace tessaly {

enum class BackupFileCheck {
    Ok,             // the trailer matches the password
    Missing,        // no such file
    NotABackupFile, // too short, or its end is no password trailer (32 hex digits and a zero byte)
    WrongPassword,  // a well-formed trailer of another password
    Damaged,        // the password is right but the contents are damaged or cut short
    Unreadable,     // the file is there but cannot be opened for reading (permissions, ...)
};

BackupFileCheck checkBackupFile(const std::filesystem::path& file, const std::string& password,
                                const CodePage& codePage);

// A sentence for the user about a check that did not pass.
std::string describe(BackupFileCheck check, const std::filesystem::path& file);

// "cannot read FILE: permission denied": the system's reason for an errno, in lower case.
std::string describeUnreadable(const std::filesystem::path& file, int error);

// Opens the file for reading once: 0 when that works, else the errno (ENOENT for a missing file).
int readError(const std::filesystem::path& file);

} // namespace tessaly
