// BackupContainer.h -- sealing a finished zip archive into a backup file and opening it again, in either
// protection: the compatible scrambling with its password check trailer, or the strong encrypted format.
#pragma once

#include "archive/ArchiveInput.h"
#include "backupfile/BackupFileCheck.h"
#include "platform/CodePage.h"
#include "platform/Ui.h"
#include "platform/UnnamedFile.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace tessaly {

enum class Protection {
    Compatible, // scrambled with the password's keystream, MD5 trailer: opens without the password
    Strong,     // Argon2id key, XChaCha20-Poly1305 secret stream
};

// "compatible" / "strong"; nullopt for any other text.
std::optional<Protection> protectionFromName(const std::string& name);
std::string protectionName(Protection protection);
// The sentence that names a file's protection for the user.
std::string describeProtection(Protection protection);

// The protection a backup file's first bytes announce (Compatible when it has no strong magic);
// nullopt when the file cannot be read. Every reader asks this first; in addition no strong file can
// pass the compatible password check (see StrongContainer.h).
std::optional<Protection> detectProtection(const std::filesystem::path& file);

// Why sealing or opening failed; `check` says whether it was the password or the file.
class ContainerError : public std::runtime_error {
public:
    ContainerError(BackupFileCheck check, const std::string& what) : std::runtime_error(what), check(check) {}
    BackupFileCheck check;
};

// Writes the backup file `out` (created new, mode 0600, never through a link) from the plain archive
// `archive`. Progress goes to the Ui. Throws ContainerError (refused password: WrongPassword) or
// std::runtime_error (I/O); `out` may then hold a partial file that the caller removes.
void sealArchive(const std::filesystem::path& archive, const std::filesystem::path& out,
                 const std::string& password, Protection protection, const CodePage& codePage, Ui& ui);

// Checks the password against a backup file of either protection without writing anything. For a strong
// file this costs one key derivation (about half a second, 64 MiB); openArchive alone checks it too.
BackupFileCheck checkContainer(const std::filesystem::path& file, const std::string& password,
                               const CodePage& codePage);

// Writes the plain archive of the backup file `file` to `archive` (inside the caller's private folder).
// Throws ContainerError: WrongPassword, NotABackupFile, Missing, Unreadable (the file cannot be opened:
// "cannot read FILE: permission denied"), or Damaged (a strong file whose authentication fails, or that
// is cut short).
void openArchive(const std::filesystem::path& file, const std::string& password,
                 const std::filesystem::path& archive, const CodePage& codePage, Ui& ui);

// The archive of a backup file, to be read: a compatible file's is unscrambled as it is read, a strong
// file's is decrypted whole (which authenticates it) into `plain`, a file without a name.
struct ReadableBackup {
    std::unique_ptr<UnnamedFile> plain;
    ArchiveSource archive;
};
// The same checks and errors as openArchive; the strong file's archive goes into `workDir`.
ReadableBackup openBackupForReading(const std::filesystem::path& file, const std::string& password,
                                    const std::filesystem::path& workDir, const CodePage& codePage, Ui& ui);

} // namespace tessaly
