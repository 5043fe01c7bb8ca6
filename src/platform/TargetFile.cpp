// TargetFile.cpp -- following the target's links and carrying its mode over.
#include "platform/TargetFile.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace tessaly {

fs::path resolveTargetLink(const fs::path& target) {
    fs::path path = target;
    std::error_code ec;
    // Forty links, as the kernel allows, then the path is taken as it is (and the rename fails clearly).
    for (int depth = 0; depth < 40 && fs::is_symlink(path, ec); ++depth) {
        const fs::path next = fs::read_symlink(path, ec);
        if (ec)
            break;
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return path;
}

void applyReplacedMode(const fs::path& newFile, const fs::path& replaced) {
    mode_t mode = 0600;
    struct stat st {};
    if (::stat(replaced.c_str(), &st) == 0)
        mode &= st.st_mode;
    if (::chmod(newFile.c_str(), mode) != 0)
        throw std::runtime_error("cannot set the mode of " + newFile.string() + ": " + std::strerror(errno));
}

} // namespace tessaly
