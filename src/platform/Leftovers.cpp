// Leftovers.cpp -- finding temporary files and folders whose owning run no longer holds their lock.
#include "platform/Leftovers.h"

#include "platform/TempFiles.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessaly {

namespace {

// True when nobody holds the lock of `lockFile` (a missing file has no holder).
bool unowned(const fs::path& lockFile) {
    int fd = ::open(lockFile.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return true;
    bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

bool oldEnough(const fs::path& path, std::chrono::seconds minimumAge) {
    std::error_code ec;
    auto changed = fs::last_write_time(path, ec);
    return !ec && fs::file_time_type::clock::now() - changed >= minimumAge;
}

bool isBackupTemp(const std::string& name) {
    auto hex = [](const std::string& s) {
        return !s.empty() && s.size() <= 4 && s.find_first_not_of("0123456789ABCDEF") == std::string::npos;
    };
    for (const char* ext : {".tmp", ".tmpE"}) {
        std::string e = ext;
        if (name.size() > 3 + e.size() && name.starts_with("TSY") && name.ends_with(e))
            return hex(name.substr(3, name.size() - 3 - e.size()));
    }
    return false;
}

} // namespace

int removeLeftovers(const fs::path& folder, std::chrono::seconds minimumAge) {
    int removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path path = it->path();
        const std::string name = path.filename().string();
        std::error_code kind;
        if (name.starts_with(kWorkDirPrefix) && it->is_directory(kind) && !it->is_symlink(kind)) {
            // Without an owner file a folder is either one a run was killed in the moment of making
            // (still empty: a live run makes its owner file at once) or one of an earlier version,
            // which only its age tells.
            std::error_code has;
            const fs::path owner = fs::exists(path / kOwnerFileName, has) ? path / kOwnerFileName : path;
            const bool empty = owner == path && fs::is_empty(path, has);
            const auto age =
                owner == path && !empty ? std::max(minimumAge, std::chrono::seconds(60)) : minimumAge;
            if (::access(path.c_str(), W_OK) != 0 || !oldEnough(owner, age) ||
                (owner != path && !unowned(owner)))
                continue;
            std::error_code rm;
            if (fs::remove_all(path, rm) > 0 && !rm)
                ++removed;
        } else if (isBackupTemp(name) && it->is_regular_file(kind)) {
            // A scrambled copy ("E") belongs to the file without the "E".
            fs::path owner =
                name.ends_with("E") ? path.parent_path() / name.substr(0, name.size() - 1) : path;
            if (!oldEnough(path, minimumAge) || !unowned(owner))
                continue;
            std::error_code rm;
            if (fs::remove(path, rm))
                ++removed;
        }
    }
    return removed;
}

std::string leftoversNotice(int count) {
    if (count == 0)
        return "";
    return "Removed " + std::to_string(count) + (count == 1 ? " temporary item" : " temporary items") +
           " left by an interrupted Tessaly run.";
}

} // namespace tessaly
