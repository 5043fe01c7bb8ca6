// BackupHistory.cpp -- re-reading, classifying and placing a finished backup file.
#include "engine/history/BackupHistory.h"

#include "engine/BackupItems.h"
#include "engine/history/BackupReread.h"
#include "engine/history/BackupSpace.h"

namespace tessaly {

void makeRoomForNewBackup(const BackupPlan& plan) {
    if (!plan.keep || plan.keep->empty())
        return;
    try {
        makeRoomForBackup(plan.target, *plan.keep, plan.time);
    } catch (const NoRoomForBackup& e) {
        throw BackupFailed(e.what());
    }
}

void finishBackup(const std::filesystem::path& sealed, const BackupPlan& plan, BackupResult& result,
                  const std::string& storeFacts, const std::filesystem::path& workDir,
                  const CodePage& codePage, const CopiedMembers& copied,
                  const std::optional<std::optional<std::vector<StoreFact>>>& previousFacts) {
    std::vector<std::string> problems = rereadBackup(sealed, plan.password, workDir, codePage, copied);
    if (!problems.empty()) {
        std::string text = "the new backup file did not read back correctly";
        for (const std::string& p : problems)
            text += "; " + p;
        throw BackupFailed(text);
    }
    bool complete = true;
    for (int i = 0; i < kBackupItemCount; ++i)
        if (plan.items[i] && result.itemFlags[i] != '1')
            complete = false;

    Placement how = !complete                          ? Placement::Partial
                    : plan.keep && !plan.keep->empty() ? Placement::Rotated
                                                       : Placement::Replaced;
    std::error_code ec;
    if (complete && plan.items[kItemMessages] && !plan.acceptShrink &&
        std::filesystem::is_regular_file(plan.target, ec)) {
        auto before = previousFacts ? *previousFacts
                                    : recordedStoreFacts(plan.target, plan.password, workDir, codePage);
        if (before) {
            result.shrunkStores = shrunkStores(*before, parseStoreFacts(storeFacts));
            if (!result.shrunkStores.empty())
                how = Placement::Suspect;
        }
    }
    try {
        result.placed = placeBackup(sealed, plan.target, plan.time, how, plan.keep);
    } catch (const std::exception& e) {
        throw BackupFailed(e.what());
    }
}

std::string describePlacement(const BackupResult& result) {
    const PlacedBackup& p = result.placed;
    switch (p.placement) {
    case Placement::Replaced:
        return "";
    case Placement::Rotated: {
        std::string text = "The earlier backup was kept as " + p.earlier.filename().string() + ".";
        if (p.earlier.empty())
            text.clear();
        if (!p.pruned.empty())
            text += std::string(text.empty() ? "" : " ") + std::to_string(p.pruned.size()) +
                    " earlier backup(s) beyond the retention policy were deleted.";
        return text;
    }
    case Placement::Partial:
        return "Not every item was backed up, so the earlier backups were left as they were and the new file "
               "was "
               "kept as " +
               p.file.filename().string() + ".";
    case Placement::Suspect: {
        std::string text = "Message stores lost more than half of their messages or size since the previous "
                           "backup:";
        for (const std::string& s : result.shrunkStores)
            text += "\r\n  " + s;
        text += "\r\nThe new file was kept as " + p.file.filename().string();
        if (!p.earlier.empty())
            text += " and the previous backup was pinned as " + p.earlier.filename().string();
        return text + ". If the change is intended, back up again with --accept-shrink.";
    }
    }
    return "";
}

} // namespace tessaly
