// RestoreJournal.cpp -- records are lines of TAB-separated fields: "S dir" a staging folder, "M from to"
// a move of the next commit, "C" the moves before it are to be made, "D" they were made.
#include "engine/RestoreJournal.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessaly {

namespace {

std::string field(const fs::path& path) {
    std::string text = path.string();
    if (text.find_first_of("\t\n") != std::string::npos)
        throw std::runtime_error("cannot restore to " + text + ": the path holds a TAB or a line break");
    return text;
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

} // namespace

fs::path RestoreJournal::journalFile(const fs::path& prefix) {
    return prefix / ".tessaly-restore-journal";
}

RestoreJournal::RestoreJournal(fs::path prefix) : prefix_(std::move(prefix)), file_(journalFile(prefix_)) {
    fd_ = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0600);
    if (fd_ < 0)
        throw std::runtime_error("cannot write the restore journal " + file_.string() + ": " +
                                 std::strerror(errno));
}

RestoreJournal::~RestoreJournal() {
    std::error_code ec;
    for (const fs::path& folder : folders_)
        fs::remove_all(folder, ec);
    ::close(fd_);
    fs::remove(file_, ec);
}

void RestoreJournal::append(const std::string& record) {
    std::string line = record + "\n";
    if (::write(fd_, line.data(), line.size()) != static_cast<ssize_t>(line.size()) || ::fsync(fd_) != 0)
        throw std::runtime_error("cannot write the restore journal " + file_.string() + ": " +
                                 std::strerror(errno ? errno : ENOSPC));
}

fs::path RestoreJournal::stagingFolderFor(const fs::path& folder) {
    fs::path parent = folder;
    std::error_code ec;
    while (!fs::is_directory(parent, ec) && parent.has_relative_path())
        parent = parent.parent_path();
    fs::path staging =
        parent / (".tessaly-stage-" + std::to_string(::getpid()) + "-" + std::to_string(folders_.size() + 1));
    append("S\t" + field(staging));
    folders_.push_back(staging);
    if (!fs::create_directory(staging))
        throw std::runtime_error("cannot make the staging folder " + staging.string() + ": it exists");
    fs::permissions(staging, fs::perms::owner_all, ec);
    return staging;
}

void RestoreJournal::commit(const StagedMoves& moves) {
    for (const auto& [from, to] : moves)
        append("M\t" + field(from) + "\t" + field(to));
    append("C");
    for (const auto& [from, to] : moves)
        moveInPlace(from, to);
    append("D");
}

std::string RestoreJournal::recover(const fs::path& prefix) {
    const fs::path file = journalFile(prefix);
    std::ifstream in(file);
    if (!in)
        return "";
    std::vector<fs::path> folders;
    StagedMoves pending, committed;
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> f = splitTabs(line);
        if (f[0] == "S" && f.size() == 2)
            folders.emplace_back(f[1]);
        else if (f[0] == "M" && f.size() == 3)
            pending.emplace_back(f[1], f[2]);
        else if (f[0] == "C")
            committed = std::exchange(pending, {});
        else if (f[0] == "D")
            committed.clear();
    }
    // Only what this journal's own staging folders hold is ever moved or removed.
    auto staged = [&](const fs::path& path) {
        return path.filename().string().starts_with(".tessaly-stage-") &&
               std::find(folders.begin(), folders.end(), path) != folders.end();
    };
    std::string notice =
        "An interrupted restore was undone: the profile is as it was before its unfinished item.";
    for (const auto& [from, to] : committed) {
        std::error_code ec;
        if (staged(from.parent_path()) && fs::exists(from, ec)) {
            try {
                moveInPlace(from, to);
            } catch (const std::exception&) {
            }
        }
    }
    if (!committed.empty())
        notice = "An interrupted restore was completed: its last item's " + std::to_string(committed.size()) +
                 " file(s) were put in place.";
    std::error_code ec;
    for (const fs::path& folder : folders)
        if (staged(folder))
            fs::remove_all(folder, ec);
    fs::remove(file, ec);
    return notice;
}

} // namespace tessaly
