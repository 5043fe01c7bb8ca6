// AtomicFile.h -- replacing a file's contents so that a failure never leaves it damaged.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string_view>
#include <sys/types.h>

namespace tessaly {

// Writes the bytes to a temporary file in the target's folder, flushes it to disk and renames it over
// the target, then flushes the folder. A symlinked target has the file it points to replaced. An
// existing target's permissions (and, where allowed, owner) carry over to the new file. On any
// failure the old file is untouched, the temporary file is removed and std::runtime_error says what
// failed, with the system's reason (e.g. "No space left on device").
void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes);

// The same with the write(2) call replaceable, so tests can make a write fail part-way.
using WriteFunction = std::function<ssize_t(int fd, const void* data, std::size_t size)>;
void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         const WriteFunction& write);

} // namespace tessaly
