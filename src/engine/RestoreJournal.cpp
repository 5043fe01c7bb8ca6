// RestoreJournal.cpp -- records are lines of TAB-separated fields: "P dev ino" the prefix the journal
// belongs to (always first), "S dir" a staging folder, "M from to" a move of the next commit, "C" the
// moves before it are to be made, "D" they were made. Paths are relative to the prefix.
#include "engine/RestoreJournal.h"

#include "platform/OwnerMark.h"
#include "platform/TempFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessaly {

namespace {

constexpr const char* kStagePrefix = ".tessaly-stage-";
constexpr std::size_t kMaxJournalSize = 16 << 20;

std::string prefixIdentity(const fs::path& prefix) {
    struct stat st {};
    if (::stat(prefix.c_str(), &st) != 0)
        return {};
    return std::to_string(static_cast<unsigned long long>(st.st_dev)) + "\t" +
           std::to_string(static_cast<unsigned long long>(st.st_ino));
}

// A relative path without "." or ".." components: it cannot leave the folder it is taken from.
bool staysInside(const fs::path& relative) {
    if (relative.empty() || relative.is_absolute())
        return false;
    for (const fs::path& part : relative)
        if (part == ".." || part == "." || part.empty())
            return false;
    return true;
}

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        out.push_back(line.substr(start, tab - start));
    out.push_back(line.substr(start));
    return out;
}

void moveInPlace(const fs::path& from, const fs::path& to) {
    fs::create_directories(to.parent_path());
    fs::rename(from, to);
}

// True when `to` lies below `base` and no folder between them is a link: a staged file only ever goes into
// the folder its staging folder was made in, or below it.
bool reachableWithoutLinks(const fs::path& base, const fs::path& to) {
    const fs::path relative = to.lexically_relative(base);
    if (!staysInside(relative))
        return false;
    fs::path at = base;
    for (auto part = relative.begin(); part != relative.end() && std::next(part) != relative.end(); ++part) {
        at /= *part;
        struct stat st {};
        if (::lstat(at.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
            return false;
    }
    return true;
}

// What a killed restore recorded, read without following a link or blocking on a FIFO.
bool readJournal(const fs::path& file, std::string& text) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
              std::size_t(st.st_size) <= kMaxJournalSize;
    if (ok) {
        text.resize(std::size_t(st.st_size));
        ok = ::pread(fd, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size());
    }
    ::close(fd);
    return ok;
}

} // namespace

fs::path RestoreJournal::journalFile(const fs::path& prefix) {
    return prefix / ".tessaly-restore-journal";
}

RestoreJournal::RestoreJournal(fs::path prefix) : prefix_(std::move(prefix)), file_(journalFile(prefix_)) {
    fd_ = createNewFile(file_, 0600);
    if (fd_ < 0)
        throw std::runtime_error("cannot write the restore journal " + file_.string() + ": " +
                                 (errno == EEXIST ? std::string("an earlier restore left it and it could not "
                                                                "be finished; see the message at start-up")
                                                  : std::string(std::strerror(errno))));
    ::fcntl(fd_, F_SETFL, O_APPEND);
    try {
        append("P\t" + prefixIdentity(prefix_));
    } catch (...) {
        ::close(fd_);
        ::unlink(file_.c_str());
        throw;
    }
}

RestoreJournal::~RestoreJournal() {
    std::error_code ec;
    for (const fs::path& folder : folders_)
        fs::remove_all(folder, ec);
    ::close(fd_);
    fs::remove(file_, ec);
}

std::string RestoreJournal::field(const fs::path& path) const {
    const fs::path relative = path.lexically_normal().lexically_relative(prefix_.lexically_normal());
    std::string text = relative.string();
    if (!staysInside(relative))
        throw std::runtime_error("cannot restore to " + path.string() + ": it is outside the profile " +
                                 prefix_.string());
    if (text.find_first_of("\t\n") != std::string::npos)
        throw std::runtime_error("cannot restore to " + path.string() +
                                 ": the path holds a TAB or a line break");
    return text;
}

void RestoreJournal::append(const std::string& record) {
    std::string line = record + "\n";
    errno = 0;
    if (::write(fd_, line.data(), line.size()) != static_cast<ssize_t>(line.size()) || ::fsync(fd_) != 0)
        throw std::runtime_error("cannot write the restore journal " + file_.string() + ": " +
                                 std::strerror(errno ? errno : ENOSPC));
}

