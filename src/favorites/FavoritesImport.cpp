// FavoritesImport.cpp -- planning the folders and shortcut files of an import, and writing them with undo.
#include "favorites/FavoritesImport.h"

#include "favorites/FavoritesFolder.h"
#include "favorites/FavoritesNames.h"
#include "favorites/FavoritesShortcut.h"
#include "platform/Utf8.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tessaly {

namespace {

// What a folder holds, by name folded for comparison without regard to case.
struct Entry {
    enum class Type { Folder, File, Other };
    std::string name; // as it is (or will be) on disk
    Type type = Type::Other;
    bool fromImport = false; // made by this import
    bool claimed = false;    // a shortcut this import already writes
};
using Entries = std::map<std::string, Entry>;

std::string hostOf(std::string_view url) {
    const std::size_t slashes = url.find("//");
    if (slashes == std::string_view::npos || url.find(':') > slashes)
        return std::string(url);
    std::string_view rest = url.substr(slashes + 2);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    if (const std::size_t at = rest.rfind('@'); at != std::string_view::npos)
        rest.remove_prefix(at + 1);
    if (!rest.starts_with('['))
        rest = rest.substr(0, rest.find(':'));
    return std::string(rest);
}

class Planner {
public:
    std::vector<FavoritesImportStep> plan(const BookmarkNode& root, const fs::path& folder) {
        std::error_code ec;
        const fs::file_status status = fs::status(folder, ec);
        bool onDisk = fs::exists(status);
        if (onDisk && !fs::is_directory(status))
            throw FavoritesError("the favorites folder " + folder.string() + " is not a folder");
        if (!onDisk)
            makeMissingFolders(folder);
        planFolder(root, folder, onDisk);
        return std::move(steps_);
    }

private:
    void makeMissingFolders(const fs::path& folder) {
        std::vector<fs::path> missing;
        std::error_code ec;
        for (fs::path p = folder; !p.empty() && !fs::exists(fs::symlink_status(p, ec)); p = p.parent_path()) {
            missing.push_back(p);
            if (p == p.parent_path())
                break;
        }
        for (auto it = missing.rbegin(); it != missing.rend(); ++it)
            addStep({FavoritesImportStep::Kind::MakeFolder, *it, {}, 0, false});
    }

    Entries& entriesOf(const fs::path& dir, bool onDisk) {
        auto [it, added] = folders_.try_emplace(dir.string());
        if (!added || !onDisk)
            return it->second;
        std::error_code ec;
        fs::directory_iterator list(dir, ec);
        for (; !ec && list != fs::directory_iterator(); list.increment(ec)) {
            const fs::file_status status = list->symlink_status(ec);
            if (ec)
                break;
            Entry entry;
            entry.name = list->path().filename().string();
            entry.type = fs::is_directory(status)      ? Entry::Type::Folder
                         : fs::is_regular_file(status) ? Entry::Type::File
                                                       : Entry::Type::Other;
            it->second.emplace(utf8::foldCase(entry.name), std::move(entry));
        }
        if (ec)
            throw FavoritesError("the folder " + dir.string() + " cannot be read: " + ec.message());
        return it->second;
    }

    void planFolder(const BookmarkNode& node, const fs::path& dir, bool onDisk) {
        Entries& entries = entriesOf(dir, onDisk);
        for (const BookmarkNode& child : node.children) {
            if (child.isFolder()) {
                const std::string name = windowsSafeName(child.toolbar ? "Links" : child.name, "New Folder");
                FolderSource source = FolderSource::New;
                const fs::path path = dir / folderName(entries, name, onDisk, source);
                if (source == FolderSource::New)
                    addStep({FavoritesImportStep::Kind::MakeFolder,
                             path,
                             {},
                             child.lastModified ? child.lastModified : child.addDate,
                             false});
                planFolder(child, path, source == FolderSource::OnDisk);
            } else {
                const std::string stem = windowsSafeName(
                    child.name.empty() ? windowsSafeName(hostOf(child.url), "Untitled") : child.name,
                    "Untitled");
                bool replaces = false;
                const fs::path path = dir / shortcutName(entries, stem, replaces);
                addStep({FavoritesImportStep::Kind::WriteShortcut, path, shortcutFileText(child.url),
                         child.lastModified ? child.lastModified : child.addDate, replaces});
            }
        }
    }

