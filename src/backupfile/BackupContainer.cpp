// BackupContainer.cpp -- choosing the container of a backup file and sealing or opening it.
#include "backupfile/BackupContainer.h"

#include "backupfile/Scrambler.h"

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
    return Protection::Compatible;
}

void sealArchive(const std::filesystem::path& archive, const std::filesystem::path& out,
                 const std::string& password, Protection protection, const CodePage& codePage, Ui& ui) {
    if (protection == Protection::Strong)
        throw ContainerError(BackupFileCheck::NotABackupFile, "the strong format cannot be written yet");
    std::filesystem::copy_file(archive, out, std::filesystem::copy_options::overwrite_existing);
    ScrambleFile(out, password, true, {}, codePage, ui);
}

BackupFileCheck checkContainer(const std::filesystem::path& file, const std::string& password,
                               const CodePage& codePage) {
    return checkBackupFile(file, password, codePage);
}

void openArchive(const std::filesystem::path& file, const std::string& password,
                 const std::filesystem::path& archive, const CodePage& codePage, Ui& ui) {
    BackupFileCheck check = checkContainer(file, password, codePage);
    if (check != BackupFileCheck::Ok)
        throw ContainerError(check, describe(check, file));
    ScrambleFile(file, password, false, archive, codePage, ui);
}

} // namespace tessaly
