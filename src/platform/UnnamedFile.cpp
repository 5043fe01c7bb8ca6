// UnnamedFile.cpp -- O_TMPFILE, or create-and-unlink where the file system has no O_TMPFILE.
#include "platform/UnnamedFile.h"

#include "platform/OwnerMark.h"
#include "platform/TempFiles.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace tessaly {

UnnamedFile::UnnamedFile(std::initializer_list<std::filesystem::path> folders) {
    if (folders.size() == 0)
        throw std::invalid_argument("an unnamed file needs a folder");
    for (const std::filesystem::path& folder : folders)
        if ((fd_ = ::open(folder.c_str(), O_RDWR | O_TMPFILE | O_CLOEXEC, 0600)) >= 0)
            break;
    const std::filesystem::path& folder = *folders.begin();
    if (fd_ < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
            const std::filesystem::path name = folder / randomHexName(".tessaly-", ".tmp");
            fd_ = createNewFile(name, 0600, true);
            if (fd_ >= 0)
                ::unlink(name.c_str());
            else if (errno != EEXIST)
                break;
        }
    }
    if (fd_ < 0)
        throw std::runtime_error("Cannot create a temporary file in " + folder.string() + ": " +
                                 std::strerror(errno));
    path_ = "/proc/self/fd/" + std::to_string(fd_);
}

UnnamedFile::~UnnamedFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

} // namespace tessaly