    enum class FolderSource { New, Planned, OnDisk };

    // The folder to use: one of that name on disk or made earlier by this import, else a new one
    // under a free name.
    static std::string folderName(Entries& entries, const std::string& name, bool parentOnDisk,
                                  FolderSource& source) {
        for (unsigned n = 1;; ++n) {
            const std::string candidate = n == 1 ? name : numberedName(name, n);
            auto [it, added] = entries.try_emplace(utf8::foldCase(candidate));
            if (added) {
                it->second = Entry{candidate, Entry::Type::Folder, true, false};
                source = FolderSource::New;
                return candidate;
            }
            if (it->second.type == Entry::Type::Folder) {
                source =
                    parentOnDisk && !it->second.fromImport ? FolderSource::OnDisk : FolderSource::Planned;
                return it->second.name;
            }
        }
    }

    // The shortcut to write: an existing shortcut of that name is replaced once; a name this import
    // already used, or one that a folder or other file holds, gets a number.
    static std::string shortcutName(Entries& entries, const std::string& stem, bool& replaces) {
        for (unsigned n = 1;; ++n) {
            const std::string candidate = (n == 1 ? stem : numberedName(stem, n)) + ".url";
            auto [it, added] = entries.try_emplace(utf8::foldCase(candidate));
            if (added) {
                it->second = Entry{candidate, Entry::Type::File, true, true};
                replaces = false;
                return candidate;
            }
            if (it->second.type == Entry::Type::File && !it->second.claimed) {
                it->second.claimed = true;
                replaces = true;
                return it->second.name;
            }
        }
    }

    void addStep(FavoritesImportStep step) {
        if (step.path.native().size() >= PATH_MAX)
            throw FavoritesError("the path " + step.path.string() +
                                 " would be longer than the system allows");
        steps_.push_back(std::move(step));
    }

    std::map<std::string, Entries> folders_;
    std::vector<FavoritesImportStep> steps_;
};

struct Undo {
    enum class Kind { RemoveFolder, RemoveFile, Restore };
    Kind kind;
    fs::path path;
    std::string oldContents;
    std::optional<fs::file_time_type> oldTime;
    std::optional<fs::perms> oldPerms;
};

std::string readExisting(const fs::path& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        throw std::runtime_error("cannot read " + path.string() + ": " + std::strerror(errno));
    std::string bytes;
    char buffer[16384];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.append(buffer, got);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed)
        throw std::runtime_error("cannot read " + path.string());
    return bytes;
}

void undoStep(const Undo& undo) {
    std::error_code ec;
    switch (undo.kind) {
    case Undo::Kind::RemoveFolder:
        if (!fs::remove(undo.path, ec) && ec)
            throw std::runtime_error("cannot remove " + undo.path.string() + ": " + ec.message());
        break;
    case Undo::Kind::RemoveFile:
        if (!fs::remove(undo.path, ec) && ec)
            throw std::runtime_error("cannot remove " + undo.path.string() + ": " + ec.message());
        break;
    case Undo::Kind::Restore:
        writeShortcutFile(undo.path, undo.oldContents);
        if (undo.oldTime)
            fs::last_write_time(undo.path, *undo.oldTime, ec);
        if (undo.oldPerms)
            fs::permissions(undo.path, *undo.oldPerms, ec);
        break;
    }
}

