// ProtectionOption.h -- which protection tessaly-cli gives a new backup file.
#pragma once

#include "backupfile/BackupContainer.h"
#include "cli/CliCommon.h"

namespace tessaly::cli {

// --protection, else $TESSALY_PROTECTION (when not empty), else compatible. Any other value than "strong" or
// "compatible" throws std::invalid_argument with a message for the user.
Protection protectionFromOptions(const CommonOptions& options);

// The protection a value names; throws std::invalid_argument naming `source` otherwise.
Protection parseProtection(const std::string& value, const std::string& source);

} // namespace tessaly::cli
