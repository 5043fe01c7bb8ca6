// BackupContainer.cpp -- choosing the container of a backup file and sealing or opening it.
#include "backupfile/BackupContainer.h"

#include "backupfile/ScrambledInput.h"
#include "backupfile/Scrambler.h"
#include "backupfile/StrongContainer.h"

namespace tessaly {

std::optional<Protection> protectionFromName(const std::string& name) {
    if (name == "compatible")
        return Protection::Compatible;
    if (name == "strong")
        return Protection::Strong;
    return std::nullopt;
}

std::string protectionName(Protection protection) {
    return protection == Protection::Strong ? "strong" : "compatible";
}

std::string describeProtection(Protection protection) {
    return protection == Protection::Strong
               ? "strong: Argon2id, XChaCha20-Poly1305"
               : "compatible: scrambled only, opens without the password with little effort";
}

std::optional<Protection> detectProtection(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        return std::nullopt;
    return hasStrongHeader(file) ? Protection::Strong : Protection::Compatible;
}

void sealArchive(const std::filesystem::path& archive, const std::filesystem::path& out,
                 const std::string& password, Protection protection, const CodePage& codePage, Ui& ui) {
    if (protection == Protection::Strong)
        sealStrong(archive, out, password, KdfParameters{}, ui);
    else
        scrambleInto(archive, out, password, codePage, ui);
}

namespace {

// A strong file whose magic was damaged reaches the compatible reader; its end mark still tells.
BackupFileCheck checkCompatible(const std::filesystem::path& file, const std::string& password,
                                const CodePage& codePage, std::string* why) {
    BackupFileCheck check = checkBackupFile(file, password, codePage);
    if (check == BackupFileCheck::NotABackupFile && endsWithStrongMark(file)) {
        if (why)
            *why = file.string() + " is damaged: it ends like a strong backup file, but its header's magic "
                                   "is wrong";
        return BackupFileCheck::Damaged;
    }
    if (why)
        *why = describe(check, file);
    return check;
}

} // namespace

namespace {

// A file that is there but cannot be opened is said so, not taken for a damaged backup file.
void throwIfUnreadable(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        return; // the readers say "there is no file"
    if (int error = readError(file))
        throw ContainerError(BackupFileCheck::Unreadable, describeUnreadable(file, error));
}

} // namespace

BackupFileCheck checkContainer(const std::filesystem::path& file, const std::string& password,
                               const CodePage& codePage) {
    try {
        throwIfUnreadable(file);
    } catch (const ContainerError& e) {
        return e.check;
    }
    if (detectProtection(file) == Protection::Strong)
        return checkStrong(file, password);
    return checkCompatible(file, password, codePage, nullptr);
}

void openArchive(const std::filesystem::path& file, const std::string& password,
                 const std::filesystem::path& archive, const CodePage& codePage, Ui& ui) {
    throwIfUnreadable(file);
    if (detectProtection(file) == Protection::Strong)
        return openStrong(file, password, archive, ui);
    std::string why;
    BackupFileCheck check = checkCompatible(file, password, codePage, &why);
    if (check != BackupFileCheck::Ok)
        throw ContainerError(check, why);
    try {
        ScrambleFile(file, password, false, archive, codePage, ui);
    } catch (...) {
        std::error_code ec;
        std::filesystem::remove(archive, ec);
        throw;
    }
}

ReadableBackup openBackupForReading(const std::filesystem::path& file, const std::string& password,
                                    const std::filesystem::path& workDir, const CodePage& codePage, Ui& ui) {
    throwIfUnreadable(file);
    if (detectProtection(file) == Protection::Strong) {
        auto plain = std::make_unique<UnnamedFile>(workDir);
        openStrong(file, password, plain->path(), ui);
        ArchiveSource archive(plain->path());
        return {std::move(plain), std::move(archive)};
    }
    std::string why;
    BackupFileCheck check = checkCompatible(file, password, codePage, &why);
    if (check != BackupFileCheck::Ok)
        throw ContainerError(check, why);
    return {nullptr, scrambledArchive(file, password, codePage)};
}

} // namespace tessaly