fs::path RestoreJournal::stagingFolderFor(const fs::path& folder) {
    fs::path parent = folder;
    std::error_code ec;
    while (!fs::is_directory(parent, ec) && parent.has_relative_path())
        parent = parent.parent_path();
    fs::path staging = parent / randomHexName(kStagePrefix, "");
    append("S\t" + field(staging));
    folders_.push_back(staging);
    if (::mkdir(staging.c_str(), 0700) != 0)
        throw std::runtime_error("cannot make the staging folder " + staging.string() + ": " +
                                 std::strerror(errno));
    return staging;
}

std::string RestoreJournal::commit(const StagedMoves& moves) {
    for (const auto& [from, to] : moves)
        append("M\t" + field(from) + "\t" + field(to));
    append("C");
    for (const auto& [from, to] : moves) {
        // A restored file keeps the mode of the file it replaces; a new one is private.
        struct stat st {};
        ::chmod(from.c_str(), ::stat(to.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0600);
        moveInPlace(from, to);
    }
    try {
        append("D");
    } catch (const std::exception& e) {
        // The files are in place; only a recovery after a kill would need the record, and it would
        // find nothing left to move.
        return std::string("The files were restored, but ") + e.what();
    }
    return {};
}

std::string RestoreJournal::recover(const fs::path& prefix) {
    const fs::path file = journalFile(prefix);
    std::string text;
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0)
        return "";
    if (!readJournal(file, text))
        return "The restore journal " + file.string() +
               " is not one Tessaly can read (a link, another user's file or too large); it was left as it "
               "is.";
    std::vector<std::vector<std::string>> records;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            break; // a record cut short by the kill was never acted on
        records.push_back(splitTabs(text.substr(start, end - start)));
        start = end + 1;
    }
    const std::string identity = prefixIdentity(prefix);
    if (records.empty() || records[0].size() != 3 || records[0][0] != "P" ||
        records[0][1] + "\t" + records[0][2] != identity)
        return "The restore journal " + file.string() +
               " was not written for this profile (it was copied or moved with it); nothing was changed. "
               "Remove it to restore into this profile again.";

    std::vector<fs::path> folders;
    StagedMoves pending, committed;
    auto inside = [&](const std::string& relative) -> std::optional<fs::path> {
        if (!staysInside(relative))
            return std::nullopt;
        return prefix / relative;
    };
    for (std::size_t i = 1; i < records.size(); ++i) {
        const auto& f = records[i];
        if (f[0] == "S" && f.size() == 2) {
            if (auto p = inside(f[1]); p && p->filename().string().starts_with(kStagePrefix))
                folders.push_back(*p);
        } else if (f[0] == "M" && f.size() == 3) {
            auto from = inside(f[1]), to = inside(f[2]);
            if (from && to)
                pending.emplace_back(*from, *to);
        } else if (f[0] == "C") {
            committed = std::exchange(pending, {});
        } else if (f[0] == "D") {
            committed.clear();
        }
    }
    // Only what this journal's own staging folders hold is ever moved or removed, and only into the
    // folder the staging folder was made in.
    auto staged = [&](const fs::path& path) {
        struct stat st {};
        return std::find(folders.begin(), folders.end(), path) != folders.end() &&
               ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    };
    std::string torn;
    for (const auto& [from, to] : committed) {
        std::error_code ec;
        if (!staged(from.parent_path()) || !fs::exists(from, ec))
            continue;
        if (!reachableWithoutLinks(from.parent_path().parent_path(), to)) {
            torn += (torn.empty() ? "" : "; ") + to.string() +
                    " (not in the folder its staged copy was made for)";
            continue;
        }
        try {
            moveInPlace(from, to);
        } catch (const std::exception& e) {
            torn += (torn.empty() ? "" : "; ") + to.string() + " (" + e.what() + ")";
        }
    }
    if (!torn.empty())
        return "An interrupted restore could not be completed: its last item is torn. These files could not "
               "be put in place: " +
               torn + ". Their staged copies and the journal " + file.string() + " are kept.";
    std::error_code ec;
    for (const fs::path& folder : folders)
        fs::remove_all(folder, ec);
    fs::remove(file, ec);
    if (!committed.empty())
        return "An interrupted restore was completed: its last item's " + std::to_string(committed.size()) +
               " file(s) were put in place.";
    return "An interrupted restore was undone: the profile is as it was before its unfinished item.";
}

} // namespace tessaly