void doStep(const FavoritesImportStep& step, const ShortcutWriter& write, std::vector<Undo>& undo) {
    std::error_code ec;
    if (step.kind == FavoritesImportStep::Kind::MakeFolder) {
        if (!fs::create_directory(step.path, ec))
            throw std::runtime_error("cannot create the folder " + step.path.string() + ": " +
                                     (ec ? ec.message() : std::string("something else has that name")));
        undo.push_back({Undo::Kind::RemoveFolder, step.path, {}, {}, {}});
        return;
    }
    std::optional<fs::perms> perms;
    if (step.replaces) {
        Undo restore{Undo::Kind::Restore, step.path, readExisting(step.path), {}, {}};
        if (auto time = fs::last_write_time(step.path, ec); !ec)
            restore.oldTime = time;
        if (auto status = fs::status(step.path, ec); !ec)
            restore.oldPerms = perms = status.permissions();
        undo.push_back(std::move(restore));
        write(step.path, step.contents);
    } else {
        // Registered first: a write that fails half-way may still leave the file behind.
        undo.push_back({Undo::Kind::RemoveFile, step.path, {}, {}, {}});
        write(step.path, step.contents);
    }
    if (perms)
        fs::permissions(step.path, *perms, ec);
    if (step.modified > 0)
        setModificationSeconds(step.path, step.modified, ec);
}

} // namespace

std::vector<FavoritesImportStep> planFavoritesImport(const BookmarkNode& root, const fs::path& folder) {
    return Planner().plan(root, folder);
}

namespace {

// Writes the whole contents to a file that must not exist yet; false (errno EEXIST) when it does.
bool writeNewFile(const fs::path& path, std::string_view contents) {
    std::FILE* f = std::fopen(path.c_str(), "wbx");
    if (!f) {
        if (errno == EEXIST)
            return false;
        throw std::runtime_error("cannot create " + path.string() + ": " + std::strerror(errno));
    }
    const bool written = std::fwrite(contents.data(), 1, contents.size(), f) == contents.size();
    const int writeErrno = errno;
    const bool closed = std::fclose(f) == 0;
    const int closeErrno = errno;
    if (!written || !closed) {
        std::error_code ec;
        fs::remove(path, ec);
        throw std::runtime_error("cannot write " + path.string() + ": " +
                                 std::strerror(!written ? writeErrno : closeErrno));
    }
    return true;
}

} // namespace

void writeShortcutFile(const fs::path& path, std::string_view contents) {
    // A new shortcut is written in place: one file-system entry per shortcut keeps large imports
    // quick, and an import that fails removes it again.
    if (writeNewFile(path, contents))
        return;
    static std::atomic<unsigned> counter{0};
    const fs::path temp = path.parent_path() /
                          (".tessaly-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp");
    if (!writeNewFile(temp, contents))
        throw std::runtime_error("cannot create " + temp.string() + ": " + std::strerror(EEXIST));
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw std::runtime_error("cannot write " + path.string() + ": " + ec.message());
    }
}

void applyFavoritesImport(const std::vector<FavoritesImportStep>& steps, const ShortcutWriter& write) {
    std::vector<Undo> undo;
    // Adding and removing entries changes a folder's time; an undone import puts those back too.
    std::map<fs::path, fs::file_time_type> folderTimes;
    try {
        for (const FavoritesImportStep& step : steps) {
            const fs::path parent = step.path.parent_path();
            std::error_code ec;
            if (!folderTimes.count(parent))
                if (auto time = fs::last_write_time(parent, ec); !ec)
                    folderTimes.emplace(parent, time);
            doStep(step, write, undo);
        }
    } catch (const std::exception& e) {
        std::string undoFailures;
        for (auto it = undo.rbegin(); it != undo.rend(); ++it) {
            try {
                undoStep(*it);
            } catch (const std::exception& u) {
                undoFailures += std::string("; ") + u.what();
            }
        }
        std::error_code ignored;
        for (const auto& [folder, time] : folderTimes)
            fs::last_write_time(folder, time, ignored);
        if (!undoFailures.empty())
            throw FavoritesUndoError(std::string(e.what()) +
                                     ", and the favorites could not all be put back as they were" +
                                     undoFailures);
        throw FavoritesError(e.what());
    }
    // Writing into a folder changes its time, so the new folders are dated last, innermost first.
    std::error_code ec;
    for (auto it = steps.rbegin(); it != steps.rend(); ++it)
        if (it->kind == FavoritesImportStep::Kind::MakeFolder && it->modified > 0)
            setModificationSeconds(it->path, it->modified, ec);
}

} // namespace tessaly
