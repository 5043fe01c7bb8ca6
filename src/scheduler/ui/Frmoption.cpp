// Frmoption.cpp -- the schedule window: its controls, its checks and the job it registers.
#include "scheduler/ui/Frmoption.h"
#include "uikit/ScreenFit.h"

#include "engine/BackupDriver.h"
#include "engine/ProfileSession.h"
#include "scheduler/DayList.h"
#include "scheduler/ScheduledCommand.h"
#include "scheduler/StartTime.h"
#include "scheduler/ui/ScheduledTasksDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <filesystem>

namespace tessaly {

namespace {

// Every control shown at one time has a letter of its own; the two pages share the tabs and buttons.
const std::array<const char*, 8> kItemCaptions = {
    "&Accounts",      "A&ddress Book", "&Rules",        "Email/News &Messages",
    "Bloc&k Senders", "Si&gnatures",   "Stat&ioneries", "OE Se&ttings"};
const std::array<const char*, 7> kDayNames = {"&Monday", "T&uesday",  "We&dnesday", "Thu&rsday",
                                              "&Friday", "&Saturday", "Su&nday"};

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

QCheckBox* checkBox(const char* name, const char* caption, QWidget* parent) {
    auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
    box->setObjectName(name);
    return box;
}

QPushButton* button(const char* name, const char* caption, QWidget* parent) {
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QGroupBox* frame(const char* name, const char* caption, QWidget* parent) {
    auto* box = new QGroupBox(QString::fromUtf8(caption), parent);
    box->setObjectName(name);
    return box;
}

QLabel* labelFor(const char* name, const char* caption, QWidget* buddy) {
    auto* label = new QLabel(QString::fromUtf8(caption), buddy->parentWidget());
    label->setObjectName(name);
    label->setBuddy(buddy);
    return label;
}

// The folder as its owner would type it: "~/..." below the home folder.
QString shownFolder(const std::filesystem::path& folder) {
    QString text = QString::fromStdString(folder.string());
    const QString home = QDir::homePath();
    if (!home.isEmpty() && home != "/" && text.startsWith(home + "/"))
        text = "~" + text.mid(home.size());
    return text + "/";
}

} // namespace

Frmoption::Frmoption(ModReg& modReg, TaskScheduler& scheduler, Ui& ui, FrmoptionSettings settings,
                     QWidget* parent)
    : QDialog(parent), scheduler_(scheduler), ui_(ui), settings_(std::move(settings)) {
    setObjectName("Frmoption");
    setWindowTitle("Task Scheduler");
    setModal(true);
    buildControls();
    fitToScreen(this);
    Form_Load(modReg);
}

void Frmoption::buildControls() {
    // Three pages, so that the window fits small screens and every control keeps a letter of its own.
    auto* pages = new QTabWidget(this);
    pages->setObjectName("tabPages");
    auto* what = new QWidget(pages);
    what->setObjectName("pageWhat");
    auto* when = new QWidget(pages);
    when->setObjectName("pageWhen");
    auto* protection = new QWidget(pages);
    protection->setObjectName("pageProtection");
    pages->addTab(what, "&What");
    pages->addTab(when, "W&hen");
    pages->addTab(protection, "&Protection");

    auto* Frame1 = frame("Frame1", "Schedule", what);
    auto* items = new QGridLayout(Frame1);
    for (size_t i = 0; i < backupitem_.size(); ++i) {
        std::string name = "backupitem_" + std::to_string(i);
        backupitem_[i] = checkBox(name.c_str(), kItemCaptions[i], Frame1);
        items->addWidget(backupitem_[i], static_cast<int>(i % 4), static_cast<int>(i / 4));
    }
    cbSource_ = new QComboBox(Frame1);
    cbSource_->setObjectName("cbSource");
    items->addWidget(labelFor("lblSource", "Identit&y:", cbSource_), 4, 0);
    items->addWidget(cbSource_, 4, 1);

    auto* Frame3 = frame("Frame3", "Schedule", when);
    auto* times = new QGridLayout(Frame3);
    cmbStartTime_ = new QComboBox(Frame3);
    cmbStartTime_->setObjectName("cmbStartTime");
    cmbStartTime_->setEditable(true);
    cmbStartTime_->setEditText("00:00");
    times->addWidget(labelFor("lblStartTime", "Start &time:", cmbStartTime_), 0, 0);
    times->addWidget(cmbStartTime_, 0, 1);
    const std::array<const char*, 7> dayObjects = {"chkMonday", "chkTuesday",  "chkWednesday", "chkThursday",
                                                   "chkFriday", "chkSaturday", "chkSunday"};
    for (size_t i = 0; i < weekday_.size(); ++i) {
        weekday_[i] = checkBox(dayObjects[i], kDayNames[i], Frame3);
        times->addWidget(weekday_[i], 1 + static_cast<int>(i % 4), static_cast<int>(i / 4));
    }
    chkDaily_ = checkBox("chkDaily", "Run d&aily", Frame3);
    times->addWidget(chkDaily_, 4, 1);
    times->setRowStretch(5, 1);
    auto* whenLayout = new QVBoxLayout(when);
    whenLayout->addWidget(Frame3);
    auto* onceNote = new QLabel("Without a weekday the task runs once, at the next start time.", when);
    onceNote->setObjectName("lblOnceNote");
    onceNote->setWordWrap(true);
    whenLayout->addWidget(onceNote);
    whenLayout->addStretch(1);

    auto* Frame2 = frame("Frame2", "Schedule", what);
    auto* target = new QHBoxLayout(Frame2);
    txtTargetFile_ = new QLineEdit(Frame2);
    txtTargetFile_->setObjectName("txtTargetFile");
    // Only "Browse..." sets the target file, so the box only shows it.
    txtTargetFile_->setReadOnly(true);
    cmdTargetFile_ = button("cmdTargetFile", "&Browse...", Frame2);
    target->addWidget(labelFor("lblTargetFile", "Backup &file:", txtTargetFile_));
    target->addWidget(txtTargetFile_, 1);
    target->addWidget(cmdTargetFile_);
    // Earlier backups beside the target, by the policy TESSALY_KEEP carries on the crontab line.
    chkKeep_ = checkBox("chkKeep", "Keep earlier backups: &7 daily, 4 weekly, 6 monthly", what);
    chkKeep_->setChecked(true);
    // Unticked, files the previous backup holds unchanged are copied from it (TESSALY_FULL=1 when ticked).
    chkFull_ = checkBox("chkFull", "Re&quire full backups: compress every file again", what);

    auto* Frame5 = frame("Frame5", "Security", protection);
    auto* security = new QGridLayout(Frame5);
    ifprotect_ = checkBox("ifprotect", "Protect &backup file with password", Frame5);
    txtPassword_ = new QLineEdit(Frame5);
    txtPassword_->setObjectName("txtPassword");
    txtPassword2_ = new QLineEdit(Frame5);
    txtPassword2_->setObjectName("txtPassword2");
    for (QLineEdit* box : {txtPassword_, txtPassword2_})
        box->setEchoMode(QLineEdit::Password);
    security->addWidget(ifprotect_, 0, 0, 1, 2);
    security->addWidget(labelFor("lblPassword", "Pa&ssword:", txtPassword_), 1, 0);
    security->addWidget(txtPassword_, 1, 1);
    security->addWidget(labelFor("lblPassword2", "&Confirm:", txtPassword2_), 2, 0);
    security->addWidget(txtPassword2_, 2, 1);
    optStrong_ = new QRadioButton("Strong (Argon2id, &XChaCha20-Poly1305)", Frame5);
    optStrong_->setObjectName("optStrong");
    optStrong_->setToolTip("Argon2id key, XChaCha20-Poly1305 encryption");
    optCompatible_ = new QRadioButton("Compatible with older &versions", Frame5);
    optCompatible_->setObjectName("optCompatible");
    optCompatible_->setChecked(true);
    lblProtectionNote_ = new QLabel(protectionChoiceNote(Protection::Compatible), Frame5);
    lblProtectionNote_->setObjectName("lblProtectionNote");
    lblProtectionNote_->setWordWrap(true);
    lblProtectionNote_->setMinimumHeight(lblProtectionNote_->fontMetrics().lineSpacing() * 2 + 2);
    auto* formats = new QHBoxLayout;
    formats->addWidget(new QLabel("Format:", Frame5));
    formats->addWidget(optStrong_);
    formats->addWidget(optCompatible_);
    formats->addStretch(1);
    security->addLayout(formats, 3, 0, 1, 2);
    security->addWidget(lblProtectionNote_, 4, 0, 1, 2);
    lblPasswordPlace_ = new QLabel("The password is kept in a file that only you can read, in " +
                                       shownFolder(settings_.passwordFolder) +
                                       ", and not in the crontab or the task's command line.",
                                   Frame5);
    lblPasswordPlace_->setObjectName("lblPasswordPlace");
    lblPasswordPlace_->setWordWrap(true);
    security->addWidget(lblPasswordPlace_, 5, 0, 1, 2);
    connect(optStrong_, &QRadioButton::toggled, this, [this](bool strong) {
        lblProtectionNote_->setText(
            protectionChoiceNote(strong ? Protection::Strong : Protection::Compatible));
        // A strong file needs a password, so strong keeps the password boxes open.
        if (strong)
            ifprotect_->setChecked(true);
        ifprotect_->setEnabled(!strong);
    });

    auto* whatLayout = new QVBoxLayout(what);
    whatLayout->addWidget(Frame1);
    whatLayout->addWidget(Frame2);
    whatLayout->addWidget(chkKeep_);
    whatLayout->addWidget(chkFull_);
    whatLayout->addStretch(1);
    auto* protectionLayout = new QVBoxLayout(protection);
    protectionLayout->addWidget(Frame5);
    protectionLayout->addStretch(1);

    Command3_ = button("Command3", "Add Task to Sch&eduler", this);
    // Enter anywhere in the window adds the task.
    Command3_->setDefault(true);
    Command1_ = button("Command1", "&Open Scheduler", this);
    Command2_ = button("Command2", "Cance&l", this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Command3_);
    buttons->addWidget(Command1_);
    buttons->addStretch(1);
    buttons->addWidget(Command2_);

    auto* layout = new QVBoxLayout(scrollingBody(this));
    layout->addWidget(pages);
    layout->addLayout(buttons);

    connect(chkDaily_, &QCheckBox::toggled, this, &Frmoption::chkDaily_Click);
    connect(ifprotect_, &QCheckBox::toggled, this, &Frmoption::ifprotect_Click);
    connect(cmdTargetFile_, &QPushButton::clicked, this, &Frmoption::cmdTargetFile_Click);
    connect(Command3_, &QPushButton::clicked, this, &Frmoption::Command3_Click);
    connect(Command1_, &QPushButton::clicked, this, &Frmoption::Command1_Click);
    connect(Command2_, &QPushButton::clicked, this, &QDialog::reject);
    // The main window's protection choice is where a new task starts.
    ifprotect_->setChecked(settings_.protect);
    ifprotect_Click(settings_.protect);
    (settings_.protection == Protection::Strong ? optStrong_ : optCompatible_)->setChecked(true);
}

void Frmoption::Form_Load(ModReg& modReg) {
    EnumerateIdentities(modReg, IdentityTable_, OENotInstalled_);
    if (OENotInstalled_) {
        message(kOENotInstalledMessage, MsgIcon::Critical);
        Command3_->setEnabled(false);
        return;
    }
    for (size_t i = 0; i < identityCount(IdentityTable_); ++i)
        cbSource_->addItem(qs(IdentityTable_[i].userName));
    if (cbSource_->count() > 0)
        cbSource_->setCurrentIndex(0);
    for (const std::string& time : StartTimeChoices())
        cmbStartTime_->addItem(qs(time));
    cmbStartTime_->setCurrentIndex(cmbStartTime_->findText(kDefaultStartTime));
}

void Frmoption::chkDaily_Click(bool checked) {
    for (QCheckBox* day : weekday_)
        day->setChecked(checked);
}

void Frmoption::ifprotect_Click(bool checked) {
    // Window background when the boxes take a password, the scroll-bar grey when they do not.
    QColor colour = QApplication::palette().color(checked ? QPalette::Base : QPalette::Button);
    for (QLineEdit* box : {txtPassword_, txtPassword2_}) {
        box->setEnabled(checked);
        QPalette palette = box->palette();
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            palette.setColor(group, QPalette::Base, colour);
        box->setPalette(palette);
        box->clear();
    }
}

void Frmoption::cmdTargetFile_Click() {
    std::optional<QString> chosen = chooseTarget_(this);
    if (!chosen)
        return;
    // A name typed without an extension gets the one every backup file has.
    QString path = *chosen;
    if (std::filesystem::path(path.toStdString()).extension().empty())
        path += ".tsy";
    txtTargetFile_->setText(path);
    targetFilePath_ = txtTargetFile_->text().toStdString();
}

void Frmoption::message(const std::string& text, MsgIcon icon) {
    ui_.messageBox(text, kAppTitle, icon, MsgButtons::Ok);
}

void Frmoption::Command3_Click() {
    std::array<bool, 8> items{};
    for (size_t i = 0; i < items.size(); ++i)
        items[i] = backupitem_[i]->isChecked();
    std::string mask = BuildItemMask(items);
    if (mask == "00000000")
        return message("Please select at least one item.", MsgIcon::Exclamation);
    if (targetFilePath_.empty())
        return message("Invalid backup file name.", MsgIcon::Exclamation);
    std::string password = txtPassword_->text().toStdString();
    std::string repeated = txtPassword2_->text().toStdString();
    if (ifprotect_->isChecked() && password.empty() && repeated.empty())
        return message("Please enter Password!", MsgIcon::Critical);
    if (ifprotect_->isChecked() && password != repeated)
        return message("Incorect Password!", MsgIcon::Critical);
    const Protection protection = optStrong_->isChecked() ? Protection::Strong : Protection::Compatible;
    if (protection == Protection::Strong && (!ifprotect_->isChecked() || password.empty()))
        return message(kStrongNeedsPasswordMessage, MsgIcon::Critical);

    int index = cbSource_->currentIndex();
    if (index < 0 || static_cast<size_t>(index) >= identityCount(IdentityTable_))
        return message("Please choose the identity to back up.", MsgIcon::Exclamation);
    std::string identityKey = IdentityTable_[static_cast<size_t>(index)].key;

    // The unattended backup splits its command line at every "=", and cron takes one line per job.
    if (auto why = WhyNotCarriable(CarriedValue::Password, password))
        return message(*why, MsgIcon::Critical);
    if (auto why = WhyNotCarriable(CarriedValue::IdentityKey, identityKey))
        return message(*why, MsgIcon::Exclamation);
    if (auto why = WhyNotCarriable(CarriedValue::BackupFile, targetFilePath_))
        return message(*why, MsgIcon::Exclamation);
    if (auto why = WhyNotCarriable(CarriedValue::ProgramPath, settings_.programPath))
        return message(*why, MsgIcon::Critical);

    std::array<bool, 7> days{};
    for (size_t i = 0; i < days.size(); ++i)
        days[i] = weekday_[i]->isChecked();
    std::string dayList = BuildDayList(days);

    std::optional<StartTime> time = ParseStartTime(cmbStartTime_->currentText().toStdString());
    if (!time)
        return message("Invalid start time. Please choose a time such as 9:00.", MsgIcon::Exclamation);
    std::string command = BuildScheduledCommand(
        settings_.programPath, identityKey, mask, password, targetFilePath_, protectionName(protection),
        chkKeep_->isChecked() ? kScheduledKeepDefault : "", chkFull_->isChecked());
    AT_INFO record = FillJobRecord(time->hour, time->minute, dayList, command);

    uint32_t jobId = 0;
    std::string error;
    uint32_t result = scheduler_.addJob(settings_.sComputerName, record, jobId, &error);
    if (result == 0)
        message("Task " + std::to_string(jobId) + " has been scheduled.", MsgIcon::None);
    else
        message("The task could not be scheduled: " + error, MsgIcon::Critical);
}

void Frmoption::Command1_Click() {
    ScheduledTasksDialog tasks(scheduler_, IdentityTable_, ui_, this);
    tasks.exec();
}

} // namespace tessaly
