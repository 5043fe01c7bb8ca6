// AtomicFile.h -- replacing a file's contents so that a failure never leaves it damaged and another
// program's newer version is never lost.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string_view>
#include <sys/types.h>

namespace tessaly {

// What a file was on disk when it was read: enough to tell that anybody replaced or rewrote it.
struct FileVersion {
    bool exists = false;
    std::uint64_t inode = 0;
    std::uintmax_t size = 0;
    std::int64_t mtimeNs = 0;
    bool operator==(const FileVersion&) const = default;
};

// The version of the file a path names (links followed, as reading follows them).
FileVersion fileVersionOf(const std::filesystem::path& file);

// The file on disk is not the version the caller read; it was left as the other program wrote it.
class FileChangedMeanwhile : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes the bytes to a new temporary file in the target's folder, flushes it to disk and swaps it
// with the target (renameat2 RENAME_EXCHANGE; a target that does not exist yet is created with
// RENAME_NOREPLACE), then flushes the folder. A symlinked target has the file it points to replaced.
// An existing target's permissions (and, where allowed, owner) carry over; a new file is 0600. On any
// failure the old file is untouched, the temporary file is removed and std::runtime_error says what
// failed, with the system's reason (e.g. "No space left on device").
void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes);

// The same, but only over the version that was read: when the file swapped out is another one (a
// program replaced or rewrote it meanwhile), it is swapped back and FileChangedMeanwhile is thrown
// ("user.reg was changed by another program while Tessaly saved it; nothing was changed"). Returns
// the version written, which a later save expects.
FileVersion writeFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                                const FileVersion& expected);

// The same with the write(2) call replaceable, so tests can make a write fail part-way.
using WriteFunction = std::function<ssize_t(int fd, const void* data, std::size_t size)>;
void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         const WriteFunction& write);

// True for the name of a temporary file that a save above makes beside its target.
bool isAtomicSaveTempName(std::string_view name);

// Removes what killed saves left in `folder`: regular files of this user whose names a save makes
// (".user.reg.tessaly-tmp-XXXXXXXXXXXX", and ".user.reg.tmp-XXXXXX" of the registry files from
// earlier versions), at least `minAge` old so that a save running now keeps its file. Returns how
// many it removed.
std::size_t removeAtomicSaveLeftovers(const std::filesystem::path& folder,
                                      std::chrono::seconds minAge = std::chrono::seconds(30));

} // namespace tessaly
