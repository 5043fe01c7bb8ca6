// AnonymousFile.cpp -- O_TMPFILE files, tried folder by folder.
#include "platform/AnonymousFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace tessaly {

AnonymousFile::AnonymousFile(std::initializer_list<std::filesystem::path> folders) {
    int error = ENOENT;
    for (const std::filesystem::path& folder : folders) {
        fd_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd_ >= 0)
            return;
        error = errno;
    }
    throw std::runtime_error(std::string("cannot make a temporary file that has no name: ") +
                             std::strerror(error));
}

AnonymousFile::~AnonymousFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::filesystem::path AnonymousFile::path() const {
    return "/proc/self/fd/" + std::to_string(fd_);
}

} // namespace tessaly
