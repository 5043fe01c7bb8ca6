// frmMainRuns.cpp -- the commands that run the engine: Browse buttons, backup, restore, other windows.
#include "app/KeepChoice.h"
#include "app/OptionalWindows.h"
#include "app/VersionList.h"
#include "app/frmMain.h"

#include "engine/BackupDriver.h"
#include "engine/RestoreDriver.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>

namespace tessaly {

namespace {

const char* kRestoreWarning = "Your current Email and News messages will be replaced with the messages from "
                              "the selected backup file.\r\n\r\nDo you want to countinue?";

std::array<bool, kBackupItemCount> checkedItems(const std::array<QCheckBox*, kBackupItemCount>& boxes) {
    std::array<bool, kBackupItemCount> checked{};
    for (int i = 0; i < kBackupItemCount; ++i)
        checked[i] = boxes[i]->isChecked();
    return checked;
}

} // namespace

// One run at a time: the engine lets window messages run while it works, so every command that
// starts a run or changes its choices is switched off until the run's last message, and a command
// that arrives anyway is refused.
bool frmMain::refusedDuringRun() {
    if (!running_)
        return false;
    QApplication::beep();
    showStatus("A backup or restore is running; wait until it has finished.");
    return true;
}

bool frmMain::beginRun() {
    if (refusedDuringRun())
        return false;
    // What an earlier stop left on the status line is not news about this run.
    if (stopStatusShown_) {
        statusBar()->clearMessage();
        stopStatusShown_ = false;
    }
    running_ = true;
    runCommands_.clear();
    for (QObject* command : std::initializer_list<QObject*>{
             cmdApply_, cmdTargetFile_, cmdSourceFile_, cbSource_, cbTarget_, backup_, restore_,
             TaskScheduler_, backupiefavorites_, restoreiefavorites_, backuptocd_}) {
        bool enabled = command->property("enabled").toBool();
        runCommands_.emplace_back(command, enabled);
        command->setProperty("enabled", false);
    }
    return true;
}

// During a backup or restore the action button is Stop; its caption comes back afterwards.
void frmMain::setStopMode(bool on) {
    if (stoppable_ == on)
        return;
    stoppable_ = on;
    if (on) {
        applyCaption_ = cmdApply_->text();
        cmdApply_->setText("&Stop");
        cmdApply_->setEnabled(true);
    } else {
        cmdApply_->setText(applyCaption_);
        cmdApply_->setEnabled(false); // until endRun gives it back its state
    }
}

void frmMain::stopRun() {
    if (!stoppable_)
        return;
    ui_.requestStop();
    cmdApply_->setEnabled(false);
    showStatus("Stopping...");
    stopStatusShown_ = true;
}

// After a backup or restore: the status line says how a stopped run left things, and the keyboard is
// back on the action button.
void frmMain::finishRun(bool stopped, const char* stoppedText) {
    if (stopped) {
        showStatus(stoppedText);
        stopStatusShown_ = true;
    } else if (stopStatusShown_) {
        statusBar()->clearMessage();
        stopStatusShown_ = false;
    }
    endRun();
    if (!quitting_ && cmdApply_->isEnabled())
        cmdApply_->setFocus(Qt::OtherFocusReason);
}

void frmMain::endRun() {
    for (auto& [command, enabled] : runCommands_)
        if (command)
            command->setProperty("enabled", enabled);
    runCommands_.clear();
    running_ = false;
    if (quitPending_) {
        ui_.setQuiet(false);
        quit_Click();
    }
}

const IdentityColumn* frmMain::chosenIdentity(QComboBox* list) const {
    int index = list->currentIndex();
    if (index < 0 || static_cast<size_t>(index) >= identityCount(state_.IdentityTable))
        return nullptr;
    return &state_.IdentityTable[index];
}

void frmMain::cmdApply_Click() {
    if (stoppable_) {
        stopRun();
        return;
    }
    if (SSTab1_->currentIndex() == 0)
        runBackupDriver();
    else
        runRestoreDriver();
}

void frmMain::cmdTargetFile_Click() {
    if (refusedDuringRun())
        return;
    if (std::optional<QString> chosen = choosers_.backupTarget(this)) {
        txtTargetFile_->setText(*chosen);
        state_.BackupFileName = txtTargetFile_->text().toStdString();
    }
}

void frmMain::cmdSourceFile_Click() {
    if (refusedDuringRun())
        return;
    // A cancelled dialog leaves the opened file (and its temporary archive) as it was.
    std::optional<QString> chosen = choosers_.backupSource(this);
    if (!chosen || chosen->isEmpty())
        return;
    openSourceFile(chosen->toStdString());
}

void frmMain::lstVersions_Click() {
    if (refusedDuringRun())
        return;
    if (std::optional<std::filesystem::path> version = chosenVersion(lstVersions_))
        openSourceFile(version->string());
}

void frmMain::openSourceFile(const std::string& file) {
    if (!beginRun())
        return;
    RestoreDriver driver(session_, state_, ui_);
    InspectionView view = driver.inspect(file);
    if (view.sourcePath.empty()) {
        // The password was refused: nothing counts as opened any more, and the window says so.
        txtSourceFile_->clear();
        txtPOBinfo_->clear();
        txtFileInfo_->clear();
        lblProtection_->clear();
        for (QCheckBox* box : restoreitem_)
            box->setEnabled(false);
        cmdExportMessages_->setEnabled(false);
        lstVersions_->clear();
    } else {
        cmdExportMessages_->setEnabled(true);
        txtSourceFile_->setText(QString::fromStdString(view.sourcePath));
        fillVersionList(lstVersions_, view.sourcePath);
        std::optional<Protection> protection = detectProtection(view.sourcePath);
        lblProtection_->setText(protection
                                    ? QString::fromStdString("Protection: " + describeProtection(*protection))
                                    : QString());
        txtPOBinfo_->setPlainText(displayText(view.details));
        txtFileInfo_->setPlainText(displayText(view.note));
        for (int i = 0; i < kBackupItemCount; ++i)
            if (view.enableItem[i])
                restoreitem_[i]->setEnabled(*view.enableItem[i]);
    }
    endRun();
}

void frmMain::runBackupDriver() {
    if (!beginRun())
        return;
    BackupRequest request;
    request.items = checkedItems(backupitem_);
    request.identityUserName = cbSource_->currentText().toStdString();
    if (const IdentityColumn* identity = chosenIdentity(cbSource_))
        request.identityKey = identity->key;
    request.protect = ifprotect_->isChecked();
    request.password = txtPassword_->text().toStdString();
    request.password2 = txtPassword2_->text().toStdString();
    request.note = txtAttachInfo_->toPlainText().replace('\n', "\r\n").toStdString();
    request.protection = chosenProtection();
    if (std::string keep = chosenKeep(cmbKeep_); !keep.empty())
        request.keep = parseRetentionPolicy(keep, nullptr);
    BackupDriver driver(session_, state_, ui_);
    ui_.clearStop();
    stoppableRun_ = true;
    BackupOutcome outcome = driver.run(request, discWindowBuilt());
    stoppableRun_ = false;
    setStopMode(false);
    if (outcome.discRequested && !quitPending_)
        showDiscWindow(session_, state_, ui_, this);
    finishRun(outcome.stopped, "The backup was stopped; the earlier file is unchanged.");
}

void frmMain::runRestoreDriver() {
    if (!beginRun())
        return;
    // Both the button and the menu command warn first: a restore replaces the identity's data.
    bool stopped = false;
    const IdentityColumn* identity = chosenIdentity(cbTarget_);
    // Without an opened file the driver says so; the warning is for a restore that can happen, and
    // names the identity whose data it replaces.
    const bool opened = !state_.InspectionInvalid && !state_.TempArchivePath.empty() &&
                        std::filesystem::exists(state_.TempArchivePath);
    if (!opened || ui_.messageBox(std::string(kRestoreWarning) +
                                      "\r\n\r\nIdentity: " + cbTarget_->currentText().toStdString(),
                                  kAppTitle, MsgIcon::Information, MsgButtons::OkCancel) == MsgResult::Ok) {
        RestoreDriver driver(session_, state_, ui_);
        ui_.clearStop();
        stoppableRun_ = true;
        stopped = driver.run(checkedItems(restoreitem_), identity ? identity->key : std::string()).stopped;
        stoppableRun_ = false;
        setStopMode(false);
    }
    finishRun(stopped, "The restore was stopped; the items not yet restored are unchanged.");
}

void frmMain::TaskScheduler_Click() {
    if (!beginRun())
        return;
    showSchedulerWindow(session_, state_, ui_, this, chosenProtection(), ifprotect_->isChecked());
    endRun();
}

void frmMain::backupiefavorites_Click() {
    if (refusedDuringRun())
        return;
    std::optional<QString> chosen = choosers_.favoritesExport(this);
    if (!chosen || !beginRun())
        return;
    exportFavoritesTo(session_, ui_, chosen->toStdString());
    endRun();
}

void frmMain::restoreiefavorites_Click() {
    if (refusedDuringRun())
        return;
    std::optional<QString> chosen = choosers_.favoritesImport(this);
    if (!chosen || !beginRun())
        return;
    importFavoritesFrom(session_, ui_, chosen->toStdString());
    endRun();
}

} // namespace tessaly
