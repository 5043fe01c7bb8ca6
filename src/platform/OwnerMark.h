// OwnerMark.h -- the locked file by which a run marks a folder or file as its own, so that clean-up can
// prove what a killed run left before it removes anything.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>

namespace tessaly {

// The first line of every owner mark; clean-up never removes anything whose mark does not start so.
inline constexpr const char* kOwnerMarkLine =
    "Tessaly temporary item: removed when the run that made it ends";

// Creates `file` new (O_EXCL, O_NOFOLLOW, mode 0600), writes the mark line and this process's pid and boot
// id into it and locks it (flock) for as long as the returned descriptor is open. -1 with errno set when
// any of this fails (nothing is left behind then).
int createOwnerMark(const std::filesystem::path& file);

// True when `file` is an owner mark that no live run holds: a regular file of this user (never followed
// through a link, never blocking on a FIFO or a device), starting with the mark line, unlocked, and last
// changed at least `minimumAge` ago.
bool isAbandonedMark(const std::filesystem::path& file, std::chrono::seconds minimumAge);

// Opens `path` for writing only when it names no link and no file yet (O_CREAT | O_EXCL | O_NOFOLLOW);
// -1 with errno set otherwise.
int createNewFile(const std::filesystem::path& path, unsigned mode = 0600, bool readable = false);

} // namespace tessaly
