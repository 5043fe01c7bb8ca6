// PasswordOption.h -- where tessaly-cli takes a backup file's passwords from, and opening with them.
#pragma once

#include "cli/TerminalUi.h"
#include "platform/CodePage.h"

#include <filesystem>
#include <optional>
#include <string>

namespace tessaly::cli {

// --password-stdin: the first line of standard input; else $TESSALY_PASSWORD; else nullopt.
std::optional<std::string> passwordFromOptions(bool passwordStdin);

// A new password (protect): the next line of standard input with --password-stdin (read after
// passwordFromOptions), else $TESSALY_NEW_PASSWORD; else nullopt.
std::optional<std::string> newPasswordFromOptions(bool passwordStdin);

// Opens a backup file of either protection into `archive` with the given password (the empty one when
// none was given, then, on a terminal, a typed one). An exit code, its message printed, when it does
// not open: 2 for a wrong password, 1 for anything else.
std::optional<int> openWithPassword(const std::filesystem::path& file,
                                    const std::optional<std::string>& given,
                                    const std::filesystem::path& archive, const CodePage& codePage, Ui& ui);

} // namespace tessaly::cli
