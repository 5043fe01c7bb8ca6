// RestoreDriver.cpp -- inspection of a backup file and the restore run.
#include "engine/RestoreDriver.h"

#include "archive/CGmodule.h"
#include "backupfile/InfoFile.h"
#include "backupfile/Scrambler.h"
#include "engine/BackupItems.h"
#include "engine/ItemHandlers.h"
#include "platform/TempFiles.h"
#include "platform/WineServer.h"

namespace tessaly {

InspectionView RestoreDriver::inspect(const std::filesystem::path& file) {
    InspectionView view;
    std::error_code ec;
    if (!state_.TempArchivePath.empty())
        std::filesystem::remove(state_.TempArchivePath, ec);
    const CodePage& cp = session_.codePage();
    if (!CheckPassword(state_.rtPassword, file, cp)) {
        if (auto typed = ui_.askPassword())
            state_.rtPassword = *typed;
        if (!CheckPassword(state_.rtPassword, file, cp)) {
            // The earlier file's temporary archive is gone: nothing counts as opened any more.
            state_.InspectionInvalid = true;
            ui_.messageBox("Incorect Password or Invalid backup file", kAppTitle, MsgIcon::Information,
                           MsgButtons::Ok);
            return view;
        }
    }
    // Each step may fail on a damaged file; what could be read is shown, and the flags decide.
    try {
        if (state_.TempArchivePath.empty())
            state_.TempArchivePath = sGetTempFile("KV").string();
        ScrambleFile(file, state_.rtPassword, false, state_.TempArchivePath, cp, ui_);
        view.opened = true;
    } catch (const std::exception&) {
    }
    view.sourcePath = file.string();
    const std::filesystem::path info = state_.InfoFilePath;
    try {
        UnzipToFolder(state_.TempArchivePath, info.parent_path().string(), ZipNameList{kInfoFileName},
                      std::nullopt, &ui_);
    } catch (const std::exception&) {
    }
    auto get = [&](const char* key) {
        try {
            return GetINI(key, info, cp);
        } catch (const std::exception&) {
            return std::string();
        }
    };
    view.details = "Computer:" + get("BackupComputer") + "\r\nUser:" + get("BackupLogonUser") +
                   "\r\nIdentity:" + get("BackupIdentity") + "\r\nDate:" + get("BackupTime");
    view.note = UnescapeNote(get("BackupInformation"));
    state_.ItemFlags = get("BackupItem");
    if (state_.ItemFlags.size() == kBackupItemCount) {
        for (int i = 0; i < kBackupItemCount; ++i) {
            bool present = state_.ItemFlags[i] == '1';
            view.enableItem[i] = present;
            if (present)
                state_.RecordedItemValue[i] = get(kBackupItems[i].infoKey.data());
        }
        std::filesystem::remove(info, ec);
        state_.InspectionInvalid = false;
    } else {
        std::filesystem::remove(info, ec);
        ui_.messageBox("Invalid backup file", kAppTitle, MsgIcon::Critical, MsgButtons::Ok);
        state_.InspectionInvalid = true;
        view.opened = false;
    }
    return view;
}

RestoreOutcome RestoreDriver::run(const std::array<bool, kBackupItemCount>& checked,
                                  const std::string& identityKey) {
    RestoreOutcome outcome;
    if (state_.InspectionInvalid || !std::filesystem::exists(state_.TempArchivePath)) {
        ui_.messageBox("Invalid backup file.", kAppTitle, MsgIcon::Critical, MsgButtons::Ok);
        return outcome;
    }
    bool any = false;
    for (bool b : checked)
        any = any || b;
    if (!any) {
        ui_.messageBox("Please select at least one item.", kAppTitle, MsgIcon::Exclamation, MsgButtons::Ok);
        return outcome;
    }
    // Wine would overwrite every registry change when its server exits: refuse before changing anything.
    if (wineserverRunning(session_.profile().prefix)) {
        ui_.messageBox(wineserverRunningMessage(session_.profile().prefix), kAppTitle, MsgIcon::Critical,
                       MsgButtons::Ok);
        return outcome;
    }
    outcome.started = true;
    int progress = 5;
    std::string notRestored;
    ui_.showProgress(true);
    ui_.setProgress(progress);
    ui_.pumpEvents();
    HandlerContext context{session_, state_, ui_, std::filesystem::path(state_.InfoFilePath).parent_path(),
                           ""};
    ItemHandlers handlers(context);
    for (int item = 0; item < kBackupItemCount; ++item) {
        const BackupItemInfo& about = kBackupItems[item];
        if (checked[item] && state_.ItemFlags.size() == kBackupItemCount && state_.ItemFlags[item] == '1') {
            // A stop is honoured between items only: an item is restored whole or not at all.
            if (outcome.stopped || ui_.stopRequested()) {
                outcome.stopped = true;
                outcome.notRestored[item] = true;
                notRestored += "\r\n" + std::string(about.restoreTitle);
                continue;
            }
            ui_.setStatusText(std::string(about.statusText));
            ui_.setProgressSpan(progress, progress + about.restoreProgress);
            bool ok = handlers.restore(item, identityKey);
            outcome.log += "\r\n" + std::string(about.restoreTitle) + "\t" + (ok ? "Successed" : "Fail");
            if (!ok)
                outcome.failures[item] = handlers.lastError();
        }
        if (about.restoreProgress)
            ui_.setProgress(progress += about.restoreProgress);
    }
    ui_.setProgress(100);
    ui_.setStatusText("Operation complete!");
    ui_.showProgress(false);
    ui_.setProgress(0);
    ui_.setStatusText("Please Waiting...");
    if (outcome.stopped)
        ui_.messageBox("The Restore was stopped.\r\n\r\nRestored:" + outcome.log +
                           "\r\n\r\nNot restored (left as they were):" + notRestored,
                       kAppTitle, MsgIcon::Information, MsgButtons::Ok);
    else
        ui_.messageBox("The Restore was Completed!\r\n" + outcome.log, kAppTitle, MsgIcon::Information,
                       MsgButtons::Ok);
    return outcome;
}

} // namespace tessaly
