// BackupRunner.cpp -- one backup run from the first info-file line to the renamed, sealed file.
#include "engine/BackupRunner.h"

#include "archive/ArchiveError.h"
#include "archive/CGmodule.h"
#include "archive/ZipSession.h"
#include "backupfile/InfoFile.h"
#include "backupfile/ScrambledOutput.h"
#include "backupfile/StrongContainer.h"
#include "backupfile/StrongOutput.h"
#include "engine/BackupItems.h"
#include "engine/HandlerSupport.h"
#include "engine/ItemHandlers.h"
#include "engine/PreviousBackup.h"
#include "engine/history/BackupHistory.h"
#include "engine/history/StoreFacts.h"
#include "platform/Leftovers.h"
#include "platform/TargetFile.h"
#include "platform/TempFiles.h"
#include "platform/WindowsProfile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <ctime>
#include <memory>

namespace tessaly {

namespace {
// Where the bar stands once the first info-file entries are written.
constexpr int kFirstEntriesPercent = 1;
} // namespace

std::string generalDateTime(std::time_t when) {
    std::tm tm{};
    localtime_r(&when, &tm);
    int hour = tm.tm_hour % 12 == 0 ? 12 : tm.tm_hour % 12;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d/%d/%d %d:%02d:%02d %s", tm.tm_mon + 1, tm.tm_mday, tm.tm_year + 1900,
                  hour, tm.tm_min, tm.tm_sec, tm.tm_hour < 12 ? "AM" : "PM");
    return buf;
}

