// BackupFileCheck.cpp -- reading a backup file's trailer to say why it does not open.
#include "backupfile/BackupFileCheck.h"

#include "backupfile/Scrambler.h"

#include <fstream>

namespace tessaly {

BackupFileCheck checkBackupFile(const std::filesystem::path& file, const std::string& password,
                                const CodePage& codePage) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        return BackupFileCheck::Missing;
    if (CheckPassword(password, file, codePage))
        return BackupFileCheck::Ok;
    auto size = std::filesystem::file_size(file, ec);
    if (ec || size < kTrailerSize)
        return BackupFileCheck::NotABackupFile;
    std::ifstream in(file, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(size - kTrailerSize));
    std::string trailer(kTrailerSize, '\0');
    in.read(trailer.data(), static_cast<std::streamsize>(kTrailerSize));
    bool wellFormed = in && trailer.back() == '\0' &&
                      trailer.substr(0, 32).find_first_not_of("0123456789abcdef") == std::string::npos;
    return wellFormed ? BackupFileCheck::WrongPassword : BackupFileCheck::NotABackupFile;
}

std::string describe(BackupFileCheck check, const std::filesystem::path& file) {
    switch (check) {
    case BackupFileCheck::Ok:
        return file.string() + " opens with this password";
    case BackupFileCheck::Missing:
        return "there is no file " + file.string();
    case BackupFileCheck::NotABackupFile:
        return file.string() + " is not a backup file, or it is damaged or cut short (it does not end with a "
                               "password check)";
    case BackupFileCheck::Damaged:
        return file.string() + " is damaged or cut short";
    case BackupFileCheck::WrongPassword:
        return "wrong password for " + file.string() + " (or its password check is damaged)";
    }
    return "";
}

} // namespace tessaly
