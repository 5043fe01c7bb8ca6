// BackupRunner.cpp -- one backup run from the first info-file line to the renamed, scrambled file.
#include "engine/BackupRunner.h"

#include "archive/ArchiveError.h"
#include "archive/CGmodule.h"
#include "archive/ZipSession.h"
#include "backupfile/InfoFile.h"
#include "backupfile/Scrambler.h"
#include "engine/BackupItems.h"
#include "engine/HandlerSupport.h"
#include "engine/ItemHandlers.h"
#include "platform/TempFiles.h"

#include <ctime>

namespace tessaly {

std::string generalDateTime(std::time_t when) {
    std::tm tm{};
    localtime_r(&when, &tm);
    int hour = tm.tm_hour % 12 == 0 ? 12 : tm.tm_hour % 12;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d/%d/%d %d:%02d:%02d %s", tm.tm_mon + 1, tm.tm_mday, tm.tm_year + 1900,
                  hour, tm.tm_min, tm.tm_sec, tm.tm_hour < 12 ? "AM" : "PM");
    return buf;
}

BackupResult runBackup(ProfileSession& session, MainWindowState& state, Ui& ui, const BackupPlan& plan) {
    BackupResult result;
    const std::filesystem::path info = state.InfoFilePath;
    const CodePage& cp = session.codePage();
    std::filesystem::path folder = plan.target.parent_path().empty() ? "." : plan.target.parent_path();

    RemoveOnExit infoFile(info);
    std::filesystem::path temp;
    try {
        temp = createTempFileIn(folder, "TSY");
    } catch (const std::exception& e) {
        throw BackupFailed("cannot create a file in " + folder.string() + ": " + e.what());
    }
    RemoveOnExit tempArchive(temp);
    std::filesystem::path scrambled = temp;
    scrambled += "E";
    RemoveOnExit tempScrambled(scrambled);

    int progress = 0;
    try {
        std::error_code ec;
        std::filesystem::remove(info, ec);
        for (const auto& [key, value] : plan.leadingEntries)
            SaveINI(key, value, info, cp);
        if (plan.interactive)
            ui.setProgress(progress += 10);

        ZipSession zip(temp.string(), &ui);
        HandlerContext context{session, state, ui, info.parent_path(), temp.string()};
        ItemHandlers handlers(context);
        for (int item = 0; item < kBackupItemCount; ++item) {
            const BackupItemInfo& about = kBackupItems[item];
            ui.throwIfStopped();
            if (plan.items[item]) {
                if (plan.interactive) {
                    ui.setStatusText(std::string(about.statusText));
                    ui.setProgressSpan(progress, progress + about.backupProgress);
                }
                bool ok = handlers.backup(item, plan.identityKey);
                result.itemFlags += ok ? '1' : '0';
                result.log += "\r\n" + std::string(about.backupTitle) + "\t" + (ok ? "Successed" : "Fail");
                if (!ok)
                    result.failures[item] = handlers.lastError();
            } else {
                result.itemFlags += '0';
            }
            if (plan.interactive && about.backupProgress)
                ui.setProgress(progress += about.backupProgress);
        }
        ui.throwIfStopped();
        // Writing the archive reports its bytes too, with the bar where the items left it.
        ui.setProgressSpan(progress, progress);
        SaveINI("BackupItem", result.itemFlags, info, cp);
        if (!ZipOneFile(temp.string(), info.string()))
            throw BackupFailed("the info file could not be added to the archive");
        zip.finish();
        ScrambleFile(temp, plan.password, true, {}, cp, ui);
        std::filesystem::rename(temp, plan.target);
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

} // namespace tessaly
