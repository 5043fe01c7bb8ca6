// ScheduledTasksDialog.cpp -- the list of scheduled tasks and their removal.
#include "scheduler/ui/ScheduledTasksDialog.h"

#include "scheduler/DayList.h"
#include "scheduler/StartTime.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstdio>

namespace tessaly {

QStringList ScheduledJobRow(const ScheduledJob& job, const IdentityTable& identities) {
    QString number = QString::number(job.number);
    if (!job.readable)
        return {number, "", "(line changed by hand)", "", "", ""};
    QString days;
    if (job.once) {
        char date[16];
        std::snprintf(date, sizeof date, "%02d/%02d", job.once->month, job.once->day);
        days = QString("Once on ") + date;
    } else {
        days = QString::fromStdString(DayListFromBits(job.daysOfWeek));
    }
    QString identity = QString::fromStdString(job.identityKey);
    for (size_t i = 0; i < identityCount(identities); ++i)
        if (identities[i].key == job.identityKey)
            identity = QString::fromStdString(identities[i].userName);
    return {number,
            QString::fromStdString(FormatStartTime(job.hour, job.minute)),
            days,
            identity,
            QString::fromStdString(job.backupFile),
            QString::fromStdString(job.protection)};
}

ScheduledTasksDialog::ScheduledTasksDialog(TaskScheduler& scheduler, const IdentityTable& identities, Ui& ui,
                                           QWidget* parent)
    : QDialog(parent), scheduler_(scheduler), identities_(identities), ui_(ui) {
    setObjectName("frmTasks");
    setWindowTitle("Scheduled Tasks");
    setModal(true);
    lvwTasks_ = new QTreeWidget(this);
    lvwTasks_->setObjectName("lvwTasks");
    lvwTasks_->setRootIsDecorated(false);
    lvwTasks_->setHeaderLabels({"Task", "Start Time", "Days", "Identity", "Backup File", "Protection"});
    cmdRemove_ = new QPushButton("&Remove Task", this);
    cmdRemove_->setObjectName("cmdRemove");
    auto* cmdClose = new QPushButton("&Close", this);
    cmdClose->setObjectName("cmdClose");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdRemove_);
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lvwTasks_);
    layout->addLayout(buttons);
    resize(640, 300);
    connect(cmdRemove_, &QPushButton::clicked, this, &ScheduledTasksDialog::removeSelected);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    refresh();
}

void ScheduledTasksDialog::refresh() {
    lvwTasks_->clear();
    try {
        for (const ScheduledJob& job : scheduler_.jobs()) {
            auto* row = new QTreeWidgetItem(lvwTasks_, ScheduledJobRow(job, identities_));
            row->setData(0, Qt::UserRole, job.number);
        }
    } catch (const std::exception& e) {
        ui_.messageBox(std::string("The scheduled tasks cannot be read: ") + e.what(), kAppTitle,
                       MsgIcon::Critical, MsgButtons::Ok);
    }
    if (lvwTasks_->topLevelItemCount() > 0)
        lvwTasks_->setCurrentItem(lvwTasks_->topLevelItem(0));
    cmdRemove_->setEnabled(lvwTasks_->topLevelItemCount() > 0);
}

void ScheduledTasksDialog::removeSelected() {
    QTreeWidgetItem* row = lvwTasks_->currentItem();
    if (!row)
        return;
    uint32_t number = row->data(0, Qt::UserRole).toUInt();
    if (ui_.messageBox("Remove task " + std::to_string(number) + "?", kAppTitle, MsgIcon::Question,
                       MsgButtons::OkCancel) != MsgResult::Ok)
        return;
    try {
        if (!scheduler_.removeJob(number))
            ui_.messageBox("Task " + std::to_string(number) + " no longer exists.", kAppTitle,
                           MsgIcon::Information, MsgButtons::Ok);
    } catch (const std::exception& e) {
        ui_.messageBox(std::string("The task cannot be removed: ") + e.what(), kAppTitle, MsgIcon::Critical,
                       MsgButtons::Ok);
    }
    refresh();
}

} // namespace tessaly
