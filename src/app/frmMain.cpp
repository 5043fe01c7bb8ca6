// frmMain.cpp -- the main window's start-up, tab rule, item boxes, password boxes, help, about and quit.
#include "app/frmMain.h"
#include "uikit/ScreenFit.h"

#include "app/KeepChoice.h"
#include "app/ProtectionChoice.h"
#include "app/Stationery.h"
#include "app/frmabout.h"
#include "engine/BackupDriver.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTabWidget>

namespace tessaly {

namespace {
const char* const kBackupCaption = "Backu&p Now";
const char* const kRestoreCaption = "Restore &Now";
} // namespace

frmMain::frmMain(ProfileSession& session, MainWindowState& state, QtUi& ui, QWidget* parent)
    : QMainWindow(parent), session_(session), state_(state), ui_(ui) {
    buildControls();
    ui_.attachWindow(this, picCon3_, pbshow_, Label1_, lblProgressFile_);
    // Stop is offered while the work of a backup or restore goes on, not during its checks or report.
    ui_.progressShown = [this](bool visible) { setStopMode(visible && stoppableRun_); };

    connect(SSTab1_, &QTabWidget::currentChanged, this, [this](int shown) {
        int previous = shownTab_;
        shownTab_ = shown;
        SSTab1_Click(previous);
    });
    connect(cbSource_, &QComboBox::activated, this, &frmMain::cbSource_Click);
    connect(ifprotect_, &QCheckBox::clicked, this, [this] {
        ifprotect_Click();
        rememberProtected(ifprotect_->isChecked());
    });
    connect(cmdTargetFile_, &QPushButton::clicked, this, &frmMain::cmdTargetFile_Click);
    connect(cmdSourceFile_, &QPushButton::clicked, this, &frmMain::cmdSourceFile_Click);
    connect(cmdExportMessages_, &QPushButton::clicked, this, &frmMain::cmdExportMessages_Click);
    connect(lstVersions_, &QListWidget::itemClicked, this, &frmMain::lstVersions_Click);
    connect(cmdApply_, &QPushButton::clicked, this, &frmMain::cmdApply_Click);
    connect(cmdAbout_, &QPushButton::clicked, this, &frmMain::about_Click);
    connect(cmdQuit_, &QPushButton::clicked, this, &frmMain::quit_Click);
    // Enter in a text field of a tab runs the tab's command, as the default button promises.
    for (QLineEdit* field : {txtTargetFile_, txtPassword_, txtPassword2_, txtSourceFile_})
        connect(field, &QLineEdit::returnPressed, this, [this] {
            if (!running_)
                cmdApply_Click();
        });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setObjectName("stopShortcut");
    connect(escape, &QShortcut::activated, this, &frmMain::stopRun);

    setUpKeepChoice(cmbKeep_);
    // The protection chosen in an earlier run, password boxes empty; a click (not this setting) is what
    // remembers a choice.
    (rememberedProtection() == Protection::Strong ? optStrong_ : optCompatible_)->setChecked(true);
    ifprotect_->setChecked(rememberedProtected());
    ifprotect_Click();
    protectionChoice_Click();
    for (QRadioButton* option : {optStrong_, optCompatible_})
        connect(option, &QRadioButton::clicked, this, [this] {
            rememberProtection(chosenProtection());
            protectionChoice_Click();
            rememberProtected(ifprotect_->isChecked());
        });

    // Nothing is opened until the user says so.
    for (QCheckBox* box : restoreitem_)
        box->setEnabled(false);
    // A small screen (a laptop at 150 %) shows the whole window without scrolling, without the heading.
    if (sizeHint().height() > screenRoom(this).height())
        picHeader_->hide();
    fitToScreen(this);
}

frmMain::~frmMain() {
    ui_.progressShown = nullptr;
    deleteTempArchive();
}

void frmMain::Form_Load(const std::string& infoFolder) {
    picCon3_->hide();
    pbshow_->setRange(0, 100);
    pbshow_->setValue(0);
    LoadMainWindowState(state_, session_, infoFolder);
    if (!session_.codePageNotice().empty())
        showStatus(QString::fromStdString(session_.codePageNotice()));
    if (!session_.leftoverNotice().empty())
        showStatus(QString::fromStdString(session_.leftoverNotice()));
    if (!session_.registryNotice().empty())
        showStatus(QString::fromStdString(session_.registryNotice()));
    if (state_.OENotInstalled) {
        cmdApply_->setEnabled(false);
        // The menu's commands would run the drivers without an identity just the same.
        backup_->setEnabled(false);
        restore_->setEnabled(false);
        ui_.messageBox(kOENotInstalledMessage, kAppTitle, MsgIcon::Critical, MsgButtons::Ok);
        return;
    }
    for (size_t i = 0; i < identityCount(state_.IdentityTable); ++i) {
        QString name = QString::fromStdString(state_.IdentityTable[i].userName);
        cbSource_->addItem(name);
        cbTarget_->addItem(name);
    }
    cbSource_->setCurrentIndex(0);
    cbTarget_->setCurrentIndex(0);
    // The Stationeries box starts as a change of identity would leave it.
    backupitem_[6]->setEnabled(stationeryAvailable(session_));
    cmdApply_->setText(SSTab1_->currentIndex() == 0 ? kBackupCaption : kRestoreCaption);
}

void frmMain::showStatus(const QString& text) {
    statusBar()->showMessage(text);
}

void frmMain::SSTab1_Click(int previousTab) {
    cmdApply_->setText(previousTab == 1 ? kBackupCaption : kRestoreCaption);
}

void frmMain::cbSource_Click() {
    for (QCheckBox* box : backupitem_) {
        box->setEnabled(true);
        box->setChecked(false);
    }
    backupitem_[6]->setEnabled(stationeryAvailable(session_));
}

void frmMain::ifprotect_Click() {
    const bool on = ifprotect_->isChecked();
    for (QLineEdit* box : {txtPassword_, txtPassword2_}) {
        box->setEnabled(on);
        QPalette palette = box->palette();
        // The window-background colour while the boxes take a password, the scroll-bar grey otherwise.
        QColor colour = on ? QApplication::palette().color(QPalette::Active, QPalette::Base)
                           : QApplication::palette().color(QPalette::Active, QPalette::Button);
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            palette.setColor(group, QPalette::Base, colour);
        box->setPalette(palette);
        box->clear();
    }
}

Protection frmMain::chosenProtection() const {
    return optStrong_->isChecked() ? Protection::Strong : Protection::Compatible;
}

void frmMain::protectionChoice_Click() {
    lblProtectionNote_->setText(protectionChoiceNote(chosenProtection()));
    // A strong file cannot be written without a password, so strong keeps the password boxes open.
    const bool strong = chosenProtection() == Protection::Strong;
    if (strong && !ifprotect_->isChecked()) {
        ifprotect_->setChecked(true);
        ifprotect_Click();
    }
    ifprotect_->setEnabled(!strong);
}

void frmMain::setItems(const std::array<QCheckBox*, kBackupItemCount>& boxes, bool checked) {
    for (QCheckBox* box : boxes)
        box->setChecked(checked);
}

void frmMain::gethelp() {
    std::filesystem::path manual = helpManualPath();
    if (!openUrl_(QUrl::fromLocalFile(QString::fromStdString(manual.string()))))
        ui_.messageBox("The help could not be opened: no program on this desktop shows " + manual.string() +
                           ".",
                       kAppTitle, MsgIcon::Information, MsgButtons::Ok);
}

void frmMain::website_Click() {
    if (!openUrl_(QUrl(kWebsiteAddress)))
        ui_.messageBox(std::string("No browser could be started for ") + kWebsiteAddress + ".", kAppTitle,
                       MsgIcon::Information, MsgButtons::Ok);
}

void frmMain::about_Click() {
    if (aboutBox_)
        return;
    frmabout box(openUrl_, this);
    aboutBox_ = &box;
    box.exec();
}

void frmMain::deleteTempArchive() {
    dropTempArchive(state_);
}

void frmMain::quit_Click() {
    if (quitting_)
        return;
    if (running_) {
        quitDuringRun(true);
        return;
    }
    quitting_ = true;
    if (aboutBox_)
        aboutBox_->reject();
    deleteTempArchive();
    close();
    emit programEnded();
}

void frmMain::quitWithoutAsking() {
    if (running_)
        quitDuringRun(false);
    else
        quit_Click();
}

void frmMain::quitDuringRun(bool ask) {
    if (quitPending_)
        return;
    if (!stoppable_) {
        quitPending_ = true;
        showStatus("Tessaly quits when the current run has finished.");
        return;
    }
    if (ask && ui_.messageBox("A backup or restore is running.\r\n\r\nStop it and quit Tessaly?", kAppTitle,
                              MsgIcon::Question, MsgButtons::OkCancel) != MsgResult::Ok)
        return;
    // The run's own report and questions are of no use to someone who is leaving.
    quitPending_ = true;
    ui_.setQuiet(true);
    stopRun();
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (quitting_) {
        event->accept();
        return;
    }
    quit_Click();
    if (quitting_)
        event->accept();
    else
        event->ignore();
}

} // namespace tessaly