namespace {

// The new file did not read back after members were copied from the previous backup, which may itself
// have been damaged since it was written.
struct TakenOverUnreadable {};

BackupResult runBackupOnce(ProfileSession& session, MainWindowState& state, Ui& ui, const BackupPlan& plan) {
    BackupResult result;
    const std::filesystem::path info = state.InfoFilePath;
    const CodePage& cp = session.codePage();
    // A target that is a link has the file it names replaced; the link stays.
    const std::filesystem::path target = resolveTargetLink(plan.target);
    std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    // A strong file is sealed and then read back: its key is derived once for both.
    StrongKeyMemo keys;

    // A backup may add a missing item key to the registry: it holds the profile like any change.
    std::unique_ptr<ProfileLock> lock;
    try {
        lock = session.lockForChanges("backup");
    } catch (const ProfileBusy& e) {
        throw BackupFailed(e.what());
    } catch (const ProfileReadOnly&) {
        // A Windows profile is only read: nothing of it changes, so there is nothing to lock.
    } catch (const ProfileLockFailed& e) {
        // A profile this user cannot write (a read-only prefix) cannot be changed either, so it is backed
        // up unlocked; any other failure (a link planted as the lock file) stops the run.
        if (e.error != EROFS && e.error != EACCES)
            throw BackupFailed(e.what());
    }

    if (int removed = removeLeftovers(folder); removed > 0 && plan.interactive)
        ui.setStatusText(leftoversNotice(removed));
    makeRoomForNewBackup(plan);
    RemoveOnExit infoFile(info);
    std::filesystem::path temp;
    try {
        // No plain archive is ever beside the target (maybe a shared folder or a stick): a strong one is
        // staged only in the private working folder, and the sealed file is renamed over the target.
        temp = createTempFileIn(info.parent_path(), "TSY");
    } catch (const std::exception& e) {
        throw BackupFailed(std::string("cannot create the archive in the working folder: ") + e.what());
    }
    RemoveOnExit tempArchive(temp);
    // The name beside the target is reserved and locked while this run lives, so that a later run
    // removes it (and its sealed "E" file) only when this one was killed.
    std::unique_ptr<OwnedTempFile> reserved;
    try {
        reserved = std::make_unique<OwnedTempFile>(folder, "TSY");
    } catch (const std::exception& e) {
        throw BackupFailed("cannot create a file in " + folder.string() + ": " + e.what());
    }
    // Sealed under the reserved name with "E" appended, created new with mode 0600.
    std::filesystem::path sealed = reserved->path();
    sealed += "E";
    RemoveOnExit tempSealed(sealed);

    try {
        std::error_code ec;
        std::filesystem::remove(info, ec);
        for (const auto& [key, value] : plan.leadingEntries)
            SaveINI(key, value, info, cp);
        if (plan.interactive)
            ui.setProgress(kFirstEntriesPercent);

        // The file is sealed while libzip writes the archive: a compatible one byte by byte, a strong one
        // by a second thread that follows the staged archive in the working folder.
        std::unique_ptr<ArchiveOutput> output;
        if (plan.protection == Protection::Compatible)
            output = std::make_unique<ScrambledOutput>(sealed, plan.password, cp);
        else
            output = std::make_unique<StrongOutput>(sealed, temp, plan.password, KdfParameters{},
                                                    [&ui] { ui.pumpEvents(); });
        // Declared before the session, which reads from it until it is written.
        std::unique_ptr<PreviousBackup> previous;
        if (!plan.full)
            previous =
                PreviousBackup::open(target, plan.password, plan.protection, info.parent_path(), cp, ui);
        ZipSession zip(temp.string(), std::move(output), &ui);
        if (previous)
            previous->lendTo(zip);
        HandlerContext context{session, state, ui, info.parent_path(), temp.string()};
        ItemHandlers handlers(context);
        // One byte scale over the whole bar: each item by the bytes it reads (a registry item by its
        // dump), then the writing of the archive, estimated at a quarter of them.
        std::array<double, kBackupItemCount> weight{};
        double itemBytes = 0;
        if (plan.interactive)
            for (int item = 0; item < kBackupItemCount; ++item)
                if (plan.items[item])
                    itemBytes += weight[item] =
                        double(std::max<std::uint64_t>(handlers.backupBytes(item, plan.identityKey), 1024));
        const double writeBytes = itemBytes / 4;
        auto at = [&](double bytes) {
            return kFirstEntriesPercent +
                   (100.0 - kFirstEntriesPercent) * bytes / std::max(itemBytes + writeBytes, 1.0);
        };
        double done = 0;
        for (int item = 0; item < kBackupItemCount; ++item) {
            const BackupItemInfo& about = kBackupItems[item];
            ui.throwIfStopped();
            if (plan.items[item]) {
                if (plan.interactive) {
                    ui.setStatusText(std::string(about.statusText));
                    ui.setProgressSpan(at(done), at(done + weight[item]));
                }
                bool ok = handlers.backup(item, plan.identityKey);
                result.itemFlags += ok ? '1' : '0';
                result.log += "\r\n" + std::string(about.backupTitle) + "\t" + (ok ? "Successed" : "Fail");
                if (!ok)
                    result.failures[item] = handlers.lastError();
                if (plan.interactive)
                    ui.setProgress(int(at(done += weight[item])));
            } else {
                result.itemFlags += '0';
            }
        }
        ui.throwIfStopped();
        ui.setProgressSpan(at(itemBytes), at(itemBytes));
        SaveINI("BackupItem", result.itemFlags, info, cp);
        // What the next run compares its files with.
        SaveINI(kMemberSourcesKey, formatMemberSources(zip.sources()), info, cp);
        const std::string storeFacts = GetINI(kStoreFactsKey, info, cp);
        if (!ZipOneFile(temp.string(), info.string()))
            throw BackupFailed("the info file could not be added to the archive");
        // Writing the archive reports the bytes copied of all members together, named after the file.
        if (plan.interactive) {
            ui.setStatusText("Writing the backup file...");
            ui.setProgressSpan(at(itemBytes), 100);
            zip.setCopyLabel(plan.target.filename().string());
        }
        result.takenOver = zip.takenOver();
        // The copied members are read back by their compressed bytes, against the CRC the earlier file
        // recorded for them when they were first written (and inflated).
        CopiedMembers copied;
        for (const MemberSource& s : zip.sources())
            if (std::find(result.takenOver.begin(), result.takenOver.end(), s.name) != result.takenOver.end())
                copied[s.name] = s.compressedCrc;
        try {
            // Copying a member whose local header was damaged fails here; one whose data was, on re-reading.
            zip.finish();
            applyReplacedMode(sealed, target);
            // Rotation and pruning happen beside the file a link names; the link stays.
            BackupPlan placed = plan;
            placed.target = target;
            // The shrink check reads the previous file's facts from what is open already.
            finishBackup(sealed, placed, result, storeFacts, info.parent_path(), cp, copied,
                         previous ? std::optional(previous->storeFacts()) : std::nullopt);
            if (plan.interactive)
                ui.setProgress(100);
        } catch (const std::exception&) {
            if (!result.takenOver.empty())
                throw TakenOverUnreadable{};
            throw;
        }
    } catch (const TakenOverUnreadable&) {
        throw;
    } catch (const BackupFailed&) {
        throw;
    } catch (const RunStopped&) {
        throw; // the temporary files go with their guards; the target was never touched
    } catch (const ArchiveError& e) {
        throw BackupFailed(e.description());
    } catch (const std::exception& e) {
        throw BackupFailed(e.what());
    }
    return result;
}

} // namespace

BackupResult runBackup(ProfileSession& session, MainWindowState& state, Ui& ui, const BackupPlan& plan) {
    try {
        return runBackupOnce(session, state, ui, plan);
    } catch (const TakenOverUnreadable&) {
        BackupPlan full = plan;
        full.full = true;
        return runBackupOnce(session, state, ui, full);
    }
}

} // namespace tessaly
