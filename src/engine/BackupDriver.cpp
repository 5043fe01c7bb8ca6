// BackupDriver.cpp -- the interactive backup: its checks, messages, progress and completion report.
#include "engine/BackupDriver.h"

#include "backupfile/InfoFile.h"
#include "engine/history/BackupClock.h"
#include "engine/history/BackupHistory.h"

namespace tessaly {

BackupOutcome BackupDriver::run(const BackupRequest& request, bool offerDisc) {
    BackupOutcome outcome;
    auto refuse = [&](const char* text, MsgIcon icon) {
        ui_.messageBox(text, kAppTitle, icon, MsgButtons::Ok);
        return outcome;
    };
    if (!state_.BackupFileName || state_.BackupFileName->empty())
        return refuse("Invalid backup file name.", MsgIcon::Exclamation);
    bool any = false;
    for (bool b : request.items)
        any = any || b;
    if (!any)
        return refuse("Please select at least one item.", MsgIcon::Exclamation);
    if (request.protect && request.password.empty() && request.password2.empty())
        return refuse("Please enter Password!", MsgIcon::Critical);
    if (request.protect && request.password != request.password2)
        return refuse("Incorect Password!", MsgIcon::Critical);
    if (request.protection == Protection::Strong && (!request.protect || request.password.empty()))
        return refuse(kStrongNeedsPasswordMessage, MsgIcon::Critical);
    outcome.started = true;

    state_.BackupPassword = request.protect ? request.password : "";
    ui_.showProgress(true);
    ui_.pumpEvents();

    BackupPlan plan;
    plan.target = *state_.BackupFileName;
    plan.identityKey = request.identityKey;
    plan.items = request.items;
    plan.password = state_.BackupPassword;
    plan.protection = request.protection;
    plan.time = backupClock();
    plan.keep = request.keep;
    plan.acceptShrink = request.acceptShrink;
    plan.full = request.full;
    plan.leadingEntries = {{"BackupComputer", state_.sComputerName},
                           {"BackupLogonUser", state_.LogonUserName},
                           {"BackupIdentity", request.identityUserName},
                           {"BackupTime", generalDateTime(plan.time)},
                           {"BackupInformation", EscapeNote(request.note)}};
    plan.interactive = true;

    auto finishPanel = [&] {
        ui_.setProgress(100);
        ui_.setStatusText("Operation complete!");
        ui_.showProgress(false);
        ui_.setProgress(0);
        ui_.setStatusText("Please Waiting...");
    };
    try {
        BackupResult result = runBackup(session_, state_, ui_, plan);
        outcome.itemFlags = result.itemFlags;
        outcome.log = result.log;
        outcome.failures = result.failures;
        outcome.result = result;
    } catch (const RunStopped&) {
        finishPanel();
        outcome.stopped = true;
        ui_.messageBox("The Backup was stopped.\r\n\r\nNo backup file was written; a file of that name that "
                       "existed before is unchanged.",
                       kAppTitle, MsgIcon::Information, MsgButtons::Ok);
        return outcome;
    } catch (const BackupFailed& e) {
        finishPanel();
        ui_.messageBox(
            "The Backup was not completed: " + std::string(e.what()) +
                "\r\n\r\nNo backup file was written; a file of that name that existed before is unchanged.",
            kAppTitle, MsgIcon::Critical, MsgButtons::Ok);
        return outcome;
    }
    outcome.completed = true;
    finishPanel();
    std::string placement = describePlacement(outcome.result);
    ui_.messageBox(
        "The Backup was Completed!\r\n" + outcome.log + (placement.empty() ? "" : "\r\n\r\n" + placement),
        kAppTitle,
        outcome.result.placed.placement == Placement::Suspect ? MsgIcon::Exclamation : MsgIcon::Information,
        MsgButtons::Ok);

    if (offerDisc && ui_.messageBox("Do you need to backup your data to CD-R/RW or DVD?", kAppTitle,
                                    MsgIcon::Information, MsgButtons::OkCancel) == MsgResult::Ok) {
        state_.backupfiletocd = std::filesystem::path(*state_.BackupFileName).filename().string();
        state_.backupcdpath = *state_.BackupFileName;
        outcome.discRequested = true;
    }
    return outcome;
}

} // namespace tessaly
