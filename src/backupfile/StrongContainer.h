// StrongContainer.h -- the strong backup file: an Argon2id-derived key and a XChaCha20-Poly1305 secret
// stream.
#pragma once

#include "backupfile/BackupContainer.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace tessaly {

inline constexpr char kStrongMagic[8] = {'\x89', 'T', 'S', 'Y', '\r', '\n', '\x1a', '\n'};
inline constexpr std::uint8_t kStrongVersion = 1;
inline constexpr std::uint8_t kKdfArgon2id13 = 1;
inline constexpr std::size_t kStrongHeaderSize = 112;
inline constexpr std::size_t kStrongChunk = 65536;
// Ends every strong file. Its 0xFF bytes sit where a password trailer keeps hex digits and its zero
// byte, so no reader of the compatible format can take a strong file for one of its own.
inline constexpr char kStrongEndMark[8] = {'T', 'S', 'Y', 'E', 'N', 'D', '\xff', '\xff'};

// Argon2id cost. A file asking for more than the caps is refused before any work.
struct KdfParameters {
    std::uint32_t opslimit = 12; // about 0.35 s on an idle machine of the kind this is built on
    std::uint64_t memlimit = std::uint64_t{64} << 20;
};
inline constexpr std::uint32_t kMaxOpslimit = 20;
inline constexpr std::uint64_t kMaxMemlimit = std::uint64_t{256} << 20;
// opslimit x memlimit: four times the default's work, so a forged header costs at most a second or two
// and 256 MiB before the password is found wrong.
inline constexpr std::uint64_t kMaxKdfWork = 4 * std::uint64_t{12} * (std::uint64_t{64} << 20);
// The shortest strong file: the header, an empty last chunk and the end mark.
inline constexpr std::uint64_t kStrongMinimumSize = kStrongHeaderSize + 17 + sizeof kStrongEndMark;

// True when a file may ask for this key derivation: within the library's minimums and Tessaly's caps.
bool kdfWithinLimits(std::uint64_t opslimit, std::uint64_t memlimit);

// True when the file starts with the strong magic. Never throws.
bool hasStrongHeader(const std::filesystem::path& file);

// True when the file ends with the strong end mark. Never throws.
bool endsWithStrongMark(const std::filesystem::path& file);

// While one lives, the keys derived for a strong file are kept (in locked memory, wiped when it goes),
// and a file of the same salt, key derivation parameters and password takes them instead of deriving them
// again: a backup run that seals a file and then reads it back pays for one key derivation, not two. At
// most one is in effect at a time; another made meanwhile does nothing.
class StrongKeyMemo {
public:
    StrongKeyMemo();
    ~StrongKeyMemo();
    StrongKeyMemo(const StrongKeyMemo&) = delete;
    StrongKeyMemo& operator=(const StrongKeyMemo&) = delete;
    // How many key derivations it has saved.
    int reused() const;

    struct Entries; // what it holds, in locked memory

private:
    std::unique_ptr<Entries> entries_;
};

// Encrypts an archive handed over in order into a new strong file: the key derivation and the header
// come first, then every full 64 KiB of archive is encrypted as it arrives. One thread at a time.
class StrongSealer {
public:
    // Creates `out` (created new, mode 0600, never through a link) and writes its header. Throws
    // ContainerError (WrongPassword) for an empty password, std::invalid_argument for parameters outside
    // the limits, std::runtime_error for I/O.
    StrongSealer(const std::filesystem::path& out, const std::string& password, const KdfParameters& kdf);
    ~StrongSealer();
    StrongSealer(const StrongSealer&) = delete;
    StrongSealer& operator=(const StrongSealer&) = delete;

    void add(const char* data, std::size_t n);
    // The rest as the last chunk, the end mark, and the file flushed to the disk.
    void finish();
    std::uint64_t added() const;

private:
    struct State;
    std::unique_ptr<State> s_;
};

// Encrypts the archive into `out` (created new, mode 0600, never through a link). Throws ContainerError
// (WrongPassword) for an empty password, std::runtime_error for I/O.
void sealStrong(const std::filesystem::path& archive, const std::filesystem::path& out,
                const std::string& password, const KdfParameters& kdf, Ui& ui);

// Reads the header and checks the password's key-check value (one key derivation); nothing decrypted.
// A failure to read the file or to run the key derivation is thrown, never reported as a check.
BackupFileCheck checkStrong(const std::filesystem::path& file, const std::string& password);

// Decrypts the whole file into `archive`. Throws ContainerError; `archive` is removed on any failure.
void openStrong(const std::filesystem::path& file, const std::string& password,
                const std::filesystem::path& archive, Ui& ui);

} // namespace tessaly
