// PasswordOption.h -- where tessaly-cli takes a backup file's password from.
#pragma once

#include <optional>
#include <string>

namespace tessaly::cli {

// --password-stdin: the first line of standard input; else $TESSALY_PASSWORD; else nullopt.
std::optional<std::string> passwordFromOptions(bool passwordStdin);

} // namespace tessaly::cli
