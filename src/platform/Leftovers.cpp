// Leftovers.cpp -- finding the working folders and temporary files whose owning run has ended.
#include "platform/Leftovers.h"

#include "platform/OwnerMark.h"
#include "platform/TempFiles.h"

#include <cctype>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessaly {

namespace {

// lstat of `path`: a link is never taken for what it points to.
bool ownEntry(const fs::path& path, bool directory, struct stat& st) {
    return ::lstat(path.c_str(), &st) == 0 && st.st_uid == ::geteuid() &&
           (directory ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode));
}

bool charsMatch(const std::string& text, std::size_t from, std::size_t count, bool hexOnly) {
    if (text.size() < from + count)
        return false;
    for (std::size_t i = from; i < from + count; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (hexOnly ? !(std::isdigit(c) || (c >= 'A' && c <= 'F')) : !std::isalnum(c))
            return false;
    }
    return true;
}

// "tessaly-" and the six characters mkdtemp chose, nothing else.
bool isGeneratedFolderName(const std::string& name) {
    const std::string prefix = kWorkDirPrefix;
    return name.size() == prefix.size() + 6 && name.starts_with(prefix) &&
           charsMatch(name, prefix.size(), 6, false);
}

// "TSY", 16 hexadecimal digits, ".tmp": the reserved name of a backup beside its target.
bool isReservedBackupName(const std::string& name) {
    return name.size() == 3 + 16 + 4 && name.starts_with("TSY") && name.ends_with(".tmp") &&
           charsMatch(name, 3, 16, true);
}

bool removeWorkFolder(const fs::path& path, std::chrono::seconds minimumAge) {
    const std::string name = path.filename().string();
    struct stat st {};
    if (!name.starts_with(kWorkDirPrefix) || !ownEntry(path, true, st))
        return false;
    std::error_code ec;
    if (isAbandonedMark(path / kOwnerFileName, minimumAge))
        return fs::remove_all(path, ec) > 0 && !ec;
    // A run killed in the moment of making its folder left it empty, under the name mkdtemp gave it.
    return isGeneratedFolderName(name) && std::time(nullptr) - st.st_mtime >= minimumAge.count() &&
           ::rmdir(path.c_str()) == 0;
}

bool removeReservedBackup(const fs::path& path, std::chrono::seconds minimumAge) {
    struct stat st {};
    if (!isReservedBackupName(path.filename().string()) || !ownEntry(path, false, st) ||
        !isAbandonedMark(path, minimumAge))
        return false;
    // The sealed file beside the reservation ("E" appended) goes first: the reservation proves it ours.
    fs::path sealed = path;
    sealed += "E";
    if (ownEntry(sealed, false, st))
        ::unlink(sealed.c_str());
    return ::unlink(path.c_str()) == 0;
}

} // namespace

int removeLeftovers(const fs::path& folder, std::chrono::seconds minimumAge) {
    int removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path path = it->path();
        if (removeWorkFolder(path, minimumAge) || removeReservedBackup(path, minimumAge))
            ++removed;
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
