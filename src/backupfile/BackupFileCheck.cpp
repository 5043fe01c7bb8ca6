// BackupFileCheck.cpp -- reading a backup file's trailer to say why it does not open.
#include "backupfile/BackupFileCheck.h"

#include "backupfile/Scrambler.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <unistd.h>

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
    case BackupFileCheck::Unreadable:
        return describeUnreadable(file, readError(file));
    }
    return "";
}

std::string describeUnreadable(const std::filesystem::path& file, int error) {
    std::string why = std::strerror(error);
    if (!why.empty())
        why[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(why[0])));
    return "cannot read " + file.string() + ": " + why;
}

int readError(const std::filesystem::path& file) {
    // Non-blocking, so that a FIFO in the file's place does not hang the check.
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno;
    ::close(fd);
    return 0;
}

} // namespace tessaly
