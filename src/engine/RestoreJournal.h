// RestoreJournal.h -- a restore's record of its staging folders and moves, so that a restore killed at
// any moment is finished (when its item had begun moving files into place) or undone at the next start.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace tessaly {

// Staged file -> its final place.
using StagedMoves = std::vector<std::pair<std::filesystem::path, std::filesystem::path>>;

// The journal is a file in the profile's prefix, created new (never through a link); it only exists
// while a restore runs or after one was killed. The caller holds the profile lock.
class RestoreJournal {
public:
    explicit RestoreJournal(std::filesystem::path prefix);
    // Removes every staging folder and the journal.
    ~RestoreJournal();
    RestoreJournal(const RestoreJournal&) = delete;
    RestoreJournal& operator=(const RestoreJournal&) = delete;

    // A new, empty staging folder for files whose place is `folder`: inside it when it exists, else
    // inside its nearest existing parent (so that staged files reach their place by rename). Recorded
    // in the journal before it is made.
    std::filesystem::path stagingFolderFor(const std::filesystem::path& folder);

    // Puts staged files in place: records the moves, then renames each (creating the final folder);
    // a file takes the mode of the one it replaces (new ones 0600). A run killed in between has the
    // moves finished by recover(). Returns a warning when the files are in place but the journal could
    // not record it, else "".
    std::string commit(const StagedMoves& moves);

    // Finishes or undoes what a killed restore of this prefix left; a sentence for the status line
    // when there was something, else "". A journal that was not written for this prefix (copied with
    // it), is a link or another user's file is left alone, and nothing outside the prefix is touched;
    // a move that fails keeps the journal and the staged files and says which ones. The caller holds
    // the profile lock. Never throws.
    static std::string recover(const std::filesystem::path& prefix);

    static std::filesystem::path journalFile(const std::filesystem::path& prefix);

private:
    void append(const std::string& record);
    // `path` relative to the prefix; throws when it is outside it or cannot be recorded.
    std::string field(const std::filesystem::path& path) const;

    std::filesystem::path prefix_;
    std::filesystem::path file_;
    std::vector<std::filesystem::path> folders_;
    int fd_ = -1;
};

} // namespace tessaly
