// RestoreDriver.cpp -- inspection of a backup file and the restore run.
#include "engine/RestoreDriver.h"

#include "archive/ArchiveListing.h"
#include "archive/CGmodule.h"
#include "backupfile/BackupContainer.h"
#include "backupfile/InfoFile.h"
#include "engine/BackupAudit.h"
#include "engine/BackupItems.h"
#include "engine/HandlerSupport.h"
#include "engine/ItemHandlers.h"
#include "platform/TempFiles.h"
#include "platform/WineServer.h"

#include <algorithm>
#include <map>

namespace tessaly {

namespace {
// Where the bar stands when staging starts and ends; putting the items in place takes the rest.
constexpr double kStagingFrom = 5;
constexpr double kStagingTo = 90;
} // namespace

// The bytes of the members each wanted item extracts (at least 1 KB, so that every item moves the bar).
std::array<double, kBackupItemCount>
RestoreDriver::restoreWeights(const std::function<bool(int)>& wanted) const {
    std::map<std::string, std::uint64_t> sizes;
    try {
        for (const ArchiveMember& m : ListArchive(state_.TempArchivePath))
            sizes[m.name] = m.size;
    } catch (const std::exception&) {
        // Without a listing every item weighs the same.
    }
    std::array<double, kBackupItemCount> weight{};
    for (int item = 0; item < kBackupItemCount; ++item) {
        if (!wanted(item))
            continue;
        const std::string& value = state_.RecordedItemValue[item];
        std::vector<std::string> names;
        if (item == kItemMessages || item == kItemStationeries)
            names = splitNames(value);
        else
            names = {item == kItemAddressBook ? value : MemberNameOf(value)};
        std::uint64_t bytes = 0;
        for (const std::string& name : names)
            if (auto it = sizes.find(name); it != sizes.end())
                bytes += it->second;
        weight[item] = double(std::max<std::uint64_t>(bytes, 1024));
    }
    return weight;
}

InspectionView RestoreDriver::inspect(const std::filesystem::path& file) {
    InspectionView view;
    std::error_code ec;
    dropTempArchive(state_);
    const CodePage& cp = session_.codePage();
    const std::filesystem::path info = state_.InfoFilePath;
    auto open = [&] {
        try {
            // The plain archive has no name on disk: a kill or a quit leaves nothing of it readable.
            if (!state_.TempArchive) {
                state_.TempArchive = std::make_shared<UnnamedFile>(info.parent_path());
                state_.TempArchivePath = state_.TempArchive->path().string();
            }
            openArchive(file, state_.rtPassword, state_.TempArchivePath, cp, ui_);
            return BackupFileCheck::Ok;
        } catch (const ContainerError& e) {
            view.problem = e.what();
            return e.check;
        } catch (const std::exception& e) {
            view.problem = e.what();
            return BackupFileCheck::Damaged;
        }
    };
    view.check = open();
    // Without a typed password the same one would fail the same way (and cost a key derivation). A
    // wrong one asks again for the same file, up to kPasswordAttempts times; Cancel ends the asking.
    for (int attempt = 0;
         attempt < kPasswordAttempts && view.check != BackupFileCheck::Ok &&
         view.check != BackupFileCheck::Damaged && view.check != BackupFileCheck::Unreadable &&
         (attempt == 0 || view.check == BackupFileCheck::WrongPassword);
         ++attempt) {
        auto typed = ui_.askPasswordFor(file.string(), attempt > 0);
        if (!typed)
            break;
        state_.rtPassword = *typed;
        view.check = open();
    }
    if (view.check != BackupFileCheck::Ok) {
        // The earlier file's temporary archive is gone: nothing counts as opened any more.
        state_.InspectionInvalid = true;
        if (view.check == BackupFileCheck::Damaged || view.check == BackupFileCheck::Unreadable)
            ui_.messageBox(view.problem, kAppTitle, MsgIcon::Critical, MsgButtons::Ok);
        else
            ui_.messageBox("Incorect Password or Invalid backup file", kAppTitle, MsgIcon::Information,
                           MsgButtons::Ok);
        return view;
    }
    view.opened = true;
    view.protection = detectProtection(file).value_or(Protection::Compatible);
    view.sourcePath = file.string();
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
    std::unique_ptr<ProfileLock> lock;
    std::unique_ptr<RestoreJournal> journal;
    try {
        lock = session_.lockForChanges("restore");
        journal = std::make_unique<RestoreJournal>(session_.profile().prefix);
    } catch (const std::exception& e) {
        ui_.messageBox(e.what(), kAppTitle, MsgIcon::Critical, MsgButtons::Ok);
        return outcome;
    }
    const std::filesystem::path workDir = std::filesystem::path(state_.InfoFilePath).parent_path();
    auto wanted = [&](int item) {
        return checked[item] && state_.ItemFlags.size() == kBackupItemCount && state_.ItemFlags[item] == '1';
    };
    ui_.showProgress(true);
    ui_.setProgress(2);
    ui_.pumpEvents();
    HandlerContext context{session_, state_, ui_, workDir, ""};
    ItemHandlers handlers(context);
    // Everything is read and checked before the first change: a damaged file or an item that cannot
    // be restored changes nothing.
    auto refuse = [&](const std::string& text) {
        ui_.showProgress(false);
        ui_.setProgress(0);
        ui_.setStatusText("Please Waiting...");
        ui_.messageBox(text, kAppTitle, MsgIcon::Critical, MsgButtons::Ok);
        return outcome;
    };
    outcome.problems = auditBackupArchive(state_.TempArchivePath, workDir, session_.codePage()).problems;
    if (!outcome.problems.empty()) {
        std::string text = "The backup file is damaged; nothing was restored.";
        for (const std::string& p : outcome.problems)
            text += "\r\n" + p;
        return refuse(text);
    }
    // One byte scale for the bar: staging extracts each item's members (their bytes are its share of
    // 5 to 90 %), and putting the items in place takes the rest by the same shares.
    const std::array<double, kBackupItemCount> weight = restoreWeights(wanted);
    double all = 0;
    for (double w : weight)
        all += w;
    auto at = [&](double from, double to, double bytes) {
        return from + (to - from) * bytes / std::max(all, 1.0);
    };
    std::array<StagedItem, kBackupItemCount> staged;
    double done = 0;
    for (int item = 0; item < kBackupItemCount; ++item) {
        const BackupItemInfo& about = kBackupItems[item];
        if (wanted(item)) {
            ui_.setProgressSpan(at(kStagingFrom, kStagingTo, done),
                                at(kStagingFrom, kStagingTo, done + weight[item]));
            if (!handlers.stageRestore(item, identityKey, *journal, staged[item])) {
                outcome.failures[item] = handlers.lastError();
                return refuse(std::string(about.restoreTitle) + " cannot be restored (" +
                              handlers.lastError() + "); nothing was restored.");
            }
            done += weight[item];
            ui_.setProgress(int(at(kStagingFrom, kStagingTo, done)));
        }
    }
    outcome.started = true;
    std::string notRestored;
    ui_.pumpEvents();
    done = 0;
    for (int item = 0; item < kBackupItemCount; ++item) {
        const BackupItemInfo& about = kBackupItems[item];
        if (wanted(item)) {
            // A stop is honoured between items only: an item is restored whole or not at all.
            if (outcome.stopped || ui_.stopRequested()) {
                outcome.stopped = true;
                outcome.notRestored[item] = true;
                notRestored += "\r\n" + std::string(about.restoreTitle);
                continue;
            }
            ui_.setStatusText(std::string(about.statusText));
            bool ok = handlers.applyRestore(staged[item], *journal);
            done += weight[item];
            ui_.setProgress(int(at(kStagingTo, 100, done)));
            outcome.log += "\r\n" + std::string(about.restoreTitle) + "\t" + (ok ? "Successed" : "Fail");
            if (!ok)
                outcome.failures[item] = handlers.lastError();
        }
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
