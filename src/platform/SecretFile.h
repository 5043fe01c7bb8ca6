// SecretFile.h -- a short secret (a scheduled job's password) in a file only its owner can read.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tessaly {

// $XDG_CONFIG_HOME/tessaly/jobs when that variable holds an absolute path, else ~/.config/tessaly/jobs.
std::filesystem::path defaultJobsFolder();

// Creates `file` new (O_EXCL, O_NOFOLLOW, mode 0600) holding exactly `secret`. The folder is made
// (parents 0700) when missing and must be a real folder of this user; it is set to 0700. A file
// already there is an error, never overwritten. Throws std::runtime_error saying what failed.
void writeSecretFile(const std::filesystem::path& file, const std::string& secret);

// The secret, without one trailing line break. nullopt, with *error set, when the file cannot be
// opened, is a link or not a regular file, belongs to another user, or others may read or write it.
std::optional<std::string> readSecretFile(const std::filesystem::path& file, std::string* error);

} // namespace tessaly
