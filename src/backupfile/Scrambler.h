// Scrambler.h -- the password check trailer and the keystream scrambling of backup files.
#pragma once

#include "backupfile/VbRandom.h"
#include "platform/CodePage.h"
#include "platform/Ui.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

namespace tessaly {

class ScrambleError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr const char* kPasswordSalt = "RW.JT";
inline constexpr std::uint64_t kTrailerSize = 33;
inline constexpr std::size_t kScrambleChunk = 32768;

// The 32 lower-case hex digits of the MD5 of the password followed by the salt, in ANSI bytes.
std::string passwordDigest(const std::string& password, const CodePage& codePage);
// The keystream seed of a password: sum of position x code x 256 over the key's ANSI bytes,
// computed wide and reduced to signed 32 bits.
std::int32_t passwordSeed(const std::string& password, const CodePage& codePage);

// The keystream generator of a password, positioned at the archive's first byte.
VbRandom keystreamGenerator(const std::string& password, const CodePage& codePage);
// A whole period of a password's keystream, made once while any reader or writer of a file with that
// password holds it (a backup run reads the previous file, writes the new one and reads it back).
std::shared_ptr<const KeystreamTable> passwordKeystream(const std::string& password,
                                                        const CodePage& codePage);

// True when the file ends with the trailer of this password. Never throws.
bool CheckPassword(const std::string& password, const std::filesystem::path& file, const CodePage& codePage);

// Writes the backup file `out` (created new, mode 0600, never through a link) from the archive in one
// streaming pass: the scrambled archive, then the trailer, flushed to the disk. Throws ScrambleError.
void scrambleInto(const std::filesystem::path& archive, const std::filesystem::path& out,
                  const std::string& password, const CodePage& codePage, Ui& ui);

// Writing (scramble = true): turns the archive at `file` into a backup file in place. The scrambled
// copy is written beside it under the name with "E" appended, flushed, and renamed over the archive
// only when complete. Reading: writes the plain archive of the backup file `file` to `destination`.
// Progress goes to the Ui once per chunk; writing ends with RunStopped when the Ui asks for a stop. Throws
// ScrambleError when a file cannot be read or written; the archive (writing) or the backup file (reading) is
// then left as it was.
void ScrambleFile(const std::filesystem::path& file, const std::string& password, bool scramble,
                  const std::filesystem::path& destination, const CodePage& codePage, Ui& ui);

} // namespace tessaly
