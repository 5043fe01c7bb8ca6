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
};

BackupFileCheck checkBackupFile(const std::filesystem::path& file, const std::string& password,
                                const CodePage& codePage);

// A sentence for the user about a check that did not pass.
std::string describe(BackupFileCheck check, const std::filesystem::path& file);

} // namespace tessaly
